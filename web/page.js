// SPDX-License-Identifier: MIT
// The page's side of the game: keys, touch and pads, the timer, the canvas, storage, the error box
// and replays.
// Every rule of the game is in the WebAssembly session; this only carries events and pixels.
'use strict';

(function () {
  const W = 600;
  const H = 400;
  const BAR = 28; // the control bar's height in CSS pixels, outside fullscreen
  // The touch controls, in CSS pixels: the d-pad's and the buttons' square, the panel they take
  // below the picture (with the line of help above them), or the side each takes beside it.
  const PAD = 138;
  const PANEL_BELOW = 190;
  const SIDE = 150;
  const HELP_BESIDE = 36;
  // The shortest drag a step takes, in CSS pixels: on a phone a grid step of the picture is
  // shorter than a finger can place.
  const FINGER_STEP = 12;
  // How often the pads are read while one is connected.
  const PAD_POLL_MS = 16;
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
  const errorButton = errorBox.querySelector('button');
  const replayPanel = document.getElementById('replays');
  const replayList = document.getElementById('replay-list');
  const help = document.getElementById('help');
  const dpad = document.getElementById('dpad');
  const actions = document.getElementById('actions');

  // What the tests and the measurements look at.
  const stats = { timerCallbacks: 0, presents: 0, lastPresent: 0, titlePainted: null, keys: 0,
    padPolls: 0, touchKeys: 0, padKeys: 0 };
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
  let touchControls = false; // the page shows its buttons: the device has a touch screen
  let finger = null; // the pointer that traces on the picture
  let buttonsHeld = 0; // the page's buttons held, as enclova_pad's bits
  let padTimer = null; // the pads' next reading, while one is connected
  let padState = ''; // what the pads held at their last reading

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
      play.type = 'button';
      play.textContent = 'Play';
      play.setAttribute('aria-label', 'Play ' + name + ' back');
      play.addEventListener('click', () => {
        replayPanel.hidden = true;
        document.getElementById('list').setAttribute('aria-expanded', 'false');
        playReplay(name, text);
      });
      li.append(a, play);
      replayList.appendChild(li);
    }
  }

  // ---- The picture ----

  // The picture's whole scale in an area of CSS pixels, 0 when it does not fit there at all.
  function scaleIn(width, height) {
    const dpr = window.devicePixelRatio || 1;
    const w = Math.floor(width * dpr);
    const h = Math.floor(height * dpr);
    const n = M._enclova_fit_scale(w, h);
    return W * n <= w && H * n <= h ? n : 0;
  }

  // A CSS length on the device's pixel grid, so the picture's blocks stay whole.
  function snapped(css) {
    const dpr = window.devicePixelRatio || 1;
    return Math.round(css * dpr) / dpr;
  }

  function place(element, left, top, width, height) {
    element.style.left = snapped(left) + 'px';
    element.style.top = snapped(top) + 'px';
    if (width !== undefined) element.style.width = width + 'px';
    if (height !== undefined) element.style.height = height + 'px';
  }

  function layout() {
    const dpr = window.devicePixelRatio || 1;
    const bar = document.fullscreenElement ? 0 : BAR;
    // The layout viewport: a phone's innerWidth grows with whatever runs past its screen.
    const vw = document.documentElement.clientWidth;
    const vh = document.documentElement.clientHeight;
    // With a touch screen the controls take a panel below the picture or the sides beside it,
    // whichever leaves the picture the larger scale; they never lie over it.
    let beside = false;
    if (touchControls) {
      const below = scaleIn(vw, vh - bar - PANEL_BELOW);
      const aside = scaleIn(vw - 2 * SIDE, vh - bar - HELP_BESIDE);
      beside = aside > below;
      scale = Math.max(1, beside ? aside : below);
    } else {
      scale = M._enclova_fit_scale(Math.floor(vw * dpr), Math.floor((vh - bar) * dpr));
    }
    const cw = (W * scale) / dpr;
    const ch = (H * scale) / dpr;
    screen.width = W * scale;
    screen.height = H * scale;
    screen.style.width = cw + 'px';
    screen.style.height = ch + 'px';
    if (!touchControls) {
      place(screen, Math.max(0, (vw - cw) / 2), bar + Math.max(0, (vh - bar - ch) / 2));
    } else if (beside) {
      const top = bar + Math.max(0, (vh - bar - HELP_BESIDE - ch) / 2);
      place(screen, SIDE + Math.max(0, (vw - 2 * SIDE - cw) / 2), top);
      place(help, SIDE, top + ch, vw - 2 * SIDE);
      const middle = bar + (vh - bar) / 2;
      place(dpad, (SIDE - PAD) / 2, middle - PAD / 2);
      place(actions, vw - SIDE + (SIDE - PAD) / 2, middle - PAD / 2);
    } else {
      // The help right under the picture, the buttons at the bottom where the thumbs are.
      const top = bar + Math.max(0, (vh - bar - PANEL_BELOW - ch) / 2);
      place(screen, Math.max(0, (vw - cw) / 2), top);
      place(help, 0, top + ch, vw);
      const row = Math.max(top + ch + PANEL_BELOW - PAD - 8, vh - PAD - 8);
      place(dpad, 12, row);
      place(actions, vw - PAD - 12, row);
    }
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
    // A held direction's repeat that is due, as a held key's would be.
    if (M._enclova_pad_wait(performance.now()) === 0) {
      call(() => (stats.padKeys += M._enclova_pad_repeat(performance.now())));
      if (ended) return;
    }
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
    errorButton.focus();
  }

  function answerError() {
    if (!errorShown) return;
    errorShown = false;
    errorBox.hidden = true;
    if (document.activeElement === errorButton) errorButton.blur();
    call(() => M._enclova_answer_error());
    schedule();
  }

  errorButton.addEventListener('click', answerError);

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

  // The page's controls a key can reach: the bar's buttons and the list of replays.
  function onControl(target) {
    return target instanceof Element && target.matches('#bar button, #replays a, #replays button');
  }

  function onKeyDown(e) {
    stats.keys++;
    // The browser's own shortcuts (reload, close, copy) stay the browser's.
    if (e.ctrlKey || e.metaKey) return;
    // Tab and Shift+Tab walk the page's controls, and Enter and Space press the one that has the
    // focus; the game never sees them. The error box keeps the focus on its button.
    if (e.code === 'Tab' && !errorShown) return;
    const pressKey = e.code === 'Enter' || e.code === 'NumpadEnter' || e.code === 'Space';
    if (pressKey && (onControl(e.target) || (errorShown && e.target === errorButton))) return;
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

  // ---- Touch and pads ----

  // The rules are the game's (frontend/input_mapping.h): a drag on the board is the steps it
  // crosses, a tap on the cursor Z; the buttons and a gamepad are a pad whose d-pad and stick are
  // the arrows, held as a key is held, A is Z and B is X. Nothing here is Escape.

  function showTouchControls() {
    if (touchControls) return;
    touchControls = true;
    document.body.classList.add('touch');
    layout();
  }

  // A pointer's place on the canvas in device pixels, the picture's own grid times the scale.
  function devicePoint(e) {
    const dpr = window.devicePixelRatio || 1;
    const rect = screen.getBoundingClientRect();
    return [Math.round((e.clientX - rect.left) * dpr), Math.round((e.clientY - rect.top) * dpr)];
  }

  function touched(f) {
    if (errorShown) return;
    call(() => (stats.touchKeys += f()));
    schedule();
  }

  screen.addEventListener('pointerdown', (e) => {
    if (!M || e.pointerType === 'mouse' || finger !== null) return;
    e.preventDefault();
    showTouchControls();
    finger = e.pointerId;
    screen.setPointerCapture(e.pointerId);
    const [x, y] = devicePoint(e);
    const step = Math.round(FINGER_STEP * (window.devicePixelRatio || 1));
    M._enclova_touch_down(x, y, scale, 0, 0, step);
  });
  screen.addEventListener('pointermove', (e) => {
    if (e.pointerId !== finger) return;
    e.preventDefault();
    // Every point the browser gathered since the last event: the path follows the finger's way.
    const points = e.getCoalescedEvents ? e.getCoalescedEvents() : [];
    for (const p of points.length > 0 ? points : [e]) {
      const [x, y] = devicePoint(p);
      touched(() => M._enclova_touch_move(x, y));
    }
  });
  screen.addEventListener('pointerup', (e) => {
    if (e.pointerId !== finger) return;
    e.preventDefault();
    finger = null;
    const [x, y] = devicePoint(e);
    touched(() => M._enclova_touch_up(x, y));
  });
  screen.addEventListener('pointercancel', (e) => {
    if (e.pointerId !== finger) return;
    finger = null;
    M._enclova_touch_cancel();
  });

  // The page's buttons: a pad of their own, held while a finger or the mouse holds them.
  function pressButtons(bits) {
    if (!M || bits === buttonsHeld) return;
    buttonsHeld = bits;
    if (ended) {
      if (bits !== 0) restart();
      schedule();
      return;
    }
    touched(() => M._enclova_pad(0, bits, 0, 0, performance.now()));
  }

  for (const b of document.querySelectorAll('#touch button')) {
    const bit = Number(b.dataset.pad);
    b.addEventListener('pointerdown', (e) => {
      e.preventDefault();
      b.setPointerCapture(e.pointerId);
      pressButtons(buttonsHeld | bit);
    });
    const letGo = () => pressButtons(buttonsHeld & ~bit);
    b.addEventListener('pointerup', letGo);
    b.addEventListener('pointercancel', letGo);
    b.addEventListener('lostpointercapture', letGo);
    b.addEventListener('contextmenu', (e) => e.preventDefault());
  }

  // The Gamepad API gives no events for buttons: the pads are read while one is connected, and
  // not at all otherwise.
  function readPads() {
    padTimer = null;
    stats.padPolls++;
    const pads = Array.from(navigator.getGamepads ? navigator.getGamepads() : []).filter((p) => p && p.connected);
    if (pads.length === 0) {
      padState = '';
      M._enclova_pad_release(1);
      schedule();
      return;
    }
    let bits = 0;
    let sx = 0;
    let sy = 0;
    for (const p of pads) {
      const held = (i) => p.buttons[i] !== undefined && p.buttons[i].pressed;
      if (p.mapping === 'standard') {
        if (held(12)) bits |= 1;
        if (held(13)) bits |= 2;
        if (held(14)) bits |= 4;
        if (held(15)) bits |= 8;
      }
      if (held(0)) bits |= 16;
      if (held(1)) bits |= 32;
      const ax = p.axes[0] || 0;
      const ay = p.axes[1] || 0;
      if (Math.max(Math.abs(ax), Math.abs(ay)) > Math.max(Math.abs(sx), Math.abs(sy))) {
        sx = ax;
        sy = ay;
      }
    }
    const stick = (v) => Math.max(-32768, Math.min(32767, Math.round(v * 32767)));
    const state = [bits, stick(sx), stick(sy)].join(' ');
    const now = performance.now();
    // A state that has not changed gives a key only when a held direction's repeat is due.
    if (!ended && !errorShown && (state !== padState || M._enclova_pad_wait(now) === 0)) {
      padState = state;
      const before = stats.padKeys;
      call(() => (stats.padKeys += M._enclova_pad(1, bits, stick(sx), stick(sy), now)));
      if (stats.padKeys !== before) schedule();
    }
    padTimer = setTimeout(readPads, PAD_POLL_MS);
  }

  window.addEventListener('gamepadconnected', () => {
    if (M && padTimer === null) readPads();
  });

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
  api.padsRead = () => padTimer !== null;
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
    if (navigator.maxTouchPoints > 0 || window.matchMedia('(pointer: coarse)').matches) {
      touchControls = true;
      document.body.classList.add('touch');
    }
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
    const list = document.getElementById('list');
    list.addEventListener('click', () => {
      replayPanel.hidden = !replayPanel.hidden;
      list.setAttribute('aria-expanded', String(!replayPanel.hidden));
    });
    // A pad the browser already shows (the page was reloaded with it in hand).
    if (navigator.getGamepads && Array.from(navigator.getGamepads()).some((p) => p && p.connected)) readPads();
    schedule();
  }

  api.ready = start();

  if ('serviceWorker' in navigator && location.protocol !== 'file:') {
    navigator.serviceWorker.register('sw.js').catch(() => {});
  }
})();
