"""What every benchmark here needs first: the Wine architecture of the build tree it measures (an
i686 tree runs in a win32 prefix, the x86_64 twin in a win64 one), set before the e2e harness is
loaded, and a line that says which build, Wine and resource manager produced the figures."""
import argparse
import importlib.util
import os
import re
import struct
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def build_arch(build):
    """'win64' when the build tree's program is an x86_64 PE file, else 'win32'."""
    exe = Path(build) / 'src' / 'PCSC_Kardoskop.exe'
    try:
        data = exe.read_bytes()[:4096]
        pe = struct.unpack_from('<I', data, 0x3C)[0]
        machine = struct.unpack_from('<H', data, pe + 4)[0]
    except (OSError, struct.error):
        return 'win32'
    return 'win64' if machine == 0x8664 else 'win32'


def _build_argument():
    for i, word in enumerate(sys.argv):
        if word == '--build' and i + 1 < len(sys.argv):
            return sys.argv[i + 1]
        if word.startswith('--build='):
            return word.split('=', 1)[1]
    return str(ROOT / 'build' / 'mingw')


def _argument(name, default):
    for i, word in enumerate(sys.argv):
        if word == name and i + 1 < len(sys.argv):
            return sys.argv[i + 1]
        if word.startswith(name + '='):
            return word.split('=', 1)[1]
    return default


os.environ.setdefault('KARDOSKOP_WINEARCH', build_arch(_build_argument()))

# --realstack: the program under Wine 10 with Wine's own winscard.dll, against a private pcscd
# whose readers are the virtual reader driver (--vreader) of the native build. Only inside
# testenv/realstack/run-in-root.sh, the home of Wine 10 and pcscd.
REAL_STACK = '--realstack' in sys.argv
VREADER = _argument('--vreader', str(ROOT / 'build' / 'native' / 'testenv' / 'vreader' / 'libvreader.so'))
if REAL_STACK:
    os.environ['KARDOSKOP_WINSCARD'] = 'builtin'

# Inside the root the Wine is Wine 10, with the simulated DLL as well (run-in-root.sh without
# --realstack); its prefix is kept apart from Wine 8's.
WINE10 = Path('/etc/debian_version').exists() and Path('/etc/debian_version').read_text().startswith('13')


def _load(name, path):
    spec = importlib.util.spec_from_file_location(name, path)
    module = importlib.util.module_from_spec(spec)
    sys.modules[name] = module
    spec.loader.exec_module(module)
    return module


e2e = _load('e2e', ROOT / 'tests' / 'e2e' / 'e2e.py')
mainwindow = _load('mainwindow_bench', ROOT / 'bench' / 'mainwindow_bench.py')


def readers(scenario):
    """The scenario as the resource manager in use names its readers: pcscd adds " 00 00" to
    every name (FRIENDLYNAME), the simulated DLL takes the section's name as it is."""
    if not REAL_STACK:
        return scenario
    return re.sub(r'^\[reader (.*)\]$', r'[reader \1 00 00]', scenario, flags=re.M)


def pcscd_version():
    try:
        out = subprocess.run(['/usr/sbin/pcscd', '--version'], capture_output=True, text=True, timeout=30)
    except (OSError, subprocess.TimeoutExpired):
        return 'pcscd'
    words = (out.stdout + out.stderr).split()
    return f'pcscd {words[words.index("version") + 1]}' if 'version' in words[:-1] else 'pcscd'


def describe(build):
    arch = os.environ['KARDOSKOP_WINEARCH']
    try:
        version = subprocess.run([e2e.WINE, '--version'], capture_output=True, text=True,
                                 timeout=30).stdout.strip()
    except (OSError, subprocess.TimeoutExpired):
        version = 'unknown Wine'
    manager = f"Wine's winscard.dll and {pcscd_version()}" if e2e.REAL_WINSCARD else 'the simulated winscard.dll'
    return f"{'x86_64' if arch == 'win64' else 'i686'} build ({build}), {version}, {manager}"


# --- both resource managers in one run ----------------------------------------------------------

RUNNER = ROOT / 'testenv' / 'realstack' / 'run-in-root.sh'
SIM_POLL_MS = 200.0
# pcscd sees a card change at its presence poll (every 400 ms), the program at its own poll.
REAL_FLOOR_MS = 400.0 + 200.0


def floor_ms():
    """What one card change may cost at most by the polls alone, on the resource manager in use."""
    return REAL_FLOOR_MS if REAL_STACK else SIM_POLL_MS


def floor_name():
    return ("the real stack's floor (pcscd's 400 ms presence poll + the 200 ms poll)" if REAL_STACK
            else 'the 200 ms poll period')


def add_stack_arguments(parser):
    parser.add_argument('--realstack', action='store_true',
                        help='Wine 10 and pcscd (only inside testenv/realstack/run-in-root.sh)')
    parser.add_argument('--vreader', help='real stack: the virtual reader driver for pcscd')
    parser.add_argument('--side-by-side', action='store_true',
                        help='the simulated DLL under the Wine here, then the real stack through '
                             'testenv/realstack/run-in-root.sh, printed side by side')
    parser.add_argument('--json', help='also write the figures into this file')


def add_dpi_argument(parser):
    def dpis(text):
        values = [int(v) for v in text.split(',')]
        if any(v < 96 or v > 480 for v in values):
            raise argparse.ArgumentTypeError(f'DPI values from 96 to 480, not {text}')
        return values
    parser.add_argument('--dpis', type=dpis, default=[96, 144],
                        help="display scales to measure at, in DPI (Wine's LogPixels; default 96,144)")


def run_real_stack(script, tag):
    """Runs `script` with this run's arguments on the real stack (through the runner) and returns
    the figures it wrote, or None when the runner could not run it (no root, no Debian 13 root)."""
    import json
    import tempfile
    argv = [a for a in sys.argv[1:] if a != '--side-by-side']
    with tempfile.TemporaryDirectory(prefix=f'kardoskop-{tag}-') as folder:
        out = Path(folder) / 'figures.json'
        env = dict(os.environ)
        env.pop('KARDOSKOP_WINEARCH', None)   # the runner's run picks it from the build tree again
        env.pop('KARDOSKOP_WINSCARD', None)
        with open(Path(folder) / 'output.txt', 'w+') as output:
            result = subprocess.run(['sh', str(RUNNER), 'python3', str(Path(script).resolve()), *argv,
                                     '--realstack', '--json', str(out)], env=env, check=False,
                                    stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.STDOUT)
            if result.returncode != 0 or not out.exists():
                output.seek(0)
                print(output.read()[-3000:])
                print(f'(the real stack gave no figures: exit code {result.returncode})', flush=True)
                return None
        return json.loads(out.read_text())


def write_json(path, figures):
    import json
    if path:
        Path(path).write_text(json.dumps(figures, indent=1))
