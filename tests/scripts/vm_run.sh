#!/usr/bin/env bash
# What scripts/vm-run.sh hands the guest, without a VM: a copy of the scripts in a repository
# whose path holds a blank, a `$`, a quote and a comma, a VM folder with only the completeness
# mark, and a stand-in qemu-system-x86_64 that does what the guest does with the job share: it
# sources job.env with /bin/sh (as vm-guest.sh does), changes into the folder, runs command.sh
# with bash and writes the exit code. Also the options the runner must refuse, and the guest's
# copy back of a --tmpfs folder (vm-copy-back.py) on folders in a temp folder.
#
#   vm_run.sh REPO
set -uo pipefail
src=$(cd "${1:?usage: vm_run.sh REPO}" && pwd -P)

tmp=$(mktemp -d /tmp/kardoskop-vmjob.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
repo="$tmp/re po \$HOME 'q',c"
mkdir -p "$repo/scripts" "$repo/sub dir" "$tmp/vm" "$tmp/bin"
cp "$src/scripts/vm-run.sh" "$src/scripts/vm-guest.sh" "$src/scripts/vm-copy-back.py" "$repo/scripts/"
: >"$tmp/vm/.kardoskop-vm-complete"
cat >"$tmp/bin/qemu-system-x86_64" <<'EOF'
#!/bin/sh
# Stand-in: the job share's folder and the repository share's path from the -virtfs options, read
# as QEMU reads them (a comma ends the value, two commas stand for one).
path_of() { printf '%s' "${1#local,path=}" | sed 's/,,/\x01/g; s/,.*//; s/\x01/,/g'; }
for arg; do
  case "$arg" in
    local,path=*,mount_tag=job,*) job=$(path_of "$arg") ;;
    local,path=*,mount_tag=repo,*) share=$(path_of "$arg") ;;
  esac
done
. "$job/job.env"
{
  printf 'repo=%s\ncwd=%s\nshare=%s\n' "$repo" "$cwd" "$share"
  cd "$cwd" && bash "$job/command.sh"
} >>"$job/output" 2>&1
echo $? >"$job/rc"
EOF
chmod 755 "$tmp/bin/qemu-system-x86_64"

failures=0
# name | folder to run in (under the repository) | options and command | exit code | expected
# output (a line of it, $repo standing for the repository's path)
while IFS='|' read -r row dir args want_rc want; do
  [ -n "$row" ] || continue
  eval "set -- $args"
  rc=0
  (cd "$repo/$dir" && PATH=$tmp/bin:$PATH KARDOSKOP_VM=$tmp/vm bash "$repo/scripts/vm-run.sh" "$@") \
    >"$tmp/out" 2>&1 || rc=$?
  want=${want//\$repo/$repo}
  if [ "$rc" -ne "$want_rc" ] || ! grep -qxF -- "$want" "$tmp/out"; then
    echo "FAIL [$row]: exit code $rc (expected $want_rc), no line '$want' in:" >&2
    cat "$tmp/out" >&2
    failures=$((failures + 1))
  fi
done <<'EOF'
repository path as the guest reads it|.|-- true|0|repo=$repo
current folder with a blank|sub dir|-- true|0|cwd=$repo/sub dir
the repository share's path for QEMU|.|-- true|0|share=$repo
arguments with blanks and a $|.|-- printf '<%s>' 'a b' '$HOME'|0|<a b><$HOME>
the command's exit code|.|-- sh -c 'exit 3'|3|repo=$repo
a whole number of seconds|.|--time-limit 30 -- true|0|repo=$repo
--time-limit 10m refused|.|--time-limit 10m -- true|2|vm-run.sh: --time-limit takes a whole number of seconds above 0, not '10m'
--time-limit 0 refused|.|--time-limit 0 -- true|2|vm-run.sh: --time-limit takes a whole number of seconds above 0, not '0'
--time-limit without a value|.|--time-limit|2|vm-run.sh: --time-limit takes a whole number of seconds above 0, not ''
--tmpfs without a folder|.|--tmpfs|2|vm-run.sh: --tmpfs takes a folder inside the repository
EOF

# The copy back: a folder copied with cp -a as the guest copies it into tmpfs, changed by a "run",
# copied back; what the share's copy holds must then equal the run's in content, types, links,
# modes and modification times.
listing() { (cd "$1" && find . -mindepth 1 -printf '%p %y %m %s %T@ %l\n' | sort); }
# name | what the run does in its copy (a shell command run there)
while IFS='|' read -r row change; do
  [ -n "$row" ] || continue
  rm -rf "$tmp/share" "$tmp/run"
  mkdir -p "$tmp/share/sub/deep" "$tmp/share/dir-to-file"
  echo keep >"$tmp/share/keep"; echo old >"$tmp/share/sub/changed"; echo f >"$tmp/share/sub/deep/f"
  echo file >"$tmp/share/file-to-dir"; ln -s keep "$tmp/share/link"
  cp -a "$tmp/share" "$tmp/run"
  (cd "$tmp/run" && eval "$change")
  python3 "$src/scripts/vm-copy-back.py" "$tmp/run" "$tmp/share" 2>"$tmp/err" ||
    { echo "FAIL [$row]: vm-copy-back.py failed: $(cat "$tmp/err")" >&2; failures=$((failures + 1)); }
  if ! diff <(listing "$tmp/run") <(listing "$tmp/share") >"$tmp/diff" ||
     ! diff -r --no-dereference "$tmp/run" "$tmp/share" >>"$tmp/diff"; then
    echo "FAIL [$row]: the share differs from the run's copy:" >&2
    cat "$tmp/diff" >&2
    failures=$((failures + 1))
  fi
done <<'EOF'
a file removed|rm sub/changed
a folder removed|rm -r sub
a new file in a new folder|mkdir -p new/deeper && echo new >new/deeper/file
changed, same size, older time|echo new >sub/changed && touch -d 2001-01-01 sub/changed
only the mode changed|chmod 600 keep
a link that points elsewhere|ln -sfn sub link
a folder that became a file|rmdir dir-to-file && echo now >dir-to-file
a file that became a folder|rm file-to-dir && mkdir file-to-dir && echo in >file-to-dir/in
nothing changed|true
EOF

# A copy back cut short (the time limit) after N file copies: a Wine prefix's ready mark may stand
# in the share only where the rest of that prefix is the run's. The share holds a ready prefix of
# an earlier run, or none.
# name | what the share holds before | copies before the cut
while IFS='|' read -r row before cut; do
  [ -n "$row" ] || continue
  rm -rf "$tmp/share" "$tmp/run"
  mkdir -p "$tmp/run/prefix/drive_c/windows" "$tmp/share"
  echo reg >"$tmp/run/prefix/user.reg"; echo dll >"$tmp/run/prefix/drive_c/windows/a.dll"
  echo ini >"$tmp/run/prefix/drive_c/windows/b.ini"; : >"$tmp/run/prefix/.kardoskop-ready"
  if [ "$before" = ready ]; then
    cp -a "$tmp/run/prefix" "$tmp/share/"
    echo older >"$tmp/share/prefix/drive_c/windows/a.dll"
    echo older >"$tmp/share/prefix/user.reg"
  fi
  python3 - "$src/scripts/vm-copy-back.py" "$tmp/run" "$tmp/share" "$cut" <<'PY' 2>/dev/null
import runpy, shutil, sys
script, left = sys.argv[1], int(sys.argv[4])
real_copyfile = shutil.copyfile
def copyfile(*args, **kwargs):
    global left
    if left == 0:
        sys.exit(1)
    left -= 1
    return real_copyfile(*args, **kwargs)
shutil.copyfile = copyfile
sys.argv = [script] + sys.argv[2:4]
runpy.run_path(script, run_name='__main__')
PY
  if [ -e "$tmp/share/prefix/.kardoskop-ready" ] &&
     ! diff -r "$tmp/run/prefix" "$tmp/share/prefix" >"$tmp/diff" 2>&1; then
    echo "FAIL [$row]: the share's prefix has its ready mark but differs from the run's:" >&2
    cat "$tmp/diff" >&2
    failures=$((failures + 1))
  fi
done <<'EOF'
a new prefix, cut after its first file|none|1
a new prefix, cut before its last file|none|3
a ready prefix changed, cut at once|ready|0
a ready prefix changed, cut after one file|ready|1
a ready prefix changed, cut before its last file|ready|2
EOF

if [ "$failures" -ne 0 ]; then
  echo "$failures failures" >&2
  exit 1
fi
echo "all rows passed"
