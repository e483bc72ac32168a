// The browser edition's figures, measured inside the page in Debian's headless Chromium: the
// time each animation frame takes (reading the clock, the frame computed and drawn to pixels
// in WebAssembly, the pixels put on the canvas) over 1000 frames of a run, and the time from
// the gesture to the end of the first frame over several runs. Run by bench/run-web-bench,
// which serves the site; --screenshot FILE also saves the page at 15 s into a run.
//
// Usage: node bench/web_bench.mjs SITE_URL [--screenshot FILE]
import { launchBrowser, openPage, until } from '../tests/web/browser.mjs';

const FRAMES = 1000;
const STARTS = 10;

// Installed before the page's script: wraps every animation frame callback and the gestures
// with the page's own clock.
function measureInPage() {
  const measured = { frameMs: [], firstFrames: [] };
  window.__measured = measured;
  let startedAt = null;  // the gesture that started the run, until its first frame is drawn
  window.addEventListener('keydown', () => {
    if (document.body.dataset.state !== 'running') {
      startedAt = performance.now();
    }
  }, true);
  const requestFrame = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) => requestFrame((timestamp) => {
    const start = performance.now();
    callback(timestamp);
    const end = performance.now();
    measured.frameMs.push(end - start);
    if (startedAt !== null) {
      measured.firstFrames.push(end - startedAt);
      startedAt = null;
    }
  });
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 === 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

const ms = (value) => `${value.toFixed(3)} ms`;

// Frames come at the display's rate: up to a minute for the thousand.
const ATTEMPTS = 3000;

async function measure(browser, url) {
  const { page, context } = await openPage(browser, url, {
    beforeLoad: (page) => page.addInitScript(measureInPage),
  });
  await page.keyboard.press('Space');
  await until(page, (count) => window.__measured.frameMs.length >= count, `${FRAMES} frames`,
              FRAMES, ATTEMPTS);
  await page.keyboard.press('Space');  // ends the run
  const frameMs = (await page.evaluate(() => window.__measured.frameMs)).slice(0, FRAMES);

  for (let start = 1; start < STARTS; start += 1) {
    await page.keyboard.press('Space');
    await until(page, (count) => window.__measured.firstFrames.length >= count,
                `first frame of run ${start + 1}`, start + 1, ATTEMPTS);
    await page.keyboard.press('Space');
  }
  const firstFrames = await page.evaluate(() => window.__measured.firstFrames);
  await context.close();

  const mean = frameMs.reduce((sum, value) => sum + value, 0) / frameMs.length;
  console.log(`frame (clock, compute, draw), ${frameMs.length} frames: ` +
              `median ${ms(median(frameMs))}, mean ${ms(mean)}, ` +
              `slowest ${ms(Math.max(...frameMs))}`);
  console.log(`gesture to first frame drawn, ${firstFrames.length} runs: ` +
              `first ${ms(firstFrames[0])}, median ${ms(median(firstFrames))}, ` +
              `slowest ${ms(Math.max(...firstFrames))}`);
}

// The page at a fixed moment, under a clock the script controls: the same picture every time.
async function screenshot(browser, url, file) {
  const { page, context } = await openPage(browser, url, {
    testClock: true, viewport: { width: 1400, height: 880 },
  });
  await page.keyboard.press('Space');
  await page.clock.runFor(15000);
  await page.screenshot({ path: file });
  await context.close();
  console.log(`screenshot at 15 s: ${file}`);
}

const [url, option, file] = process.argv.slice(2);
if (!url || (option !== undefined && (option !== '--screenshot' || !file))) {
  console.error('usage: node bench/web_bench.mjs SITE_URL [--screenshot FILE]');
  process.exit(2);
}
const browser = await launchBrowser();
try {
  await measure(browser, url);
  if (option === '--screenshot') {
    await screenshot(browser, url, file);
  }
} finally {
  await browser.close();
}
