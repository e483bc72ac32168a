// Opens the browser edition's page as a user does, from file:// in Debian's headless Chromium,
// and checks that it plays: the demo's title and the start screen; on a key, the run, a running
// audio context and the flag on the canvas (the middle of the top pixel row all reds, of the
// bottom row all greens); no complaint in the console. Playwright comes from tests/web.
// Usage: node open_page.mjs PAGE CHROMIUM TITLE
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import { pathToFileURL } from 'node:url';

const require = createRequire(new URL('../web/package.json', import.meta.url));
const { chromium } = require('playwright-core');
const [pagePath, chromiumPath, title] = process.argv.slice(2);
assert.ok(title, 'usage: node open_page.mjs PAGE CHROMIUM TITLE');

// The colours of one pixel row's middle half, as "r,g,b" strings without repeats.
function rowColours(y) {
  const canvas = document.getElementById('picture');
  const copy = document.createElement('canvas');
  copy.width = canvas.width;
  copy.height = canvas.height;
  const context = copy.getContext('2d');
  context.drawImage(canvas, 0, 0);
  const { data } = context.getImageData(canvas.width / 4, y, canvas.width / 2, 1);
  const colours = new Set();
  for (let i = 0; i < data.length; i += 4) {
    colours.add(`${data[i]},${data[i + 1]},${data[i + 2]}`);
  }
  return [...colours];
}
const only = (colours, test) => colours.every((colour) => test(colour.split(',').map(Number)));

const browser = await chromium.launch({ executablePath: chromiumPath, args: ['--no-sandbox'] });
try {
  const page = await browser.newPage();
  const complaints = [];
  page.on('console', (message) => {
    if (message.type() === 'error' || message.type() === 'warning') {
      complaints.push(message.text());
    }
  });
  page.on('pageerror', (error) => complaints.push(error.message));
  await page.addInitScript(() => {
    window.contexts = [];
    window.AudioContext = class extends window.AudioContext {
      constructor(...args) {
        super(...args);
        window.contexts.push(this);
      }
    };
  });
  await page.goto(pathToFileURL(pagePath).href);
  assert.equal(await page.title(), title);
  await page.waitForFunction(() => document.body.dataset.state === 'ready');
  await page.keyboard.press('x');
  await page.waitForFunction(() => document.body.dataset.state === 'running' &&
                             window.contexts.some((context) => context.state === 'running'));
  const flagShown = async () => {
    const top = await page.evaluate(rowColours, 0);
    const bottom = await page.evaluate(rowColours, 399);
    return only(top, ([r, g, b]) => r > 0 && g === 0 && b === 0) &&
      only(bottom, ([r, g, b]) => r === 0 && g > 0 && b === 0);
  };
  let attempts = 0;
  while (!(await flagShown())) {
    assert.ok(++attempts < 100, 'the canvas never showed the flag');
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  assert.deepEqual(complaints, []);
} finally {
  await browser.close();
}
