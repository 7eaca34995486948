// The control page in headless Chromium against the hub and the virtual camera, checked where
// it counts: in the frames the camera received. One browser and one hub serve every test.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { Bench, CHROMIUM, CHROMIUM_ARGS, panTiltDrive, toolsPresent } from './harness.js';

const missing = toolsPresent();
if (missing.length > 0) {
  // A machine without the browser skips with its reason, unless every test must run.
  const why = `the page's browser tests need: ${missing.join(', ')}`;
  if (process.env.QUORVIN_NO_SKIP === '1') throw new Error(why);
  console.log(`SKIPPED: ${why}`);
  process.exit(77);
}
const { chromium } = await import('playwright-core');

const bench = new Bench();
let browser;

before(async () => {
  await bench.startCamera();
  await bench.startHub();
  browser = await chromium.launch({ executablePath: CHROMIUM, args: CHROMIUM_ARGS });
});

after(async () => {
  await browser?.close();
  await bench.close();
});

// A page on the hub, its gamepad replaced by one the test moves (window.testPad).
async function openPage({ width = 1280, height = 800, camera = 'stage' } = {}) {
  const context = await browser.newContext({ viewport: { width, height } });
  await context.addInitScript(() => {
    window.testPad = null;
    navigator.getGamepads = () => [window.testPad];
  });
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(`${bench.url}#${camera}`);
  await page.waitForSelector(`.camera-choice[data-camera="${camera}"][data-health="online"]`);
  await page.waitForSelector('#status-rows tr');
  page.errors = errors;
  return page;
}

async function closePage(page) {
  assert.deepEqual(page.errors, [], 'the page threw');
  await page.context().close();
}

const text = (page, selector) => page.locator(selector).innerText();

test('the page lists the chain cameras and shows the chosen one and its state live', async () => {
  const page = await openPage();
  const names = await page.locator('.camera-choice .name').allInnerTexts();
  assert.deepEqual(names, ['Stage', 'Wide shot']);
  assert.match(await text(page, '.camera-choice[data-camera="wide"]'), /Online/);

  await page.click('.camera-choice[data-camera="wide"]');
  assert.match(await text(page, '#camera-name'), /Wide shot \(wide\)/);
  await page.waitForSelector('#status-rows tr[data-inquiry="getPowerState"] td:text-is("on")');
  // Another client's setting reaches the page without a reload.
  assert.equal((await bench.api('POST', '/api/cameras/wide/setZoom', { zoom: 0.5 })).status, 200);
  await page.waitForFunction(() => document.getElementById('zoom-position').value === '0.5');
  await page.waitForSelector('#status-rows tr[data-inquiry="getZoom"] td:text-is("0.500")');
  // The number keys choose cameras.
  await page.keyboard.press('1');
  assert.match(await text(page, '#camera-name'), /Stage \(stage\)/);
  await closePage(page);
});

test('holding the pad drives at a speed that follows the drag, and the release stops at once', async () => {
  const page = await openPage();
  const box = await page.locator('#pad').boundingBox();
  const centre = { x: box.x + box.width / 2, y: box.y + box.height / 2 };
  const radius = box.width / 2;
  const from = bench.mark();
  await page.mouse.move(centre.x + radius * 0.3, centre.y);
  await page.mouse.down();
  const near = panTiltDrive((await bench.waitFrame((b) => panTiltDrive(b)?.horizontal === 'right', from)).bytes);
  // Past the edge of the pad: the camera's fastest pan, 0x18.
  const farFrom = bench.mark();
  await page.mouse.move(centre.x + radius * 1.5, centre.y, { steps: 4 });
  const far = panTiltDrive((await bench.waitFrame((b) => panTiltDrive(b)?.pan === 0x18, farFrom)).bytes);
  assert.equal(far.horizontal, 'right');
  assert.equal(far.vertical, 'stop');
  assert.ok(near.pan >= 1 && near.pan < 0x18 / 2, `a short drag pans slowly: ${near.pan}`);
  const released = bench.mark();
  const releasedAt = performance.now();
  await page.mouse.up();
  const stop = await bench.waitFrame((b) => panTiltDrive(b)?.stop, released);
  console.log(`[figure] pad released to stop frame: ${(stop.at - releasedAt).toFixed(1)} ms`);
  // Nothing drives again after the stop.
  await page.waitForTimeout(200);
  const after = bench.framesSince(released).map((b) => panTiltDrive(b)).filter(Boolean);
  assert.ok(after.every((d) => d.stop), JSON.stringify(after));
  await closePage(page);
});

test('arrow keys drive while held, Shift at full speed, and letting go or losing the focus stops', async () => {
  const page = await openPage();
  let from = bench.mark();
  await page.keyboard.down('ArrowUp');
  const up = panTiltDrive((await bench.waitFrame((b) => panTiltDrive(b)?.vertical === 'up', from)).bytes);
  assert.equal(up.tilt, 10); // half of the tilt maximum, 20
  from = bench.mark();
  await page.keyboard.up('ArrowUp');
  await bench.waitFrame((b) => panTiltDrive(b)?.stop, from);

  await page.keyboard.down('Shift');
  from = bench.mark();
  await page.keyboard.down('ArrowLeft');
  const left = panTiltDrive((await bench.waitFrame((b) => panTiltDrive(b)?.horizontal === 'left', from)).bytes);
  assert.equal(left.pan, 0x18);
  // The window loses the focus with the key still down: no keyup will come.
  from = bench.mark();
  await page.evaluate(() => window.dispatchEvent(new Event('blur')));
  await bench.waitFrame((b) => panTiltDrive(b)?.stop, from);
  await page.keyboard.up('ArrowLeft');
  await page.keyboard.up('Shift');
  await closePage(page);
});

test('a gamepad drives with its left stick past a dead zone and zooms with its trigger', async () => {
  const page = await openPage();
  const pad = (axes, rightTrigger = 0) =>
    page.evaluate(
      ([a, t]) => {
        const buttons = Array.from({ length: 17 }, () => ({ pressed: false, value: 0 }));
        buttons[7] = { pressed: t > 0, value: t };
        window.testPad = { id: 'Test gamepad', connected: true, axes: a, buttons };
      },
      [axes, rightTrigger],
    );
  let from = bench.mark();
  await pad([-1, 1, 0, 0]); // full left and full down
  const drive = panTiltDrive((await bench.waitFrame((b) => panTiltDrive(b) && !panTiltDrive(b).stop, from)).bytes);
  assert.deepEqual([drive.horizontal, drive.vertical, drive.pan, drive.tilt], ['left', 'down', 0x18, 0x14]);
  assert.match(await text(page, '#gamepad'), /Test gamepad/);
  // A stick resting just off centre is inside the dead zone: the move stops.
  from = bench.mark();
  await pad([0.08, -0.1, 0, 0]);
  await bench.waitFrame((b) => panTiltDrive(b)?.stop, from);

  from = bench.mark();
  await pad([0, 0, 0, 0], 1);
  await bench.waitFrame((b) => b === '81 01 04 07 27 FF', from); // zoom in at speed 7
  from = bench.mark();
  await pad([0, 0, 0, 0], 0);
  await bench.waitFrame((b) => b === '81 01 04 07 00 FF', from); // stopZoom
  await page.evaluate(() => {
    window.testPad = null;
  });
  await closePage(page);
});

test('a preset stored with a name is shown by its name and recalling it moves the camera back', async () => {
  const page = await openPage();
  assert.equal((await bench.api('POST', '/api/cameras/stage/setPanTilt', { pan: 0.25, tilt: 0.1, panSpeed: 24, tiltSpeed: 20 })).status, 200);
  // Shift-click stores (a long press does on a touch screen).
  await page.click('.preset[data-preset="3"]', { modifiers: ['Shift'] });
  await page.fill('#preset-name', 'Pulpit');
  let from = bench.mark();
  await page.click('#preset-form button[type="submit"]');
  await bench.waitFrame((b) => b === '81 01 04 3F 01 03 FF', from); // memorySet 3
  await page.waitForSelector('.preset[data-preset="3"] .preset-name:text-is("Pulpit")');
  assert.equal((await bench.api('GET', '/api/cameras/stage')).body.presets['3'], 'Pulpit');

  assert.equal((await bench.api('POST', '/api/cameras/stage/setPanTilt', { pan: -0.5, tilt: 0, panSpeed: 24, tiltSpeed: 20 })).status, 200);
  from = bench.mark();
  await page.click('.preset[data-preset="3"]');
  await bench.waitFrame((b) => b === '81 01 04 3F 02 03 FF', from); // memoryRecall 3
  await page.waitForSelector('.message[data-for="presets"]:text-matches("At Pulpit")');
  const { body } = await bench.api('POST', '/api/cameras/stage/getPanTilt');
  assert.ok(Math.abs(body.result.pan - 0.25) < 0.002 && Math.abs(body.result.tilt - 0.1) < 0.01, JSON.stringify(body));
  await closePage(page);
});

test('a camera whose profile lacks digital zoom shows no digital-zoom control', async () => {
  const page = await openPage({ camera: 'wide' });
  assert.equal(await page.locator('#dzoom').isVisible(), false);
  assert.equal(await page.locator('.preset').count(), 16);
  assert.match(await text(page, '#status-rows tr[data-inquiry="getAutoPowerOffDelay"]'), /not on this camera/);
  await page.click('.camera-choice[data-camera="stage"]');
  assert.equal(await page.locator('#dzoom').isVisible(), true);
  await closePage(page);
});

test("a locked camera's controls say why they are refused", async () => {
  const page = await openPage();
  const locked = await bench.api('POST', '/api/cameras/stage/lock', { reason: 'on air' });
  assert.equal(locked.status, 200);
  await page.waitForSelector('#camera-notice:text-matches("Locked by another operator \\\\(on air\\\\)")');
  assert.match(await text(page, '.message[data-for="panTilt"]'), /on air/);
  assert.match(await text(page, '.camera-choice[data-camera="stage"] .lock-word'), /^On air$/);
  // A press is sent and refused by the hub, which says why beside the control.
  await page.click('#home');
  await page.waitForSelector('.message[data-for="panTilt"]:text-matches("Refused, locked by another operator: camera stage is locked: on air")');
  assert.equal((await bench.api('DELETE', '/api/cameras/stage/lock', { key: locked.body.key })).status, 200);
  await page.waitForSelector('#camera-notice', { state: 'hidden' });
  await closePage(page);
});

test('the camera stopped shows offline within 2 s, and started again online, with no reload', async () => {
  const page = await openPage();
  await page.evaluate(() => {
    window.notReloaded = true;
  });
  const stoppedAt = performance.now();
  await bench.stopCamera();
  // Offline, then the hub's tries to reconnect: both say "Offline" to the operator.
  await page.waitForSelector('.camera-choice[data-camera="stage"]:not([data-health="online"])', { timeout: 2000 });
  console.log(`[figure] camera stopped to offline shown: ${((performance.now() - stoppedAt) / 1000).toFixed(2)} s`);
  assert.match(await text(page, '.camera-choice[data-camera="stage"] .health-word'), /^Offline/);
  assert.match(await text(page, '#camera-notice'), /The camera is offline/);

  const startedAt = performance.now();
  await bench.startCamera();
  // The hub tries again with a backoff of up to 5 s.
  await page.waitForSelector('.camera-choice[data-camera="stage"][data-health="online"]', { timeout: 10000 });
  console.log(`[figure] camera started to online shown: ${((performance.now() - startedAt) / 1000).toFixed(2)} s`);
  assert.equal(await page.evaluate(() => window.notReloaded), true);
  await closePage(page);
});

test('the page reconnects by itself when the hub restarts, and a drive cut off by it is stopped', async () => {
  const page = await openPage();
  await page.evaluate(() => {
    window.notReloaded = true;
  });
  let from = bench.mark();
  await page.keyboard.down('ArrowRight');
  await bench.waitFrame((b) => panTiltDrive(b)?.horizontal === 'right', from);
  // The hub goes away mid-drive; it stops what its clients drive as it leaves.
  from = bench.mark();
  await bench.stopHub();
  await page.waitForSelector('#hub-status:text-matches("Lost the connection to the hub")');
  await bench.waitFrame((b) => panTiltDrive(b)?.stop, from);
  await page.keyboard.up('ArrowRight');
  await bench.startHub();
  await page.waitForSelector('#hub-status:text-is("Connected to the hub")', { timeout: 10000 });
  await page.waitForSelector('.camera-choice[data-camera="stage"][data-health="online"]', { timeout: 10000 });
  assert.equal(await page.evaluate(() => window.notReloaded), true);
  await closePage(page);
});

test('on a phone the page fits the width: nothing scrolls sideways', async () => {
  const page = await openPage({ width: 390, height: 844 });
  const widths = await page.evaluate(() => [document.documentElement.scrollWidth, window.innerWidth]);
  assert.equal(widths[0], widths[1]);
  const pad = await page.locator('#pad').boundingBox();
  assert.ok(pad.x >= 0 && pad.x + pad.width <= 390, JSON.stringify(pad));
  await closePage(page);
});
