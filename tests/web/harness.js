// The hub and the virtual camera as programs, for the page's tests: the camera logs every
// frame it receives (--verbose), which the tests read as the proof of what the page sent.

import { spawn } from 'node:child_process';
import { createInterface } from 'node:readline';
import { createServer } from 'node:net';
import { mkdtempSync, writeFileSync, rmSync, existsSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';

export const ROOT = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const BUILD = process.env.QUORVIN_BUILD_DIR ?? join(ROOT, 'build');
export const HUB_PROGRAM = process.env.QUORVIN_HUB_PROGRAM ?? join(BUILD, 'hub/quorvin-hub');
export const CAMSIM_PROGRAM = process.env.QUORVIN_CAMSIM_PROGRAM ?? join(BUILD, 'sim/quorvin-camsim');
export const CHROMIUM = process.env.QUORVIN_CHROMIUM ?? '/usr/bin/chromium';

// The flags this machine's closed network needs: no background fetches that would be refused.
export const CHROMIUM_ARGS = [
  '--no-sandbox',
  '--disable-gpu',
  '--disable-quic',
  '--no-first-run',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
];

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// A port the system has free now, for a hub that must come back on the same one.
export function freePort() {
  return new Promise((done, fail) => {
    const server = createServer();
    server.once('error', fail);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => done(port));
    });
  });
}

// Runs `program` and resolves with it once its first line of output came.
function start(program, args, onError) {
  const child = spawn(program, args, { stdio: ['ignore', 'pipe', 'pipe'] });
  const errors = createInterface({ input: child.stderr });
  errors.on('line', onError);
  return new Promise((done, fail) => {
    const lines = createInterface({ input: child.stdout });
    lines.once('line', (line) => done({ child, line }));
    child.once('exit', (code) => fail(new Error(`${program} ended (${code}) before it started`)));
  });
}

async function stop(child) {
  if (!child || child.exitCode !== null) return;
  const ended = new Promise((done) => child.once('exit', done));
  child.kill('SIGTERM');
  await ended;
}

export class Bench {
  constructor() {
    this.folder = mkdtempSync(join(tmpdir(), 'quorvin-web-'));
    this.link = join(this.folder, 'camera');
    this.frames = []; // {at, bytes: "81 01 06 01 05 05 02 03 FF"}
    this.camera = null;
    this.hub = null;
  }

  async startCamera() {
    const { child } = await start(CAMSIM_PROGRAM, ['--cameras', '2', '--link', this.link, '--verbose', '--instant'], (line) => {
      const rx = /\brx ((?:[0-9A-F]{2} )*FF)$/.exec(line);
      if (rx) this.frames.push({ at: performance.now(), bytes: rx[1] });
    });
    this.camera = child;
  }

  stopCamera() {
    return stop(this.camera);
  }

  // The hub on `port` with two cameras on the virtual chain: "stage" with a configured preset
  // name, and "wide" with the chain model's profile (no digital zoom).
  async startHub(port) {
    this.port = port ?? this.port ?? (await freePort());
    const config = join(this.folder, 'hub.toml');
    writeFileSync(
      config,
      `[hub]
listen = "127.0.0.1:${this.port}"
web = ${JSON.stringify(join(ROOT, 'hub/web'))}

[[link]]
port = ${JSON.stringify(this.link)}

  [[link.camera]]
  id = "stage"
  label = "Stage"
  presets = { 1 = "Choir" }

  [[link.camera]]
  id = "wide"
  label = "Wide shot"
  profile = ${JSON.stringify(join(ROOT, 'docs/profiles/chain.json'))}
`,
    );
    this.hubErrors = [];
    const { child, line } = await start(HUB_PROGRAM, ['--config', config], (l) => this.hubErrors.push(l));
    this.hub = child;
    this.url = line.trim();
  }

  stopHub() {
    return stop(this.hub);
  }

  async close() {
    await this.stopHub();
    await this.stopCamera();
    rmSync(this.folder, { recursive: true, force: true });
  }

  // An HTTP request to the hub as another client would make it.
  async api(method, path, body) {
    const response = await fetch(new URL(path, this.url), {
      method,
      body: body === undefined ? undefined : JSON.stringify(body),
    });
    return { status: response.status, body: await response.json() };
  }

  mark() {
    return this.frames.length;
  }

  // The first frame from `from` on that `match` accepts, waiting up to `ms`.
  async waitFrame(match, from, ms = 3000) {
    const deadline = performance.now() + ms;
    for (;;) {
      const found = this.frames.slice(from).find((f) => match(f.bytes));
      if (found) return found;
      if (performance.now() > deadline) {
        const seen = this.frames.slice(from).map((f) => f.bytes);
        throw new Error(`no such frame within ${ms} ms; received: ${seen.join(' | ') || 'nothing'}`);
      }
      await sleep(10);
    }
  }

  framesSince(from) {
    return this.frames.slice(from).map((f) => f.bytes);
  }
}

export function toolsPresent() {
  const missing = [];
  if (!existsSync(CHROMIUM)) missing.push(`${CHROMIUM} (Debian's chromium)`);
  if (!existsSync(join(ROOT, 'tests/web/node_modules/playwright-core'))) {
    missing.push('playwright-core (npm ci in tests/web)');
  }
  for (const program of [HUB_PROGRAM, CAMSIM_PROGRAM]) {
    if (!existsSync(program)) missing.push(program);
  }
  return missing;
}

// VISCA pan-tilt drives as the camera receives them: 8x 01 06 01 VV WW hh vv FF.
export function panTiltDrive(bytes, address = 1) {
  const parts = bytes.split(' ');
  if (parts.length !== 9 || parts[0] !== `8${address}` || parts[1] !== '01' || parts[2] !== '06' || parts[3] !== '01') {
    return null;
  }
  const pan = parseInt(parts[4], 16);
  const tilt = parseInt(parts[5], 16);
  const direction = { '01': 'left', '02': 'right', '03': 'stop' }[parts[6]];
  const vertical = { '01': 'up', '02': 'down', '03': 'stop' }[parts[7]];
  return { pan, tilt, horizontal: direction, vertical, stop: direction === 'stop' && vertical === 'stop' };
}
