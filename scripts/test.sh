#!/usr/bin/env bash
# Sets up what is missing and runs every test: static analysis of the program's code (cppcheck and
# clang-tidy) and of the shell scripts (shellcheck; scripts/static-analysis.sh), native unit and
# pcscd integration tests, the same under ASan/UBSan, the Wine and end-to-end tests of the x86_64
# twin (including the real resource manager: Wine 10 and pcscd in the Debian 13 root), those of the
# shipped i686 build (on this machine where it runs 32-bit code, elsewhere in the test VM:
# scripts/setup-vm.sh, vm-run.sh), and a short fuzzing run of the ATR decoder and the scenario
# parser. KARDOSKOP_NO_I386=1 takes the path of a machine without 32-bit code anywhere.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
# stage, passed_of, fuzz_stage; the times of the stages are printed at the end, passed or failed.
. scripts/test-report.sh
trap report_timings EXIT

i386_answer=$(bash scripts/runs-i386.sh) && runs_i386=1 || runs_i386=0
if [ "$(id -u)" -eq 0 ]; then
  stage setup bash scripts/setup.sh
  stage setup-root bash scripts/setup-root.sh
  if [ "$runs_i386" = 0 ]; then
    stage setup-vm bash scripts/setup-vm.sh
  fi
fi

configure_and_build() {
  local preset=$1
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
}

build_and_test() {
  configure_and_build "$1"
  ctest --preset "$1" -j 1
}

i686_suites() {
  configure_and_build mingw
  # Outside build/mingw: the VM's copy-back makes that folder exactly what the guest left in it.
  local log=build/i686-suites.log rc=0 where i386_note
  if [ "$runs_i386" = 1 ]; then
    where="on this machine"
    ctest --preset mingw -j 1 2>&1 | tee "$log" || rc=$?
  else
    # Where the host runs no 32-bit code the same suites run in the test VM, the build tree in a
    # tmpfs there; the VM's time factor stretches the suites' fixed time limits.
    # The checks that run no Windows code (label static: the files' PE check, the release's
    # reproducibility) stay on the host.
    where="in the VM"
    ctest --preset mingw -j 1 -L static 2>&1 | tee build/mingw/static-checks.log || rc=$?
    echo "mingw i686 suites: ${i386_answer#no: }: running them in the test VM"
    bash scripts/vm-run.sh --tmpfs build/mingw -- ctest --preset mingw -j 1 -LE static 2>&1 |
      tee "$log" || rc=$?
  fi
  i386_note="mingw i686 suites: $where, $(passed_of "$log")"
  if [ "$runs_i386" = 0 ]; then
    i386_note+="; static checks on the host, $(passed_of build/mingw/static-checks.log)"
  fi
  echo "$i386_note"
  report_notes+=("$i386_note")
  return "$rc"
}

# First, as it takes minutes where the Wine suites take much longer: a finding fails the run early.
stage static-analysis bash scripts/static-analysis.sh
stage native build_and_test native
stage native-asan build_and_test native-asan
# Optimised code is checked otherwise (GCC's -O3 flow analysis warns where Debug does not).
stage native-release build_and_test native-release
stage mingw64 build_and_test mingw64
stage mingw i686_suites
fuzz_stage
