// The page's one link to the hub: its HTTP API and its WebSocket of events and commands. The
// socket reopens by itself with a growing pause when the hub restarts or the network drops,
// and commands go over HTTP while it is closed, so that a button works whenever the hub does.

const FIRST_RETRY_MS = 250;
const LAST_RETRY_MS = 4000;

export class Hub {
  constructor() {
    this.token = localStorage.getItem('quorvin.token') ?? '';
    this.socket = null;
    this.nextId = 1;
    this.waiting = new Map(); // command id -> resolve
    this.retryMs = FIRST_RETRY_MS;
    this.listeners = new Map();
    this.opened = false;
  }

  on(type, handler) {
    if (!this.listeners.has(type)) this.listeners.set(type, []);
    this.listeners.get(type).push(handler);
  }

  emit(type, value) {
    for (const handler of this.listeners.get(type) ?? []) handler(value);
  }

  setToken(token) {
    this.token = token;
    localStorage.setItem('quorvin.token', token);
  }

  headers(extra = {}) {
    const headers = { ...extra };
    if (this.token) headers.Authorization = `Bearer ${this.token}`;
    return headers;
  }

  // An HTTP request as {status, body}; status 0 when the hub could not be reached at all.
  async request(method, path, body, extraHeaders = {}) {
    const init = { method, headers: this.headers(extraHeaders) };
    if (body !== undefined) {
      init.body = JSON.stringify(body);
      init.headers['Content-Type'] = 'application/json';
    }
    try {
      const response = await fetch(path, init);
      const text = await response.text();
      let parsed = {};
      try {
        parsed = text ? JSON.parse(text) : {};
      } catch {
        parsed = { error: text };
      }
      if (response.status === 401) this.emit('unauthorised');
      return { status: response.status, body: parsed, error: parsed.error };
    } catch (failure) {
      return { status: 0, body: {}, error: 'the hub cannot be reached' };
    }
  }

  get connected() {
    return this.socket?.readyState === WebSocket.OPEN;
  }

  connect() {
    const scheme = location.protocol === 'https:' ? 'wss' : 'ws';
    const query = this.token ? `?token=${encodeURIComponent(this.token)}` : '';
    const socket = new WebSocket(`${scheme}://${location.host}/api/events${query}`);
    this.socket = socket;
    socket.addEventListener('open', () => {
      this.retryMs = FIRST_RETRY_MS;
      this.opened = true;
      socket.send(JSON.stringify({ type: 'subscribe', cameras: '*' }));
      this.emit('open');
    });
    socket.addEventListener('message', (event) => this.received(event.data));
    socket.addEventListener('close', () => {
      if (this.socket !== socket) return;
      this.socket = null;
      // Whatever was waiting for an answer on this socket gets none now.
      for (const resolve of this.waiting.values()) {
        resolve({ status: 0, error: 'the connection to the hub closed before the answer came' });
      }
      this.waiting.clear();
      const delay = this.retryMs;
      this.retryMs = Math.min(this.retryMs * 2, LAST_RETRY_MS);
      this.emit('close', { retryInMs: delay });
      setTimeout(() => this.connect(), delay);
    });
  }

  received(text) {
    let message;
    try {
      message = JSON.parse(text);
    } catch {
      return;
    }
    if (message.type === 'result' && this.waiting.has(message.id)) {
      const resolve = this.waiting.get(message.id);
      this.waiting.delete(message.id);
      resolve({ status: message.status, body: message, error: message.error });
      return;
    }
    this.emit(message.type, message);
  }

  // Runs an operation on a camera: on the socket when it is open, else over HTTP. Resolves to
  // {status, body, error}; never rejects.
  run(camera, operation, args = {}, lockKey = '') {
    if (!this.connected) {
      const headers = lockKey ? { 'Quorvin-Lock': lockKey } : {};
      const hasArgs = Object.keys(args).length > 0;
      return this.request('POST', `/api/cameras/${camera}/${operation}`, hasArgs ? args : undefined, headers);
    }
    const message = { type: 'command', camera, operation };
    if (Object.keys(args).length > 0) message.args = args;
    if (lockKey) message.key = lockKey;
    return this.sendWaiting(message);
  }

  sendWaiting(message) {
    const id = this.nextId++;
    return new Promise((resolve) => {
      this.waiting.set(id, resolve);
      this.socket.send(JSON.stringify({ ...message, id }));
    });
  }

  // A stop that must get out even while the page goes away or the socket is down: over the
  // socket when it is open, and over HTTP with keepalive, which the browser finishes after the
  // page has gone.
  sendStop(camera, operation, lockKey = '') {
    if (this.connected) {
      this.run(camera, operation, {}, lockKey);
      return;
    }
    const headers = this.headers(lockKey ? { 'Quorvin-Lock': lockKey } : {});
    fetch(`/api/cameras/${camera}/${operation}`, { method: 'POST', headers, keepalive: true }).catch(
      () => {},
    );
  }

  async lock(camera, reason) {
    if (this.connected) return this.sendWaiting({ type: 'lock', camera, reason });
    return this.request('POST', `/api/cameras/${camera}/lock`, { reason });
  }

  async unlock(camera, key, force = false) {
    const body = force ? { force: true } : { key };
    if (this.connected) return this.sendWaiting({ type: 'unlock', camera, ...body });
    return this.request('DELETE', `/api/cameras/${camera}/lock`, body);
  }
}
