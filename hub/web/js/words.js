// Every failure the hub reports, in plain words for the person at the control.

export function plainWords(reply) {
  const why = reply.error ?? '';
  switch (reply.status) {
    case 0:
      return `Not sent: ${why || 'the hub cannot be reached'}.`;
    case 400:
      return `Not accepted: ${why}`;
    case 401:
      return 'The hub asks for its access token.';
    case 404:
      return `Not found: ${why}`;
    case 422:
      return `The camera refused: ${why}`;
    case 423:
      return `Refused, locked by another operator: ${why}`;
    case 500:
      return `The hub failed: ${why}`;
    case 502:
      return `The camera's answer made no sense: ${why}`;
    case 503:
      return `Camera offline: ${why}`;
    case 504:
      return `The camera did not answer in time: ${why}`;
    default:
      return `Failed (${reply.status}): ${why}`;
  }
}

// "reconnecting" is the hub trying again after a failure: to the operator the camera is
// offline until it is back.
export const HEALTH_WORDS = {
  online: 'Online',
  offline: 'Offline',
  reconnecting: 'Offline, reconnecting',
};

// A value of the camera's state as a person reads it.
export function valueText(value) {
  if (value === undefined || value === null) return '—';
  if (value === true) return 'on';
  if (value === false) return 'off';
  if (typeof value === 'number') return Number.isInteger(value) ? String(value) : value.toFixed(3);
  if (typeof value === 'object') {
    return Object.entries(value)
      .map(([key, v]) => `${key} ${valueText(v)}`)
      .join(', ');
  }
  return String(value);
}
