#!/usr/bin/env bash
# Tells whether this machine runs 32-bit x86 code: exit 0 and "yes" when it does, exit 1 and
# "no: REASON" when it does not. The one place that decides which Wine suites can run here.
#
# Wine itself is no fair test (its 32-bit loader may be missing for other reasons), so a tiny
# static i386 program, assembled and linked here with the host's binutils, is started: on machines
# without IA-32 emulation its execve fails with "Exec format error". KARDOSKOP_NO_I386=1 makes the
# answer no on any machine, so the other path can be tried.
set -uo pipefail

if [ "${KARDOSKOP_NO_I386:-}" = 1 ]; then
  echo "no: KARDOSKOP_NO_I386=1"
  exit 1
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '.globl _start\n_start:\n  movl $1, %%eax\n  movl $42, %%ebx\n  int $0x80\n' >"$dir/exit42.s"
if ! as --32 -o "$dir/exit42.o" "$dir/exit42.s" 2>"$dir/err" ||
   ! ld -m elf_i386 -static -o "$dir/exit42" "$dir/exit42.o" 2>>"$dir/err"; then
  echo "no: cannot build the i386 probe: $(head -1 "$dir/err")"
  exit 1
fi
"$dir/exit42" 2>"$dir/err"
rc=$?
if [ "$rc" -eq 42 ]; then
  echo yes
  exit 0
fi
echo "runs-i386.sh: the i386 probe gave exit code $rc: $(head -1 "$dir/err")" >&2
echo "no: this machine runs no 32-bit code"
exit 1
