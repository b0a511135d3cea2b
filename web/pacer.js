// pacer.js - when the page runs its next frame.
//
// Paced, frames are due FRAME_INTERVAL_MS apart (60 per second) whatever the
// display's refresh rate. On every animation-frame callback the page asks
// framesDue(now) how many frames to run: one per refresh on a 60 Hz display,
// some refreshes none on faster ones, two on a 30 Hz display. A callback up to
// SLACK_MS early takes its frame, since refresh callbacks jitter around their
// interval. Frames that fell behind are caught up, at most
// MAX_FRAMES_PER_CALLBACK per callback; after a stall longer than that, one
// frame runs and the cadence restarts from now, so a stall is never followed by
// a burst. Times are milliseconds from any fixed start; nothing here reads a
// clock.
export const FRAME_INTERVAL_MS = 1000 / 60;
export const SLACK_MS = 2;
export const MAX_FRAMES_PER_CALLBACK = 4;

export class FramePacer {
  constructor() {
    this.next = null; // when the next frame is due; null: at once
  }

  // Forgets the cadence (after a pause): the next frame is due at once.
  restart() {
    this.next = null;
  }

  framesDue(now) {
    if (this.next === null) this.next = now;
    if (now - this.next > MAX_FRAMES_PER_CALLBACK * FRAME_INTERVAL_MS) {
      this.next = now + FRAME_INTERVAL_MS;
      return 1;
    }
    let frames = 0;
    while (frames < MAX_FRAMES_PER_CALLBACK && now >= this.next - SLACK_MS) {
      this.next += FRAME_INTERVAL_MS;
      frames += 1;
    }
    return frames;
  }
}
