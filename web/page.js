// SPDX-License-Identifier: MIT
// The page's side of the game: keys, the timer, the canvas, storage, the error box and replays.
// Every rule of the game is in the WebAssembly session; this only carries events and pixels.
'use strict';

(function () {
  const W = 600;
  const H = 400;
  const BAR = 28; // the control bar's height in CSS pixels, outside fullscreen
  const RANKING_KEY = 'enclova/fdata.dat';
  const REPLAY_PREFIX = 'enclova/replays/';
  const DAMAGED_PREFIX = RANKING_KEY + '.damaged-';
  const DATA = '/data/';
  const REPLAYS = '/data/replays/';

  const screen = document.getElementById('screen');
  const screenContext = screen.getContext('2d', { alpha: false });
  // The picture at its own size: changed areas are put here, then scaled onto the screen.
  const backing = document.createElement('canvas');
  backing.width = W;
  backing.height = H;
  const backingContext = backing.getContext('2d', { alpha: false });
  const status = document.getElementById('status');
  const errorBox = document.getElementById('error');
  const replayPanel = document.getElementById('replays');
  const replayList = document.getElementById('replay-list');

  // What the tests and the measurements look at.
  const stats = { timerCallbacks: 0, presents: 0, lastPresent: 0, titlePainted: null, keys: 0 };
  const api = { stats, ready: null };
  window.enclova = api;

  let M = null; // the WebAssembly module
  let scale = 1;
  let image = null;
  let timer = null;
  let errorShown = false;
  let playback = null; // { name, resolve } while a replay plays in the canvas
  let ended = false; // the game asked to quit: the next key starts it again
  let lastRanking = null; // the stored ranking's text as this page last saw or wrote it
  let storageRefused = false;
  let knownReplays = new Set();
  let keptInMemory = []; // damaged rankings that storage could not keep: { name, text }
  let sizeCell = 0; // an int in the module's memory for the out-parameters

  // ---- Storage ----

  function storage() {
    try {
      return window.localStorage;
    } catch (e) {
      return null;
    }
  }

  function toBase64(bytes) {
    let s = '';
    for (let i = 0; i < bytes.length; i += 0x8000) {
      s += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
    return btoa(s);
  }

  // A text that is no base64 is still a damaged file: its own bytes, for the game to refuse.
  function fromBase64(text) {
    let s;
    try {
      s = atob(text);
    } catch (e) {
      return new TextEncoder().encode(text);
    }
    const bytes = new Uint8Array(s.length);
    for (let i = 0; i < s.length; i++) bytes[i] = s.charCodeAt(i);
    return bytes;
  }

  function isFull(e) {
    return e && (e.name === 'QuotaExceededError' || e.name === 'NS_ERROR_DOM_QUOTA_REACHED' ||
      e.code === 22 || e.code === 1014);
  }

  // Called by the game's file system as it replaces the ranking: 0 stored, 1 full, 2 refused.
  function storeRanking(bytes) {
    const s = storage();
    if (!s) return 2;
    const text = toBase64(bytes);
    try {
      s.setItem(RANKING_KEY, text);
    } catch (e) {
      return isFull(e) ? 1 : 2;
    }
    lastRanking = text;
    return 0;
  }

  function putFile(path, bytes) {
    const pathPtr = cString(path);
    const at = M._malloc(Math.max(bytes.length, 1));
    M.HEAPU8.set(bytes, at);
    const ok = M._enclova_put_file(pathPtr, at, bytes.length);
    M._free(at);
    M._free(pathPtr);
    return ok === 1;
  }

  function fileBytes(path) {
    const pathPtr = cString(path);
    const at = M._enclova_file(pathPtr, sizeCell);
    M._free(pathPtr);
    if (!at) return null;
    return M.HEAPU8.slice(at, at + M.HEAP32[sizeCell >> 2]);
  }

  function cString(text) {
    const length = M.lengthBytesUTF8(text) + 1;
    const at = M._malloc(length);
    M.stringToUTF8(text, at, length);
    return at;
  }

  // Before every call that may save: the ranking another tab stored since this page last looked
  // replaces the file, so the game's re-read before its save sees it.
  function bringRankingIn() {
    if (storageRefused) return;
    const s = storage();
    let text = null;
    try {
      text = s ? s.getItem(RANKING_KEY) : null;
    } catch (e) {
      return;
    }
    if (text === null || text === lastRanking) return;
    putFile(DATA + 'fdata.dat', fromBase64(text));
    lastRanking = text;
  }

  // A stored ranking the game cannot read as one: no base64, or shorter than a whole ranking
  // (`whole` bytes, the empty ranking's size). Every load would refuse it and no round could
  // start, so it is set aside, as the desktop game sets aside such a file.
  function damagedRanking(text, whole) {
    let s;
    try {
      s = atob(text);
    } catch (e) {
      return true;
    }
    return s.length < whole;
  }

  // Keeps the damaged ranking's text under a dated key that nothing holds yet, where the Replays
  // list offers it to download; false when storage refuses it (it is then offered from memory).
  function keepDamaged(text) {
    const d = new Date();
    const two = (n) => String(n).padStart(2, '0');
    const stamp = d.getUTCFullYear() + two(d.getUTCMonth() + 1) + two(d.getUTCDate()) + '-' +
      two(d.getUTCHours()) + two(d.getUTCMinutes()) + two(d.getUTCSeconds());
    const s = storage();
    let key = DAMAGED_PREFIX + stamp;
    try {
      for (let i = 2; s.getItem(key) !== null; i++) key = DAMAGED_PREFIX + stamp + '-' + i;
      s.setItem(key, text);
      return true;
    } catch (e) {
      keptInMemory.push({ name: key.slice('enclova/'.length), text });
      return false;
    }
  }

  function damagedRankings() {
    const found = keptInMemory.slice();
    const s = storage();
    try {
      for (let i = 0; s && i < s.length; i++) {
        const key = s.key(i);
        if (key && key.startsWith(DAMAGED_PREFIX)) {
          found.push({ name: key.slice('enclova/'.length), text: s.getItem(key) });
        }
      }
    } catch (e) {
      // Refused now: what memory keeps is still offered.
    }
    return found.sort((a, b) => (a.name < b.name ? 1 : -1));
  }

  function replayNames() {
    const text = M.UTF8ToString(M._enclova_replay_names());
    return new Set(text.split('\n').filter((n) => n !== ''));
  }

  // After every call: the replays the recorder wrote or removed, the same in storage. Replays of
  // other tabs are left alone.
  function syncReplays() {
    const names = replayNames();
    let changed = false;
    const s = storage();
    for (const name of names) {
      if (knownReplays.has(name)) continue;
      changed = true;
      const bytes = fileBytes(REPLAYS + name);
      if (!s || !bytes) continue;
      try {
        s.setItem(REPLAY_PREFIX + name, new TextDecoder().decode(bytes));
      } catch (e) {
        logLine('enclova: replay ' + name + ' not kept in the browser: ' + e.name);
      }
    }
    for (const name of knownReplays) {
      if (names.has(name)) continue;
      changed = true;
      try {
        if (s) s.removeItem(REPLAY_PREFIX + name);
      } catch (e) {
        // Refused: it stays, and is removed with the next round's pruning.
      }
    }
    knownReplays = names;
    if (changed) listReplays();
  }

  function storedReplays() {
    const s = storage();
    const found = [];
    if (!s) return found;
    try {
      for (let i = 0; i < s.length; i++) {
        const key = s.key(i);
        if (key && key.startsWith(REPLAY_PREFIX)) {
          found.push({ name: key.slice(REPLAY_PREFIX.length), text: s.getItem(key) });
        }
      }
    } catch (e) {
      return [];
    }
    return found.sort((a, b) => (a.name < b.name ? 1 : -1));
  }

  function download(name, blob) {
    const url = URL.createObjectURL(blob);
    const a = document.createElement('a');
    a.href = url;
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 1000);
  }

  function listReplays() {
    replayList.textContent = '';
    for (const { name, text } of damagedRankings()) {
      const li = document.createElement('li');
      const a = document.createElement('a');
      a.href = '#';
      a.className = 'damaged';
      a.textContent = name;
      a.addEventListener('click', (e) => {
        e.preventDefault();
        download(name, new Blob([fromBase64(text)], { type: 'application/octet-stream' }));
      });
      li.append(a, ' (a damaged ranking, set aside)');
      replayList.appendChild(li);
    }
    const all = storedReplays();
    if (all.length === 0) {
      const li = document.createElement('li');
      li.textContent = 'No round recorded yet.';
      replayList.appendChild(li);
      return;
    }
    for (const { name, text } of all) {
      const li = document.createElement('li');
      const a = document.createElement('a');
      a.href = '#';
      a.textContent = name;
      a.addEventListener('click', (e) => {
        e.preventDefault();
        download(name, new Blob([text], { type: 'text/plain' }));
      });
      const play = document.createElement('button');
      play.textContent = 'Play';
      play.addEventListener('click', () => {
        replayPanel.hidden = true;
        playReplay(name, text);
      });
      li.append(a, play);
      replayList.appendChild(li);
    }
  }

  // ---- The picture ----

  function layout() {
    const dpr = window.devicePixelRatio || 1;
    const bar = document.fullscreenElement ? 0 : BAR;
    const width = Math.floor(window.innerWidth * dpr);
    const height = Math.floor((window.innerHeight - bar) * dpr);
    scale = M._enclova_fit_scale(width, height);
    screen.width = W * scale;
    screen.height = H * scale;
    screen.style.width = (W * scale) / dpr + 'px';
    screen.style.height = (H * scale) / dpr + 'px';
    screen.style.left = Math.max(0, (window.innerWidth - (W * scale) / dpr) / 2) + 'px';
    screen.style.top = bar + Math.max(0, (window.innerHeight - bar - (H * scale) / dpr) / 2) + 'px';
    draw(0, 0, W, H);
  }

  function draw(left, top, right, bottom) {
    const w = right - left;
    const h = bottom - top;
    screenContext.imageSmoothingEnabled = false;
    screenContext.drawImage(backing, left, top, w, h, left * scale, top * scale, w * scale, h * scale);
  }

  // Puts what changed since the last time into the canvas.
  function present(all) {
    const at = M._enclova_take_changes(all ? 1 : 0);
    const c = M._enclova_changed() >> 2;
    const left = M.HEAP32[c];
    const top = M.HEAP32[c + 1];
    const right = M.HEAP32[c + 2];
    const bottom = M.HEAP32[c + 3];
    if (right <= left || bottom <= top) return;
    if (!image || image.data.buffer !== M.HEAPU8.buffer) {
      image = new ImageData(new Uint8ClampedArray(M.HEAPU8.buffer, at, W * H * 4), W, H);
    }
    backingContext.putImageData(image, 0, 0, left, top, right - left, bottom - top);
    draw(left, top, right, bottom);
    stats.presents++;
    stats.lastPresent = performance.now();
  }

  // ---- Calls into the game ----

  function call(f) {
    bringRankingIn();
    f();
    present(false);
    syncReplays();
    showError();
    if (!playback && !ended && M._enclova_quit_requested()) end();
  }

  function end() {
    ended = true;
    M._enclova_finish();
    syncReplays();
    say('The game has ended: press a key to play again.');
  }

  function restart() {
    ended = false;
    say('');
    M._enclova_start(seed());
    call(() => M._enclova_paint());
    present(true);
  }

  function schedule() {
    if (timer !== null) {
      clearTimeout(timer);
      timer = null;
    }
    if (ended) return;
    // A few late ticks at once catch up; more wait for the next turn of the page's loop.
    for (let i = 0; i < 4; i++) {
      const plan = M._enclova_plan_timer(performance.now());
      if (plan === -2) {
        call(() => M._enclova_tick());
        if (ended) return;
        continue;
      }
      if (plan >= 0) {
        timer = setTimeout(onTimer, plan);
      } else if (playback) {
        finishPlayback();
      }
      return;
    }
    timer = setTimeout(onTimer, 0);
  }

  function onTimer() {
    timer = null;
    stats.timerCallbacks++;
    schedule();
  }

  // ---- Errors ----

  function showError() {
    if (errorShown) return;
    const text = M._enclova_error_text();
    if (!text) return;
    errorShown = true;
    errorBox.querySelector('.caption').textContent = M.UTF8ToString(M._enclova_error_caption());
    errorBox.querySelector('.text').textContent = M.UTF8ToString(text);
    errorBox.hidden = false;
    errorBox.querySelector('button').focus();
  }

  function answerError() {
    if (!errorShown) return;
    errorShown = false;
    errorBox.hidden = true;
    call(() => M._enclova_answer_error());
    schedule();
  }

  errorBox.querySelector('button').addEventListener('click', answerError);

  function say(text) {
    status.textContent = text;
  }

  function logLine(line) {
    console.log(line);
  }

  // ---- Keys ----

  const NAMED = {
    Backspace: 0x08, Tab: 0x09, Enter: 0x0d, NumpadEnter: 0x0d, ShiftLeft: 0x10, ShiftRight: 0x10,
    ControlLeft: 0x11, ControlRight: 0x11, AltLeft: 0x12, AltRight: 0x12, Escape: 0x1b,
    Space: 0x20, ArrowLeft: 0x25, ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28,
  };

  // The game's code (frontend/keys.h): arrows, the numpad and named keys by their place,
  // letters by the Latin letter they type, else by their place.
  function gameKey(e) {
    if (e.code in NAMED) return NAMED[e.code];
    let m = /^Numpad([0-9])$/.exec(e.code);
    if (m) return 0x60 + Number(m[1]);
    m = /^Digit([0-9])$/.exec(e.code);
    if (m) return 0x30 + Number(m[1]);
    m = /^F([0-9]{1,2})$/.exec(e.code);
    if (m && Number(m[1]) >= 1 && Number(m[1]) <= 24) return 0x70 + Number(m[1]) - 1;
    if (e.key && e.key.length === 1 && /[a-zA-Z]/.test(e.key)) return e.key.toUpperCase().charCodeAt(0);
    m = /^Key([A-Z])$/.exec(e.code);
    if (m) return m[1].charCodeAt(0);
    return 0xff;
  }

  function toggleFullscreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
    } else {
      document.documentElement.requestFullscreen().catch(() => {});
    }
  }

  function savePicture() {
    const at = M._enclova_picture_png(sizeCell);
    const bytes = M.HEAPU8.slice(at, at + M.HEAP32[sizeCell >> 2]);
    download(M.UTF8ToString(M._enclova_picture_name()), new Blob([bytes], { type: 'image/png' }));
  }

  function onKeyDown(e) {
    stats.keys++;
    // The browser's own shortcuts (reload, close, copy) stay the browser's.
    if (e.ctrlKey || e.metaKey) return;
    e.preventDefault();
    const code = gameKey(e);
    // The window's keys, and which close the error box, are the game's rules (frontend/).
    const action = M._enclova_window_key(code, e.altKey ? 1 : 0, e.repeat ? 1 : 0);
    if (action === 2) toggleFullscreen();
    if (action === 3) savePicture();
    if (action !== 0) return;
    if (errorShown) {
      if (M._enclova_closes_error_box(code)) answerError();
      return;
    }
    if (ended) {
      if (!e.repeat) {
        restart();
        schedule();
      }
      return;
    }
    call(() => M._enclova_key(code));
    schedule();
  }

  // ---- Playing a recorded round back ----

  // Plays a replay's text in the canvas at its recorded pace (or at once, `fast`); resolves to
  // 'match', 'differs' or 'refused'.
  function playReplay(name, text, fast) {
    if (playback) finishPlayback();
    const path = '/play/' + name.replace(/[^A-Za-z0-9._-]/g, '_');
    putFile(path, new TextEncoder().encode(text));
    return new Promise((resolve) => {
      const pathPtr = cString(path);
      const started = M._enclova_start_playback(pathPtr);
      M._free(pathPtr);
      if (!started) {
        resolve(report(name, M._enclova_end_playback()));
        return;
      }
      playback = { name, resolve, path };
      say('Playing ' + name + ' back (Escape ends it)');
      present(true);
      if (!fast) {
        schedule();
        return;
      }
      if (timer !== null) clearTimeout(timer);
      timer = null;
      // The recorded delays passed on a clock of its own: every call at once.
      let now = 0;
      for (;;) {
        const plan = M._enclova_plan_timer(now);
        if (plan === -2) {
          M._enclova_tick();
        } else if (plan >= 0) {
          now += plan;
        } else {
          break;
        }
      }
      present(false);
      finishPlayback();
    });
  }

  function report(name, verdict) {
    const word = verdict === 0 ? 'match' : verdict === 1 ? 'differs' : 'refused';
    say(name + ': ' + word);
    return word;
  }

  function finishPlayback() {
    const p = playback;
    playback = null;
    const verdict = M._enclova_end_playback();
    const pathPtr = cString(p.path);
    M._enclova_remove_file(pathPtr);
    M._free(pathPtr);
    present(true);
    p.resolve(report(p.name, verdict));
    schedule();
  }

  api.playReplay = playReplay;
  // For the tests: the ranking file as the game holds it, and the picture put into the canvas.
  api.rankingInGame = () => {
    const bytes = fileBytes(DATA + 'fdata.dat');
    return bytes ? toBase64(bytes) : null;
  };
  api.picture = () => toBase64(new Uint8Array(backingContext.getImageData(0, 0, W, H).data.buffer));
  api.scale = () => scale;
  // True when no timer is pending: the game waits for an event, its picture settled.
  api.idle = () => timer === null && !playback;

  document.addEventListener('dragover', (e) => {
    e.preventDefault();
    document.body.classList.add('dropping');
  });
  document.addEventListener('dragleave', () => document.body.classList.remove('dropping'));
  document.addEventListener('drop', (e) => {
    e.preventDefault();
    document.body.classList.remove('dropping');
    const file = e.dataTransfer && e.dataTransfer.files[0];
    if (!file) return;
    // Refused by its size before a byte of it is read: a film dropped by mistake would be read
    // whole into memory first, for seconds.
    const most = M._enclova_max_replay_bytes();
    if (file.size > most) {
      logLine('enclova: ' + file.name + ': refused: too large for a replay (more than ' + most + ' bytes)');
      say(file.name + ': refused');
      return;
    }
    file.text().then((text) => playReplay(file.name, text));
  });

  // ---- Start ----

  // ?daily: the day's boards, the same for everyone in the UTC day; ?seed=N: boards that repeat.
  function seed() {
    const params = new URLSearchParams(location.search);
    if (params.has('daily')) return M._enclova_daily_seed(Date.now());
    const value = params.get('seed');
    return value !== null && /^[0-9]+$/.test(value) ? Number(value) : -1;
  }

  async function fetchBytes(url) {
    try {
      const response = await fetch(url);
      if (!response.ok) return null;
      return new Uint8Array(await response.arrayBuffer());
    } catch (e) {
      return null;
    }
  }

  async function start() {
    const sheetFetch = fetchBytes('fgra.bmp');
    const emptyRankingFetch = fetchBytes('fdata.dat');
    M = await createEnclova({ storeRanking, logLine, print: logLine, printErr: logLine });
    sizeCell = M._malloc(4);
    // A missing sheet is left missing: the game then says so in its own words.
    const sheet = await sheetFetch;
    if (sheet) putFile(DATA + 'fgra.bmp', sheet);

    const s = storage();
    let stored = null;
    try {
      if (!s) throw new Error('no storage');
      stored = s.getItem(RANKING_KEY);
    } catch (e) {
      storageRefused = true;
      M._enclova_set_storage_refused(1);
    }
    const empty = await emptyRankingFetch;
    if (stored !== null && empty && damagedRanking(stored, empty.length)) {
      const kept = keepDamaged(stored);
      putFile(DATA + 'fdata.dat', empty);
      // A new ranking is stored only once the old one is kept; otherwise the first save stores
      // one, and until then the damaged text is not brought in again.
      if (kept) {
        storeRanking(empty);
      } else {
        lastRanking = stored;
      }
      say('The stored ranking could not be read: it is kept under Replays, and a new ranking was started.');
    } else if (stored !== null) {
      putFile(DATA + 'fdata.dat', fromBase64(stored));
      lastRanking = stored;
    } else if (empty) {
      putFile(DATA + 'fdata.dat', empty);
    }
    for (const { name, text } of storedReplays()) {
      putFile(REPLAYS + name, new TextEncoder().encode(text));
    }
    knownReplays = replayNames();
    listReplays();

    M._enclova_start(seed());
    layout();
    // The first showing of the window: the whole picture painted.
    call(() => M._enclova_paint());
    present(true);
    stats.titlePainted = performance.now();

    window.addEventListener('keydown', onKeyDown);
    window.addEventListener('resize', layout);
    document.addEventListener('fullscreenchange', layout);
    // A hidden tab is a covered window: the timer goes on as the browser allows, and coming
    // back repaints the whole picture.
    document.addEventListener('visibilitychange', () => {
      if (document.visibilityState !== 'visible' || playback) return;
      call(() => M._enclova_paint());
      present(true);
      schedule();
    });
    // Another tab's save shows when this one looks again: on its next call.
    document.getElementById('shot').addEventListener('click', savePicture);
    document.getElementById('full').addEventListener('click', toggleFullscreen);
    document.getElementById('list').addEventListener('click', () => {
      replayPanel.hidden = !replayPanel.hidden;
    });
    for (const b of document.querySelectorAll('#bar button')) {
      b.addEventListener('keydown', (e) => e.preventDefault());
    }
    schedule();
  }

  api.ready = start();

  if ('serviceWorker' in navigator && location.protocol !== 'file:') {
    navigator.serviceWorker.register('sw.js').catch(() => {});
  }
})();
