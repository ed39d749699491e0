#!/usr/bin/env bash
# What setup-root.sh and setup-vm.sh may delete, run on folders in a private temp folder: the path
# the script resolves (its own --path), then the guard that clears the folder and its .partial
# before making them again; and the making itself with stand-ins for check and make (a failed
# make leaves no partial folder, a complete folder is reused). Nothing runs debootstrap.
#
#   cache_folder_guard.sh REPO
set -uo pipefail
repo=$(cd "${1:?usage: cache_folder_guard.sh REPO}" && pwd -P)
. "$repo/scripts/lib/cache-folder.sh"

tmp=$(mktemp -d /tmp/kardoskop-guard.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
t=$tmp/t  # each row's folders
failures=0
fail() {
  echo "FAIL [$row]: $*" >&2
  failures=$((failures + 1))
}

# A layout item PATH=KIND under $t: vm or root (a folder with that script's completeness mark),
# partial (our partial mark), plain (a folder with a file, no mark), empty, link (a link to x/data).
make_item() {
  local path=$t/${1%%=*} kind=${1#*=}
  mkdir -p "$(dirname "$path")"
  case "$kind" in
    vm) mkdir "$path"; echo made >"$path/disk.img"; echo v1 >"$path/.kardoskop-vm-complete" ;;
    root) mkdir "$path"; echo made >"$path/file"; echo v1 >"$path/.kardoskop-root-complete" ;;
    partial) mkdir "$path"; echo half >"$path/file"; : >"$path/.kardoskop-partial" ;;
    plain) mkdir "$path"; echo data >"$path/keep" ;;
    empty) mkdir "$path" ;;
    link) mkdir -p "$t/x/data"; echo data >"$t/x/data/keep"; ln -s "$t/x/data" "$path" ;;
    *) echo "unknown layout kind $kind" >&2; exit 2 ;;
  esac
}

# name | script | layout | the script's path variable | outcome | gone afterwards | kept afterwards
# Outcome: cleared (both DIR and DIR.partial may go) or refused (nothing deleted, a "refusing" line).
while IFS='|' read -r row script layout path outcome gone kept; do
  [ -n "$row" ] || continue
  rm -rf "$t"
  for item in $layout; do make_item "$item"; done
  case "$script" in
    vm) var=KARDOSKOP_VM mark=.kardoskop-vm-complete ;;
    root) var=KARDOSKOP_ROOT mark=.kardoskop-root-complete ;;
  esac
  status=0
  dir=$(env "$var=$t/$path" bash "$repo/scripts/setup-$script.sh" --path 2>"$tmp/err") &&
    cache_folder_clear "setup-$script.sh" "$dir" "$mark" 2>>"$tmp/err" || status=$?
  case "$outcome" in
    cleared) [ "$status" -eq 0 ] || fail "refused: $(cat "$tmp/err")" ;;
    refused)
      [ "$status" -ne 0 ] || fail "not refused"
      grep -q "refusing" "$tmp/err" || fail "no refusal line: $(cat "$tmp/err")" ;;
  esac
  for p in $gone; do [ ! -e "$t/$p" ] && [ ! -L "$t/$p" ] || fail "$p still there"; done
  for p in $kept; do [ -e "$t/$p" ] || fail "$p deleted"; done
done <<'EOF'
final slash on the cache folder|vm|kardoskop/vm=vm kardoskop/trixie=root|kardoskop/|refused||kardoskop/vm/disk.img kardoskop/trixie/file
the VM's name, then ..|vm|x/kardoskop-vm=vm x/data=plain|x/kardoskop-vm/../data|refused||x/data/keep x/kardoskop-vm/disk.img
the root's name, then ..|root|x/kardoskop-root=root x/data=plain|x/kardoskop-root/../data|refused||x/data/keep
the cache folder itself|root|kardoskop/trixie=root|kardoskop|refused||kardoskop/trixie/file
a VM folder without our mark|vm|c/vm=plain|c/vm|refused||c/vm/keep
a root folder without our mark|root|c/trixie=plain|c/trixie|refused||c/trixie/keep
a marked VM under another name|vm|c/data=vm|c/data|refused||c/data/disk.img
the other script's mark|vm|c/vm=root|c/vm|refused||c/vm/file
a .partial without our mark|vm|c/vm=vm c/vm.partial=plain|c/vm|refused||c/vm/disk.img c/vm.partial/keep
a .partial that links to data|root|c/trixie=root c/trixie.partial=link|c/trixie|refused||c/trixie/file x/data/keep
a complete VM and its .partial|vm|c/vm=vm c/vm.partial=partial|c/vm|cleared|c/vm c/vm.partial|
a complete root, final slash|root|c/trixie=root|c/trixie/|cleared|c/trixie|
a .partial with our mark|root|c/kardoskop-root-2.partial=partial|c/kardoskop-root-2|cleared|c/kardoskop-root-2.partial|
an empty folder|vm|c/kardoskop-vm=empty|c/kardoskop-vm|cleared|c/kardoskop-vm|
nothing there yet|vm|c/keep=plain|c/vm|cleared||c/keep/keep
EOF

# Making with stand-ins: check is true once the mark is there, make writes a file or fails.
made=$tmp/made-count
check_stub() { [ -f "$dir/file" ]; }
make_stub() {
  echo made >>"$made"
  echo "making in $1" >"$2"
  sleep "${stub_sleep:-0}"
  [ "${stub_fails:-0}" = 0 ] || return 1
  echo content >"$1/file"
}
setup() {
  (set -e; cache_folder_setup test thing "$dir" .kardoskop-test-complete "test v1" beside \
    check_stub make_stub) >"$tmp/out" 2>"$tmp/err"
}

# name | make fails | runs (N one after the other, or "2 at once") | status | made count | gone
# afterwards | kept afterwards
while IFS='|' read -r row fails runs want_status want_made gone kept; do
  [ -n "$row" ] || continue
  rm -rf "$t" "$made"
  dir=$t/c/thing
  status=0
  if [ "$runs" = "2 at once" ]; then
    # The second run starts while the first one makes the folder: it waits for the lock.
    stub_sleep=2 setup &
    sleep 0.5
    setup
    status=$?
    wait $! || status=$?
  else
    for _ in $(seq "$runs"); do
      stub_fails=$fails setup
      status=$?
    done
  fi
  [ "$status" -eq "$want_status" ] || fail "status $status, not $want_status: $(cat "$tmp/err")"
  [ "$(wc -l <"$made")" -eq "$want_made" ] || fail "made $(wc -l <"$made") times, not $want_made"
  for p in $gone; do [ ! -e "$t/$p" ] || fail "$p still there"; done
  for p in $kept; do [ -e "$t/$p" ] || fail "$p missing"; done
done <<'EOF'
made, marked, log beside|0|1|0|1|c/thing.partial c/thing/.kardoskop-partial|c/thing/file c/thing/.kardoskop-test-complete c/thing.log
a second run reuses it|0|2|0|1|c/thing.partial|c/thing/file
two runs at once: the second waits, then reuses|0|2 at once|0|1|c/thing.partial|c/thing/file
a failed make leaves no partial folder|1|1|1|1|c/thing.partial c/thing|c/thing.partial.log
EOF

# A run killed right after the partial mark went (no EXIT trap runs): the folder it leaves must
# still carry one of our marks, so the next run deletes it and makes the folder again.
row="a run killed between the marks leaves a folder the next run clears"
rm -rf "$t" "$made"
dir=$t/c/thing
(
  rm() { command rm "$@"; [[ "$*" != *"$cache_partial_mark"* ]] || kill -9 "$BASHPID"; }
  setup
) 2>/dev/null
setup || fail "the next run failed: $(cat "$tmp/err")"
[ -f "$dir/file" ] && [ ! -e "$dir.partial" ] || fail "not made again: $(ls -A "$t/c")"

# The completeness marks carry a digest of the scripts that make the folder, taken from a copy of
# scripts/: one byte more in a making script changes the mark, in any other file it does not.
# name | script whose mark is read | file changed | mark afterwards
mkdir "$tmp/copy" && cp -r "$repo/scripts" "$tmp/copy/scripts"
mark_of() { bash "$tmp/copy/scripts/setup-$1.sh" --mark; }
while IFS='|' read -r row script file want; do
  [ -n "$row" ] || continue
  before=$(mark_of "$script") || fail "no mark"
  cp "$tmp/copy/scripts/$file" "$tmp/saved"
  printf "#" >>"$tmp/copy/scripts/$file"
  after=$(mark_of "$script") || fail "no mark after the change"
  cp "$tmp/saved" "$tmp/copy/scripts/$file"
  case "$want" in
    other) [ "$after" != "$before" ] || fail "the mark stayed $before" ;;
    same) [ "$after" = "$before" ] || fail "the mark changed from $before to $after" ;;
  esac
done <<'EOF'
the root's own script|root|setup-root.sh|other
the root's debootstrap steps|root|debian-root.sh|other
the root's steps inside the namespace|root|lib/root-install.sh|other
the root's folder guard|root|lib/cache-folder.sh|other
the VM's script, for the root|root|setup-vm.sh|same
the VM's own script (its guest init)|vm|setup-vm.sh|other
the VM's debootstrap steps|vm|debian-root.sh|other
the VM's steps inside the namespace|vm|lib/root-install.sh|other
the VM's folder guard|vm|lib/cache-folder.sh|other
the guest's job script, run from the share|vm|vm-guest.sh|same
the guest's copy back, run from the share|vm|vm-copy-back.py|same
the root's script, for the VM|vm|setup-root.sh|same
the test command|vm|test.sh|same
EOF

if [ "$failures" -ne 0 ]; then
  echo "$failures failures" >&2
  exit 1
fi
echo "all rows passed"
