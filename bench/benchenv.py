"""What every benchmark here needs first: the Wine architecture of the build tree it measures (an
i686 tree runs in a win32 prefix, the x86_64 twin in a win64 one), set before the e2e harness is
loaded, and a line that says which build, Wine and resource manager produced the figures."""
import importlib.util
import os
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


os.environ.setdefault('KARDOSKOP_WINEARCH', build_arch(_build_argument()))


def _load(name, path):
    spec = importlib.util.spec_from_file_location(name, path)
    module = importlib.util.module_from_spec(spec)
    sys.modules[name] = module
    spec.loader.exec_module(module)
    return module


e2e = _load('e2e', ROOT / 'tests' / 'e2e' / 'e2e.py')
mainwindow = _load('mainwindow_bench', ROOT / 'bench' / 'mainwindow_bench.py')


def describe(build):
    arch = os.environ['KARDOSKOP_WINEARCH']
    try:
        version = subprocess.run([e2e.WINE, '--version'], capture_output=True, text=True,
                                 timeout=30).stdout.strip()
    except (OSError, subprocess.TimeoutExpired):
        version = 'unknown Wine'
    manager = "Wine's winscard.dll and pcscd" if e2e.REAL_WINSCARD else 'the simulated winscard.dll'
    return f"{'x86_64' if arch == 'win64' else 'i686'} build ({build}), {version}, {manager}"
