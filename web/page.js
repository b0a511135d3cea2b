// page.js - the walkers page: loads the scene, runs and shows its frames,
// passes clicks and the controls on.
//
// walkers.js (built by Emscripten) defines createWalkers; walkers.data is the
// packed asset folder, fetched here so that a failure to load it can be told
// apart from a failure of WebAssembly. Every failure ends in one message on the
// page instead of a blank canvas.
//
// Two modes:
// - interactive (the default): frames run on requestAnimationFrame, paced to
//   60 per second (pacer.js) or, with "Unlimited frame rate", back to back for
//   most of each display refresh. Space pauses and resumes, "." runs one frame
//   while paused, a left click on the picture starts a jump, and the About panel
//   holds the scene still while it is open. "Open folder..." (a directory
//   picker) or a folder dropped on the page (or all its files at once) is
//   written into the module's file system, a fresh folder per load, and the
//   scene set up again on it: frame 1 again, the frames the desktop shows for
//   that folder. A load while paused runs that one frame. The problems the load
//   found are counted on a badge over the picture, which opens a panel of their
//   lines, as walkers-check prints them (folder.js reads what was picked or
//   dropped).
// - determinism hook, ?frames=N&click=F&click=G...: runs exactly frames 1..N,
//   clicking just before each frame F listed (frames count from 1, as with
//   walkers-snapshot --frames N --click F), shows the last frame, writes its
//   state line (the snapshot tool's JSON, with the picture's CRC-32) into the
//   element #state and stops.
//
// window.walkers.stateLine() and .framesDrawn() read the scene as it stands;
// document.body.dataset.loads counts the loads done (the packed folder's is 1).
import { filesFromDrop, filesFromPicker, writeFolder, removeFolder } from './folder.js';
import { FramePacer } from './pacer.js';

const UNLIMITED_BUDGET_MS = 12; // of each ~16.7 ms refresh, the rest is the browser's

const canvas = document.getElementById('screen');
const message = document.getElementById('message');
const stateOutput = document.getElementById('state');
const pauseButton = document.getElementById('pause');
const stepButton = document.getElementById('step');
const unlimitedBox = document.getElementById('unlimited');
const aboutButton = document.getElementById('about-open');
const about = document.getElementById('about');
const aboutFrames = document.getElementById('about-frames');
const status = document.getElementById('status');
const folderButton = document.getElementById('folder-open');
const folderInput = document.getElementById('folder-input');
const dropZone = document.getElementById('drop-zone');
const badge = document.getElementById('problems-badge');
const panel = document.getElementById('problems');
const panelTitle = document.getElementById('problems-title');
const problemLines = document.getElementById('problem-lines');
const note = document.getElementById('note');
const NOTE_MS = 4000;

function fail(text) {
  message.textContent = text;
  message.hidden = false;
  canvas.hidden = true;
  document.getElementById('controls').hidden = true;
  document.body.dataset.state = 'failed';
}

async function loadCore() {
  if (typeof WebAssembly !== 'object') {
    throw new Error('This browser cannot run WebAssembly, which the demo needs.');
  }
  if (typeof createWalkers !== 'function') {
    throw new Error('The demo\'s program (walkers.js) did not load.');
  }
  let data;
  try {
    const response = await fetch('walkers.data');
    if (!response.ok) throw new Error(`the server answered ${response.status}`);
    data = await response.arrayBuffer();
  } catch (error) {
    throw new Error(`The walkers' data (walkers.data) did not load: ${error.message}.`);
  }
  let core;
  try {
    core = await createWalkers({ getPreloadedPackage: () => data });
  } catch (error) {
    throw new Error(`WebAssembly (walkers.wasm) did not load: ${error.message || error}.`);
  }
  if (core._walkers_start() === 0) {
    throw new Error('The walkers\' data loaded, but no walker could be built from it.');
  }
  document.body.dataset.loads = '1';
  return core;
}

// The canvas at the largest whole multiple of the picture, in device pixels,
// that fits beside the controls; never less than 1.
function fitCanvas() {
  const ratio = window.devicePixelRatio || 1;
  const spare = document.getElementById('controls').offsetHeight + 48;
  const across = (document.documentElement.clientWidth - 32) * ratio / canvas.width;
  const down = (window.innerHeight - spare) * ratio / canvas.height;
  const factor = Math.max(1, Math.floor(Math.min(across, down)));
  canvas.style.width = `${canvas.width * factor / ratio}px`; // height follows
}

function parseHook(params) {
  const count = (text) => (/^\d+$/.test(text) ? Number(text) : NaN);
  const frames = count(params.get('frames'));
  const clicks = params.getAll('click').map(count);
  if (!Number.isSafeInteger(frames) || clicks.some((f) => !Number.isSafeInteger(f) || f < 1)) {
    throw new Error('Use ?frames=N&click=F&click=G... with whole numbers, N >= 0 and F >= 1.');
  }
  return { frames, clicks: new Set(clicks) };
}

class Demo {
  constructor(core) {
    this.core = core;
    this.context = canvas.getContext('2d');
    this.pacer = new FramePacer();
    this.paused = false;
    this.loads = 1;
    this.loadRoot = null; // where the last folder was written into the file system
    canvas.width = core._walkers_width();
    canvas.height = core._walkers_height();
    this.showProblems();
  }

  // The badge and the panel for what the last load found.
  showProblems() {
    const { core } = this;
    const lines = core.UTF8ToString(core._walkers_problems());
    const count = core.UTF8ToString(core._walkers_problem_count());
    problemLines.textContent = lines;
    panelTitle.textContent = core.UTF8ToString(core._walkers_problem_title());
    badge.textContent = count;
    badge.classList.toggle('errors', core._walkers_errors() > 0);
    badge.hidden = lines === '' || !panel.hidden;
    if (lines === '') panel.hidden = true;
  }

  setPanelOpen(open) {
    panel.hidden = !open || problemLines.textContent === '';
    badge.hidden = !panel.hidden || problemLines.textContent === '';
  }

  showNote(text) {
    note.textContent = text;
    note.hidden = false;
    clearTimeout(this.noteTimer);
    this.noteTimer = setTimeout(() => { note.hidden = true; }, NOTE_MS);
  }

  // Loads one pick or drop after another, in the order they came.
  queueLoad(files) {
    const ready = Promise.resolve(files);
    ready.catch(() => {}); // told when its turn comes, not as unhandled before
    this.loading = (this.loading || Promise.resolve())
      .then(() => ready)
      .then((picked) => this.load(picked))
      .catch((error) => this.showNote(`Loading failed: ${error.message}`));
  }

  // Sets the scene up again on the picked or dropped files ({ name, files }).
  async load(picked) {
    if (picked.refusal) {
      this.showNote(picked.refusal);
      return;
    }
    this.loads += 1;
    const root = `/load-${this.loads}`;
    const folder = `${root}/${picked.name}`;
    try {
      await writeFolder(this.core.FS, folder, picked.files);
    } catch (error) {
      removeFolder(this.core.FS, root); // a load that fails leaves no files behind
      throw error;
    }
    const walkers = this.core.ccall('walkers_load', 'number', ['string'], [folder]);
    if (this.loadRoot) removeFolder(this.core.FS, this.loadRoot);
    this.loadRoot = root;
    this.showProblems();
    if (walkers === 0) this.showNote(`No walker could be loaded from ${picked.name}: see its problems`);
    this.pacer.restart();
    if (this.paused) {
      this.core._walkers_run_frame(); // the new folder's frame 1 on show
      this.draw();
      status.textContent = `Paused at frame ${this.framesDrawn()}`;
    }
    document.body.dataset.loads = String(this.loads);
  }

  stateLine() {
    return this.core.UTF8ToString(this.core._walkers_state_line());
  }

  framesDrawn() {
    return this.core._walkers_frames_drawn();
  }

  draw() {
    const { core } = this;
    const bytes = canvas.width * canvas.height * 4;
    const pixels = new Uint8ClampedArray(core.HEAPU8.buffer, core._walkers_rgba(), bytes);
    this.context.putImageData(new ImageData(pixels, canvas.width, canvas.height), 0, 0);
  }

  runHook({ frames, clicks }) {
    for (let frame = 1; frame <= frames; frame += 1) {
      if (clicks.has(frame)) this.core._walkers_click();
      this.core._walkers_run_frame();
    }
    this.draw();
    stateOutput.textContent = this.stateLine();
    stateOutput.hidden = false;
    document.getElementById('controls').hidden = true;
    document.body.dataset.state = 'done';
  }

  start() {
    canvas.addEventListener('pointerdown', (event) => {
      if (event.button === 0) this.core._walkers_click();
    });
    document.addEventListener('keydown', (event) => this.onKey(event));
    pauseButton.addEventListener('click', () => this.setPaused(!this.paused));
    stepButton.addEventListener('click', () => this.step());
    unlimitedBox.addEventListener('change', () => this.pacer.restart());
    aboutButton.addEventListener('click', () => this.openAbout());
    folderButton.addEventListener('click', () => folderInput.click());
    folderInput.addEventListener('change', () => {
      this.queueLoad(filesFromPicker(folderInput.files));
      folderInput.value = ''; // the same folder picked again is a change too
    });
    dropZone.addEventListener('dragover', (event) => {
      event.preventDefault();
      dropZone.classList.add('dragging');
    });
    dropZone.addEventListener('dragleave', () => dropZone.classList.remove('dragging'));
    dropZone.addEventListener('drop', (event) => {
      event.preventDefault();
      dropZone.classList.remove('dragging');
      this.queueLoad(filesFromDrop(event.dataTransfer));
    });
    badge.addEventListener('click', () => this.setPanelOpen(true));
    document.getElementById('problems-close').addEventListener('click', () => this.setPanelOpen(false));
    document.getElementById('problems-copy').addEventListener('click', () =>
      navigator.clipboard.writeText(problemLines.textContent));
    about.addEventListener('close', () => this.pacer.restart());
    document.body.dataset.state = 'running';
    requestAnimationFrame((now) => this.onAnimationFrame(now));
  }

  onKey(event) {
    if (about.open || event.ctrlKey || event.altKey || event.metaKey) return;
    if (event.key === ' ') {
      event.preventDefault(); // no scrolling, no press of a focused button
      this.setPaused(!this.paused);
    } else if (event.key === '.') {
      event.preventDefault();
      this.step();
    }
  }

  setPaused(paused) {
    this.paused = paused;
    pauseButton.textContent = paused ? 'Resume' : 'Pause';
    stepButton.disabled = !paused;
    status.textContent = paused ? `Paused at frame ${this.framesDrawn()}` : '';
    if (!paused) this.pacer.restart();
  }

  step() {
    if (!this.paused) return;
    this.core._walkers_run_frame();
    this.draw();
    status.textContent = `Paused at frame ${this.framesDrawn()}`;
  }

  openAbout() {
    aboutFrames.textContent = String(this.framesDrawn());
    about.showModal();
  }

  onAnimationFrame(now) {
    requestAnimationFrame((next) => this.onAnimationFrame(next));
    if (this.paused || about.open) return;
    let frames = 0;
    if (unlimitedBox.checked) {
      const start = performance.now();
      do {
        this.core._walkers_run_frame();
        frames += 1;
      } while (performance.now() - start < UNLIMITED_BUDGET_MS);
    } else {
      for (let due = this.pacer.framesDue(now); frames < due; frames += 1) {
        this.core._walkers_run_frame();
      }
    }
    if (frames > 0) this.draw();
  }
}

async function main() {
  const params = new URLSearchParams(window.location.search);
  const hook = params.has('frames') ? parseHook(params) : null;
  const demo = new Demo(await loadCore());
  window.walkers = {
    stateLine: () => demo.stateLine(),
    framesDrawn: () => demo.framesDrawn(),
  };
  fitCanvas();
  window.addEventListener('resize', fitCanvas);
  if (hook) {
    demo.runHook(hook);
  } else {
    demo.start();
  }
}

main().catch((error) => fail(error.message || String(error)));
