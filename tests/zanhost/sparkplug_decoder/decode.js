// Prints each Sparkplug B payload given on standard input, one a line in hexadecimal, as the
// Sparkplug project's JavaScript decoder (npm sparkplug-payload) reads it: one line of JSON a
// payload, the list of its metrics with their name, type and value. 64-bit values are printed as
// decimal text.
'use strict';
const fs = require('fs');
const sparkplug = require('sparkplug-payload').get('spBv1.0');

const text = (key, value) =>
  value !== null && typeof value === 'object' && 'low' in value && 'high' in value
    ? value.toString()
    : value;

for (const line of fs.readFileSync(0, 'utf8').split('\n')) {
  if (line.trim() === '') continue;
  const payload = sparkplug.decodePayload(Buffer.from(line.trim(), 'hex'));
  const metrics = (payload.metrics || []).map((m) => ({ name: m.name, type: m.type, value: m.value }));
  console.log(JSON.stringify(metrics, text));
}
