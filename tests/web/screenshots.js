// Pictures of the control page for the README (scripts/demo --web --tour PREFIX): the camera
// is first turned to the lighthouse and its presets named, as an operator would have them;
// then the page at desktop width and at a phone's.
//
//   node tests/web/screenshots.js http://127.0.0.1:8080/ docs/page

import { chromium } from 'playwright-core';
import { CHROMIUM, CHROMIUM_ARGS } from './harness.js';

const [url, prefix] = process.argv.slice(2);
const api = (method, path, body) =>
  fetch(new URL(path, url), { method, body: body && JSON.stringify(body) }).then((r) => r.json());

await api('POST', '/api/cameras/cam1/setPanTilt', { pan: 0.72, tilt: 0.17, panSpeed: 24, tiltSpeed: 20 });
await api('POST', '/api/cameras/cam1/setZoom', { zoom: 0.17 });
for (const [number, name] of [['0', 'Pulpit'], ['1', 'Choir'], ['2', 'Lectern'], ['3', 'Wide'], ['4', 'Lighthouse']]) {
  await api('PUT', `/api/cameras/cam1/presets/${number}`, { name });
}
await api('POST', '/api/cameras/cam2/lock', { reason: 'on air' });

const browser = await chromium.launch({ executablePath: CHROMIUM, args: CHROMIUM_ARGS });
for (const [name, width, height] of [['desktop', 1280, 800], ['phone', 390, 844]]) {
  const page = await browser.newPage({ viewport: { width, height }, deviceScaleFactor: 1 });
  await page.goto(`${url}#cam1`);
  await page.waitForSelector('#status-rows tr');
  await page.waitForTimeout(500);
  await page.screenshot({ path: `${prefix}-${name}.png` });
  await page.close();
}
await browser.close();
