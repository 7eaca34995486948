// Drives that last while something is held: pan-tilt, zoom and focus. The pad, the keys and
// the gamepad each say what they hold; the first of them that holds anything drives the axis.
// A change is sent at most 30 times a second (the hub replaces a queued drive with a newer
// one), but a stop goes out at once, and every way the holding can end (a release, a lost
// focus, a hidden tab, a closed socket, another camera chosen) ends in a stop.

import { panTiltCommand, zoomCommand, focusCommand } from './speeds.js';

const SOURCES = ['pad', 'buttons', 'keys', 'gamepad'];
const UPDATE_MS = 33;

const AXES = {
  panTilt: { idle: { pan: 0, tilt: 0 }, command: panTiltCommand, stop: 'stopMove' },
  zoom: { idle: { direction: 0, speed: 0 }, command: (v) => zoomCommand(v.direction, v.speed), stop: 'stopZoom' },
  focus: { idle: { direction: 0, speed: 0 }, command: (v) => focusCommand(v.direction, v.speed), stop: 'stopFocusChange' },
};

const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);
const isIdle = (value) => Object.values(value).every((v) => v === 0) || value.direction === 0;

export class DriveControl {
  // `hub` sends; `target()` names the chosen camera and its lock key; `report(axis, reply)`
  // shows a drive's failure beside its control.
  constructor(hub, target, report) {
    this.hub = hub;
    this.target = target;
    this.report = report;
    this.axes = {};
    for (const name of Object.keys(AXES)) {
      this.axes[name] = { held: new Map(), sent: AXES[name].idle, camera: null, timer: null, lastAt: 0 };
    }
  }

  // A source holds `value` on an axis (its idle value lets go).
  hold(axis, source, value) {
    const state = this.axes[axis];
    if (isIdle(value)) state.held.delete(source);
    else state.held.set(source, value);
    this.update(axis);
  }

  release(axis, source) {
    this.hold(axis, source, AXES[axis].idle);
  }

  wanted(axis) {
    const state = this.axes[axis];
    for (const source of SOURCES) {
      if (state.held.has(source)) return state.held.get(source);
    }
    return AXES[axis].idle;
  }

  update(axis) {
    const state = this.axes[axis];
    const value = this.wanted(axis);
    if (same(value, state.sent)) return;
    if (isIdle(value)) {
      this.stop(axis);
      return;
    }
    clearTimeout(state.timer);
    const wait = state.lastAt + UPDATE_MS - performance.now();
    if (wait > 0) {
      state.timer = setTimeout(() => this.update(axis), wait);
      return;
    }
    const { camera, lockKey } = this.target();
    if (!camera) return;
    if (state.camera && state.camera !== camera) this.stop(axis);
    const { operation, args } = AXES[axis].command(value);
    state.sent = value;
    state.camera = camera;
    state.lastAt = performance.now();
    this.hub.run(camera, operation, args, lockKey).then((reply) => this.report(axis, reply, operation));
  }

  // Stops the axis on the camera it was driving, whatever holds it still.
  stop(axis) {
    const state = this.axes[axis];
    clearTimeout(state.timer);
    state.timer = null;
    if (state.camera && !isIdle(state.sent)) {
      this.hub.sendStop(state.camera, AXES[axis].stop, this.target(state.camera).lockKey);
    }
    state.sent = AXES[axis].idle;
    state.camera = null;
  }

  // Everything held is let go and every axis that moves is stopped.
  stopAll() {
    for (const axis of Object.keys(AXES)) {
      this.axes[axis].held.clear();
      this.stop(axis);
    }
  }

  // What a control shows of its axis: the speeds last sent.
  sent(axis) {
    return this.axes[axis].sent;
  }
}
