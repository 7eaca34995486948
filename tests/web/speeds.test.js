// The page's arithmetic of drives, without a browser: dead zones, the cap at a camera's
// maxima, no speed 0 for a slow move (a camera reads 0 as its fastest), and the operation and
// argument order of each direction.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import {
  speedOf,
  padSpeeds,
  panTiltCommand,
  maximaOf,
  stateKey,
} from '../../hub/web/js/speeds.js';

test('a deflection becomes a speed that grows from 1 past the dead zone to the maximum', () => {
  const cases = [
    // deflection, max, speed
    [0, 24, 0],
    [0.1, 24, 0], // inside the dead zone
    [-0.12, 24, 0], // its edge
    [0.13, 24, 1], // just past it: the slowest speed, never 0
    [0.56, 24, 12],
    [1, 24, 24],
    [1.7, 24, 24], // past the edge of the pad: capped
    [-1, 20, -20],
    [-0.5, 7, -3],
    [NaN, 24, 0],
  ];
  for (const [deflection, max, speed] of cases) {
    assert.equal(speedOf(deflection, max), speed, `speedOf(${deflection}, ${max})`);
  }
});

test('the pad turns an offset into pan right and tilt up, each within its own maximum', () => {
  const maxima = { pan: 24, tilt: 23 };
  assert.deepEqual(padSpeeds(100, 0, 100, maxima), { pan: 24, tilt: 0 });
  assert.deepEqual(padSpeeds(0, -100, 100, maxima), { pan: 0, tilt: 23 }); // y grows downwards
  assert.deepEqual(padSpeeds(-5, 5, 100, maxima), { pan: 0, tilt: 0 });
  // A profile's smaller maxima cap the speed.
  assert.deepEqual(padSpeeds(100, 100, 100, { pan: 8, tilt: 4 }), { pan: 8, tilt: -4 });
});

test('each direction is its operation, diagonals with the tilt speed first', () => {
  const cases = [
    [{ pan: 0, tilt: 0 }, 'stopMove', {}],
    [{ pan: 5, tilt: 0 }, 'moveRight', { panSpeed: 5 }],
    [{ pan: -5, tilt: 0 }, 'moveLeft', { panSpeed: 5 }],
    [{ pan: 0, tilt: 3 }, 'moveUp', { tiltSpeed: 3 }],
    [{ pan: 0, tilt: -3 }, 'moveDown', { tiltSpeed: 3 }],
    [{ pan: -5, tilt: 3 }, 'moveUpLeft', { tiltSpeed: 3, panSpeed: 5 }],
    [{ pan: 5, tilt: -3 }, 'moveDownRight', { tiltSpeed: 3, panSpeed: 5 }],
  ];
  for (const [speeds, operation, args] of cases) {
    const command = panTiltCommand(speeds);
    assert.equal(command.operation, operation);
    assert.deepEqual(command.args, args);
    assert.deepEqual(Object.keys(command.args), Object.keys(args), 'argument order');
  }
});

test('a camera without a profile gets the common maxima; a profile replaces the ones it gives', () => {
  assert.deepEqual(maximaOf(undefined), { pan: 24, tilt: 20, zoom: 7, focus: 7 });
  assert.deepEqual(maximaOf({ capabilities: { speeds: { tilt: 23, zoom: 0 } } }), {
    pan: 24,
    tilt: 23,
    zoom: 0,
    focus: 7,
  });
});

test("an inquiry's state key is the hub's", () => {
  const cases = {
    getWBMode: 'wbMode',
    getPanTilt: 'panTilt',
    getDZoomState: 'dZoomState',
    getAEMode: 'aeMode',
    getRGain: 'rGain',
    getPowerState: 'powerState',
    getZoom: 'zoom',
  };
  for (const [inquiry, key] of Object.entries(cases)) assert.equal(stateKey(inquiry), key);
});
