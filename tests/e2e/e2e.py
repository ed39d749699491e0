#!/usr/bin/env python3
"""End-to-end test harness: a program under Wine on a private Xvfb display, operated by the driver.

  e2e.py display-start --state FILE --prefix PREFIX
      starts an Xvfb on a free display :N (N >= 60) for a whole test run, puts the fonts into the
      prefix and makes sure the prefix's desktop lives on that display; FILE records it
  e2e.py display-stop --state FILE --prefix PREFIX
      ends the prefix's Wine processes, then that Xvfb (by pid)
  e2e.py run --script S.e2e --program EXE [--dll DLL]... --driver DRIVER --prefix PREFIX
             --out DIR [--state FILE] [--timeout SECONDS] [--vreader DRIVER.so [--pcscd PCSCD]]
             [--display DISPLAY] [--cwd DIR] [--windows-build BUILD]
      runs one test script; the program starts in DIR (default: its app folder). Without --state
      (or when FILE does not exist) the test starts its own Xvfb and stops it, and the prefix's
      wineserver, at the end; --display uses that display. With --vreader the test runs on
      the real stack: Wine's own winscard.dll and a private pcscd whose readers are virtual reader
      drivers, one per `[reader NAME]` of the script's scenarios (only inside the namespace of
      testenv/realstack/run-in-root.sh). --windows-build: the Windows build the prefix reports
      during the test (it is Windows 10 build 19045; 22631 makes it Windows 11), restored at the end.

KARDOSKOP_TIME_FACTOR (a positive number, 1 by default) stretches every time limit of the harness
and the driver on a slow machine: `within`, the waits of driver commands, the driver's answer,
the program's exit, pcscd, the whole test (--timeout). `sleep` stays as written.

The script language is described in README.md next to this file.
"""

import argparse
import ctypes
import json
import math
import os
import queue
import re
import shutil
import signal
import subprocess
import sys
import threading
import time
from pathlib import Path

ENCODING = 'cp1252'            # the ANSI code page of the programs (Wine's, for every locale tried)
FIRST_DISPLAY = 60
XVFB_LIFETIME_S = 3600         # a display whose stop never ran ends by itself after this
DRIVER_ANSWER_S = 60           # longest wait for one driver answer
WITHIN_POLL_S = 0.05
WINE_FONTS = Path('/usr/share/wine/fonts')
WINDOWS_BUILD_SCRIPT = Path(__file__).resolve().parents[2] / 'testenv' / 'wine' / 'windows-build.sh'


def time_factor():
    """KARDOSKOP_TIME_FACTOR: how much longer every time limit is on this machine (the driver reads
    the same variable). Digits with an optional decimal point, greater than zero."""
    text = os.environ.get('KARDOSKOP_TIME_FACTOR', '')
    if not text:
        return 1.0
    if not re.fullmatch(r'\d+(\.\d*)?|\.\d+', text) or float(text) <= 0:
        sys.exit(f'KARDOSKOP_TIME_FACTOR must be a positive number such as 2 or 1.5, not {text!r}')
    return float(text)


TIME_FACTOR = time_factor()


def scaled(seconds):
    """A time limit of this machine."""
    return seconds * TIME_FACTOR


def log(message):
    print(message, flush=True)


# --- Wine and Xvfb -----------------------------------------------------------------------------

# KARDOSKOP_WINEARCH (set by the build tree's tests) picks the prefix's kind: win32 for the
# shipped i686 program, win64 for the x86_64 twin, which runs under the 64-bit loader directly (the
# paths are the same in Debian 12's Wine and in the Debian 13 root's). KARDOSKOP_WINSCARD=builtin
# leaves Wine's own winscard.dll in place: the real resource manager, through Wine 10.
WINE_ARCH = os.environ.get('KARDOSKOP_WINEARCH', 'win32')
if WINE_ARCH not in ('win32', 'win64'):
    sys.exit(f'KARDOSKOP_WINEARCH must be win32 or win64: {WINE_ARCH}')
WINE = os.environ.get('KARDOSKOP_WINE') or ('wine' if WINE_ARCH == 'win32' else '/usr/lib/wine/wine64')
WINESERVER = os.environ.get('KARDOSKOP_WINESERVER') or '/usr/lib/wine/wineserver'
REAL_WINSCARD = os.environ.get('KARDOSKOP_WINSCARD') == 'builtin'


def wine_env(prefix, display):
    env = dict(os.environ)
    env.update({
        'WINEPREFIX': prefix,
        'WINEARCH': WINE_ARCH,
        'WINEDEBUG': os.environ.get('WINEDEBUG', '-all'),
        # "n" only for winscard: without the simulated DLL the program must fail, not fall back
        # to Wine's stub. No mono, no gecko: no installer dialogs.
        'WINEDLLOVERRIDES': 'mscoree,mshtml=' if REAL_WINSCARD else 'winscard=n;mscoree,mshtml=',
        'DISPLAY': display,
    })
    if WINE_ARCH == 'win64':
        env['WINELOADER'] = WINE
    return env


def windows_path(path):
    return 'Z:' + str(Path(path).resolve()).replace('/', '\\')


def wineserver(prefix, *args):
    env = wine_env(prefix, os.environ.get('DISPLAY', ''))
    subprocess.run([WINESERVER, *args], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False, timeout=scaled(60))


def stop_wine(prefix):
    wineserver(prefix, '-k')
    wineserver(prefix, '-w')


def process_environment(pid):
    try:
        raw = Path(f'/proc/{pid}/environ').read_bytes()
    except OSError:
        return {}
    env = {}
    for entry in raw.split(b'\0'):
        key, _, value = entry.partition(b'=')
        env[key.decode(errors='replace')] = value.decode(errors='replace')
    return env


def desktop_displays(prefix):
    """DISPLAY of every running desktop process (explorer.exe) of the prefix."""
    displays = []
    for entry in Path('/proc').iterdir():
        if not entry.name.isdigit():
            continue
        try:
            cmdline = (entry / 'cmdline').read_bytes()
        except OSError:
            continue
        if b'explorer.exe' not in cmdline:
            continue
        env = process_environment(entry.name)
        if env.get('WINEPREFIX') == prefix:
            displays.append(env.get('DISPLAY', ''))
    return displays


def link_fonts(prefix):
    # Without Wine's own fonts in the prefix, "MS Sans Serif" and the caption font are substituted.
    fonts = Path(prefix) / 'drive_c' / 'windows' / 'Fonts'
    fonts.mkdir(parents=True, exist_ok=True)
    for font in sorted(WINE_FONTS.glob('*')):
        target = fonts / font.name
        if not target.exists():
            target.symlink_to(font)


def display_free(n):
    return not Path(f'/tmp/.X11-unix/X{n}').exists() and not Path(f'/tmp/.X{n}-lock').exists()


def display_answers(display):
    result = subprocess.run(['xdpyinfo', '-display', display], stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    return result.returncode == 0


def child_pid(pid):
    try:
        children = Path(f'/proc/{pid}/task/{pid}/children').read_text().split()
    except OSError:
        return None
    return int(children[0]) if children else None


def start_xvfb(log_dir, detach):
    """Starts Xvfb on the first free display from :60. Returns (display, wrapper Popen, Xvfb pid)."""
    log_dir.mkdir(parents=True, exist_ok=True)
    for n in range(FIRST_DISPLAY, FIRST_DISPLAY + 100):
        if not display_free(n):
            continue
        display = f':{n}'
        with open(log_dir / 'xvfb.log', 'wb') as out:
            # `timeout` is the safety net of a display whose stop never runs.
            wrapper = subprocess.Popen(
                ['timeout', str(XVFB_LIFETIME_S), 'Xvfb', display, '-screen', '0', '1280x1024x24',
                 '-nolisten', 'tcp'],
                stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                start_new_session=detach)
        deadline = time.monotonic() + scaled(15)
        while time.monotonic() < deadline and wrapper.poll() is None:
            if Path(f'/tmp/.X11-unix/X{n}').exists() and display_answers(display):
                xvfb = child_pid(wrapper.pid)
                if xvfb is not None:
                    return display, wrapper, xvfb
            time.sleep(0.05)
        if wrapper.poll() is None:  # started but never answered: not ours to keep
            wrapper.terminate()
            wrapper.wait(10)
        # Exited: most likely someone else took the display meanwhile; try the next one.
    raise RuntimeError('no free X display found for Xvfb')


def is_process(pid, name):
    try:
        stat = Path(f'/proc/{pid}/stat').read_text()
        cmdline = Path(f'/proc/{pid}/cmdline').read_bytes()
    except OSError:
        return False
    state = stat.rsplit(')', 1)[1].split()[0]
    return state != 'Z' and name.encode() in cmdline


def kill_pid(pid, name, grace_s=5):
    """Ends process `pid` if it still is the program `name` (pids are reused)."""
    if not is_process(pid, name):
        return
    os.kill(pid, signal.SIGTERM)
    deadline = time.monotonic() + grace_s
    while time.monotonic() < deadline:
        if not is_process(pid, name):
            return
        time.sleep(0.05)
    os.kill(pid, signal.SIGKILL)


def display_start(args):
    state_file = Path(args.state)
    if state_file.exists():   # left by a run that never stopped: stop it first
        display_stop(args)
    link_fonts(args.prefix)
    display, wrapper, xvfb = start_xvfb(state_file.parent, detach=True)
    state_file.write_text(json.dumps({'display': display, 'xvfb': xvfb, 'wrapper': wrapper.pid}))
    # A desktop process started earlier without this display (by a test without a window) would
    # serve the windows of every later program: start the prefix's processes afresh.
    if any(d != display for d in desktop_displays(args.prefix)):
        stop_wine(args.prefix)
    log(f'Xvfb {display} (pid {xvfb}) serves the e2e tests')
    return 0


def display_stop(args):
    state_file = Path(args.state)
    if not state_file.exists():
        return 0
    state = json.loads(state_file.read_text())
    # Wine first: its desktop process must not outlive its display.
    stop_wine(args.prefix)
    kill_pid(state['xvfb'], 'Xvfb')
    kill_pid(state['wrapper'], 'timeout')
    state_file.unlink()
    log(f"Xvfb {state['display']} stopped")
    return 0


# --- a private pcscd with virtual readers (real-stack mode) -------------------------------------

PCSCD_SUFFIX = ' 00 00'        # pcscd names a reader FRIENDLYNAME + " 00 00" (one slot, distinct names)
PCSCD_MAX_ATR = 33             # the most pcscd takes; the driver clamps to it
PCSCD_WAIT_S = 5
SCARD_STATE_EMPTY = 0x10
SCARD_STATE_PRESENT = 0x20
SCARD_STATE_MUTE = 0x200
SCARD_E_NO_READERS_AVAILABLE = 0x8010002E


def is_tmpfs_mount(point):
    try:
        lines = Path('/proc/self/mountinfo').read_text().splitlines()
    except OSError:
        return False
    for line in lines:
        fields = line.split()
        if len(fields) > 4 and fields[4] == point and 'tmpfs' in fields[fields.index('-') + 1:][:1]:
            return True
    return False


def parse_readers(text):
    """[(name, [lines of its section])] of a scenario, in order; the settings before the first
    section (injections of the simulated DLL) mean nothing to pcscd and are left out."""
    readers, current = [], None
    for raw in text.splitlines():
        line = raw.strip()
        if line.startswith('[') and line.endswith(']'):
            kind, _, name = line[1:-1].partition(' ')
            if kind != 'reader' or not name:
                raise ValueError(f'not a reader section: {line}')
            current = (name, [])
            readers.append(current)
        elif current is not None:
            current[1].append(line)
    return readers


def expected_card(lines):
    """(card, ATR) that pcscd shows once it has polled a state file."""
    card, atr = 'absent', b''
    for line in lines:
        key, sep, value = line.partition('=')
        if not sep or line.startswith('#'):
            continue
        key, value = key.strip(), value.split('#')[0].strip()
        if key == 'card':
            card = value
        elif key == 'atr':
            atr = bytes.fromhex(value.replace(' ', ''))
    return card, atr[:PCSCD_MAX_ATR]


class ReaderState(ctypes.Structure):
    # pcsc-lite's SCARD_READERSTATE on 64-bit Linux: DWORD is unsigned long.
    _fields_ = [('szReader', ctypes.c_char_p), ('pvUserData', ctypes.c_void_p),
                ('dwCurrentState', ctypes.c_ulong), ('dwEventState', ctypes.c_ulong),
                ('cbAtr', ctypes.c_ulong), ('rgbAtr', ctypes.c_ubyte * 33)]


class PcscLite:
    """What the harness asks pcscd itself, through the root's libpcsclite."""

    def __init__(self):
        self.lib = ctypes.CDLL('libpcsclite.so.1')
        self.lib.SCardEstablishContext.argtypes = [ctypes.c_ulong, ctypes.c_void_p, ctypes.c_void_p,
                                                   ctypes.POINTER(ctypes.c_long)]
        self.lib.SCardReleaseContext.argtypes = [ctypes.c_long]
        self.lib.SCardListReaders.argtypes = [ctypes.c_long, ctypes.c_char_p, ctypes.c_char_p,
                                              ctypes.POINTER(ctypes.c_ulong)]
        self.lib.SCardGetStatusChange.argtypes = [ctypes.c_long, ctypes.c_ulong,
                                                  ctypes.POINTER(ReaderState), ctypes.c_ulong]
        for f in ('SCardEstablishContext', 'SCardReleaseContext', 'SCardListReaders',
                  'SCardGetStatusChange'):
            getattr(self.lib, f).restype = ctypes.c_long

    def snapshot(self):
        """(return code, [names], {name: (event state, ATR)})."""
        context = ctypes.c_long()
        rv = self.lib.SCardEstablishContext(2, None, None, ctypes.byref(context)) & 0xFFFFFFFF
        if rv:
            return rv, [], {}
        try:
            length = ctypes.c_ulong(0)
            rv = self.lib.SCardListReaders(context, None, None, ctypes.byref(length)) & 0xFFFFFFFF
            if rv:
                return rv, [], {}
            buffer = ctypes.create_string_buffer(length.value)
            rv = self.lib.SCardListReaders(context, None, buffer, ctypes.byref(length)) & 0xFFFFFFFF
            if rv:
                return rv, [], {}
            names = [n.decode(ENCODING) for n in buffer.raw[:length.value].split(b'\0') if n]
            states = {}
            for name in names:
                state = ReaderState(name.encode(ENCODING), None, 0, 0, 0)
                if self.lib.SCardGetStatusChange(context, 0, ctypes.byref(state), 1) == 0:
                    states[name] = (state.dwEventState, bytes(state.rgbAtr[:state.cbAtr]))
            return 0, names, states
        finally:
            self.lib.SCardReleaseContext(context)


class Pcscd:
    """pcscd with one virtual reader driver (a copy of its own) per reader of the scenario. The
    readers' state files are the scenario's sections; the daemon is started again only when the
    set of readers changes, a mere change of cards is a rewrite of state files."""

    def __init__(self, folder, vreader, program):
        if not (is_tmpfs_mount('/run/pcscd') and is_tmpfs_mount('/usr/lib/pcsc/drivers')):
            raise TestFailure('the real-stack mode runs only inside testenv/realstack/run-in-root.sh '
                              '(private /run/pcscd and pcscd drivers folder)')
        if not Path(vreader).is_file():
            raise TestFailure(f'no virtual reader driver at {vreader}: build the native preset first')
        self.folder = Path(folder).resolve()
        self.folder.mkdir(parents=True, exist_ok=True)
        self.vreader = vreader
        self.program = program
        self.readers = []       # [(pcscd's name, section lines)]
        self.proc = None
        self.pcsc = PcscLite()

    def state_path(self, index):
        return self.folder / f'reader{index}.state'

    def write_state(self, index):
        name, lines = self.readers[index]
        temp = self.folder / f'reader{index}.state.new'
        temp.write_text(f'[reader {name}]\n' + '\n'.join(lines) + '\n', encoding=ENCODING)
        os.replace(temp, self.state_path(index))

    def apply(self, text):
        """Makes pcscd show the readers and cards of a scenario."""
        try:
            readers = parse_readers(text)
        except ValueError as e:
            return False, str(e)
        names = [name for name, _ in readers]
        for name in names:
            if not name.endswith(PCSCD_SUFFIX) or len(name) == len(PCSCD_SUFFIX):
                return False, f"pcscd names its readers FRIENDLYNAME + '{PCSCD_SUFFIX}': {name!r}"
        if len(set(names)) != len(names):
            return False, 'two readers of one name'
        same_set = self.proc is not None and names == [name for name, _ in self.readers]
        self.readers = readers
        for index in range(len(readers)):
            self.write_state(index)
        if same_set:
            return True, ''
        self.stop()
        return self.start()

    def start(self):
        if self.proc is not None:
            return False, 'pcscd runs already'
        conf = []
        for index, (name, _) in enumerate(self.readers):
            driver = self.folder / f'vreader{index}.so'
            if not driver.exists():
                shutil.copy2(self.vreader, driver)
            if not self.state_path(index).exists():
                self.write_state(index)
            conf.append(f'FRIENDLYNAME "{name[:-len(PCSCD_SUFFIX)]}"\nDEVICENAME {self.state_path(index)}\n'
                        f'LIBPATH {driver}\n')
        conf_path = self.folder / 'reader.conf'
        conf_path.write_text('\n'.join(conf), encoding=ENCODING)
        with open(self.folder / 'pcscd.log', 'ab') as out:
            self.proc = subprocess.Popen([self.program, '--foreground', '--disable-polkit',
                                          '--config', str(conf_path)],
                                         stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)
        return self.wait_settled()

    def wait_settled(self):
        """Until pcscd lists every reader, in order, with the card of its state file."""
        wanted = [name for name, _ in self.readers]
        deadline = time.monotonic() + scaled(PCSCD_WAIT_S)
        seen = 'no answer'
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                code = self.proc.returncode
                self.proc = None
                return False, f'pcscd ended at start (exit code {code}); see {self.folder / "pcscd.log"}'
            rv, names, states = self.pcsc.snapshot()
            if rv == SCARD_E_NO_READERS_AVAILABLE and not wanted:
                return True, ''
            if rv == 0 and names == wanted and all(self.settled(i, states.get(n)) for i, n in enumerate(names)):
                return True, ''
            seen = f'code 0x{rv:08X}, readers {names}, states ' + \
                ', '.join(f'0x{s:X} {a.hex()}' for s, a in states.values())
            time.sleep(0.02)
        return False, f'pcscd did not show the readers within {scaled(PCSCD_WAIT_S):g} s ({seen})'

    def settled(self, index, state):
        if state is None:
            return False
        event, atr = state
        card, want_atr = expected_card(self.readers[index][1])
        if card == 'absent':
            return bool(event & SCARD_STATE_EMPTY)
        if card == 'present':
            return bool(event & SCARD_STATE_PRESENT) and atr == want_atr
        if card == 'mute':
            return bool(event & SCARD_STATE_MUTE)
        return True

    def stop(self, kill=False):
        """SIGTERM to the daemon, by pid, or SIGKILL (`kill`: a daemon that dies without its
        clean-up, leaving its pid file and socket behind); returns (ok, error)."""
        if self.proc is None:
            return True, ''
        proc, self.proc = self.proc, None
        if kill:
            proc.kill()
            proc.wait()
            return True, ''
        proc.terminate()
        try:
            proc.wait(scaled(PCSCD_WAIT_S))
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            return False, f'pcscd did not end within {scaled(PCSCD_WAIT_S):g} s of SIGTERM; killed'
        return True, ''


# --- the driver --------------------------------------------------------------------------------

class Driver:
    """The driver process, asked one command at a time over its stdin and stdout."""

    def __init__(self, exe, env, log_file):
        self.proc = subprocess.Popen([WINE, exe], env=env, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=log_file)
        self.lines = queue.Queue()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for raw in self.proc.stdout:
            self.lines.put(raw.decode(ENCODING).rstrip('\r\n'))
        self.lines.put(None)

    def ask(self, line):
        """Returns (ok, output lines, error)."""
        self.proc.stdin.write(line.encode(ENCODING) + b'\n')
        self.proc.stdin.flush()
        output = []
        deadline = time.monotonic() + scaled(DRIVER_ANSWER_S)
        while True:
            try:
                answer = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                raise TestFailure(f'the driver gave no answer within {scaled(DRIVER_ANSWER_S):g} s')
            if answer is None:
                raise TestFailure('the driver ended')
            if answer.startswith('= '):
                output.append(answer[2:])
            elif answer == '=':
                output.append('')
            elif answer == 'ok':
                return True, output, ''
            elif answer.startswith('error: '):
                return False, output, answer[7:]
            else:
                raise TestFailure(f'the driver said something unexpected: {answer!r}')

    def stop(self):
        if self.proc.poll() is None:
            try:
                self.proc.stdin.write(b'quit\n')
                self.proc.stdin.close()
                self.proc.wait(scaled(10))
            except (OSError, subprocess.TimeoutExpired):
                pass
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


# --- test scripts ------------------------------------------------------------------------------

class TestFailure(Exception):
    pass


class Step:
    def __init__(self, number, words, raw, expect_error=False, within_ms=None):
        self.number = number          # line in the script
        self.words = words
        self.raw = raw                # the command as written (sent to the driver unchanged)
        self.expect_error = expect_error
        self.within_ms = within_ms
        self.expected = None          # list of (kind, text) or None: output not checked
        self.block = None             # text of a here-document


HARNESS_COMMANDS = {'scenario', 'start', 'wait-exit', 'kill', 'screenshot', 'sleep', 'env', 'reg', 'pcscd-stop',
                    'pcscd-start', 'main-colour', 'file-lines', 'files', 'save'}


def split_words(text):
    words, word, i, quoted = [], None, 0, False
    while i < len(text):
        c = text[i]
        if quoted:
            if c == '\\' and i + 1 < len(text) and text[i + 1] in '"\\':
                word += text[i + 1]
                i += 1
            elif c == '"':
                quoted = False
            else:
                word += c
        elif c in ' \t':
            if word is not None:
                words.append(word)
                word = None
        elif c == '"':
            word = word or ''
            quoted = True
        else:
            word = (word or '') + c
        i += 1
    if quoted:
        raise ValueError('unterminated quote')
    if word is not None:
        words.append(word)
    return words


def parse_script(path, out=None):
    """The script's steps; @OUT@ stands for the Windows path (Z:\\...) of the test's folder."""
    steps = []
    text = Path(path).read_text(encoding='utf-8')
    if out is not None:
        text = text.replace('@OUT@', windows_path(out))
    lines = text.splitlines()
    i = 0
    while i < len(lines):
        number, line = i + 1, lines[i]
        i += 1
        stripped = line.strip()
        if not stripped or stripped.startswith('#'):
            continue
        if stripped.startswith('>'):
            if not steps or steps[-1].block is not None and steps[-1].words[0] == 'scenario':
                raise SyntaxError(f'{path}:{number}: expected output without a command')
            kind, text = ('regex', stripped[2:].lstrip()) if stripped.startswith('>~') else ('exact', stripped[2:])
            if steps[-1].expected is None:
                steps[-1].expected = []
            steps[-1].expected.append((kind, text))
            continue
        expect_error = False
        within_ms = None
        command = stripped
        if command.startswith('!'):
            expect_error, command = True, command[1:].strip()
        try:
            words = split_words(command)
        except ValueError as e:
            raise SyntaxError(f'{path}:{number}: {e}')
        if words[0] == 'within':
            if len(words) < 3 or not words[1].isdigit():
                raise SyntaxError(f'{path}:{number}: within MS COMMAND ...')
            within_ms = int(words[1])
            command = command.split(None, 2)[2]
            words = words[2:]
        step = Step(number, words, command, expect_error, within_ms)
        if words[0] == 'scenario':
            if len(words) != 2 or not words[1].startswith('<<'):
                raise SyntaxError(f'{path}:{number}: scenario <<END, the text, then END alone')
            end = words[1][2:]
            body = []
            while i < len(lines) and lines[i].strip() != end:
                body.append(lines[i])
                i += 1
            if i >= len(lines):
                raise SyntaxError(f'{path}:{number}: no line {end} ends the scenario')
            i += 1
            step.block = '\n'.join(line.strip() for line in body) + '\n'
        steps.append(step)
    return steps


def matches(expected, actual):
    # Trailing blanks are not compared: empty last columns would otherwise need them in scripts.
    actual = [line.rstrip() for line in actual]
    if len(expected) != len(actual):
        return False
    for (kind, text), line in zip(expected, actual):
        if kind == 'exact' and text.rstrip() != line:
            return False
        if kind == 'regex' and not re.fullmatch(text, line):
            return False
    return True


class Test:
    def __init__(self, args):
        self.args = args
        self.out = Path(args.out)
        self.prefix = args.prefix
        self.program = None
        self.extra_env = {}
        self.display = None
        self.own_xvfb = None
        self.driver = None
        self.log_file = None
        self.pcscd = None
        self.prefix_build = None    # the prefix's own build while --windows-build replaces it

    # Everything a test runs in: app folder, display, scenario path.
    def prepare(self):
        if self.out.exists():
            shutil.rmtree(self.out)
        app = self.out / 'app'
        app.mkdir(parents=True)
        # Copies, not links: the program sees a folder of its own, as when installed.
        self.exe = app / Path(self.args.program).name
        shutil.copy2(self.args.program, self.exe)
        for dll in self.args.dll:
            shutil.copy2(dll, app / Path(dll).name)
        self.scenario = self.out / 'scenario.txt'
        self.scenario.write_text('')
        self.log_file = open(self.out / 'wine.log', 'wb')
        state = Path(self.args.state) if self.args.state else None
        if self.args.display:
            # A display of the user's: the prefix's desktop must live there.
            link_fonts(self.prefix)
            stop_wine(self.prefix)
            self.display = self.args.display
        elif state and state.exists():
            self.display = json.loads(state.read_text())['display']
        else:
            link_fonts(self.prefix)
            stop_wine(self.prefix)   # a desktop on another display would take our windows
            self.display, wrapper, xvfb = start_xvfb(self.out, detach=False)
            self.own_xvfb = (wrapper, xvfb)
        self.env = wine_env(self.prefix, self.display)
        self.env['KARDOSKOP_SCENARIO'] = windows_path(self.scenario)
        if self.args.vreader:
            self.pcscd = Pcscd(self.out / 'pcscd', self.args.vreader, self.args.pcscd)
        if self.args.windows_build:
            self.prefix_build = self.windows_build(self.args.windows_build)

    def windows_build(self, build):
        """Makes the prefix report Windows build `build`; returns the build it reported before."""
        result = subprocess.run(['sh', str(WINDOWS_BUILD_SCRIPT), self.prefix, str(build)], env=self.env,
                                stdin=subprocess.DEVNULL, capture_output=True, check=False, timeout=scaled(60))
        self.log_file.write(result.stderr)
        if result.returncode != 0:
            raise RuntimeError(f'windows-build.sh {build} failed: {result.stderr.decode(errors="replace").strip()}')
        return result.stdout.decode().strip()

    def run_steps(self, steps):
        self.driver = Driver(self.args.driver, self.env, self.log_file)
        for step in steps:
            self.run_step(step)

    def run_step(self, step):
        name = step.words[0]
        within_ms = None if step.within_ms is None else scaled(step.within_ms)
        started = time.monotonic()
        while True:
            if name in HARNESS_COMMANDS:
                ok, output, error = self.harness_command(step)
            else:
                ok, output, error = self.driver.ask(step.raw)
            good = (not ok) if step.expect_error else ok and (step.expected is None or matches(step.expected, output))
            if good:
                return
            if within_ms is None or (time.monotonic() - started) * 1000 >= within_ms:
                break
            time.sleep(WITHIN_POLL_S)
        message = [f'line {step.number}: {step.raw}']
        if step.expect_error and ok:
            message.append('  expected an error, but it succeeded')
        elif not ok and not step.expect_error:
            message.append(f'  error: {error}')
        if ok and step.expected is not None and not step.expect_error:
            message.append('  expected:')
            message += [f'    {"~ " if k == "regex" else "> "}{t}' for k, t in step.expected]
            message.append('  got:')
            message += [f'    > {line}' for line in output]
        if within_ms is not None:
            message.append(f'  (repeated for {within_ms:g} ms)')
        raise TestFailure('\n'.join(message))

    def harness_command(self, step):
        """Returns (ok, output, error) like a driver command."""
        name, words = step.words[0], step.words[1:]
        if name == 'scenario':
            # Atomic: the simulated DLL reads the file again at every call.
            temp = self.scenario.with_suffix('.tmp')
            temp.write_text(step.block, encoding=ENCODING)
            os.replace(temp, self.scenario)
            if self.pcscd:
                ok, error = self.pcscd.apply(step.block)
                return ok, [], error
            return True, [], ''
        if name in ('pcscd-stop', 'pcscd-start'):
            if not self.pcscd:
                return False, [], f'{name}: only in real-stack mode (--vreader)'
            if name == 'pcscd-start':
                ok, error = self.pcscd.start() if not words else (False, 'pcscd-start takes no argument')
            elif words not in ([], ['kill']):
                ok, error = False, 'pcscd-stop [kill]'
            else:
                ok, error = self.pcscd.stop(kill=words == ['kill'])
            return ok, [], error
        if name == 'file-lines':
            if len(words) not in (1, 2, 3) or len(words) == 3 and not words[2].isdigit():
                return False, [], 'file-lines NAME [REGEX [COUNT]]'
            return self.file_lines(*words)
        if name == 'save':
            # A driver command's output kept for a check after the run (the scale test's numbers).
            if len(words) < 2 or not re.fullmatch(r'[\w.-]+', words[0]):
                return False, [], 'save NAME COMMAND... (NAME: letters, digits, _ . -)'
            ok, output, error = self.driver.ask(step.raw.split(None, 2)[2])
            if ok:
                (self.out / words[0]).write_text(''.join(line + '\n' for line in output), encoding=ENCODING)
            return ok, [], error
        if name == 'main-colour':
            if len(words) != 1:
                return False, [], 'main-colour SEL'
            return self.main_colour(words[0])
        if name == 'env':
            if len(words) != 2:
                return False, [], 'env NAME VALUE'
            self.extra_env[words[0]] = words[1]
            return True, [], ''
        if name == 'reg':
            # Registry values persist in the prefix: a test sets what it relies on.
            # Into a file, not a pipe: Wine processes that this call may start would hold a pipe open.
            with open(self.out / 'reg.out', 'w+b') as out:
                result = subprocess.run([WINE, 'reg', *words], env=self.env, stdin=subprocess.DEVNULL,
                                        stdout=out, stderr=subprocess.STDOUT, check=False, timeout=scaled(60))
                out.seek(0)
                lines = out.read().decode('cp850', errors='replace').replace('\r', '').splitlines()
            lines = [line for line in lines if line.strip()]
            if result.returncode != 0:
                return False, lines, f'wine reg failed (exit code {result.returncode})'
            return True, lines, ''
        if name == 'start':
            if self.program and self.program.poll() is None:
                return False, [], 'the program is already running'
            env = dict(self.env, **self.extra_env)
            cwd = self.args.cwd or self.out / 'app'
            self.program = subprocess.Popen([WINE, str(self.exe), *words], env=env, cwd=cwd,
                                            stdin=subprocess.DEVNULL, stdout=self.log_file,
                                            stderr=self.log_file)
            return True, [], ''
        if name == 'wait-exit':
            timeout_s = scaled(int(words[0]) / 1000 if words else 10)
            if not self.program:
                return False, [], 'no program was started'
            try:
                code = self.program.wait(timeout_s)
            except subprocess.TimeoutExpired:
                return False, [], f'the program still runs after {timeout_s:g} s'
            return True, [str(code)], ''
        if name == 'kill':
            # SIGKILL to the program's own process (Wine runs it in the process that `start` made):
            # as a power loss, or the task manager ending a program that hangs, nothing of the
            # program runs any more, no clean-up of its own included.
            if words:
                return False, [], 'kill takes no argument'
            if not self.program or self.program.poll() is not None:
                return False, [], 'the program is not running'
            self.program.kill()
            self.program.wait()
            return True, [], ''
        if name == 'files':
            if len(words) not in (1, 2):
                return False, [], 'files DIR [REGEX]'
            return self.files(*words)
        if name == 'screenshot':
            if len(words) != 1 or not re.fullmatch(r'[\w.-]+', words[0]):
                return False, [], 'screenshot NAME (letters, digits, _ . -)'
            self.screenshot(words[0])
            return True, [], ''
        if name == 'sleep':
            time.sleep(int(words[0]) / 1000)
            return True, [], ''
        return False, [], f'unknown harness command {name}'

    def file_lines(self, name, start=None, count=None):
        """The lines of a file of the test's folder (a log the program wrote), from the first line
        that matches `start`, `count` of them at most; tabs shown as \\t. Every line must end in
        CR LF except the last, which is printed as it is (a log file ends without a line end).
        A `*` in `name` stands for any characters (the process number in the name of the temporary
        file a log is written to); exactly one file must match."""
        paths = sorted(p for p in self.out.glob(name) if p.is_file()) if '*' in name else [self.out / name]
        if len(paths) != 1 or not paths[0].is_file():
            return False, [], f'no file {name}' if not paths else f'{len(paths)} files match {name}'
        path = paths[0]
        data = path.read_bytes().decode(ENCODING)
        lines = data.split('\r\n')
        if any('\n' in line or '\r' in line for line in lines):
            return False, [], f'{name}: a line end other than CR LF'
        if start is not None:
            first = next((i for i, line in enumerate(lines) if re.search(start, line)), None)
            if first is None:
                return False, [], f'{name}: no line matches {start!r}'
            lines = lines[first:]
        if count is not None:
            lines = lines[:int(count)]
        return True, [line.replace('\t', '\\t') for line in lines], ''

    def files(self, folder, pattern='.*'):
        """The names of the files in `folder` (a Windows path Z:\\..., or one below the test's
        folder) whose whole name matches `pattern`, sorted."""
        path = Path(folder[2:].replace('\\', '/')) if re.match(r'[Zz]:', folder) else self.out / folder
        if not path.is_dir():
            return False, [], f'no folder {folder}'
        return True, sorted(p.name for p in path.iterdir() if p.is_file() and re.fullmatch(pattern, p.name)), ''

    def screenshot(self, name):
        # `import` rather than xwd: xwd shows Wine's message boxes as black rectangles.
        subprocess.run(['import', '-display', self.display, '-window', 'root', str(self.out / f'{name}.png')],
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=self.log_file,
                       check=False, timeout=30)

    def main_colour(self, selector):
        """The colour that most pixels of the control show on the screen, as #RRGGBB."""
        ok, output, error = self.driver.ask(f'screen-rect {selector}')
        if not ok:
            return False, [], error
        x, y, w, h = (int(v) for v in output[0].split())
        if w <= 0 or h <= 0:
            return False, [], f'the control has no area ({w}x{h})'
        # The whole screen first: import's own -crop does not cut where convert's does.
        screen = subprocess.run(['import', '-display', self.display, '-window', 'root', 'miff:-'],
                                stdin=subprocess.DEVNULL, capture_output=True, check=False, timeout=30)
        shot = subprocess.run(['convert', 'miff:-', '-crop', f'{w}x{h}+{x}+{y}', '+repage', '-depth', '8',
                               '-format', '%c', 'histogram:info:-'],
                              input=screen.stdout, capture_output=True, check=False, timeout=30)
        counts = []
        for line in shot.stdout.decode(errors='replace').splitlines():
            match = re.match(r'\s*(\d+):.*?(#[0-9A-Fa-f]{6})', line)
            if match:
                counts.append((int(match.group(1)), match.group(2).upper()))
        if not counts:
            return False, [], f'no histogram of the screen area: {shot.stderr.decode(errors="replace").strip()}'
        return True, [max(counts)[1]], ''

    def diagnose(self):
        """After a failure: a screenshot and the target's controls, for whoever reads the log."""
        try:
            self.screenshot('failure')
            log(f'screenshot: {self.out / "failure.png"}')
            if self.driver and self.driver.proc.poll() is None:
                ok, output, error = self.driver.ask('dump')
                log('controls of the target window:' if ok else f'no control dump: {error}')
                for line in output:
                    log(f'  {line}')
        except Exception as e:  # diagnosis must not hide the failure itself
            log(f'(diagnosis failed: {e})')

    def cleanup(self):
        """Stops all this test started; returns a complaint when the program had to be killed."""
        complaint = None
        if self.driver:
            self.driver.stop()
        if self.program and self.program.poll() is None:
            complaint = 'the program was still running at the end of the script'
            self.program.kill()
            self.program.wait()
        if self.pcscd:
            ok, error = self.pcscd.stop()
            complaint = complaint or (None if ok else error)
        if self.prefix_build:
            # The prefix is shared with the tests that follow.
            try:
                self.windows_build(self.prefix_build)
            except (RuntimeError, subprocess.TimeoutExpired) as e:
                complaint = complaint or f'the prefix keeps this test\'s Windows build: {e}'
        if self.own_xvfb:
            stop_wine(self.prefix)
            wrapper, xvfb = self.own_xvfb
            kill_pid(xvfb, 'Xvfb')
            try:
                wrapper.wait(10)
            except subprocess.TimeoutExpired:
                wrapper.kill()
                wrapper.wait()
        if self.log_file:
            self.log_file.close()
        return complaint


def run(args):
    steps = parse_script(args.script, args.out)
    test = Test(args)
    started = time.monotonic()

    # CTest's own time-out of the test stays above this one: it is stretched by the same factor
    # (testenv/wine/time-factor.cmake).
    timeout_s = math.ceil(scaled(args.timeout))

    def on_timeout(signum, frame):
        raise TestFailure(f'the test took longer than {timeout_s} s')

    signal.signal(signal.SIGALRM, on_timeout)
    signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(1))  # so cleanup runs
    signal.alarm(timeout_s)
    failure = None
    try:
        test.prepare()
        test.run_steps(steps)
    except TestFailure as e:
        failure = str(e)
        test.diagnose()
    except Exception as e:  # a fault of the harness or its tools: still clean up and report
        failure = f'{type(e).__name__}: {e}'
        test.diagnose()
    finally:
        signal.alarm(0)
        complaint = test.cleanup()
    failure = failure or complaint
    elapsed = time.monotonic() - started
    if failure:
        log(f'FAILED {Path(args.script).name} after {elapsed:.1f} s\n{failure}')
        log(f'output: {test.out}')
        return 1
    log(f'passed {Path(args.script).name}: {len(steps)} steps in {elapsed:.1f} s; output in {test.out}')
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest='command', required=True)
    for name in ('display-start', 'display-stop'):
        p = sub.add_parser(name)
        p.add_argument('--state', required=True)
        p.add_argument('--prefix', required=True)
    p = sub.add_parser('run')
    p.add_argument('--script', required=True)
    p.add_argument('--program', required=True)
    p.add_argument('--dll', action='append', default=[])
    p.add_argument('--driver', required=True)
    p.add_argument('--prefix', required=True)
    p.add_argument('--out', required=True)
    p.add_argument('--state')
    p.add_argument('--timeout', type=int, default=100)
    p.add_argument('--vreader', help='real-stack mode: the virtual reader driver for pcscd')
    p.add_argument('--pcscd', default='/usr/sbin/pcscd')
    p.add_argument('--display', help='an X display that runs already (no Xvfb of the test)')
    p.add_argument('--cwd', help="the program's current directory (default: its app folder)")
    p.add_argument('--windows-build', type=int, help='the Windows build the prefix reports during the test')
    args = parser.parse_args()
    if not os.path.isabs(args.prefix):
        parser.error('--prefix must be an absolute path')
    if args.command == 'display-start':
        return display_start(args)
    if args.command == 'display-stop':
        return display_stop(args)
    if args.vreader:
        # The real resource manager: Wine's own winscard.dll talks to the private pcscd.
        global REAL_WINSCARD
        REAL_WINSCARD = True
    return run(args)


if __name__ == '__main__':
    sys.exit(main())
