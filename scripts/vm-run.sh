#!/usr/bin/env bash
# Runs one command in the test VM (scripts/setup-vm.sh) and returns its output and exit code: the
# VM boots, sees this repository at the same absolute path, runs the command in the current folder
# (or the repository's top when the current folder is outside it), and powers off.
#
#   scripts/vm-run.sh [--tmpfs DIR]... [--time-limit SECONDS] [--] COMMAND [ARG...]
#
#   --tmpfs DIR        DIR (inside the repository) is copied into a tmpfs at the same path before
#                      the command and copied back after it (new and changed files, and what the
#                      command removed there is removed here too): a Wine prefix on the repository
#                      share runs at half the speed
#   --time-limit S     a VM still running after S seconds (a whole number; default 3600) is killed
#                      and the run fails
#
# In the guest: PATH, HOME=/root, every KARDOSKOP_* variable of the caller, and
# KARDOSKOP_TIME_FACTOR (default 4: software emulation runs Wine several times slower). The guest's
# console (kernel messages) goes to a file whose path a failed boot prints. The VM uses no network
# and touches nothing of the host but the repository folder. Exit code: the command's; 124 when the
# time limit killed the VM; 125 when the VM could not run the command.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd -P)
vm=${KARDOSKOP_VM:-/var/cache/kardoskop/vm}
time_limit=3600
tmpfs_dirs=()
while [ $# -gt 0 ]; do
  case "$1" in
    --tmpfs)
      if [ $# -lt 2 ]; then
        echo "vm-run.sh: --tmpfs takes a folder inside the repository" >&2
        exit 2
      fi
      tmpfs_dirs+=("$(realpath -m "$2")"); shift 2 ;;
    --time-limit) time_limit=${2-}; shift $(($# > 1 ? 2 : 1)) ;;
    --) shift; break ;;
    -*) echo "vm-run.sh: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
case "$time_limit" in
  ''|0*|*[!0-9]*)
    echo "vm-run.sh: --time-limit takes a whole number of seconds above 0, not '$time_limit'" >&2
    exit 2 ;;
esac
if [ $# -eq 0 ]; then
  sed -n '2,/^set -euo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//' >&2
  exit 2
fi
for dir in "${tmpfs_dirs[@]}"; do
  case "$dir" in
    "$repo"/*) [ -d "$dir" ] || { echo "vm-run.sh: no folder $dir" >&2; exit 2; } ;;
    *) echo "vm-run.sh: --tmpfs $dir is not inside $repo" >&2; exit 2 ;;
  esac
  case "$dir" in *[[:space:]]*) echo "vm-run.sh: blanks in $dir" >&2; exit 2 ;; esac
done
# The guest's /bin/sh reads the paths back from job.env, quoted by printf %q: a character that
# %q writes as $'...' (a line break, say) it could not read.
case "$repo$(pwd -P)" in
  *[![:print:]]*)
    echo "vm-run.sh: an unprintable character in the path of the repository or current folder" >&2
    exit 2 ;;
esac
if [ ! -f "$vm/.kardoskop-vm-complete" ]; then
  echo "vm-run.sh: no VM image at $vm (make it with scripts/setup-vm.sh)" >&2
  exit 125
fi

cwd=$(pwd -P)
case "$cwd/" in "$repo"/*) ;; *) cwd=$repo ;; esac

job=$(mktemp -d /tmp/kardoskop-vm.XXXXXX)
qemu_pid=
cleanup() {
  if [ -n "$qemu_pid" ] && kill -0 "$qemu_pid" 2>/dev/null; then
    kill "$qemu_pid" 2>/dev/null || true
  fi
  if [ -n "${keep_job:-}" ]; then
    echo "vm-run.sh: the VM's console and output are in $job" >&2
  else
    rm -rf "$job"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

cp "$repo/scripts/vm-guest.sh" "$repo/scripts/vm-copy-back.py" "$job/"
# Sourced by the guest's /bin/sh as root: every value quoted.
printf 'repo=%q\ncwd=%q\ntmpfs_dirs=%q\n' "$repo" "$cwd" "${tmpfs_dirs[*]}" >"$job/job.env"
# The command runs under bash in the guest, with the caller's KARDOSKOP_* variables.
{
  printf 'export KARDOSKOP_TIME_FACTOR=%q\n' "${KARDOSKOP_TIME_FACTOR:-4}"
  while IFS= read -r name; do
    case "$name" in
      KARDOSKOP_TIME_FACTOR|KARDOSKOP_VM) ;;
      *) printf 'export %s=%q\n' "$name" "${!name}" ;;
    esac
  done < <(compgen -e | grep '^KARDOSKOP_' || true)
  printf '%q ' "$@"
  printf '\n'
} >"$job/command.sh"
: >"$job/output"

# -cpu max without SMAP: with it, 32-bit Wine processes die at iret (QEMU 7.2's software
# emulation). tsc=reliable: with the hpet clock Wine runs 2.5 times slower.
qemu-system-x86_64 -machine q35 -cpu max,-smap -smp 2 -m 6G \
  -accel tcg,thread=multi,tb-size=1024 \
  -display none -monitor none -serial "file:$job/console.log" -no-reboot -nic none \
  -kernel "$vm/vmlinuz" -initrd "$vm/initrd.img" \
  -append "root=/dev/vda rw console=ttyS0 init=/sbin/kardoskop-init tsc=reliable mitigations=off quiet" \
  -drive "file=$vm/disk.img,format=raw,if=virtio,snapshot=on" \
  -virtfs "local,path=${repo//,/,,},mount_tag=repo,security_model=none" \
  -virtfs "local,path=$job,mount_tag=job,security_model=none" \
  </dev/null >"$job/qemu.log" 2>&1 &
qemu_pid=$!

tail -n +1 -f --pid="$qemu_pid" "$job/output" &
tail_pid=$!
started=$SECONDS
while kill -0 "$qemu_pid" 2>/dev/null; do
  if [ $((SECONDS - started)) -ge "$time_limit" ]; then
    kill "$qemu_pid" 2>/dev/null || true
    wait "$qemu_pid" 2>/dev/null || true
    wait "$tail_pid" 2>/dev/null || true
    keep_job=1
    echo "vm-run.sh: the VM did not finish within $time_limit s: killed" >&2
    exit 124
  fi
  sleep 1
done
wait "$qemu_pid" 2>/dev/null || true
wait "$tail_pid" 2>/dev/null || true

if [ ! -s "$job/rc" ]; then
  keep_job=1
  echo "vm-run.sh: the VM ended without running the command to its end" >&2
  tail -5 "$job/console.log" "$job/qemu.log" >&2 || true
  exit 125
fi
exit "$(cat "$job/rc")"
