// The walkers page in a real browser (Debian's Chromium, driven by
// puppeteer-core), served by python3 -m http.server on localhost:
// - the determinism hook gives walkers-snapshot's state line, CRC-32 included,
//   at every checked frame of a run of FRAMES frames with CLICKS;
// - the canvas holds the snapshot's last frame widened to 8 bits per channel,
//   pixel for pixel, and a screenshot of it shows walkers over the floor;
// - a wide window scales the picture by a whole factor, crisply;
// - in the running page, Space pauses, a real click on the canvas starts a jump
//   and "." runs exactly one frame, which equals the snapshot tool's frame with
//   a click just before it; the About panel shows the frames drawn;
// - a folder the test writes, picked through "Open folder…", gives
//   walkers-snapshot's state lines on it for 60 frames, and a broken folder's
//   files dropped on the page give a badge and a panel listing walkers-check's
//   lines for it;
// - a page whose WebAssembly or data cannot load says so.
//
//   node browser_test.mjs --site DIR --snapshot EXE --check EXE --data DIR
//                         [--screenshot PNG] [--folder-shots PREFIX]
//
// --screenshot also saves a picture of the running page (for the README);
// --folder-shots PREFIX saves PREFIX-picked.png, the page just after the folder
// was picked, and PREFIX-problems.png, its panel open on the broken folder.
// Exit status: 0 passed, 1 failed, 77 skipped (no Chromium or puppeteer-core).
// Every wait is bounded.
import { execFileSync, spawn } from 'node:child_process';
import {
  copyFileSync, cpSync, existsSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync,
} from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { parseArgs } from 'node:util';

const CHROMIUM = '/usr/bin/chromium';
const CHROMIUM_FLAGS = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];
const WIDTH = 520; // the demo window's surface
const HEIGHT = 489;
const FRAMES = 300;
const CLICKS = [40, 150, 220];
const CHECKED_FRAMES = [1, 2, 39, 40, 41, 60, 100, 149, 150, 151, 200, 219, 220, 221, 260, 299, 300];
const FLOOR = [0, 132, 132]; // RGB555 0x0210 widened
const WALKER_ROWS = [120, 360]; // the band of the surface the walkers walk in
const WAIT_MS = 30000;
const SKIP = 77;

const { values: options } = parseArgs({
  options: {
    site: { type: 'string' },
    snapshot: { type: 'string' },
    check: { type: 'string' },
    data: { type: 'string' },
    screenshot: { type: 'string' },
    'folder-shots': { type: 'string' },
  },
});

let failures = 0;
let passes = 0;
function check(condition, what, detail = '') {
  if (condition) {
    passes += 1;
    console.log(`ok: ${what}`);
  } else {
    failures += 1;
    console.log(`FAIL: ${what}${detail ? `\n  ${detail}` : ''}`);
  }
}

function skip(reason) {
  console.log(`skipped: ${reason}`);
  process.exit(SKIP);
}

function snapshotRun(frames, clicks, scratch, data = options.data) {
  const state = join(scratch, `state-${frames}-${clicks.join('-')}.jsonl`);
  const bmp = join(scratch, `frame-${frames}.bmp`);
  execFileSync(options.snapshot, ['--data', data, '--size', `${WIDTH}x${HEIGHT}`,
    '--frames', String(frames), ...clicks.flatMap((f) => ['--click', String(f)]),
    '--state', state, '--bmp', bmp]);
  return { lines: readFileSync(state, 'utf8').trimEnd().split('\n'), bmp: readFileSync(bmp) };
}

// RGBA of a 16-bit BMP as walkers-snapshot writes it (rows bottom-up, padded
// to 4 bytes), each channel widened as the page does.
function widenedBmp(bmp) {
  const offset = bmp.readUInt32LE(10);
  const width = bmp.readInt32LE(18);
  const height = bmp.readInt32LE(22);
  const rowBytes = (width * 2 + 3) & ~3;
  // The widening of src/render/rgb555.h, written out again: an outside check of the page.
  const widen = (c) => (c << 3) | (c >> 2);
  const rgba = new Uint8Array(width * height * 4);
  for (let y = 0; y < height; y += 1) {
    for (let x = 0; x < width; x += 1) {
      const p = bmp.readUInt16LE(offset + (height - 1 - y) * rowBytes + 2 * x);
      rgba.set([widen((p >> 10) & 31), widen((p >> 5) & 31), widen(p & 31), 255], (y * width + x) * 4);
    }
  }
  return rgba;
}

function firstDifference(a, b) {
  if (a.length !== b.length) return `lengths ${a.length} and ${b.length}`;
  for (let i = 0; i < a.length; i += 1) {
    if (a[i] !== b[i]) return `pixel ${Math.floor(i / 4)} channel ${i % 4}: ${a[i]} vs ${b[i]}`;
  }
  return null;
}

async function startServer(site) {
  const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1',
    '--directory', site], { stdio: ['ignore', 'pipe', 'ignore'] });
  const port = await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('the server did not start')), WAIT_MS);
    let text = '';
    server.stdout.on('data', (chunk) => {
      text += chunk;
      const found = /port (\d+)/.exec(text);
      if (found) {
        clearTimeout(timer);
        resolve(Number(found[1]));
      }
    });
    server.on('exit', () => reject(new Error('the server exited')));
  });
  return { server, url: `http://127.0.0.1:${port}/` };
}

async function loadPage(page, url) {
  await page.goto(url, { waitUntil: 'load', timeout: WAIT_MS });
  await page.waitForFunction(() => ['done', 'running', 'failed'].includes(document.body.dataset.state),
    { timeout: WAIT_MS });
  return page.evaluate(() => document.body.dataset.state);
}

const hookQuery = (frames) => `?frames=${frames}${CLICKS.map((f) => `&click=${f}`).join('')}`;

async function checkDeterminismHook(page, url, reference) {
  const mismatches = [];
  for (const frame of CHECKED_FRAMES) {
    const state = await loadPage(page, url + hookQuery(frame));
    const line = await page.$eval('#state', (e) => e.textContent);
    if (state !== 'done' || line !== reference.lines[frame - 1]) {
      mismatches.push(`frame ${frame}: page ${line}\n  snapshot ${reference.lines[frame - 1]}`);
    }
  }
  check(mismatches.length === 0,
    `state line and CRC-32 equal walkers-snapshot's at frames ${CHECKED_FRAMES.join(', ')}`,
    mismatches.join('\n  '));
}

// The pixels of a PNG, decoded by the browser itself.
async function decodePng(page, png) {
  return page.evaluate(async (base64) => {
    const image = new Image();
    image.src = `data:image/png;base64,${base64}`;
    await image.decode();
    const canvas = document.createElement('canvas');
    canvas.width = image.width;
    canvas.height = image.height;
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    const { data } = context.getImageData(0, 0, image.width, image.height);
    return { width: image.width, height: image.height, data: Array.from(data) };
  }, Buffer.from(png).toString('base64'));
}

async function checkPicture(page, url, reference) {
  await page.setViewport({ width: 640, height: 640, deviceScaleFactor: 1 });
  await loadPage(page, url + hookQuery(FRAMES));
  const expected = widenedBmp(reference.bmp);
  const canvasData = await page.$eval('#screen', (c) =>
    Array.from(c.getContext('2d').getImageData(0, 0, c.width, c.height).data));
  const canvasDiff = firstDifference(canvasData, expected);
  check(canvasDiff === null, `the canvas holds frame ${FRAMES} widened as (c << 3) | (c >> 2)`,
    canvasDiff);

  const shot = await decodePng(page, await (await page.$('#screen')).screenshot());
  check(shot.width === WIDTH && shot.height === HEIGHT, 'at this width the picture is shown 1:1',
    `${shot.width}x${shot.height}`);
  let walkerPixels = 0;
  const colours = new Set();
  for (let y = WALKER_ROWS[0]; y < WALKER_ROWS[1]; y += 1) {
    for (let x = 0; x < shot.width; x += 1) {
      const i = (y * shot.width + x) * 4;
      const rgb = shot.data.slice(i, i + 3);
      if (rgb.some((c, k) => c !== FLOOR[k])) {
        walkerPixels += 1;
        colours.add(rgb.join(','));
      }
    }
  }
  check(walkerPixels > 3000 && colours.size > 20,
    `a screenshot shows walkers: ${walkerPixels} pixels of ${colours.size} colours off the floor`);
  const shotDiff = firstDifference(shot.data, expected);
  check(shotDiff === null, 'the screenshot is the snapshot\'s frame, pixel for pixel', shotDiff);
}

async function checkScaling(page, url) {
  await page.setViewport({ width: 1400, height: 1200, deviceScaleFactor: 1 });
  await loadPage(page, url + hookQuery(FRAMES));
  const style = await page.$eval('#screen', (c) => {
    const s = getComputedStyle(c);
    return { width: c.getBoundingClientRect().width, height: c.getBoundingClientRect().height,
      rendering: s.imageRendering };
  });
  check(style.width === 2 * WIDTH && style.height === 2 * HEIGHT && style.rendering === 'pixelated',
    'a wide window shows the picture at twice its size, pixelated', JSON.stringify(style));
}

async function framesDrawn(page) {
  return page.evaluate(() => window.walkers.framesDrawn());
}

// Two animation frames of the page: enough for a running loop to draw.
async function letThePageRun(page) {
  await page.evaluate(() => new Promise((done) =>
    requestAnimationFrame(() => requestAnimationFrame(() => requestAnimationFrame(done)))));
}

async function checkInteraction(page, url, scratch) {
  await page.setViewport({ width: 760, height: 600, deviceScaleFactor: 1 });
  const state = await loadPage(page, url);
  check(state === 'running', 'the page runs', state);
  await page.waitForFunction(() => window.walkers.framesDrawn() >= 30, { timeout: WAIT_MS });
  await page.keyboard.press('Space');
  const paused = await framesDrawn(page);
  await letThePageRun(page);
  check(await framesDrawn(page) === paused, `Space pauses (at frame ${paused})`);

  const before = JSON.parse(await page.evaluate(() => window.walkers.stateLine()));
  await page.click('#screen'); // a real left button press on the canvas
  await page.keyboard.press('.');
  const line = await page.evaluate(() => window.walkers.stateLine());
  const after = JSON.parse(line);
  check(before.jump[0] === -1 && after.jump[0] >= 0 && after.jump[1] === 1 && after.frame === paused + 1,
    `a click on the canvas starts a jump (jump ${JSON.stringify(before.jump)} -> ${JSON.stringify(after.jump)})`);
  const reference = snapshotRun(paused + 1, [paused + 1], scratch).lines[paused];
  check(line === reference, '"." runs one frame, the snapshot tool\'s frame after a click just before it',
    `page ${line}\n  snapshot ${reference}`);

  await page.click('#about-open');
  const about = await page.$eval('#about', (d) => ({ open: d.open, text: d.textContent }));
  check(about.open && about.text.includes(`Frames drawn so far: ${paused + 1}`),
    'the About panel lists the controls and the frames drawn');
  await page.click('#about button');
  check(!(await page.$eval('#about', (d) => d.open)), 'OK closes the About panel');

  if (options.screenshot) {
    await page.keyboard.press('Space'); // resume for a few frames of the jump
    await page.waitForFunction((f) => window.walkers.framesDrawn() >= f, { timeout: WAIT_MS }, paused + 20);
    await page.evaluate(() => document.activeElement.blur());
    writeFileSync(options.screenshot, await page.screenshot());
    console.log(`saved ${options.screenshot}`);
  }
}

// A copy of the generated folder, changed by `change(folder)`.
function folderOf(scratch, name, change) {
  const folder = join(scratch, name);
  cpSync(options.data, folder, { recursive: true });
  change(folder);
  return folder;
}

async function waitForLoads(page, loads) {
  await page.waitForFunction((n) => document.body.dataset.loads === String(n), { timeout: WAIT_MS },
    loads);
}

async function checkPickedFolder(page, url, scratch) {
  const folder = folderOf(scratch, 'picked', (dir) => {
    copyFileSync(join(options.data, 'ome16.bmp'), join(dir, 'buki16.bmp'));
    copyFileSync(join(options.data, 'buki16.bmp'), join(dir, 'ome16.bmp'));
  });
  const reference = snapshotRun(60, [], scratch, folder).lines;
  const builtIn = snapshotRun(1, [], scratch).lines[0];
  await page.setViewport({ width: 760, height: 600, deviceScaleFactor: 1 });
  check(await loadPage(page, url) === 'running', 'the page runs before a folder is picked');
  await page.keyboard.press('Space'); // paused: the load shows its frame 1, "." the next
  await (await page.$('#folder-input')).uploadFile(folder);
  await waitForLoads(page, 2);
  const lines = [await page.evaluate(() => window.walkers.stateLine())];
  for (let frame = 2; frame <= reference.length; frame += 1) {
    await page.keyboard.press('.');
    lines.push(await page.evaluate(() => window.walkers.stateLine()));
  }
  const wrong = lines.findIndex((line, i) => line !== reference[i]);
  check(wrong === -1 && lines.length === 60,
    'a picked folder gives walkers-snapshot --data\'s state lines on it for 60 frames',
    wrong === -1 ? '' : `frame ${wrong + 1}: page ${lines[wrong]}\n  snapshot ${reference[wrong]}`);
  check(lines[0] !== builtIn, 'its frame 1 is not the built-in folder\'s');
  check(await page.$eval('#problems-badge', (b) => b.hidden), 'a clean folder shows no badge');
  await saveFolderShot(page, 'picked');
}

async function saveFolderShot(page, name) {
  if (!options['folder-shots']) return;
  const file = `${options['folder-shots']}-${name}.png`;
  writeFileSync(file, await page.screenshot({ fullPage: true }));
  console.log(`saved ${file}`);
}

// What walkers-check prints before its summary: the problem lines.
function checkerLines(folder) {
  let out;
  try {
    out = execFileSync(options.check, [folder], { encoding: 'utf8' });
  } catch (error) {
    out = error.stdout; // status 1: the folder has errors
  }
  return out.slice(0, out.indexOf('\n\n'));
}

async function checkDroppedBrokenFolder(page, scratch) {
  const folder = folderOf(scratch, 'broken', (dir) => {
    const bmp = readFileSync(join(dir, 'ome16.bmp'));
    bmp[28] = 24;
    writeFileSync(join(dir, 'ome16.bmp'), bmp);
  });
  const files = readdirSync(folder).map((name) => ({
    name, base64: readFileSync(join(folder, name)).toString('base64'),
  }));
  // All of its files at once, as a user drags them in.
  await page.evaluate((dropped) => {
    const transfer = new DataTransfer();
    for (const { name, base64 } of dropped) {
      transfer.items.add(new File([Uint8Array.from(atob(base64), (c) => c.charCodeAt(0))], name));
    }
    document.getElementById('drop-zone').dispatchEvent(
      new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
  }, files);
  await waitForLoads(page, 3);
  const badge = await page.$eval('#problems-badge', (b) => ({ hidden: b.hidden, text: b.textContent }));
  check(!badge.hidden && badge.text === '1 error, 0 warnings',
    `a broken folder's files dropped on the page: the badge says "${badge.text}"`);
  await page.click('#problems-badge');
  const shown = await page.$eval('#problems', (p) => (p.checkVisibility()
    ? document.getElementById('problem-lines').textContent : ''));
  const expected = checkerLines(folder).split(`${folder}/`).join('/load-3/dropped/');
  check(shown === `${expected}\n`, 'its panel lists walkers-check\'s lines for the folder',
    `page:\n${shown}\n  walkers-check:\n${expected}`);
  await saveFolderShot(page, 'problems');
}

async function checkLoadFailures(browser, url) {
  for (const [file, words] of [['walkers.wasm', 'WebAssembly'], ['walkers.data', 'data']]) {
    const page = await browser.newPage();
    await page.setRequestInterception(true);
    page.on('request', (request) =>
      (request.url().endsWith(file) ? request.abort() : request.continue()));
    const state = await loadPage(page, url);
    // Shown in the window, where the picture would be, and the empty canvas gone.
    const message = await page.$eval('#message', (m) => {
      const box = m.getBoundingClientRect();
      const inView = box.height > 0 && box.bottom <= window.innerHeight;
      const canvasGone = !document.getElementById('screen').checkVisibility();
      return m.checkVisibility() && inView && canvasGone ? m.textContent : '';
    });
    check(state === 'failed' && message.includes(words) && message.includes(file),
      `without ${file} the page says so: "${message}"`);
    await page.close();
  }
}

async function main() {
  if (!existsSync(CHROMIUM)) skip(`${CHROMIUM} is missing (scripts/deps.sh --web installs it)`);
  let puppeteer;
  try {
    puppeteer = (await import('puppeteer-core')).default;
  } catch {
    skip('puppeteer-core is missing (npm ci, run by scripts/deps.sh --web, installs it)');
  }
  for (const name of ['site', 'snapshot', 'check', 'data']) {
    if (!options[name]) throw new Error(`--${name} is required`);
  }
  if (!existsSync(join(options.site, 'walkers.wasm'))) skip(`no page built in ${options.site}`);

  const scratch = mkdtempSync(join(tmpdir(), 'walkers-browser-'));
  const { server, url } = await startServer(options.site);
  let browser;
  try {
    browser = await puppeteer.launch({
      executablePath: CHROMIUM,
      headless: true,
      userDataDir: join(scratch, 'profile'),
      args: CHROMIUM_FLAGS,
      timeout: WAIT_MS,
    });
    const page = await browser.newPage();
    page.setDefaultTimeout(WAIT_MS);
    page.on('pageerror', (error) => console.log(`page error: ${error.message}`));
    const reference = snapshotRun(FRAMES, CLICKS, scratch);
    await checkDeterminismHook(page, url, reference);
    await checkPicture(page, url, reference);
    await checkScaling(page, url);
    await checkInteraction(page, url, scratch);
    await checkPickedFolder(page, url, scratch);
    await checkDroppedBrokenFolder(page, scratch);
    await checkLoadFailures(browser, url);
  } finally {
    if (browser) await browser.close();
    server.kill();
    rmSync(scratch, { recursive: true, force: true });
  }
  console.log(`${passes} passed, ${failures} failed`);
  process.exit(failures === 0 ? 0 : 1);
}

main().catch((error) => {
  console.log(`FAIL: ${error.stack || error}`);
  process.exit(1);
});
