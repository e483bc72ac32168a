// The browser edition in Debian's headless Chromium, driven by Playwright with the page's clock
// under the test's control (and once on the browser's own). What the page should show comes from
// elsewhere: the pictures from floodvalley-frames' PNG export of the same timeline at the
// browser's flood pace (the frames' times as the page's clock gave them), the track's length
// from a raw render of the soundtrack, the title from the demo's header.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { PNG } from 'pngjs';

import { GESTURE_AT, launchBrowser, openPage, until } from './browser.mjs';

function fromEnvironment(name) {
  const value = process.env[name];
  assert.ok(value, `${name} is not set: run tests/web/test_browser_edition.py`);
  return value;
}

const SITE_URL = fromEnvironment('FLOODVALLEY_SITE_URL');
const SINGLE_FILE_URL = pathToFileURL(fromEnvironment('FLOODVALLEY_SINGLE_FILE')).href;
const FRAMES_TOOL = fromEnvironment('FLOODVALLEY_FRAMES');
const SOUNDTRACK_TOOL = fromEnvironment('FLOODVALLEY_SOUNDTRACK');
const TITLE = readFileSync(new URL('../../scene/demo_identity.hpp', import.meta.url), 'utf8')
  .match(/DEMO_TITLE = "([^"]+)"/)[1];

// Moments of the run to compare, as elapsed milliseconds: the frame shown is the last one at
// or before that time.
const MOMENTS = [
  ['band phase', 5000],
  ['flood under way', 12600],
  ['first caption, mid-flood', 13500],
  ['first caption, second window', 20000],
  ['first caption, third window', 40000],
  ['second caption', 50500],
  ['third caption', 52500],
  ['signature', 63000],
  ['after the signature', 70000],
];

// The track's length in sample frames, from the same renderer's raw output (16-bit stereo).
function trackFrames() {
  const dir = mkdtempSync(join(tmpdir(), 'floodvalley-track-'));
  try {
    execFileSync(SOUNDTRACK_TOOL, ['--raw', join(dir, 'track.raw')]);
    return readFileSync(join(dir, 'track.raw')).length / 4;
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

// The PNG export's picture of the last of these frames, rendered from the initial state.
function exportedPicture(elapsedMs) {
  const dir = mkdtempSync(join(tmpdir(), 'floodvalley-frames-'));
  try {
    const last = elapsedMs.length - 1;
    const every = String(Math.max(last, 1));  // writes frame 0 and the last one
    execFileSync(FRAMES_TOOL, ['--format', 'png', '--out', dir, '--every', every,
                               '--flood-pace', 'browser'],
                 { input: `${elapsedMs.join('\n')}\n` });
    return PNG.sync.read(readFileSync(join(dir, `frame-${String(last).padStart(5, '0')}.png`)));
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

// Runs in the page before its own script: records the origin of every run (the page's first
// clock reading after a gesture on the start or end screen), the clock reading of every frame
// put on the canvas, and every sound started (the audio contexts are openPage's). The test's
// clock steps in whole milliseconds; a real one has fractions, so there it gets some (0, 1/4 or
// 1/2 ms by turns), and a frame's elapsed time must be rounded down to count.
function probePage({ fractions }) {
  const probe = { origins: [], frames: [], sources: [] };
  window.__probe = probe;
  const now = performance.now.bind(performance);
  let lastReading = null;
  let originDue = false;
  performance.now = () => {
    const time = now();
    lastReading = fractions ? time + (time % 3) / 4 : time;
    if (originDue) {
      probe.origins.push(lastReading);
      originDue = false;
    }
    return lastReading;
  };
  for (const type of ['keydown', 'click']) {
    window.addEventListener(type, () => {
      originDue ||= document.body.dataset.state !== 'running';
    }, true);
  }
  const putImageData = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (...args) {
    probe.frames.push(lastReading);
    return putImageData.apply(this, args);
  };
  const start = AudioBufferSourceNode.prototype.start;
  AudioBufferSourceNode.prototype.start = function (...args) {
    probe.sources.push(this);
    return start.apply(this, args);
  };
}

let browser;
let expectedTrackFrames;

before(async () => {
  browser = await launchBrowser();
  expectedTrackFrames = trackFrames();
});

after(async () => {
  await browser?.close();
});

// The page on the start screen, its clock standing still at GESTURE_AT (or on the browser's
// own clock, running).
const openTestPage = (url, { trackRoute = null, ownClock = false } = {}) =>
  openPage(browser, url, {
    testClock: !ownClock,
    viewport: { width: 1400, height: 900 },
    beforeLoad: async (page) => {
      if (trackRoute !== null) {
        await page.route('**/TEVDRONE.MP3', trackRoute);
      }
      await page.addInitScript(probePage, { fractions: !ownClock });
    },
  });

// Nothing left the page and nothing was complained about but what the test expects.
async function closePage({ context, seen }, expectedComplaint = null) {
  await context.close();
  assert.deepEqual(seen.complaints.filter((text) => !expectedComplaint?.test(text)), []);
  const own = seen.url.startsWith('file:') ? [seen.url] : [];
  for (const url of seen.requests) {
    const allowed = own.includes(url) || url.startsWith('data:') ||
      (!seen.url.startsWith('file:') && new URL(url).origin === new URL(seen.url).origin);
    assert.ok(allowed, `request to another origin: ${url}`);
  }
}

const pageState = (page) => page.evaluate(() => document.body.dataset.state);

// The latest run's frames so far, as whole elapsed milliseconds.
function elapsedOfRun({ origins, frames }) {
  const origin = origins.at(-1);
  return frames.filter((time) => time >= origin).map((time) => Math.floor(time - origin));
}

const runFrames = async (page) => elapsedOfRun(await page.evaluate(() => window.__probe));

// Moves the page's clock on to `elapsedMs` after the latest run's origin.
async function playTo(page, elapsedMs) {
  const { now, origin } = await page.evaluate(() => ({
    now: performance.now(), origin: window.__probe.origins.at(-1),
  }));
  if (origin + elapsedMs > now) {
    await page.clock.runFor(origin + elapsedMs - now);
  }
}

// The canvas's pixels and the run's frames so far, taken together between two frames.
async function canvasAndFrames(page) {
  const { encoded, probe } = await page.evaluate(() => {
    // Read through a copy, so that the page's own canvas is never read back.
    const canvas = document.getElementById('picture');
    const copy = document.createElement('canvas');
    copy.width = canvas.width;
    copy.height = canvas.height;
    const copyContext = copy.getContext('2d', { willReadFrequently: true });
    copyContext.drawImage(canvas, 0, 0);
    const { data } = copyContext.getImageData(0, 0, canvas.width, canvas.height);
    let text = '';
    for (let i = 0; i < data.length; i += 0x8000) {
      text += String.fromCharCode(...data.subarray(i, i + 0x8000));
    }
    const { origins, frames } = window.__probe;
    return { encoded: btoa(text), probe: { origins, frames } };
  });
  return { pixels: Buffer.from(encoded, 'base64'), elapsedMs: elapsedOfRun(probe) };
}

// The canvas showed exactly the export's picture of the run so far.
function assertIsExport({ pixels: actual, elapsedMs }, label) {
  const expected = exportedPicture(elapsedMs);
  assert.equal(actual.length, expected.data.length, `${label}: canvas size`);
  const differs = actual.findIndex((byte, i) => byte !== expected.data[i]);
  if (differs >= 0) {
    const pixel = Math.floor(differs / 4);
    assert.fail(`${label} (frame ${elapsedMs.length - 1} at ${elapsedMs.at(-1)} ms): pixel ` +
                `(${pixel % expected.width}, ${Math.floor(pixel / expected.width)}) is ` +
                `${actual.subarray(pixel * 4, pixel * 4 + 4).join(',')}, the export has ` +
                `${expected.data.subarray(pixel * 4, pixel * 4 + 4).join(',')}`);
  }
}

const assertShowsExport = async (page, label) => assertIsExport(await canvasAndFrames(page), label);

// The flooded flag: white over rows 0 to 24, red below. A cell's class is the set of colours
// its 8x8 block holds (a glyph's ink and its ground); black cells are a caption's strokes.
const CELL_CLASSES = {
  white: ['ffffff', 'c0c0c0'], red: ['ff0000', '800000'], caption: ['000000'],
};

function cellClass(pixels, width, column, row) {
  const colours = new Set();
  for (let y = row * 8; y < row * 8 + 8; y += 1) {
    for (let x = column * 8; x < column * 8 + 8; x += 1) {
      colours.add(pixels.subarray((y * width + x) * 4, (y * width + x) * 4 + 3).toString('hex'));
    }
  }
  const [name] = Object.entries(CELL_CLASSES)
    .find(([, allowed]) => [...colours].every((colour) => allowed.includes(colour))) ?? [];
  return name ?? [...colours].join('+');
}

function assertFloodComplete(pixels) {
  let captionCells = 0;
  for (let row = 0; row < 50; row += 1) {
    const expected = row < 25 ? 'white' : 'red';
    for (let column = 0; column < 80; column += 1) {
      const found = cellClass(pixels, 640, column, row);
      captionCells += found === 'caption' ? 1 : 0;
      assert.ok(found === expected || found === 'caption',
                `cell (${column}, ${row}) is ${found}, not ${expected}: the flood is not complete`);
    }
  }
  assert.ok(captionCells < 400, `${captionCells} black cells are more than a caption`);
}

// Every audio context made so far, and the length of the sound each one plays.
const audioState = (page) => page.evaluate(() => ({
  contexts: window.__audioContexts.map((context) => context.state),
  trackFrames: window.__probe.sources.map((source) => source.buffer.length),
  trackRate: window.__probe.sources.map((source) => source.buffer.sampleRate),
}));

async function assertSoundStarted(page, contexts) {
  await until(page, (count) => window.__audioContexts.length === count &&
    window.__audioContexts.at(-1).state === 'running', 'a running audio context', contexts);
  const audio = await audioState(page);
  assert.equal(audio.trackRate.at(-1), 44100);
  // Decoders may keep or drop part of the MP3's last frame (1152 samples).
  const played = audio.trackFrames.at(-1);
  assert.ok(Math.abs(played - expectedTrackFrames) <= 1152,
            `played ${played} sample frames, the track has ${expectedTrackFrames}`);
}

// The run is over: the end screen, the sound closed, and no frame comes after.
async function assertEnded(page) {
  assert.equal(await pageState(page), 'ended');
  await until(page, () => window.__audioContexts.every((c) => c.state === 'closed'),
              'the sound closed');
  const frames = (await runFrames(page)).length;
  await page.clock.runFor(1000);
  assert.equal((await runFrames(page)).length, frames, 'frames after the end');
}

describe('the browser edition', () => {
  test('a whole run: the pictures of the PNG export, sound from the gesture, the end at 75 s',
       async () => {
    const opened = await openTestPage(SITE_URL);
    const { page } = opened;
    assert.equal(await page.title(), TITLE);
    await page.clock.runFor(5000);  // waiting on the start screen starts nothing
    assert.deepEqual(await audioState(page), { contexts: [], trackFrames: [], trackRate: [] });
    assert.deepEqual(await runFrames(page), []);

    await page.keyboard.press('Space');
    await assertSoundStarted(page, 1);
    for (const [label, elapsedMs] of MOMENTS) {
      await playTo(page, elapsedMs);
      await assertShowsExport(page, label);
    }
    await playTo(page, 75100);
    const elapsedMs = await runFrames(page);
    assert.ok(elapsedMs.at(-1) >= 75000 && elapsedMs.at(-2) < 75000,
              `the last frames were at ${elapsedMs.slice(-2)} ms`);
    await assertShowsExport(page, 'last frame');
    await assertEnded(page);
    await closePage(opened);
  });

  test('a key ends the run and its sound; a click plays again from the initial state', async () => {
    const opened = await openTestPage(SITE_URL);
    const { page } = opened;
    await page.keyboard.press('Enter');
    await playTo(page, 30000);
    await page.keyboard.press('q');
    await assertEnded(page);

    await page.mouse.click(700, 400);
    assert.equal(await pageState(page), 'running');
    await assertSoundStarted(page, 2);
    await playTo(page, 13500);
    await assertShowsExport(page, 'second run, mid-flood');
    await closePage(opened);
  });

  test('a key before the first animation frame ends the run after that frame', async () => {
    const opened = await openTestPage(SITE_URL);
    const { page } = opened;
    await page.keyboard.press('Enter');
    await page.keyboard.press('q');  // the clock stands still: no animation frame came between
    assert.deepEqual(await runFrames(page), [0]);
    await assertShowsExport(page, 'the only frame');
    await assertEnded(page);
    await closePage(opened);
  });

  // A frame every 16.7 ms reads whole milliseconds of only three remainders by 5, which need
  // not include 1; the flood still takes a step on every frame from 12 s on. A loaded machine
  // shows fewer frames a second, each a step all the same, so the test waits for frames.
  test('on the browser\'s own clock the flood is complete 55 frames after 12 s', async () => {
    const opened = await openTestPage(SITE_URL, { ownClock: true });
    const { page } = opened;
    await page.keyboard.press('Enter');
    await until(page, (count) => {
      const { origins, frames } = window.__probe;
      return frames.filter((time) => time - origins.at(-1) >= 12000).length >= count;
    }, '55 frames from 12 s on', 55, 6000);
    const shown = await canvasAndFrames(page);
    assertFloodComplete(shown.pixels);
    assertIsExport(shown, 'own clock, flood complete');
    await closePage(opened);
  });

  test('the single file plays from file://, picture and sound', async () => {
    const opened = await openTestPage(SINGLE_FILE_URL);
    const { page } = opened;
    assert.equal(await page.title(), TITLE);
    await page.keyboard.press('x');
    await assertSoundStarted(page, 1);
    await playTo(page, 13500);
    await assertShowsExport(page, 'single file, mid-flood');
    await closePage(opened);
  });

  // The browser itself logs the failed load of a missing file; nothing else may appear.
  const unplayableTracks = [
    ['missing', (route) => route.fulfill({ status: 404, body: 'not found' }), /missing/,
     /^error: Failed to load resource: .* 404 /],
    ['not an MP3', (route) => route.fulfill({ status: 200, body: 'ID3 but no audio' }),
     /cannot be decoded/, null],
  ];
  for (const [label, trackRoute, noteText, browserComplaint] of unplayableTracks) {
    test(`a soundtrack that is ${label}: a silent run, a note below the picture, the same pictures`,
         async () => {
      const opened = await openTestPage(SITE_URL, { trackRoute });
      const { page } = opened;
      const note = page.locator('#note');
      assert.match(await note.textContent(), noteText);
      const noteBox = await note.boundingBox();
      const pictureBox = await page.locator('#picture').boundingBox();
      assert.ok(noteBox.y >= pictureBox.y + pictureBox.height, 'the note is below the picture');

      await page.keyboard.press('x');
      await playTo(page, 13500);
      assert.deepEqual((await audioState(page)).contexts, []);
      await assertShowsExport(page, `${label} track, mid-flood`);
      await closePage(opened, browserComplaint);
    });
  }
});
