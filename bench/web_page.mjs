// SPDX-License-Identifier: MIT
// Measures the browser's page in headless Chromium: the bytes it loads (gzip-compressed, as a
// server that compresses would send them), the time from navigation to the title painted on a
// cold cache beside a page that only paints a 600x400 canvas, and key to changed canvas.
// Usage: node web_page.mjs SITE_DIR FLOOR_HTML [RUNS]
import { spawn } from 'node:child_process';
import { copyFileSync, readFileSync } from 'node:fs';
import path from 'node:path';
import { gzipSync } from 'node:zlib';
import puppeteer from 'puppeteer-core';

const [site, floor, runsText] = process.argv.slice(2);
const runs = Number(runsText || 9);
copyFileSync(floor, path.join(site, 'floor.html'));

function serve() {
  return new Promise((resolve, reject) => {
    // The site as tools/serve-web.sh serves it (ENCLOVA_SITE_SERVER), or as files alone.
    const args = process.env.ENCLOVA_SITE_SERVER ? [process.env.ENCLOVA_SITE_SERVER, site, '0']
      : ['-m', 'http.server', '--bind', '127.0.0.1', '0'];
    const server = spawn('python3', ['-u', ...args], {
      cwd: site,
      stdio: ['ignore', 'pipe', 'ignore'],
    });
    server.stdout.on('data', (chunk) => {
      const m = /port (\d+)/.exec(String(chunk));
      if (m) resolve({ server, url: `http://127.0.0.1:${m[1]}/` });
    });
    server.on('exit', () => reject(new Error('the server ended')));
  });
}

const median = (xs) => {
  const s = [...xs].sort((a, b) => a - b);
  return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};

async function coldStart(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setCacheEnabled(false);
  const loaded = [];
  page.on('response', (r) => loaded.push(new URL(r.url()).pathname));
  await page.goto(url);
  await page.evaluate(() => window.enclova.ready);
  const ms = await page.evaluate(() => window.enclova.stats.titlePainted);
  await context.close();
  return { ms, loaded };
}

const { server, url } = await serve();
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu'],
});
try {
  const game = [];
  const blank = [];
  let loaded = [];
  for (let i = 0; i < runs; i++) {
    const g = await coldStart(browser, url);
    game.push(g.ms);
    loaded = g.loaded;
    blank.push((await coldStart(browser, url + 'floor.html')).ms);
  }
  let raw = 0;
  let gz = 0;
  const files = [...new Set(loaded)].filter((p) => !p.endsWith('/floor.html'));
  for (const p of files) {
    const file = path.join(site, p === '/' ? 'index.html' : p.slice(1));
    const bytes = readFileSync(file);
    raw += bytes.length;
    gz += gzipSync(bytes, { level: 9 }).length;
  }
  console.log(`loaded on a cold start: ${files.length} files, ${(raw / 1024).toFixed(0)} KiB, ` +
    `${(gz / 1024).toFixed(0)} KiB gzip (${files.join(' ')})`);
  console.log(`navigation to the title painted: median ${median(game).toFixed(0)} ms ` +
    `(${Math.min(...game).toFixed(0)}-${Math.max(...game).toFixed(0)}), ${runs} cold runs`);
  console.log(`navigation to a blank 600x400 canvas painted: median ${median(blank).toFixed(0)} ms ` +
    `(${Math.min(...blank).toFixed(0)}-${Math.max(...blank).toFixed(0)})`);

  // Key to changed canvas: the level on the title, right and left again.
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.evaluateOnNewDocument(() => {
    window.addEventListener('keydown', (e) => { window.keyAt = e.timeStamp; }, true);
  });
  await page.goto(url);
  await page.evaluate(() => window.enclova.ready);
  const delays = [];
  await page.bringToFront();
  await page.waitForFunction(() => window.enclova.idle());  // the title's first tick
  for (let i = 0; i < 40; i++) {
    await page.keyboard.press(i % 2 ? 'ArrowLeft' : 'ArrowRight');
    // The key's whole effect: its call and the ticks it asked for, until the title waits again.
    await page.waitForFunction(() => window.enclova.idle());
    delays.push(await page.evaluate(() => window.enclova.stats.lastPresent - window.keyAt));
  }
  console.log(`key to its last changed canvas: median ${median(delays).toFixed(2)} ms ` +
    `(max ${Math.max(...delays).toFixed(2)}), 40 level changes on the title`);
  await context.close();
} finally {
  await browser.close();
  server.kill();
}
