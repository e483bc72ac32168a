// Opens the browser edition's page as a user does, from file:// in Debian's headless Chromium,
// and checks that it plays: the demo's title and the start screen; on a key, the run, a running
// audio context and the flag on the canvas (the middle of the top pixel row all reds, of the
// bottom row all greens); no complaint in the console. The browser comes from tests/web.
// Usage: node open_page.mjs PAGE TITLE
import assert from 'node:assert/strict';
import { pathToFileURL } from 'node:url';

import { launchBrowser, openPage, until } from '../web/browser.mjs';

const [pagePath, title] = process.argv.slice(2);
assert.ok(title, 'usage: node open_page.mjs PAGE TITLE');

// The middle half of the top pixel row holds only reds, of the bottom row only greens.
function flagShown() {
  const canvas = document.getElementById('picture');
  const copy = document.createElement('canvas');
  copy.width = canvas.width;
  copy.height = canvas.height;
  const context = copy.getContext('2d', { willReadFrequently: true });
  context.drawImage(canvas, 0, 0);
  const only = (y, test) => {
    const { data } = context.getImageData(canvas.width / 4, y, canvas.width / 2, 1);
    return data.every((_, i) => i % 4 !== 0 || test(data[i], data[i + 1], data[i + 2]));
  };
  return only(0, (r, g, b) => r > 0 && g === 0 && b === 0) &&
    only(canvas.height - 1, (r, g, b) => r === 0 && g > 0 && b === 0);
}

const browser = await launchBrowser();
try {
  const { page, seen } = await openPage(browser, pathToFileURL(pagePath).href);
  assert.equal(await page.title(), title);
  await page.keyboard.press('x');
  await until(page, () => document.body.dataset.state === 'running' &&
              window.__audioContexts.some((context) => context.state === 'running'),
              'the run with its sound');
  await until(page, flagShown, 'the flag on the canvas');
  assert.deepEqual(seen.complaints, []);
} finally {
  await browser.close();
}
