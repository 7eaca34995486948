// The preset grid: one button per preset the camera keeps, named as the hub keeps them. A tap
// recalls; a long press (touch) or a click with Shift, Ctrl or Alt stores the present view under
// that number, with a name that the hub keeps for every page.

const DEFAULT_COUNT = 16; // what the common camera keeps, when the hub has no profile
const LONG_PRESS_MS = 600;

let storing = null; // the preset number the form stores
let tools = null;

export function renderPresets(camera, given) {
  tools = given;
  const count = camera.capabilities?.presets ?? DEFAULT_COUNT;
  const grid = document.getElementById('preset-grid');
  const names = camera.presets ?? {};
  const key = JSON.stringify([camera.id, count, names]);
  if (grid.dataset.key === key) return;
  grid.dataset.key = key;
  const buttons = [];
  for (let number = 0; number < count; number++) {
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'preset';
    button.dataset.preset = String(number);
    const name = names[String(number)];
    button.innerHTML = '<span class="preset-number"></span><span class="preset-name"></span>';
    button.querySelector('.preset-number').textContent = String(number);
    button.querySelector('.preset-name').textContent = name ?? '';
    button.title = name ? `${name} (preset ${number})` : `Preset ${number}`;
    attachPress(button, () => recall(number, name), () => openForm(number, name));
    buttons.push(button);
  }
  grid.classList.toggle('many', count > 32);
  grid.replaceChildren(...buttons);
}

function attachPress(button, onTap, onLongPress) {
  let timer = null;
  let long = false;
  button.addEventListener('pointerdown', (event) => {
    if (event.button !== 0) return;
    long = false;
    timer = setTimeout(() => {
      long = true;
      onLongPress();
    }, LONG_PRESS_MS);
  });
  const cancel = () => clearTimeout(timer);
  button.addEventListener('pointerleave', cancel);
  button.addEventListener('pointercancel', cancel);
  button.addEventListener('click', (event) => {
    cancel();
    if (long) return;
    if (event.shiftKey || event.ctrlKey || event.altKey || event.metaKey) onLongPress();
    else onTap();
  });
  button.addEventListener('contextmenu', (event) => event.preventDefault());
}

async function recall(number, name) {
  const label = name ? `${name} (preset ${number})` : `preset ${number}`;
  tools.message('presets', `Recalling ${label}…`, 'info');
  await tools.run('presets', 'memoryRecall', { preset: number }, `At ${label}.`);
}

function openForm(number, name) {
  storing = number;
  const form = document.getElementById('preset-form');
  document.getElementById('preset-form-title').textContent = `Store the present view as preset ${number}`;
  const input = document.getElementById('preset-name');
  input.value = name ?? '';
  form.hidden = false;
  input.focus();
}

export function bindPresetForm({ run, hub, keyOf, message, current }) {
  const form = document.getElementById('preset-form');
  document.getElementById('preset-cancel').addEventListener('click', () => {
    form.hidden = true;
  });
  form.addEventListener('submit', async (event) => {
    event.preventDefault();
    const camera = current();
    const number = storing;
    if (!camera || number === null) return;
    const name = document.getElementById('preset-name').value.trim();
    const stored = await run('presets', 'memorySet', { preset: number });
    if (stored.status !== 200) return; // the failure is shown beside the grid
    const had = camera.presets?.[String(number)] ?? '';
    if (name !== had) {
      const lock = keyOf(camera.id);
      const reply = await hub.request('PUT', `/api/cameras/${camera.id}/presets/${number}`, { name },
        lock ? { 'Quorvin-Lock': lock } : {});
      if (reply.status !== 200) {
        message('presets', `Stored, but the name was not kept: ${reply.error}`);
        return;
      }
    }
    form.hidden = true;
    message('presets', `Stored as preset ${number}${name ? ` (${name})` : ''}.`, 'info');
  });
}
