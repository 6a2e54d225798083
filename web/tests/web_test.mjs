// SPDX-License-Identifier: MIT
// The page's tests in headless Chromium: the title as the Linux build draws it, a round played
// with keys to its ranking, every golden replay played back in the page, the ranking across a
// reload and across two tabs, storage that is full, refused or damaged, and no timer on the idle
// title; on phones and tablets, in portrait and landscape, the touch layout and a round played by
// touch alone; a round played with a gamepad; the page's controls by keyboard alone, the
// canvas's name in the accessibility tree and the contrast of the page's text; and what the
// site's server sends: each file's type, its gzip copy, its cache headers.
// Usage: ENCLOVA_SITE_SERVER=tools/serve_web.py node web_test.mjs SITE_DIR TITLE_BMP REPLAY_DIR
// [SHOTS_DIR]
import { spawn } from 'node:child_process';
import http from 'node:http';
import { mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { gunzipSync } from 'node:zlib';
import puppeteer from 'puppeteer-core';

const [site, titleBmp, replayDir, shotsDir] = process.argv.slice(2);
const siteServer = process.env.ENCLOVA_SITE_SERVER;
if (!site || !titleBmp || !replayDir || !siteServer) {
  console.error('usage: ENCLOVA_SITE_SERVER=tools/serve_web.py node web_test.mjs SITE_DIR TITLE_BMP REPLAY_DIR [SHOTS_DIR]');
  process.exit(2);
}
const chromium = process.env.CHROMIUM || '/usr/bin/chromium';
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

const W = 600;
const H = 400;
const RANKING_KEY = 'enclova/fdata.dat';
const REPLAY_PREFIX = 'enclova/replays/';

// The ranked round of tests/replays/good-ranked-level1.replay: seed 1, level 1, the empty
// ranking. Its keys after the countdown, which lasts about 5 s of the game's clock.
const ROUND_SEED = 1;
const COUNTDOWN_MS = 6500;
const ROUND_KEYS = (() => {
  const lines = readFileSync(path.join(replayDir, 'good-ranked-level1.replay'), 'utf8').split('\n');
  const keys = [];
  for (const line of lines) {
    const m = /^k 0 ([0-9a-f]+)/.exec(line);
    if (m) keys.push(parseInt(m[1], 16));
  }
  // Without the Z that starts the round on the title; the last Z closes the loop.
  return keys.slice(1);
})();
const KEY_NAMES = { 0x25: 'ArrowLeft', 0x26: 'ArrowUp', 0x27: 'ArrowRight', 0x28: 'ArrowDown', 0x5a: 'KeyZ' };

const failures = [];
function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (!ok) failures.push(what);
}

// ---- The server and the browser ----

function serve() {
  return new Promise((resolve, reject) => {
    // The server players get from tools/serve-web.sh, so that the pages tested are the ones
    // it sends, compressed.
    const server = spawn('python3', ['-u', siteServer, site, '0'], {
      cwd: site,
      stdio: ['ignore', 'pipe', 'ignore'],
    });
    let text = '';
    server.stdout.on('data', (chunk) => {
      text += chunk;
      const m = /port (\d+)/.exec(text);
      if (m) resolve({ server, url: `http://127.0.0.1:${m[1]}/` });
    });
    server.on('exit', () => reject(new Error('the server ended: ' + text)));
  });
}

// ---- Pictures ----

// A 24-bit bottom-up BMP as 600x400 RGB.
function readBmp(file) {
  const b = readFileSync(file);
  const offset = b.readUInt32LE(10);
  const width = b.readInt32LE(18);
  const height = b.readInt32LE(22);
  if (width !== W || Math.abs(height) !== H || b.readUInt16LE(28) !== 24) {
    throw new Error(file + ': not a 600x400 24-bit BMP');
  }
  const rgb = Buffer.alloc(W * H * 3);
  const stride = (W * 3 + 3) & ~3;
  for (let y = 0; y < H; y++) {
    const row = offset + (height > 0 ? H - 1 - y : y) * stride;
    for (let x = 0; x < W; x++) {
      rgb[(y * W + x) * 3] = b[row + x * 3 + 2];
      rgb[(y * W + x) * 3 + 1] = b[row + x * 3 + 1];
      rgb[(y * W + x) * 3 + 2] = b[row + x * 3];
    }
  }
  return rgb;
}

// What the visible canvas shows, read back at the picture's own size, and whether every game
// pixel is one whole block of the scale's size in it.
async function shownPicture(page) {
  const result = await page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const n = window.enclova.scale();
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    const rgb = new Uint8Array(600 * 400 * 3);
    let blocks = canvas.width === 600 * n && canvas.height === 400 * n;
    for (let y = 0; y < 400; y++) {
      for (let x = 0; x < 600; x++) {
        const at = ((y * n) * canvas.width + x * n) * 4;
        for (let k = 0; k < 3; k++) rgb[(y * 600 + x) * 3 + k] = data[at + k];
        // The block's far corner too: a smoothed or shifted scale differs there.
        const far = ((y * n + n - 1) * canvas.width + x * n + n - 1) * 4;
        if (data[far] !== data[at] || data[far + 1] !== data[at + 1] || data[far + 2] !== data[at + 2]) {
          blocks = false;
        }
      }
    }
    let s = '';
    for (let i = 0; i < rgb.length; i += 0x8000) s += String.fromCharCode.apply(null, rgb.subarray(i, i + 0x8000));
    return { n, blocks, rgb: btoa(s) };
  });
  return { ...result, rgb: Buffer.from(result.rgb, 'base64') };
}

function differingPixels(a, b) {
  let n = 0;
  for (let i = 0; i < W * H; i++) {
    if (a[i * 3] !== b[i * 3] || a[i * 3 + 1] !== b[i * 3 + 1] || a[i * 3 + 2] !== b[i * 3 + 2]) n++;
  }
  return n;
}

// ---- The page ----

async function open(context, url, query = '', setup = null, viewport = { width: 1300, height: 900 }) {
  const page = await context.newPage();
  await page.setViewport(viewport);
  if (setup) await page.evaluateOnNewDocument(setup);
  page.on('pageerror', (e) => failures.push('page error: ' + e.message));
  await page.goto(url + query);
  await page.evaluate(() => window.enclova.ready);
  // The title's first tick draws its picture again, over a level a key set before it.
  await settled(page);
  // Keys go where the page has its focus: a click below the bar gives it the document.
  await page.mouse.click(4, 60);
  return page;
}

// The key's last tick has run: the title then waits with no timer.
async function settled(page) {
  await page.waitForFunction(() => window.enclova.idle(), { timeout: 5000 });
}

async function playRound(page, shotName = null) {
  await page.keyboard.press('KeyZ');
  await sleep(COUNTDOWN_MS);
  for (const [i, key] of ROUND_KEYS.entries()) {
    await page.keyboard.press(KEY_NAMES[key]);
    await sleep(30);
    if (shotName && i === ROUND_KEYS.length - 8) await shot(page, shotName);
  }
  await sleep(9000); // the result's stages, the save, and the round's end
}

// The stored ranking's entries: twenty times, then twenty levels, negative for an empty entry.
async function storedRanking(page) {
  const text = await page.evaluate((key) => localStorage.getItem(key), RANKING_KEY);
  if (text === null) return null;
  const bytes = Buffer.from(text, 'base64');
  const entries = [];
  for (let i = 0; i < 20 && bytes.length === 160; i++) {
    const level = bytes.readInt32LE(80 + i * 4);
    if (level >= 0) entries.push({ time: bytes.readInt32LE(i * 4), level });
  }
  return { text, size: bytes.length, entries };
}

async function storedReplays(page) {
  return page.evaluate((prefix) => {
    const found = [];
    for (let i = 0; i < localStorage.length; i++) {
      const key = localStorage.key(i);
      if (key.startsWith(prefix)) found.push({ name: key.slice(prefix.length), text: localStorage.getItem(key) });
    }
    return found;
  }, REPLAY_PREFIX);
}

async function errorShown(page) {
  return page.evaluate(() => {
    const box = document.getElementById('error');
    return box.hidden ? null : box.querySelector('.text').textContent;
  });
}

async function shot(page, name) {
  if (!shotsDir) return;
  mkdirSync(shotsDir, { recursive: true });
  await page.bringToFront();
  await page.screenshot({ path: path.join(shotsDir, name) });
}

// ---- The tests ----

async function titleAndIdle(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await open(context, url);
  const expected = readBmp(titleBmp);
  const first = await shownPicture(page);
  check(first.n === 2 && first.blocks, `the title at scale ${first.n}, each pixel an exact block`);
  // The sprite tool's title shows level 3: two steps right from level 1.
  const atLevel1 = differingPixels(first.rgb, expected);
  check(atLevel1 > 0 && atLevel1 < 200, `the title at level 1 differs from it in the level only (${atLevel1})`);
  await page.keyboard.press('ArrowRight');
  await page.keyboard.press('ArrowRight');
  await settled(page);
  const shown = await shownPicture(page);
  const differ = differingPixels(shown.rgb, expected);
  check(shown.blocks && differ === 0, `the title at level 3 on the canvas is the Linux build's (${differ} pixels differ)`);
  await shot(page, 'title-scale2.png');

  // The title waits for a key: no timer runs.
  const before = await page.evaluate(() => window.enclova.stats.timerCallbacks);
  await sleep(3000);
  const after = await page.evaluate(() => window.enclova.stats.timerCallbacks);
  check(after === before, `no timer callback on the idle title over 3 s (${after - before})`);

  // At a device pixel ratio of 3 the scale counts device pixels.
  const dense = await open(context, url, '', null, { width: 700, height: 500, deviceScaleFactor: 3 });
  await dense.bringToFront();
  await dense.keyboard.press('ArrowRight');
  await dense.keyboard.press('ArrowRight');
  await settled(dense);
  const denseShown = await shownPicture(dense);
  check(denseShown.n === 3 && denseShown.blocks && differingPixels(denseShown.rgb, expected) === 0,
    `at devicePixelRatio 3 the title is drawn at scale ${denseShown.n} in exact blocks (${denseShown.blocks}, ${differingPixels(denseShown.rgb, expected)} differ)`);
  await shot(dense, 'title-dpr3.png');

  // Once the service worker holds the files, the page starts with no network at all.
  await page.evaluate(() => navigator.serviceWorker.ready);
  const cached = await page.evaluate(async () => {
    const names = await caches.keys();
    const cache = await caches.open(names.find((n) => n.startsWith('enclova-')));
    return (await cache.keys()).map((r) => new URL(r.url).pathname);
  });
  check(['/', '/enclova.wasm', '/fgra.bmp', '/manifest.webmanifest', '/icons/256x256.png'].every((f) => cached.includes(f)),
    `the service worker caches the site (${cached.length} files)`);
  await page.setOfflineMode(true);
  await page.reload();
  await page.evaluate(() => window.enclova.ready);
  const offline = await shownPicture(page);
  check(differingPixels(offline.rgb, first.rgb) === 0, 'offline, the page starts from its cache to the same title');
  await context.close();
}

async function goldenReplays(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await open(context, url);
  for (const name of readdirSync(replayDir).filter((n) => n.endsWith('.replay')).sort()) {
    const text = readFileSync(path.join(replayDir, name), 'utf8');
    const verdict = await page.evaluate((n, t) => window.enclova.playReplay(n, t, true), name, text);
    check(verdict === 'match', `${name} played in the page: ${verdict}`);
  }
  const broken = await page.evaluate(() => window.enclova.playReplay('broken.replay', 'not a replay\n', true));
  check(broken === 'refused', `a file that is no replay is refused (${broken})`);
  await context.close();
}

// Letters count by what they type, whatever their place; the page never scrolls on a key.
async function keysAndLayouts(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await open(context, url);
  const cdp = await page.createCDPSession();
  const send = async (key, code) => {
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyDown', key, code, text: key });
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', key, code });
  };
  const title = await shownPicture(page);

  // F12 saves the picture as a PNG file, 600x400.
  const downloads = mkdtempSync(path.join(tmpdir(), 'enclova-web-'));
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads, browserContextId: context.id });
  await page.keyboard.press('F12');
  let saved = [];
  for (let i = 0; i < 50 && saved.length === 0; i++) {
    await sleep(100);
    saved = readdirSync(downloads).filter((n) => n.endsWith('.png'));
  }
  const png = saved.length === 1 ? readFileSync(path.join(downloads, saved[0])) : Buffer.alloc(0);
  check(png.length > 24 && png.subarray(1, 4).toString() === 'PNG' && png.readUInt32BE(16) === W && png.readUInt32BE(20) === H,
    `F12 saves the picture as a 600x400 PNG file (${saved})`);
  check(saved.length === 1 && /^enclova-[0-9]{4}-[0-9]{2}-[0-9]{2}-[0-9]{6}\.png$/.test(saved[0]),
    `the picture is named as on the desktop (${saved})`);
  rmSync(downloads, { recursive: true, force: true });

  // Alt is the window's: on the ranking screen, which any key of the game's leaves, it changes
  // nothing.
  await page.keyboard.press('KeyX');
  await settled(page);
  const ranking = await shownPicture(page);
  await page.keyboard.press('AltLeft');
  await settled(page);
  const afterAlt = await shownPicture(page);
  check(differingPixels(ranking.rgb, title.rgb) > 0 && differingPixels(afterAlt.rgb, ranking.rgb) === 0,
    'Alt does not reach the game: the ranking screen stays');
  await page.keyboard.press('KeyQ');
  await settled(page);

  await send('w', 'KeyZ'); // Z's place typing w: no Z for the game
  await settled(page);
  const afterW = await shownPicture(page);
  check(differingPixels(afterW.rgb, title.rgb) === 0, 'a key in Z\'s place that types w does not start a round');
  const prevented = await page.evaluate(() =>
    ['ArrowDown', 'Space', 'PageDown', 'Enter'].map((code) =>
      !window.dispatchEvent(new KeyboardEvent('keydown', { code, key: code, cancelable: true }))));
  check(prevented.every(Boolean), `keys the page would scroll with are kept from it (${prevented})`);
  await send('z', 'KeyW'); // W's place typing z: the game's Z
  await sleep(300);
  const afterZ = await shownPicture(page);
  const changed = differingPixels(afterZ.rgb, title.rgb);
  check(changed > 10000, `a key that types z where W is starts the round (${changed} pixels changed)`);
  await context.close();
}

// A replay file dropped on the page plays in the canvas at its recorded pace, and the page says
// whether it matched; the game comes back after it.
async function droppedReplay(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await open(context, url);
  const title = await shownPicture(page);
  const name = 'crossing-taken-back-level2.replay';
  const text = readFileSync(path.join(replayDir, name), 'utf8');
  await page.evaluate((n, t) => {
    const data = new DataTransfer();
    data.items.add(new File([t], n));
    document.dispatchEvent(new DragEvent('drop', { dataTransfer: data, cancelable: true }));
  }, name, text);
  await sleep(4000);
  const playing = await shownPicture(page);
  check(differingPixels(playing.rgb, title.rgb) > 10000, 'the dropped replay plays in the canvas');
  await page.waitForFunction(() => /: (match|differs|refused)$/.test(document.getElementById('status').textContent),
    { timeout: 30000 });
  const status = await page.evaluate(() => document.getElementById('status').textContent);
  check(status === name + ': match', `the page says the dropped replay matched (${status})`);
  const back = await shownPicture(page);
  check(differingPixels(back.rgb, title.rgb) === 0, 'after it the game\'s title is back');
  await context.close();
}

async function rankedRoundAndReload(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await open(context, url, `?seed=${ROUND_SEED}`);
  await page.bringToFront();
  await playRound(page, 'round-playing-scale2.png');
  await shot(page, 'round-ranking-scale2.png');
  const ranking = await storedRanking(page);
  check(ranking && ranking.size === 160 && ranking.entries.length === 1 && ranking.entries[0].level === 1,
    `a round played with keys is ranked and stored (${JSON.stringify(ranking && ranking.entries)})`);
  const replays = await storedReplays(page);
  check(replays.length === 1, `its replay is kept in the browser (${replays.length})`);
  if (replays.length === 1) {
    const verdict = await page.evaluate((r) => window.enclova.playReplay(r.name, r.text, true), replays[0]);
    check(verdict === 'match', `the round recorded in the page plays back in it: ${verdict}`);
  }

  await page.reload();
  await page.evaluate(() => window.enclova.ready);
  const inGame = await page.evaluate(() => window.enclova.rankingInGame());
  check(ranking && inGame === ranking.text, 'after a reload the game reads the stored ranking');
  await context.close();
}

async function twoTabs(browser, url) {
  const context = await browser.createBrowserContext();
  const first = await open(context, url, `?seed=${ROUND_SEED}`);
  const second = await open(context, url, `?seed=${ROUND_SEED}`);
  // Both rounds run at once; the second ends a little later and saves after the first.
  await Promise.all([playRound(first), sleep(1500).then(() => playRound(second))]);
  const ranking = await storedRanking(second);
  check(ranking && ranking.entries.length === 2,
    `two tabs' ranked rounds both kept (${JSON.stringify(ranking && ranking.entries)})`);
  // Each tab records its own round. (They do not play back as "match": a replay holds the
  // ranking file as the round began, not the other tab's save that came in meanwhile.)
  const replays = await storedReplays(second);
  check(replays.length === 2 && replays.every((r) => r.text.includes('end good')),
    `both tabs' rounds recorded (${replays.length})`);
  await context.close();
}

async function storageFull(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await open(context, url, `?seed=${ROUND_SEED}`, () => {
    const setItem = Storage.prototype.setItem;
    Storage.prototype.setItem = function (key, value) {
      if (key === 'enclova/fdata.dat') throw new DOMException('full', 'QuotaExceededError');
      return setItem.call(this, key, value);
    };
  }, { width: 1900, height: 1300 });
  await playRound(page, 'round-playing-scale3.png');
  await shot(page, 'storage-full-scale3.png');
  const text = await errorShown(page);
  check(text === 'ディスクがいっぱいです.' || text === 'ディスクがいっぱいです',
    `storage full: the game's own error (${text})`);
  await page.evaluate(() => document.querySelector("#error button").click());
  check((await errorShown(page)) === null, 'the error box closes with OK');
  const replays = await storedReplays(page);
  check(replays.length === 1 && replays[0].text.includes('end good'),
    `the round went on to its end and was recorded (${replays.length})`);
  await context.close();
}

async function storageRefused(browser, url) {
  const refused = await browser.createBrowserContext();
  const page = await open(refused, url, '', () => {
    Object.defineProperty(window, 'localStorage', {
      get() {
        throw new DOMException('denied', 'SecurityError');
      },
    });
  });
  const text = await errorShown(page);
  check(text !== null && text.startsWith('ファイルへのアクセスが拒否されました'),
    `storage refused: the game's access-denied error at start (${text})`);
  await refused.close();

}

// A stored ranking that is short, empty or no base64 is set aside under a dated key, offered to
// download in the Replays list, and a new ranking is started: no error box, and a round played
// to its end is ranked and stored. (Such a ranking used to give the same error at every load,
// and no round could start.)
async function damagedRanking(browser, url, what, text) {
  const context = await browser.createBrowserContext();
  const setup = await context.newPage();
  await setup.goto(url + 'manifest.webmanifest');
  await setup.evaluate((key, t) => localStorage.setItem(key, t), RANKING_KEY, text);
  const page = await open(context, url, `?seed=${ROUND_SEED}`);
  const box = await errorShown(page);
  check(box === null, `a ${what} stored ranking: no error box (${box})`);
  const kept = await page.evaluate((prefix) => {
    const found = [];
    for (let i = 0; i < localStorage.length; i++) {
      const key = localStorage.key(i);
      if (key.startsWith(prefix)) found.push(localStorage.getItem(key));
    }
    return found;
  }, RANKING_KEY + '.damaged-');
  check(kept.length === 1 && kept[0] === text, `a ${what} stored ranking: its text kept as it was (${kept.length})`);
  const fresh = await storedRanking(page);
  check(fresh !== null && fresh.size === 160 && fresh.entries.length === 0,
    `a ${what} stored ranking: a new empty ranking stored (${fresh && fresh.size})`);
  const offered = await page.evaluate(() => [...document.querySelectorAll('#replay-list a.damaged')]
    .map((a) => a.textContent));
  check(offered.length === 1 && /^fdata\.dat\.damaged-\d{8}-\d{6}$/.test(offered[0]),
    `a ${what} stored ranking: offered to download (${offered})`);
  const status = await page.evaluate(() => document.getElementById('status').textContent);
  check(status.includes('could not be read'), `a ${what} stored ranking: the player is told (${status})`);
  if (what === 'short') {
    await page.click('#list');
    await shot(page, 'damaged-ranking-set-aside.png');
    await page.click('#list');
    await page.mouse.click(4, 60);
  }
  await page.bringToFront();
  await playRound(page);
  const after = await storedRanking(page);
  check(after !== null && after.entries.length === 1 && after.entries[0].level === 1,
    `a ${what} stored ranking: the next round is ranked (${after && JSON.stringify(after.entries)})`);
  check((await errorShown(page)) === null, `a ${what} stored ranking: no error box after the round`);
  await context.close();
}

// A file larger than any replay dropped on the page is refused by its size at once, and never
// read (a 300 MiB file took 22 s and 637 MB before it was refused).
async function droppedHugeFile(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await open(context, url, '', () => {
    window.readsOfDroppedFiles = 0;
    for (const method of ['text', 'arrayBuffer', 'stream', 'slice']) {
      const original = Blob.prototype[method];
      Blob.prototype[method] = function (...args) {
        window.readsOfDroppedFiles++;
        return original.apply(this, args);
      };
    }
    const readAs = FileReader.prototype.readAsArrayBuffer;
    FileReader.prototype.readAsArrayBuffer = function (...args) {
      window.readsOfDroppedFiles++;
      return readAs.apply(this, args);
    };
  });
  const started = Date.now();
  await page.evaluate(() => {
    const data = new DataTransfer();
    data.items.add(new File([new Uint8Array((4 << 20) + 1)], 'huge.replay'));
    document.dispatchEvent(new DragEvent('drop', { dataTransfer: data, cancelable: true }));
  });
  await page.waitForFunction(() => /: (match|differs|refused)$/.test(document.getElementById('status').textContent),
    { timeout: 30000 });
  const status = await page.evaluate(() => document.getElementById('status').textContent);
  const reads = await page.evaluate(() => window.readsOfDroppedFiles);
  check(status === 'huge.replay: refused' && reads === 0,
    `a dropped file past a replay's size is refused unread (${status}, ${reads} reads, ${Date.now() - started} ms)`);
  await context.close();
}

// What the server sends: the file itself when the browser takes no gzip, the build's gzip copy
// of the same bytes when it does, each with its type; headers that make the browser ask again
// before it uses a kept copy, and a 304 with nothing when the copy is still the file.
async function served(url) {
  const cases = [
    ['enclova.wasm', 'application/wasm', true],
    ['fgra.bmp', 'image/bmp', true],
    ['enclova.js', 'text/javascript; charset=utf-8', true],
    ['', 'text/html; charset=utf-8', true],
    ['icons/32x32.png', 'image/png', false],
  ];
  for (const [name, type, compressed] of cases) {
    const file = readFileSync(path.join(site, name || 'index.html'));
    const what = `served /${name}`;
    const plain = await rawGet(url + name, { 'Accept-Encoding': 'identity' });
    check(plain.status === 200 && plain.headers['content-encoding'] === undefined &&
      plain.body.equals(file), `${what} without gzip: the file itself`);
    const gz = await rawGet(url + name, { 'Accept-Encoding': 'gzip, deflate, br' });
    const encoded = gz.headers['content-encoding'] === 'gzip';
    check(gz.status === 200 && encoded === compressed &&
      (encoded ? gunzipSync(gz.body) : gz.body).equals(file) &&
      (!compressed || gz.body.length < file.length),
      `${what} with gzip: ${compressed ? 'a smaller copy of the same bytes' : 'the file, already compressed'}`);
    check(gz.headers['content-type'] === type && plain.headers['content-type'] === type,
      `${what}: its type is ${type} (${gz.headers['content-type']})`);
    check(gz.headers['cache-control'] === 'no-cache' && gz.headers.vary === 'Accept-Encoding' &&
      Boolean(gz.headers.etag), `${what}: kept, asked again, told apart by encoding`);
    const again = await rawGet(url + name,
      { 'Accept-Encoding': 'gzip', 'If-None-Match': gz.headers.etag });
    check(again.status === 304 && again.body.length === 0, `${what}: unchanged, a 304 and no body`);
  }
  for (const name of ['missing.js', '../README.md', '.hidden', 'fgra.bmp.gz/']) {
    const r = await rawGet(url + name, { 'Accept-Encoding': 'gzip' });
    check(r.status === 404, `served /${name}: not found (${r.status})`);
  }
}

function rawGet(url, headers) {
  return new Promise((resolve, reject) => {
    const u = new URL(url);
    const request = http.get({ host: u.hostname, port: u.port, path: url.slice(u.origin.length), headers },
      (response) => {
        const chunks = [];
        response.on('data', (c) => chunks.push(c));
        response.on('end', () => resolve({ status: response.statusCode, headers: response.headers,
          body: Buffer.concat(chunks) }));
      });
    request.on('error', reject);
  });
}

// ---- A page every player can use ----

// What the accessibility tree says of a node: its role, name and description.
async function axNode(page, selector) {
  const element = await page.$(selector);
  const node = await page.accessibility.snapshot({ root: element, interestingOnly: false });
  // A live region is not named by its text: what it reads out is its children's.
  const text = (n) => (n.children || []).map((c) => c.name || text(c)).join('');
  return node ? { role: node.role, name: node.name, description: node.description || '', text: text(node) } : null;
}

const focused = (page) => page.evaluate(() => document.activeElement.id || document.activeElement.tagName);

// Tab and Shift+Tab walk the page's controls, Enter and Space press them, and the game's keys
// stay the game's while a control has the focus; the canvas is named and described.
async function keyboardOnly(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await open(context, url);
  const title = await shownPicture(page);
  check((await page.evaluate(() => document.documentElement.lang)) === 'en', 'the page says it is in English');

  const canvas = await axNode(page, '#screen');
  check(canvas && canvas.name === 'Enclova, a puzzle game' && /loop/.test(canvas.description) &&
    ['Z', 'X', 'Escape', 'arrow'].every((word) => canvas.description.includes(word)),
  `the canvas has a name and a description of the game and its keys (${JSON.stringify(canvas)})`);
  const status = await axNode(page, '#status');
  check(status && status.role === 'status', `the status line is a live region (${JSON.stringify(status)})`);

  const walk = [];
  for (let i = 0; i < 4; i++) {
    await page.keyboard.press('Tab');
    walk.push(await focused(page));
  }
  check(walk.join(' ') === 'shot full list screen', `Tab walks PNG, Fullscreen, Replays, the picture (${walk})`);
  await page.keyboard.down('Shift');
  await page.keyboard.press('Tab');
  await page.keyboard.up('Shift');
  check((await focused(page)) === 'list', `Shift+Tab walks back to Replays (${await focused(page)})`);
  check(differingPixels((await shownPicture(page)).rgb, title.rgb) === 0, 'Tab does not reach the game');

  const panel = () => page.evaluate(() => [!document.getElementById('replays').hidden,
    document.getElementById('list').getAttribute('aria-expanded')].join(' '));
  await page.keyboard.press('Enter');
  const opened = await panel();
  await shot(page, 'keyboard-replays.png');
  await page.keyboard.press('Space');
  const closed = await panel();
  check(opened === 'true true' && closed === 'false false', `Enter and Space press Replays (${opened}, ${closed})`);
  check(differingPixels((await shownPicture(page)).rgb, title.rgb) === 0, 'Enter and Space on a control do not reach the game');

  // On PNG, Enter saves the picture.
  const cdp = await page.createCDPSession();
  const downloads = mkdtempSync(path.join(tmpdir(), 'enclova-web-'));
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads, browserContextId: context.id });
  await page.keyboard.down('Shift');
  await page.keyboard.press('Tab');
  await page.keyboard.press('Tab');
  await page.keyboard.up('Shift');
  const onShot = await focused(page);
  await page.keyboard.press('Enter');
  let saved = [];
  for (let i = 0; i < 50 && saved.length === 0; i++) {
    await sleep(100);
    saved = readdirSync(downloads).filter((n) => n.endsWith('.png'));
  }
  check(onShot === 'shot' && saved.length === 1, `Enter on PNG saves the picture (${onShot}: ${saved})`);
  rmSync(downloads, { recursive: true, force: true });

  // With the focus on a control, the arrows, X and Escape are the game's.
  await page.keyboard.press('ArrowRight');
  await settled(page);
  const level2 = await shownPicture(page);
  check(differingPixels(level2.rgb, title.rgb) > 0 && (await focused(page)) === 'shot',
    'the arrows choose the level while PNG has the focus');
  await page.keyboard.press('KeyX');
  await settled(page);
  const ranking = await shownPicture(page);
  check(differingPixels(ranking.rgb, level2.rgb) > 1000, 'X shows the ranking while PNG has the focus');
  await page.keyboard.press('ArrowLeft');
  await settled(page);
  await page.keyboard.press('Escape');
  await settled(page);
  const said = await axNode(page, '#status');
  check(said && said.text.includes('ended'), `Escape ends the game while PNG has the focus, and the status says so (${said && said.text})`);
  await context.close();
}

// What a phone needs to install the page: a manifest in the page's language with an icon of
// each purpose, every icon there at the size it claims, the maskable ones opaque to the corner.
async function manifest(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await open(context, url);
  const found = await page.evaluate(async () => {
    const link = document.querySelector('link[rel=manifest]').href;
    const m = await (await fetch(link)).json();
    const icons = [];
    for (const icon of m.icons) {
      const response = await fetch(new URL(icon.src, link));
      const bitmap = response.ok ? await createImageBitmap(await response.blob()) : null;
      let cornerAlpha = -1;
      if (bitmap) {
        const c = new OffscreenCanvas(bitmap.width, bitmap.height).getContext('2d');
        c.drawImage(bitmap, 0, 0);
        cornerAlpha = c.getImageData(0, 0, 1, 1).data[3];
      }
      icons.push({ ...icon, shown: bitmap ? `${bitmap.width}x${bitmap.height}` : 'missing', cornerAlpha });
    }
    return { m, icons };
  });
  const { m, icons } = found;
  check(m.lang === 'en' && m.name && m.short_name && m.start_url && m.display === 'standalone' && m.id,
    `the manifest names the app, its language, start and display (${m.lang}, ${m.display})`);
  check(icons.every((i) => i.shown === i.sizes), `every icon of the manifest is there at its size (${icons.map((i) => i.src + ' ' + i.shown)})`);
  const maskable = icons.filter((i) => i.purpose === 'maskable');
  check(maskable.some((i) => parseInt(i.sizes, 10) >= 512) && maskable.every((i) => i.cornerAlpha === 255),
    `a maskable icon of 512 pixels, opaque to its corners (${maskable.map((i) => i.sizes + ' ' + i.cornerAlpha)})`);
  check(icons.some((i) => i.purpose !== 'maskable' && parseInt(i.sizes, 10) >= 144), 'an icon for any purpose of 144 pixels or more');
  await context.close();
}

// WCAG's contrast ratio of two sRGB colours.
const contrastOf = (a, b) => {
  const lum = ([r, g, b]) => [r, g, b].map((c) => {
    const v = c / 255;
    return v <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4;
  }).reduce((sum, v, i) => sum + v * [0.2126, 0.7152, 0.0722][i], 0);
  const [hi, lo] = [lum(a), lum(b)].sort((x, y) => y - x);
  return (hi + 0.05) / (lo + 0.05);
};

// Every piece of the page's own text, with its colour and the colour under it as the browser
// computes them: the bar, the replays' list, the error box and, on a touch screen, the help and
// the buttons. Each must reach 4.5:1.
async function textColours(page) {
  return page.evaluate(() => {
    const rgba = (text) => (text.match(/[0-9.]+/g) || []).map(Number);
    const over = (top, under) => {
      const a = top.length === 4 ? top[3] : 1;
      return [0, 1, 2].map((i) => top[i] * a + under[i] * (1 - a));
    };
    // The colour behind an element: its own and its ancestors' backgrounds, laid one over another.
    const background = (element) => {
      const layers = [];
      for (let e = element; e; e = e.parentElement) layers.push(rgba(getComputedStyle(e).backgroundColor));
      let colour = [255, 255, 255];
      for (const layer of layers.reverse()) colour = layer.length === 4 && layer[3] === 0 ? colour : over(layer, colour);
      return colour;
    };
    const found = [];
    const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    for (let n = walker.nextNode(); n; n = walker.nextNode()) {
      const element = n.parentElement;
      if (!n.textContent.trim() || element.closest('.unseen, script')) continue;
      const box = element.getBoundingClientRect();
      if (box.width === 0 || box.height === 0) continue;
      const style = getComputedStyle(element);
      found.push({ text: n.textContent.trim().slice(0, 30), colour: over(rgba(style.color), background(element)),
        background: background(element) });
    }
    // The error box's mark, drawn by its style.
    const mark = getComputedStyle(document.querySelector('#error .text'), '::before');
    if (!document.getElementById('error').hidden) {
      found.push({ text: 'the error mark', colour: rgba(mark.color), background: rgba(mark.backgroundColor) });
    }
    return found;
  });
}

async function contrast(browser, url) {
  const context = await browser.createBrowserContext();
  const desk = await open(context, url);
  await desk.evaluate(() => {
    document.getElementById('status').textContent = 'The game has ended: press a key to play again.';
    document.getElementById('list').click();
  });
  const pieces = await textColours(desk);
  await desk.evaluate(() => {
    const box = document.getElementById('error');
    box.querySelector('.caption').textContent = 'Enclova';
    box.querySelector('.text').textContent = 'fgra.bmp';
    box.hidden = false;
  });
  pieces.push(...(await textColours(desk)).filter((p) => /Enclova|fgra|OK|mark/.test(p.text)));
  const phone = await openTouch(context, url, DEVICES[0]);
  pieces.push(...await textColours(phone));
  const texts = new Set(pieces.map((p) => p.text));
  check(['PNG', 'Replays', 'The game has ended', 'No round recorded yet.', 'OK', 'fgra.bmp', 'the error mark', 'X']
    .every((t) => [...texts].some((x) => x.startsWith(t))), `the contrast check sees the page's text (${[...texts]})`);
  const low = pieces.map((p) => ({ ...p, ratio: contrastOf(p.colour, p.background) })).filter((p) => p.ratio < 4.5);
  check(low.length === 0, `all of the page's text is at 4.5:1 or more (${low.map((p) => `${p.text}: ${p.ratio.toFixed(2)}`)})`);
  await context.close();
}

// ---- Touch and pads ----

// The phones and tablets of the touch tests, each as the browser emulates it, with the scale its
// layout leaves the picture: on a 390-pixel phone 1170 device pixels are not 1200, so the
// picture is at scale 1.
const DEVICES = [
  { name: 'phone-portrait', width: 390, height: 844, dpr: 3, scale: 1 },
  { name: 'phone-landscape', width: 844, height: 390, dpr: 3, scale: 2 },
  { name: 'tablet-portrait', width: 820, height: 1180, dpr: 2, scale: 2 },
  { name: 'tablet-landscape', width: 1180, height: 820, dpr: 2, scale: 3 },
];
const FINGER_STEP = 12; // web/page.js's, in CSS pixels

async function openTouch(context, url, device, query = '') {
  return open(context, url, query, null, {
    width: device.width, height: device.height, deviceScaleFactor: device.dpr, isMobile: true, hasTouch: true,
  });
}

// Where things are, in CSS pixels: the canvas, the touch controls and the help line.
async function touchLayout(page) {
  return page.evaluate(() => {
    const box = (id) => {
      const r = document.getElementById(id).getBoundingClientRect();
      return { left: r.left, top: r.top, right: r.right, bottom: r.bottom, shown: r.width > 0 && r.height > 0 };
    };
    const style = getComputedStyle(document.getElementById('screen'));
    return {
      canvas: box('screen'), dpad: box('dpad'), actions: box('actions'), help: box('help'),
      helpText: document.getElementById('help').textContent.replace(/\s+/g, ' ').trim(),
      buttons: [...document.querySelectorAll('#touch button')].map((b) => b.textContent),
      viewport: { width: document.documentElement.clientWidth, height: document.documentElement.clientHeight },
      touchAction: style.touchAction,
      overscroll: getComputedStyle(document.documentElement).overscrollBehaviorX + ' ' +
        getComputedStyle(document.body).overscrollBehaviorY,
      dpr: window.devicePixelRatio,
    };
  });
}

const overlap = (a, b) => a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
const inside = (a, v) => a.left >= 0 && a.top >= 0 && a.right <= v.width + 0.01 && a.bottom <= v.height + 0.01;

// The finger's steps: one touch point at a time, through the browser's own touch events.
class Finger {
  constructor(page) {
    this.page = page;
  }
  async start() {
    this.cdp = await this.page.createCDPSession();
  }
  async down(x, y) {
    this.x = x;
    this.y = y;
    await this.cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x, y }] });
  }
  async move(x, y) {
    this.x = x;
    this.y = y;
    await this.cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: [{ x, y }] });
  }
  async up() {
    await this.cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  }
  async tap(x, y) {
    await this.down(x, y);
    await sleep(40);
    await this.up();
  }
  async tapOn(page, selector) {
    const r = await page.$eval(selector, (b) => {
      const q = b.getBoundingClientRect();
      return { x: q.left + q.width / 2, y: q.top + q.height / 2 };
    });
    await this.tap(r.x, r.y);
  }
}

const STEP_OF = { 0x25: [-1, 0], 0x26: [0, -1], 0x27: [1, 0], 0x28: [0, 1] };

// The keys of a round as touches: a run of arrows one drag, a run of the same arrow one move of
// that many steps (faster than a step an event), Z a tap on the cursor's vertex.
async function playRoundByTouch(page, device, shotName) {
  const finger = new Finger(page);
  await finger.start();
  const at = await touchLayout(page);
  const step = Math.max(16 * device.scale, Math.round(FINGER_STEP * device.dpr)) / device.dpr;
  // Level 1: vertex v is at picture pixel 144 + 16 v; the round starts with the cursor at (3, 3).
  const vertex = (vx, vy) => [at.canvas.left + ((144 + 16 * vx) * device.scale + device.scale / 2) / device.dpr,
    at.canvas.top + ((144 + 16 * vy) * device.scale + device.scale / 2) / device.dpr];
  let cursor = [3, 3];
  await finger.tapOn(page, '#actions .z'); // Z on the title starts the round
  await sleep(COUNTDOWN_MS);
  let i = 0;
  while (i < ROUND_KEYS.length) {
    if (ROUND_KEYS[i] === 0x5a) {
      await finger.tap(...vertex(...cursor));
      await sleep(60);
      i++;
      continue;
    }
    // A drag from the cursor, its run of arrows as the finger goes.
    const [x0, y0] = vertex(...cursor);
    await finger.down(x0, y0);
    let [dx, dy] = [0, 0];
    while (i < ROUND_KEYS.length && ROUND_KEYS[i] !== 0x5a) {
      let run = 1;
      while (i + run < ROUND_KEYS.length && ROUND_KEYS[i + run] === ROUND_KEYS[i]) run++;
      const [sx, sy] = STEP_OF[ROUND_KEYS[i]];
      dx += sx * run;
      dy += sy * run;
      cursor = [cursor[0] + sx * run, cursor[1] + sy * run];
      await finger.move(x0 + dx * step, y0 + dy * step);
      await sleep(30);
      i += run;
      if (shotName && i >= ROUND_KEYS.length - 8) {
        await shot(page, shotName);
        shotName = null;
      }
    }
    await finger.up();
    await sleep(60);
  }
  await sleep(9000); // the result's stages, the save, and the round's end
  return finger;
}

async function touchLayoutsAndRounds(browser, url) {
  await Promise.all(DEVICES.map(async (device) => {
    const context = await browser.createBrowserContext();
    const page = await openTouch(context, url, device, `?seed=${ROUND_SEED}`);
    await page.bringToFront();
    const at = await touchLayout(page);
    const shown = await shownPicture(page);
    check(shown.n === device.scale && shown.blocks,
      `${device.name}: the picture at scale ${shown.n} (the largest the layout leaves: ${device.scale}), each pixel an exact block of device pixels`);
    check(inside(at.canvas, at.viewport) && [at.dpad, at.actions, at.help].every((c) => c.shown && inside(c, at.viewport)),
      `${device.name}: the picture and the touch controls lie on the screen (${JSON.stringify(at.viewport)})`);
    check([at.dpad, at.actions, at.help].every((c) => !overlap(c, at.canvas)),
      `${device.name}: no control covers the picture`);
    check(at.buttons.join(' ') === '▲ ◀ ▶ ▼ X Z' && !at.buttons.some((b) => /esc/i.test(b)),
      `${device.name}: the buttons are the arrows, Z and X, no Escape (${at.buttons.join(' ')})`);
    check(at.touchAction === 'none' && at.overscroll === 'none none',
      `${device.name}: the page claims the picture's touches and its overscroll (${at.touchAction}, ${at.overscroll})`);
    await shot(page, `touch-${device.name}.png`);

    // The idle title: no timer and no reading of pads while none is connected.
    const before = await page.evaluate(() => ({ ...window.enclova.stats }));
    await sleep(2000);
    const after = await page.evaluate(() => ({ ...window.enclova.stats }));
    check(after.timerCallbacks === before.timerCallbacks && after.padPolls === 0,
      `${device.name}: the idle title wakes no timer and reads no pad (${after.timerCallbacks - before.timerCallbacks}, ${after.padPolls})`);

    if (device.name === 'phone-portrait' || device.name === 'tablet-landscape') {
      const title = await shownPicture(page);
      const finger = await playRoundByTouch(page, device, `touch-${device.name}-round.png`);
      await shot(page, `touch-${device.name}-ranking.png`);
      const ranking = await storedRanking(page);
      check(ranking && ranking.entries.length === 1 && ranking.entries[0].level === 1,
        `${device.name}: a round played by touch alone is ranked and stored (${JSON.stringify(ranking && ranking.entries)})`);
      const replays = await storedReplays(page);
      check(replays.length === 1 && replays[0].text.includes('end good'), `${device.name}: its replay is kept (${replays.length})`);
      if (replays.length === 1) {
        const verdict = await page.evaluate((r) => window.enclova.playReplay(r.name, r.text, true), replays[0]);
        check(verdict === 'match', `${device.name}: the round played by touch plays back: ${verdict}`);
      }
      // Back to the title from the ranking, by touch.
      await finger.tapOn(page, '#actions .x');
      await settled(page);
      const back = await shownPicture(page);
      check(differingPixels(back.rgb, title.rgb) === 0, `${device.name}: X by touch returns from the ranking to the title`);
    }
    await context.close();
  }));
}

// A gamepad given to the page: read only while it is connected, and a round played with it alone.
async function gamepadRound(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await open(context, url, `?seed=${ROUND_SEED}`, () => {
    const buttons = Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 }));
    window.testPad = { id: 'test pad', index: 0, connected: true, mapping: 'standard', timestamp: 0,
      buttons, axes: [0, 0, 0, 0], present: false };
    Object.defineProperty(Navigator.prototype, 'getGamepads', {
      value: () => [window.testPad.present ? window.testPad : null, null, null, null],
    });
  });
  await page.bringToFront();
  await sleep(1000);
  check((await page.evaluate(() => window.enclova.stats.padPolls)) === 0, 'no pad connected: the page reads none');
  await page.evaluate(() => {
    window.testPad.present = true;
    window.dispatchEvent(new Event('gamepadconnected'));
  });
  await sleep(200);
  check(await page.evaluate(() => window.enclova.padsRead()), 'a pad connected: the page reads it');
  const press = async (button, ms = 70) => {
    await page.evaluate((b) => { window.testPad.buttons[b].pressed = true; }, button);
    await sleep(ms);
    await page.evaluate((b) => { window.testPad.buttons[b].pressed = false; }, button);
    await sleep(70);
  };
  const stick = async (x, y) => {
    await page.evaluate((ax, ay) => { window.testPad.axes[0] = ax; window.testPad.axes[1] = ay; }, x, y);
    await sleep(70);
    await page.evaluate(() => { window.testPad.axes[0] = 0; window.testPad.axes[1] = 0; });
    await sleep(70);
  };
  const DPAD = { 0x26: 12, 0x28: 13, 0x25: 14, 0x27: 15, 0x5a: 0 };
  await press(0); // A: Z, the round starts
  await sleep(COUNTDOWN_MS);
  // The cursor's moves before the path with the stick, the rest with the d-pad and A.
  let firstZ = ROUND_KEYS.indexOf(0x5a);
  for (const [i, key] of ROUND_KEYS.entries()) {
    if (i < firstZ) {
      const [sx, sy] = STEP_OF[key];
      await stick(sx * 0.9, sy * 0.9);
    } else {
      await press(DPAD[key]);
    }
  }
  await sleep(9000);
  const ranking = await storedRanking(page);
  check(ranking && ranking.entries.length === 1 && ranking.entries[0].level === 1,
    `a round played with a gamepad is ranked and stored (${JSON.stringify(ranking && ranking.entries)})`);
  const replays = await storedReplays(page);
  if (replays.length === 1) {
    const verdict = await page.evaluate((r) => window.enclova.playReplay(r.name, r.text, true), replays[0]);
    check(verdict === 'match' && replays[0].text.includes('end good'),
      `the round played with a gamepad plays back: ${verdict} (${replays[0].name})`);
  } else {
    check(false, `the gamepad round's replay is kept (${replays.length})`);
  }
  // B (X) leaves the ranking; nothing on the pad ends the game.
  await press(1);
  for (const b of [8, 9, 16, 10, 11, 2, 3, 4, 5, 6, 7]) await press(b);
  check(!(await page.evaluate(() => document.getElementById('status').textContent.includes('ended'))),
    'no button of the pad ends the game');
  await page.evaluate(() => {
    window.testPad.present = false;
    window.dispatchEvent(new Event('gamepaddisconnected'));
  });
  await sleep(200);
  const polls = await page.evaluate(() => window.enclova.stats.padPolls);
  await sleep(1000);
  const later = await page.evaluate(() => window.enclova.stats.padPolls);
  check(later === polls && !(await page.evaluate(() => window.enclova.padsRead())),
    `the pad gone, the page stops reading pads (${later - polls} reads in 1 s)`);
  await context.close();
}

async function main() {
  const { server, url } = await serve();
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--mute-audio'],
  });
  try {
    // The rounds run on the game's clock in real time: the other tests run meanwhile.
    const rounds = Promise.all([rankedRoundAndReload(browser, url), twoTabs(browser, url), storageFull(browser, url),
      droppedReplay(browser, url), damagedRanking(browser, url, 'short', btoa('short')),
      damagedRanking(browser, url, 'empty', ''), damagedRanking(browser, url, 'not base64', '%% not base64 %%'),
      touchLayoutsAndRounds(browser, url)]);
    await served(url);
    await titleAndIdle(browser, url);
    await goldenReplays(browser, url);
    await storageRefused(browser, url);
    await droppedHugeFile(browser, url);
    await keysAndLayouts(browser, url);
    await keyboardOnly(browser, url);
    await contrast(browser, url);
    await manifest(browser, url);
    await rounds;
    // Alone, in the front tab: the browser slows the timers of a tab behind another, and the
    // pads are read on a timer.
    await gamepadRound(browser, url);
  } catch (e) {
    failures.push(String(e && e.stack ? e.stack : e));
    console.error(e);
  } finally {
    await browser.close();
    server.kill();
  }
  if (failures.length > 0) {
    console.log(`${failures.length} failed:\n  ${failures.join('\n  ')}`);
    process.exit(1);
  }
  console.log('all passed');
}

main();
