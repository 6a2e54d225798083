#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Two copies of an installed game on one player's folder, as a player who opens a second window
# makes them: both play the golden ranked round of level 1 at the same moment (so their saves
# meet), one of them killed with SIGKILL at a random moment in half the rounds, while a third
# copy starts up again and again beside them and is killed a moment later. Each runs on an Xvfb
# display of its own, its keys typed by xdotool, on the real clock. Bounded in time; prints the
# counts: rounds played and killed, start-ups, error lines, torn or wrongly set-aside rankings,
# and every replay the rounds left played back as recorded or not.
#
# Usage: python3 tools/two_copies.py PREFIX [SECONDS] [SEED]
#   PREFIX: an installed game (cmake --install BUILD --prefix PREFIX); SECONDS: how long to play
#   rounds (300 by default; about 20 s a round); SEED: the random moments' seed (31).
import glob
import os
import random
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time

ROOT_OF_TREE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def main():
    if len(sys.argv) < 2:
        sys.exit('usage: python3 tools/two_copies.py PREFIX [SECONDS] [SEED]')
    binary = os.path.join(sys.argv[1], 'games', 'enclova')
    limit = float(sys.argv[2]) if len(sys.argv) > 2 else 300
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 31
    rng = random.Random(seed)
    print('random moments from seed', seed)

    golden = open(os.path.join(ROOT_OF_TREE, 'tests/replays/good-ranked-level1.replay')).read()
    names = {0x25: 'Left', 0x26: 'Up', 0x27: 'Right', 0x28: 'Down', 0x5a: 'z', 0x58: 'x'}
    keys = [names[int(m.group(1), 16)] for m in re.finditer(r'^k 0 ([0-9a-f]+)', golden, re.M)][1:]

    root = tempfile.mkdtemp(prefix='enclova-two-copies-')
    home = os.path.join(root, 'home')
    own = os.path.join(home, '.local/share/enclova')
    work = os.path.join(root, 'work')
    os.makedirs(home)
    os.makedirs(work)

    servers, displays = [], []
    number = 70
    while len(displays) < 3:
        number += 1
        if os.path.exists('/tmp/.X%d-lock' % number) or os.path.exists('/tmp/.X11-unix/X%d' % number):
            continue
        servers.append(subprocess.Popen(['Xvfb', ':%d' % number, '-screen', '0', '800x600x24',
                                         '-nolisten', 'tcp'],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        displays.append(':%d' % number)
    time.sleep(1.5)

    def env(display=None):
        e = {'PATH': os.environ['PATH'], 'HOME': home}
        if display:
            e['DISPLAY'] = display
        return e

    def xdo(display, *args):
        subprocess.run(['xdotool'] + list(args), env=env(display), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=15)

    counts = {'rounds': 0, 'killed': 0, 'ended': 0, 'rounds with error lines': 0,
              'start-ups': 0, 'start-ups with error lines': 0, 'torn': 0, 'set aside': 0}
    lines = []
    lock = threading.Lock()

    def play(display, kill_at, tag):
        err = os.path.join(root, tag + '.err')
        with open(err, 'w') as log:
            p = subprocess.Popen([binary, '--seed=1'], cwd=work, env=env(display),
                                 stdout=subprocess.DEVNULL, stderr=log)
            killer = None
            if kill_at is not None:
                killer = threading.Timer(kill_at, lambda: p.send_signal(signal.SIGKILL))
                killer.start()
            try:
                xdo(display, 'search', '--sync', '--onlyvisible', '--name', 'Enclova')
                xdo(display, 'mousemove', '400', '300')  # no window manager: focus follows it
                time.sleep(0.3)
                xdo(display, 'key', 'z')
                time.sleep(6.5)  # the countdown
                xdo(display, 'key', '--delay', '40', *keys)
                time.sleep(9.5)  # the result, the save, the ranking screen
                xdo(display, 'key', 'Escape')
            except subprocess.TimeoutExpired:
                pass
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
            if killer:
                killer.cancel()
        text = open(err).read().strip()
        with lock:
            counts['rounds'] += 1
            counts['killed' if p.returncode == -signal.SIGKILL else 'ended'] += 1
            if text:
                counts['rounds with error lines'] += 1
                lines.append(tag + ': ' + text.replace('\n', ' | ')[:300])

    stop = threading.Event()

    def start_ups():
        n = 0
        while not stop.is_set():
            n += 1
            err = os.path.join(root, 'start-up.err')
            with open(err, 'w') as log:
                p = subprocess.Popen([binary], cwd=work, env=env(displays[2]),
                                     stdout=subprocess.DEVNULL, stderr=log)
                time.sleep(rng.uniform(0.02, 0.6))
                p.send_signal(signal.SIGKILL)
                p.wait()
            text = open(err).read().strip()
            with lock:
                counts['start-ups'] += 1
                if text:
                    counts['start-ups with error lines'] += 1
                    lines.append('start-up: ' + text.replace('\n', ' | ')[:300])

    def check_ranking():
        try:
            b = open(os.path.join(own, 'fdata.dat'), 'rb').read()
        except FileNotFoundError:
            return
        if len(b) == 160:
            t = struct.unpack('<20i', b[:80])
            lv = struct.unpack('<20i', b[80:])
            values = [lv[i] * 1000 - t[i] for i in range(20)]
            if all(values[i] >= values[i + 1] for i in range(19)):
                return
        with lock:
            counts['torn'] += 1
            lines.append('the ranking is %d bytes or out of order' % len(b))

    began = time.time()
    starter = threading.Thread(target=start_ups)
    starter.start()
    rounds = 0
    while time.time() - began < limit:
        rounds += 1
        victim = rng.randrange(2) if rng.random() < 0.5 else -1
        copies = [threading.Thread(target=play, args=(displays[c],
                                                      rng.uniform(0.2, 19.0) if c == victim else None,
                                                      'round%d-copy%d' % (rounds, c)))
                  for c in range(2)]
        for c in copies:
            c.start()
        for c in copies:
            c.join()
        check_ranking()
    stop.set()
    starter.join()
    for s in servers:
        s.terminate()
    counts['set aside'] = len(glob.glob(os.path.join(own, 'fdata.dat.damaged-*')))

    matched = differed = 0
    for f in sorted(glob.glob(os.path.join(own, 'replays/*.replay'))):
        r = subprocess.run([binary, '--replay', f, '--headless'], cwd=work, env=env(),
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
        if r.returncode == 0:
            matched += 1
        else:
            differed += 1
            lines.append(os.path.basename(f) + ': ' + r.stdout.decode().strip()[:300])
    print('%d rounds of two copies in %.0f s' % (rounds, time.time() - began))
    for name, n in counts.items():
        print('%s: %d' % (name, n))
    print('replays played back: %d match, %d differ' % (matched, differed))
    print('left in the folder:', sorted(n for n in os.listdir(own) if n != 'replays'))
    for line in lines[:40]:
        print(line)
    shutil.rmtree(root, ignore_errors=True)


main()
