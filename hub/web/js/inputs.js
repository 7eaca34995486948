// The ways an operator holds a drive: the pad (touch, pen or mouse), buttons held down, the
// keyboard and a gamepad. Each only tells the DriveControl what it holds and when it lets go.

import { padSpeeds, speedOf } from './speeds.js';

// The pad: press and drag; the speeds grow with the distance from the centre. The pointer is
// captured, so that a drag that leaves the pad keeps driving until the finger or button lets
// go, and every way a pointer can end (up, cancel, capture lost) lets go of the drive.
export function attachPad(pad, knob, drive, maxima, onSpeeds) {
  let pointer = null;
  const centre = () => {
    const box = pad.getBoundingClientRect();
    return { x: box.left + box.width / 2, y: box.top + box.height / 2, radius: box.width / 2 };
  };
  const move = (event) => {
    const { x, y, radius } = centre();
    const dx = Math.max(-radius, Math.min(radius, event.clientX - x));
    const dy = Math.max(-radius, Math.min(radius, event.clientY - y));
    knob.style.transform = `translate(${dx}px, ${dy}px)`;
    const speeds = padSpeeds(dx, dy, radius, maxima());
    onSpeeds(speeds);
    drive.hold('panTilt', 'pad', speeds);
  };
  const end = (event) => {
    if (event.pointerId !== pointer) return;
    pointer = null;
    knob.style.transform = '';
    pad.classList.remove('held');
    onSpeeds({ pan: 0, tilt: 0 });
    drive.release('panTilt', 'pad');
  };
  pad.addEventListener('pointerdown', (event) => {
    if (pointer !== null) return;
    pointer = event.pointerId;
    pad.setPointerCapture(event.pointerId);
    pad.classList.add('held');
    event.preventDefault();
    move(event);
  });
  pad.addEventListener('pointermove', (event) => {
    if (event.pointerId === pointer) move(event);
  });
  for (const type of ['pointerup', 'pointercancel', 'lostpointercapture']) {
    pad.addEventListener(type, end);
  }
}

// A button that drives while it is held down (zoom and focus), with the same endings as the pad.
export function attachHoldButton(button, onHold, onRelease) {
  let pointer = null;
  button.addEventListener('pointerdown', (event) => {
    if (pointer !== null || button.disabled) return;
    pointer = event.pointerId;
    button.setPointerCapture(event.pointerId);
    button.classList.add('held');
    event.preventDefault();
    onHold();
  });
  const end = (event) => {
    if (event.pointerId !== pointer) return;
    pointer = null;
    button.classList.remove('held');
    onRelease();
  };
  for (const type of ['pointerup', 'pointercancel', 'lostpointercapture']) {
    button.addEventListener(type, end);
  }
  // A long press on a touch screen would otherwise open the context menu mid-drive.
  button.addEventListener('contextmenu', (event) => event.preventDefault());
}

// Arrow keys drive pan and tilt while held, at half the camera's speed or, with Shift, at its
// fastest; + and - zoom. The keys held are tracked one by one, so that letting go of one of
// two arrows keeps the other's move.
export function attachKeys(drive, maxima, zoomSpeed, chooseCamera) {
  const arrows = new Set();
  let fast = false;
  let zoom = 0;
  const typing = (event) => event.target.closest?.('input, select, textarea, dialog');
  const panTilt = () => {
    const m = maxima();
    const pan = (arrows.has('ArrowRight') ? 1 : 0) - (arrows.has('ArrowLeft') ? 1 : 0);
    const tilt = (arrows.has('ArrowUp') ? 1 : 0) - (arrows.has('ArrowDown') ? 1 : 0);
    const share = fast ? 1 : 0.5;
    drive.hold('panTilt', 'keys', {
      pan: pan * Math.max(1, Math.round(m.pan * share)),
      tilt: tilt * Math.max(1, Math.round(m.tilt * share)),
    });
  };
  window.addEventListener('keydown', (event) => {
    if (typing(event) || event.ctrlKey || event.metaKey || event.altKey) return;
    if (event.key.startsWith('Arrow')) {
      event.preventDefault();
      arrows.add(event.key);
      fast = event.shiftKey;
      panTilt();
    } else if (event.key === '+' || event.key === '=' || event.key === '-') {
      event.preventDefault();
      zoom = event.key === '-' ? -1 : 1;
      drive.hold('zoom', 'keys', { direction: zoom, speed: zoomSpeed() });
    } else if (/^[1-9]$/.test(event.key) && !event.repeat) {
      chooseCamera(Number(event.key) - 1);
    }
  });
  window.addEventListener('keyup', (event) => {
    if (event.key.startsWith('Arrow')) {
      arrows.delete(event.key);
      fast = event.shiftKey;
      panTilt();
    } else if (event.key === '+' || event.key === '=' || event.key === '-') {
      zoom = 0;
      drive.release('zoom', 'keys');
    } else if (event.key === 'Shift' && arrows.size > 0) {
      fast = false;
      panTilt();
    }
  });
  // The keys held when the window lost the focus will send no keyup here.
  return () => {
    arrows.clear();
    zoom = 0;
  };
}

// A gamepad through the browser's Gamepad API, read 30 times a second while the tab is seen:
// the left stick pans and tilts (with a dead zone, for sticks that do not quite centre), the
// right trigger zooms in and the left one out, or the right stick's vertical zooms.
export const STICK_DEAD_ZONE = 0.15;

export function attachGamepad(drive, maxima, onSeen) {
  let seen = '';
  const read = () => {
    if (document.hidden) return;
    const pads = navigator.getGamepads ? [...navigator.getGamepads()].filter(Boolean) : [];
    const pad = pads[0];
    const name = pad ? pad.id : '';
    if (name !== seen) {
      seen = name;
      onSeen(name);
    }
    if (!pad) {
      drive.release('panTilt', 'gamepad');
      drive.release('zoom', 'gamepad');
      return;
    }
    const m = maxima();
    const axis = (i) => pad.axes[i] ?? 0;
    const button = (i) => pad.buttons[i]?.value ?? 0;
    drive.hold('panTilt', 'gamepad', {
      pan: speedOf(axis(0), m.pan, STICK_DEAD_ZONE),
      tilt: speedOf(-axis(1), m.tilt, STICK_DEAD_ZONE),
    });
    // Triggers first; the right stick's vertical when neither is pressed.
    const trigger = button(7) - button(6);
    const deflection = Math.abs(trigger) > STICK_DEAD_ZONE ? trigger : -axis(3);
    const direction = Math.abs(deflection) > STICK_DEAD_ZONE ? Math.sign(deflection) : 0;
    const speed = Math.abs(speedOf(deflection, m.zoom + 1, STICK_DEAD_ZONE)) - 1;
    drive.hold('zoom', 'gamepad', { direction, speed: Math.max(0, speed) });
  };
  return setInterval(read, 33);
}
