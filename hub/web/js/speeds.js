// Turning a pointer's or a stick's deflection into the speeds a camera takes, and speeds into
// the drive operation that carries them. Pure functions: the pad, the keys and the gamepad all
// go through here, and the unit tests check them without a browser.

// The speeds of the common camera, used when the hub has no profile for it.
export const DEFAULT_MAXIMA = { pan: 24, tilt: 20, zoom: 7, focus: 7 };

// The maxima of a camera: its profile's where the hub has one.
export function maximaOf(camera) {
  const speeds = camera?.capabilities?.speeds ?? {};
  return {
    pan: speeds.pan ?? DEFAULT_MAXIMA.pan,
    tilt: speeds.tilt ?? DEFAULT_MAXIMA.tilt,
    zoom: speeds.zoom ?? DEFAULT_MAXIMA.zoom,
    focus: speeds.focus ?? DEFAULT_MAXIMA.focus,
  };
}

// A deflection of -1..1 on one axis as a signed speed of 1..max. Inside the dead zone it is 0,
// so that a thumb resting near the centre or a stick that does not quite centre moves nothing.
// Past it the speed grows with the deflection and reaches `max` at the edge. Speed 0 is never
// sent for a slow move: cameras read it as their default, which is their fastest.
export function speedOf(deflection, max, deadZone = 0.12) {
  const size = Math.min(1, Math.abs(deflection));
  if (!(size > deadZone) || max < 1) return 0;
  const share = (size - deadZone) / (1 - deadZone);
  const speed = Math.min(max, Math.max(1, Math.round(share * max)));
  return Math.sign(deflection) * speed;
}

// The pad: an offset from its centre (pixels, y down) within a radius, as pan and tilt speeds
// (pan right and tilt up positive).
export function padSpeeds(dx, dy, radius, maxima, deadZone = 0.12) {
  return {
    pan: speedOf(dx / radius, maxima.pan, deadZone),
    tilt: speedOf(-dy / radius, maxima.tilt, deadZone),
  };
}

// The operation that drives pan and tilt at signed speeds; stopMove when both are 0.
export function panTiltCommand({ pan, tilt }) {
  if (pan === 0 && tilt === 0) return { operation: 'stopMove', args: {} };
  const vertical = tilt > 0 ? 'Up' : 'Down';
  const horizontal = pan > 0 ? 'Right' : 'Left';
  if (pan === 0) return { operation: `move${vertical}`, args: { tiltSpeed: Math.abs(tilt) } };
  if (tilt === 0) return { operation: `move${horizontal}`, args: { panSpeed: Math.abs(pan) } };
  return {
    operation: `move${vertical}${horizontal}`,
    args: { tiltSpeed: Math.abs(tilt), panSpeed: Math.abs(pan) },
  };
}

// Zoom and focus take a direction and a speed of 0..7 (0 the slowest, as the camera counts).
export function zoomCommand(direction, speed) {
  if (direction === 0) return { operation: 'stopZoom', args: {} };
  return { operation: direction > 0 ? 'zoomIn' : 'zoomOut', args: { speed } };
}

export function focusCommand(direction, speed) {
  if (direction === 0) return { operation: 'stopFocusChange', args: {} };
  return { operation: direction > 0 ? 'focusToFar' : 'focusToNear', args: { speed } };
}

// The key of an inquiry's value in a camera's state, as the hub names it: getWBMode is wbMode,
// getPanTilt panTilt, getDZoomState dZoomState.
export function stateKey(inquiry) {
  const key = inquiry.startsWith('get') ? inquiry.slice(3) : inquiry;
  let run = 0;
  while (run < key.length && key[run] >= 'A' && key[run] <= 'Z') run++;
  const lower = run > 1 && run < key.length ? run - 1 : run;
  return key.slice(0, lower).toLowerCase() + key.slice(lower);
}
