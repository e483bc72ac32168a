// Debian's headless Chromium as the browser tests, the package test and the benchmark open the
// browser edition: the system's `chromium` driven by Playwright (no browser is downloaded), each
// page in a context of its own, every console error or warning, uncaught exception and request
// of the page kept, every audio context it makes listed in window.__audioContexts, and on
// request the page's clock under the caller's control.
import { execFileSync } from 'node:child_process';

import { chromium } from 'playwright-core';

// With the caller's clock, the page's clock stands still here from the start screen on.
export const GESTURE_AT = 100000;

function chromiumPath() {
  try {
    return execFileSync('sh', ['-c', 'command -v chromium'], { encoding: 'utf8' }).trim();
  } catch {
    throw new Error('chromium is not installed: no chromium on PATH');
  }
}

export const launchBrowser = () =>
  chromium.launch({ executablePath: chromiumPath(), args: ['--no-sandbox'] });

// Polls a condition in the page (its own timers may be frozen) until it holds.
export async function until(page, condition, what, argument = null, attempts = 500) {
  for (let attempt = 0; attempt < attempts; attempt += 1) {
    if (await page.evaluate(condition, argument)) {
      return;
    }
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
  throw new Error(`the page never reached: ${what}`);
}

function listAudioContexts() {
  window.__audioContexts = [];
  window.AudioContext = class extends window.AudioContext {
    constructor(...args) {
      super(...args);
      window.__audioContexts.push(this);
    }
  };
}

// The page at `url` on its start screen, in Playwright's 1280x720 viewport unless given another
// (the page scales the picture by whole factors to the room it has). With testClock its clock
// starts at 0 and then stands still at GESTURE_AT until the caller moves it. beforeLoad(page)
// runs before the page loads: routes, and scripts to run before the page's own (after the
// clock's).
export async function openPage(browser, url, options = {}) {
  const { testClock = false, viewport, beforeLoad } = options;
  const context = await browser.newContext({ viewport });
  const page = await context.newPage();
  const seen = { url, complaints: [], requests: [] };
  page.on('console', (message) => {
    if (message.type() === 'error' || message.type() === 'warning') {
      seen.complaints.push(`${message.type()}: ${message.text()}`);
    }
  });
  page.on('pageerror', (error) => seen.complaints.push(`uncaught: ${error.message}`));
  page.on('request', (request) => seen.requests.push(request.url()));
  if (testClock) {
    await page.clock.install({ time: 0 });
  }
  await page.addInitScript(listAudioContexts);
  await beforeLoad?.(page);
  await page.goto(url);
  await until(page, () => document.body.dataset.state === 'ready', 'the start screen');
  if (testClock) {
    await page.clock.pauseAt(GESTURE_AT);
  }
  return { page, context, seen };
}
