// White balance and exposure: the mode, and the manual values that the mode leaves to the
// operator (the gains in manual white balance; shutter, iris, gain or brightness as the
// exposure mode has it). Ranges are the camera's position codes, as the library documents them.

const MANUAL = {
  WBManual: [
    { label: 'Red gain', operation: 'setRGain', arg: 'gain', key: 'rGain', max: 255 },
    { label: 'Blue gain', operation: 'setBGain', arg: 'gain', key: 'bGain', max: 255 },
  ],
  AEManual: ['shutter', 'iris', 'gain'],
  AEShutterPriority: ['shutter'],
  AEIrisPriority: ['iris'],
  AEBright: ['bright'],
};

const EXPOSURE = {
  shutter: { label: 'Shutter', operation: 'setShutter', arg: 'shutter', key: 'shutter', max: 21 },
  iris: { label: 'Iris', operation: 'setIris', arg: 'iris', key: 'iris', max: 17 },
  gain: { label: 'Gain', operation: 'setGain', arg: 'gain', key: 'gain', max: 15 },
  bright: { label: 'Brightness', operation: 'setBright', arg: 'bright', key: 'bright', max: 31 },
};

// Mode names as people say them: "WBManual" is "Manual".
const shortName = (mode) => mode.replace(/^(WB|AE)/, '').replace(/([a-z])([A-Z])/g, '$1 $2');

function fillSelect(select, operations, operation) {
  const op = operations.find((o) => o.name === operation);
  const values = op?.args?.[0]?.values ?? [];
  if (select.options.length === values.length) return;
  select.replaceChildren(
    ...values.map((value) => {
      const option = document.createElement('option');
      option.value = value;
      option.textContent = shortName(value);
      return option;
    }),
  );
}

function manualSliders(box, controls, camera, run) {
  const key = JSON.stringify([camera.id, controls.map((c) => c.operation)]);
  if (box.dataset.key !== key) {
    box.dataset.key = key;
    box.replaceChildren(
      ...controls
        .filter((c) => !camera.capabilities?.lacks?.includes(c.operation))
        .map((c) => {
          const label = document.createElement('label');
          label.className = 'slider';
          label.textContent = `${c.label} `;
          const input = document.createElement('input');
          input.type = 'range';
          input.min = '0';
          input.max = String(c.max);
          input.dataset.key = c.key;
          const shown = document.createElement('output');
          input.addEventListener('input', () => {
            shown.textContent = input.value;
          });
          input.addEventListener('change', () => run('picture', c.operation, { [c.arg]: Number(input.value) }));
          label.append(input, shown);
          return label;
        }),
    );
  }
  for (const input of box.querySelectorAll('input')) {
    const value = camera.state?.[input.dataset.key];
    if (typeof value === 'number' && !input.matches(':active')) {
      input.value = String(value);
      input.nextElementSibling.textContent = String(value);
    }
  }
}

let bound = false;

export function renderPicture(camera, operations, run, fresh) {
  const wb = document.getElementById('wb-mode');
  const ae = document.getElementById('ae-mode');
  fillSelect(wb, operations, 'setWBMode');
  fillSelect(ae, operations, 'setAEMode');
  if (!bound) {
    bound = true;
    wb.addEventListener('change', () => run('picture', 'setWBMode', { mode: wb.value }));
    ae.addEventListener('change', () => run('picture', 'setAEMode', { mode: ae.value }));
    document.getElementById('wb-push').addEventListener('click', () =>
      run('picture', 'onePushWBTrigger', {}, 'White balanced once.'),
    );
  }
  const state = camera.state ?? {};
  if (state.wbMode && (fresh || !wb.matches(':focus'))) wb.value = state.wbMode;
  if (state.aeMode && (fresh || !ae.matches(':focus'))) ae.value = state.aeMode;
  const push = document.getElementById('wb-push');
  push.dataset.hiddenByMode = String(state.wbMode !== 'WBOnePush');
  push.hidden = push.dataset.hiddenByMode === 'true' || camera.capabilities?.lacks?.includes('onePushWBTrigger');
  manualSliders(document.getElementById('wb-manual'), MANUAL[state.wbMode] ?? [], camera, run);
  const exposure = (MANUAL[state.aeMode] ?? []).map((name) => EXPOSURE[name]);
  manualSliders(document.getElementById('ae-manual'), exposure, camera, run);
}
