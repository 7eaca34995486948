// The control page: the hub's cameras with their health and lock, and the controls of the one
// chosen. Everything it knows comes from the hub's WebSocket (a snapshot, then each change), so
// that every page and every other client sees the same camera.

import { Hub } from './hub.js';
import { DriveControl } from './drive.js';
import { attachPad, attachHoldButton, attachKeys, attachGamepad } from './inputs.js';
import { maximaOf, stateKey } from './speeds.js';
import { plainWords, HEALTH_WORDS, valueText } from './words.js';
import { renderPresets, bindPresetForm } from './presets.js';
import { renderPicture } from './picture.js';

const $ = (id) => document.getElementById(id);

const hub = new Hub();
const cameras = new Map(); // id -> the hub's entry, with state and moving
let order = [];
let chosen = null;
let operations = [];
const readErrors = new Map(); // "camera/inquiry" -> the error of the last read
// Lock keys this page holds, by camera, for this tab: a reload keeps them.
const lockKeys = JSON.parse(sessionStorage.getItem('quorvin.locks') ?? '{}');

const current = () => cameras.get(chosen);
const keyOf = (id) => lockKeys[id] ?? '';
const lacks = (camera, operation) => camera?.capabilities?.lacks?.includes(operation) ?? false;
const lockedByOther = (camera) => camera?.locked && !keyOf(camera.id);

function saveLocks() {
  sessionStorage.setItem('quorvin.locks', JSON.stringify(lockKeys));
}

// ---- messages beside the controls ----

function message(group, text, kind = 'error') {
  const element = document.querySelector(`.message[data-for="${group}"]`);
  if (!element) return;
  element.textContent = text;
  element.dataset.kind = text ? kind : '';
}

// The outcome of a command, shown beside the control that sent it. A drive replaced by a newer
// one (409) is the normal course of a held control, not a failure.
function report(group, reply, success = '') {
  if (reply.status === 409) return;
  if (reply.status >= 400 || reply.status === 0) {
    message(group, plainWords(reply));
  } else if (reply.status === 202) {
    message(group, 'Taken; the camera is still moving.', 'info');
  } else {
    message(group, success, 'info');
  }
}

export async function run(group, operation, args = {}, success = '') {
  if (!chosen) return { status: 0 };
  const reply = await hub.run(chosen, operation, args, keyOf(chosen));
  report(group, reply, success);
  return reply;
}

// ---- the camera list ----

function renderList() {
  const list = $('camera-list');
  list.replaceChildren(
    ...order.map((id, index) => {
      const camera = cameras.get(id);
      const item = document.createElement('li');
      const button = document.createElement('button');
      button.type = 'button';
      button.className = 'camera-choice';
      button.dataset.camera = id;
      button.dataset.health = camera.health;
      button.setAttribute('aria-current', id === chosen ? 'true' : 'false');
      const key = index < 9 ? `<kbd>${index + 1}</kbd>` : '';
      button.innerHTML = `${key}<span class="name"></span><span class="health-word"></span>`;
      button.querySelector('.name').textContent = camera.label;
      const health = button.querySelector('.health-word');
      health.textContent = HEALTH_WORDS[camera.health] ?? camera.health;
      if (camera.locked) {
        const lock = document.createElement('span');
        lock.className = 'lock-word';
        // "On air" says it all for the usual reason; another reason is shown as given.
        const reason = camera.lockReason && camera.lockReason !== 'on air' ? `: ${camera.lockReason}` : '';
        lock.textContent = `On air${reason}`;
        button.append(lock);
      }
      button.title = camera.reason ?? '';
      button.addEventListener('click', () => choose(id));
      item.append(button);
      return item;
    }),
  );
}

function choose(id) {
  if (!cameras.has(id) || id === chosen) return;
  // A drive held on the camera left behind must not go on there.
  drive.stopAll();
  chosen = id;
  history.replaceState(null, '', `#${id}`);
  for (const element of document.querySelectorAll('.message')) message(element.dataset.for, '');
  $('preset-form').hidden = true;
  renderList();
  renderCamera(true);
}

// ---- the chosen camera ----

function renderCamera(fresh = false) {
  const camera = current();
  $('camera').hidden = !camera;
  if (!camera) return;
  const state = camera.state ?? {};
  $('camera-name').textContent = `${camera.label} (${camera.id})`;
  const health = $('camera-health');
  health.dataset.health = camera.health;
  health.textContent = (HEALTH_WORDS[camera.health] ?? camera.health) + (camera.reason ? `: ${camera.reason}` : '');

  // Why the controls would be refused, said where they are.
  const notice = $('camera-notice');
  let why = '';
  if (camera.health !== 'online') why = 'The camera is offline: its controls wait until it is back.';
  else if (lockedByOther(camera)) why = `Locked by another operator (${camera.lockReason}): moves and settings are refused.`;
  notice.hidden = !why;
  notice.textContent = why;
  $('camera').classList.toggle('refused', Boolean(why));
  for (const element of document.querySelectorAll('.group .message')) {
    if (why && !element.textContent) {
      message(element.dataset.for, why, 'refused');
    } else if (!why && element.dataset.kind === 'refused') {
      message(element.dataset.for, '');
    }
  }

  const power = $('power');
  power.setAttribute('aria-pressed', String(state.powerState === true));
  power.textContent = state.powerState === false ? 'Power: off' : 'Power: on';
  const lock = $('lock');
  lock.setAttribute('aria-pressed', String(Boolean(camera.locked)));
  lock.textContent = camera.locked ? (keyOf(camera.id) ? 'On air (yours)' : `On air: ${camera.lockReason}`) : 'On air: off';

  // What the camera lacks is left out.
  for (const element of document.querySelectorAll('[data-needs]')) {
    element.hidden = lacks(camera, element.dataset.needs) || element.dataset.hiddenByMode === 'true';
  }
  const maxima = maximaOf(camera);
  for (const id of ['zoom-speed', 'focus-speed']) {
    const slider = $(id);
    slider.max = String(id === 'zoom-speed' ? maxima.zoom : maxima.focus);
    if (fresh) slider.value = String(Math.ceil(Number(slider.max) / 2));
  }
  follow($('zoom-position'), state.zoom);
  follow($('focus-position'), state.focus);
  $('dzoom').checked = state.dZoomState === true;
  const auto = state.focusMode === true;
  $('focus-auto').setAttribute('aria-pressed', String(auto));
  $('focus-auto').textContent = auto ? 'Auto focus: on' : 'Auto focus: off';

  renderPresets(camera, { run, hub, keyOf, message });
  renderPicture(camera, operations, run, fresh);
  renderStatus(camera);
}

// A position slider follows the camera unless the operator holds it.
function follow(slider, value) {
  if (typeof value === 'number' && !slider.matches(':active')) slider.value = String(value);
}

function renderStatus(camera) {
  const rows = operations.filter((op) => op.inquiry && op.args.length === 0);
  const refused = camera.capabilities?.refused ?? [];
  $('status-rows').replaceChildren(
    ...rows.map((op) => {
      const row = document.createElement('tr');
      row.dataset.inquiry = op.name;
      const name = document.createElement('th');
      name.scope = 'row';
      name.textContent = op.name;
      const value = document.createElement('td');
      const error = readErrors.get(`${camera.id}/${op.name}`);
      if (refused.includes(op.name)) {
        value.textContent = 'not on this camera';
        value.className = 'absent';
      } else if (error) {
        value.textContent = error;
        value.className = 'error';
      } else {
        value.textContent = valueText(camera.state?.[stateKey(op.name)]);
      }
      row.append(name, value);
      return row;
    }),
  );
}

// Every inquiry once, each answer or error put in its row as it comes.
async function readEverything() {
  const camera = current();
  if (!camera) return;
  for (const op of operations.filter((o) => o.inquiry && o.args.length === 0)) {
    if (camera.capabilities?.refused?.includes(op.name)) continue;
    const reply = await hub.run(camera.id, op.name);
    const key = `${camera.id}/${op.name}`;
    if (reply.status === 200) {
      readErrors.delete(key);
      camera.state = { ...camera.state, [stateKey(op.name)]: reply.body.result };
    } else {
      readErrors.set(key, plainWords(reply));
    }
    if (chosen === camera.id) renderStatus(camera);
  }
}

// ---- what the hub says ----

function hubStatus(text, kind) {
  const element = $('hub-status');
  element.textContent = text;
  element.dataset.kind = kind;
}

hub.on('snapshot', (message) => {
  for (const entry of message.cameras) {
    cameras.set(entry.id, { ...cameras.get(entry.id), ...entry });
  }
  order = message.cameras.map((c) => c.id);
  // Locks this tab held but the hub no longer has (it restarted) are gone.
  for (const id of Object.keys(lockKeys)) {
    if (!cameras.get(id)?.locked) delete lockKeys[id];
  }
  saveLocks();
  const wanted = location.hash.slice(1);
  if (!chosen || !cameras.has(chosen)) {
    chosen = cameras.has(wanted) ? wanted : order[0] ?? null;
  }
  renderList();
  renderCamera(true);
});

hub.on('state', (message) => {
  const camera = cameras.get(message.camera);
  if (!camera) return;
  const { moving, ...values } = message.changes;
  camera.state = { ...camera.state, ...values };
  if (moving) camera.moving = moving;
  for (const key of Object.keys(values)) {
    for (const op of operations) {
      if (stateKey(op.name) === key) readErrors.delete(`${camera.id}/${op.name}`);
    }
  }
  if (message.camera === chosen) renderCamera();
});

hub.on('health', (message) => {
  const camera = cameras.get(message.camera);
  if (!camera) return;
  camera.health = message.health;
  camera.reason = message.reason;
  if (message.camera === chosen && message.health !== 'online') drive.stopAll();
  renderList();
  if (message.camera === chosen) renderCamera();
});

hub.on('lock', (message) => {
  const camera = cameras.get(message.camera);
  if (!camera) return;
  camera.locked = message.locked;
  camera.lockReason = message.reason;
  if (!message.locked) {
    delete lockKeys[message.camera];
    saveLocks();
  }
  renderList();
  if (message.camera === chosen) renderCamera();
});

hub.on('presets', (message) => {
  const camera = cameras.get(message.camera);
  if (!camera) return;
  camera.presets = message.presets;
  if (message.camera === chosen) renderCamera();
});

// A long move (a preset, a position) ends with this event, whether the hub answered it at once
// or with 202; a success already said stays as it is.
const MOVE_GROUPS = { memoryRecall: 'presets', setZoom: 'zoom', setFocus: 'focus' };
hub.on('completion', (event) => {
  if (event.camera !== chosen) return;
  const group = MOVE_GROUPS[event.operation] ?? 'panTilt';
  const shown = document.querySelector(`.message[data-for="${group}"]`);
  if (!event.ok) message(group, `The move ended early: ${event.error}`);
  else if (shown?.dataset.kind !== 'info' || shown.textContent.startsWith('Taken')) message(group, 'Arrived.', 'info');
});

hub.on('open', async () => {
  hubStatus('Connected to the hub', 'ok');
  if (operations.length === 0) {
    const reply = await hub.request('GET', '/api/operations');
    if (reply.status === 200) operations = reply.body.operations;
    renderCamera(true);
  }
});

hub.on('close', ({ retryInMs }) => {
  // The page can no longer send on the socket: whatever it was driving is stopped over HTTP
  // (and the hub stops it too, for the client it lost).
  drive.stopAll();
  const seconds = Math.max(1, Math.round(retryInMs / 1000));
  hubStatus(
    hub.opened
      ? `Lost the connection to the hub; trying again in ${seconds} s`
      : `The hub cannot be reached; trying again in ${seconds} s`,
    'down',
  );
});

hub.on('unauthorised', () => {
  $('token-form').hidden = false;
});

$('token-form').addEventListener('submit', (event) => {
  event.preventDefault();
  hub.setToken($('token-input').value.trim());
  $('token-form').hidden = true;
  hub.socket?.close();
});

// ---- drives ----

const drive = new DriveControl(
  hub,
  (id = chosen) => ({ camera: id, lockKey: keyOf(id) }),
  (axis, reply) => report(axis, reply),
);

const maxima = () => maximaOf(current());
attachPad($('pad'), $('pad-knob'), drive, maxima, ({ pan, tilt }) => {
  $('pad-speeds').textContent = pan || tilt ? `Pan ${pan}, tilt ${tilt}` : 'Press and drag; arrow keys (Shift: faster)';
});
const forgetKeys = attachKeys(drive, maxima, () => Number($('zoom-speed').value), (index) => {
  if (order[index]) choose(order[index]);
});
attachGamepad(drive, maxima, (name) => {
  $('gamepad').textContent = name ? `Gamepad: ${name}` : '';
});

const holds = [
  ['zoom-tele', 'zoom', 1, 'zoom-speed'],
  ['zoom-wide', 'zoom', -1, 'zoom-speed'],
  ['focus-far', 'focus', 1, 'focus-speed'],
  ['focus-near', 'focus', -1, 'focus-speed'],
];
for (const [id, axis, direction, speed] of holds) {
  attachHoldButton(
    $(id),
    () => drive.hold(axis, 'buttons', { direction, speed: Number($(speed).value) }),
    () => drive.release(axis, 'buttons'),
  );
}

// Whatever ends the operator's hold on the page ends every drive.
function letGo() {
  forgetKeys();
  drive.stopAll();
}
window.addEventListener('blur', letGo);
window.addEventListener('pagehide', letGo);
document.addEventListener('visibilitychange', () => {
  if (document.hidden) letGo();
});

// ---- the other controls ----

$('home').addEventListener('click', () => run('panTilt', 'moveHome', {}, 'At home.'));
$('power').addEventListener('click', () => {
  const on = current()?.state?.powerState !== true;
  run('title', 'setPowerState', { on }, on ? 'Switched on.' : 'Switched off.');
});
$('lock').addEventListener('click', async () => {
  const camera = current();
  if (!camera) return;
  if (!camera.locked) {
    const reply = await hub.lock(camera.id, 'on air');
    const key = reply.body?.result?.key ?? reply.body?.key;
    if (key) {
      lockKeys[camera.id] = key;
      saveLocks();
    }
    report('title', reply, 'On air: other clients cannot move it.');
  } else if (keyOf(camera.id)) {
    report('title', await hub.unlock(camera.id, keyOf(camera.id)), 'Off air.');
  } else if (confirm(`Another operator has ${camera.label} on air (${camera.lockReason}). Break their lock?`)) {
    report('title', await hub.unlock(camera.id, '', true), 'Lock broken.');
  }
  renderCamera();
});
$('zoom-position').addEventListener('change', (e) => run('zoom', 'setZoom', { zoom: Number(e.target.value) }));
$('focus-position').addEventListener('change', (e) => run('focus', 'setFocus', { focus: Number(e.target.value) }));
$('dzoom').addEventListener('change', (e) => run('zoom', 'setDZoomState', { on: e.target.checked }));
$('focus-auto').addEventListener('click', () => {
  run('focus', 'setFocusMode', { automatic: current()?.state?.focusMode !== true });
});
$('focus-push').addEventListener('click', () => run('focus', 'onePushAutoFocus', {}, 'Focused once.'));
$('status-read').addEventListener('click', readEverything);
bindPresetForm({ run, hub, keyOf, message, current });

hub.connect();
