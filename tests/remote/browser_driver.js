'use strict';
// Drives headless Chromium over its DevTools pipe (no libraries needed): opens each URL in a tab
// of one browser, waits until each page satisfies its condition, prints what each page shows as
// one line of JSON (in the order given), and saves a screenshot of each.
// usage: node browser_driver.js CHROMIUM SECONDS URL UNTIL_JS SCREENSHOT.png [URL UNTIL_JS SHOT]...
// UNTIL_JS is an expression evaluated in the page; the driver waits until it is true. Given up,
// it says which page it waited for, for what, and what that page showed.
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [chromium, seconds, ...rest] = process.argv.slice(2);
const pages = [];
for (let i = 0; i + 2 < rest.length; i += 3)
  pages.push({ url: rest[i], until: rest[i + 1], screenshot: rest[i + 2], done: false });
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'fluxprobe-chromium-'));
const browser = spawn(chromium, [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--disable-extensions', '--disable-background-timer-throttling',
  '--disable-renderer-backgrounding', '--disable-backgrounding-occluded-windows',
  '--remote-debugging-pipe', `--user-data-dir=${profile}`, 'about:blank',
], { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
const toBrowser = browser.stdio[3];
const fromBrowser = browser.stdio[4];

let nextId = 1;
const waiting = new Map();
let pending = Buffer.alloc(0);
fromBrowser.on('data', (chunk) => {
  pending = Buffer.concat([pending, chunk]);
  let end;
  while ((end = pending.indexOf(0)) >= 0) {
    const message = JSON.parse(pending.subarray(0, end).toString('utf8'));
    pending = pending.subarray(end + 1);
    const done = waiting.get(message.id);
    if (!done) continue;
    waiting.delete(message.id);
    if (message.error) done.reject(new Error(JSON.stringify(message.error)));
    else done.resolve(message.result);
  }
});

function send(method, params = {}, sessionId) {
  const id = nextId++;
  const message = { id, method, params };
  if (sessionId) message.sessionId = sessionId;
  toBrowser.write(JSON.stringify(message) + '\0');
  return new Promise((resolve, reject) => waiting.set(id, { resolve, reject }));
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

function finish(status, text) {
  if (text) (status === 0 ? process.stdout : process.stderr).write(text + '\n');
  const done = () => {
    try { fs.rmSync(profile, { recursive: true, force: true, maxRetries: 5 }); } catch (e) { /* a leftover temporary folder is no failure */ }
    process.exit(status);
  };
  if (browser.exitCode !== null || browser.signalCode !== null) done();
  browser.once('exit', done);
  setTimeout(done, 3000).unref();
  browser.kill('SIGKILL');
}

const showing = `(() => {
    const text = (id) => document.getElementById(id).textContent;
    return { total: text('total'), x: text('x'), y: text('y'), z: text('z'),
             magnetic: text('magnetic'), magneticPoint: text('magneticPoint'),
             true: document.getElementById('trueRow').hidden ? null : text('true'),
             truePoint: text('truePoint'), alarm: !document.getElementById('alarm').hidden,
             status: text('status'), samples: Number(document.body.dataset.samples || 0),
             signal: document.body.dataset.signal || '', title: document.title,
             marks: text('marks'), acRms: text('acRms'), acHz: text('acHz'),
             opacity: Number(getComputedStyle(document.querySelector('main')).opacity) };
  })()`;

setTimeout(async () => {
  const lines = [];
  for (const page of pages) {
    if (page.done) continue;
    let shown = 'nothing (the page did not answer)';
    try {
      if (page.evaluate) shown = JSON.stringify(await Promise.race([page.evaluate(showing), sleep(2000)]));
    } catch (e) { shown = `nothing (${e.message})`; }
    lines.push(`browser_driver: gave up after ${seconds} s waiting on ${page.url} for ${page.until}; ` +
               `the page showed ${shown}`);
  }
  finish(1, lines.join('\n'));
}, Number(seconds) * 1000);

async function follow(page) {
  // A window each, every one shown and painting as if in front.
  const { targetId } = await send('Target.createTarget', { url: 'about:blank', newWindow: true });
  const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
  await send('Emulation.setDeviceMetricsOverride',
    { width: 1000, height: 620, deviceScaleFactor: 1, mobile: false }, sessionId);
  await send('Emulation.setFocusEmulationEnabled', { enabled: true }, sessionId);
  page.evaluate = async (expression) => (await send('Runtime.evaluate',
    { expression, returnByValue: true }, sessionId)).result.value;
  await send('Page.navigate', { url: page.url }, sessionId);
  for (;;) {
    if (await page.evaluate(`(() => { try { return !!(${page.until}); } catch (e) { return false; } })()`))
      break;
    await sleep(100);
  }
  page.shown = await page.evaluate(showing);
  if (page.screenshot) {
    await sleep(300);
    const { data } = await send('Page.captureScreenshot', { format: 'png' }, sessionId);
    fs.writeFileSync(page.screenshot, Buffer.from(data, 'base64'));
  }
  page.done = true;
}

// Every page at once: one browser start, and the slowest page sets the time.
Promise.all(pages.map(follow))
  .then(() => finish(0, pages.map((p) => JSON.stringify(p.shown)).join('\n')))
  .catch((e) => finish(1, `browser_driver: ${e.message}`));
