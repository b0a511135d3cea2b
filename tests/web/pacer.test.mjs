// The page's frame pacing, on simulated displays: the clock is the callbacks'
// timestamps, so nothing here depends on how fast the machine runs.
import assert from 'node:assert/strict';
import test from 'node:test';

import { FRAME_INTERVAL_MS, FramePacer, MAX_FRAMES_PER_CALLBACK } from '../../web/pacer.js';

// Frames run per callback of a display refreshing at `hertz` for `seconds`;
// each timestamp is off by up to `jitter` ms, in a fixed pattern.
function simulate(hertz, seconds, jitter) {
  const pacer = new FramePacer();
  const counts = [];
  const callbacks = Math.round(hertz * seconds);
  for (let k = 0; k < callbacks; k += 1) {
    const wobble = jitter * Math.sin(k * 2.399); // deterministic, spread over [-jitter, jitter]
    counts.push(pacer.framesDue(1000 + (k * 1000) / hertz + wobble));
  }
  return counts;
}

const sum = (counts) => counts.reduce((a, b) => a + b, 0);

test('60 frames per second on any display rate', () => {
  for (const [hertz, jitter] of [[60, 0.5], [59.94, 0.5], [75, 0.5], [120, 0.3], [144, 0.3], [30, 1], [24, 1]]) {
    const counts = simulate(hertz, 10, jitter);
    const expected = 600 - 60 / hertz; // the last refresh of the ten seconds is at 10 s - 1/hertz
    assert.ok(Math.abs(sum(counts) - expected) <= 1, `${hertz} Hz: ${sum(counts)} frames`);
    assert.ok(Math.max(...counts) <= Math.ceil(60 / hertz), `${hertz} Hz: ${Math.max(...counts)} in one callback`);
  }
});

test('a 60 Hz display gets exactly one frame per refresh despite jitter', () => {
  assert.deepEqual(new Set(simulate(60, 10, 1.5)), new Set([1]));
});

test('late frames are caught up, at most four at once; after a stall only one runs', () => {
  const I = FRAME_INTERVAL_MS;
  const pacer = new FramePacer();
  assert.equal(pacer.framesDue(0), 1);
  assert.equal(pacer.framesDue(4.9 * I), MAX_FRAMES_PER_CALLBACK); // five were due
  assert.equal(pacer.framesDue(5 * I), 1); // the one left over
  assert.equal(pacer.framesDue(3000), 1); // three seconds late: no burst
  assert.equal(pacer.framesDue(3000 + I / 2), 0);
  assert.equal(pacer.framesDue(3000 + I), 1);
});

test('after a restart (a pause ends) the next frame is due at once', () => {
  const pacer = new FramePacer();
  assert.equal(pacer.framesDue(50), 1);
  assert.equal(pacer.framesDue(55), 0);
  pacer.restart();
  assert.equal(pacer.framesDue(55), 1);
});
