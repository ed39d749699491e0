# shellcheck shell=bash
# Sourced by setup-root.sh and setup-vm.sh: a folder outside the repository (the Debian 13 root,
# the VM image) that a script makes once, reuses while it checks out, and makes again otherwise.
# These scripts run as root and delete what they replace, so what they may delete is narrow: a
# folder whose name is one of the expected ones and that carries our completeness mark or our
# partial mark (or is empty); anything else is refused.

# The mark of a folder being made; it goes before anything else into it.
cache_partial_mark=.kardoskop-partial

# cache_folder_path NAME PATH PATTERN...: PATH made absolute and free of `..`, links and final
# slashes (realpath -m), printed when its last component matches one of the glob PATTERNs;
# otherwise a refusal on stderr (as NAME) and status 1.
cache_folder_path() {
  local name=$1 path=$2 resolved pattern
  shift 2
  resolved=$(realpath -m -- "$path") || return 1
  for pattern in "$@"; do
    # shellcheck disable=SC2053  # the pattern is a glob on purpose
    if [[ ${resolved##*/} == $pattern ]]; then
      echo "$resolved"
      return 0
    fi
  done
  echo "$name: refusing $path (that is $resolved): its last part must be one of: $*" >&2
  return 1
}

# cache_folder_removable NAME DIR MARK: true when DIR is absent, an empty folder, or a folder that
# carries the completeness mark MARK or the partial mark; otherwise a refusal on stderr.
cache_folder_removable() {
  local name=$1 dir=$2 mark=$3
  if [ ! -e "$dir" ] && [ ! -L "$dir" ]; then
    return 0
  fi
  if [ -d "$dir" ] && [ ! -L "$dir" ]; then
    if [ -f "$dir/$mark" ] || [ -f "$dir/$cache_partial_mark" ] || [ -z "$(ls -A "$dir")" ]; then
      return 0
    fi
  fi
  echo "$name: refusing to delete $dir: it carries neither $mark nor $cache_partial_mark" \
    "(not made by $name; remove it yourself or choose another place)" >&2
  return 1
}

# cache_folder_clear NAME DIR MARK: deletes DIR and DIR.partial, each as cache_folder_removable
# allows; when either is refused, nothing is deleted and the status is 1.
cache_folder_clear() {
  local name=$1 dir=$2 mark=$3
  cache_folder_removable "$name" "$dir" "$mark" &&
    cache_folder_removable "$name" "$dir.partial" "$mark" || return 1
  rm -rf --one-file-system -- "$dir" "$dir.partial"
}

# cache_making_digest DIR FILE...: a short digest of the files (paths relative to DIR) that make a
# folder, for its completeness mark: a folder made by other versions of them is made again, so a
# change to how it is made runs for real on the next test run instead of reusing the old folder.
cache_making_digest() {
  local dir=$1
  shift
  (cd "$dir" && sha256sum -- "$@") | sha256sum | cut -c1-16
}

# cache_folder_complete MARK_FILE MARK_TEXT CHECK: the mark holds the text (made by this version of
# the script, with this package list) and CHECK succeeds.
cache_folder_complete() {
  [ -f "$1" ] && [ "$(cat "$1")" = "$2" ] && "$3"
}

# cache_folder_setup NAME WHAT DIR MARK MARK_TEXT LOG_PLACE CHECK MAKE: the folder DIR (resolved
# by cache_folder_path) reused when its file MARK holds MARK_TEXT and the command CHECK (what else
# must be there) succeeds; else made again: the old DIR and DIR.partial cleared
# (cache_folder_clear), MAKE called with the new folder DIR.partial and a log file, MARK_TEXT
# written to MARK in it, and the folder moved to DIR; it must then check out. The log ends at
# DIR.log (LOG_PLACE `beside`) or DIR/setup.log (`inside`). All of it under the lock DIR.lock, so a
# second run waits and then finds the first one's folder. Call it as a command of its own under
# `set -e` (not in `if` or `||`, which would switch that off inside MAKE): a failing MAKE ends the
# script, and the partial folder goes with it, only its log stays. Prints each step on stderr as
# NAME (WHAT names the folder: "root", "VM image") and DIR as the last line on stdout.
cache_folder_setup() {
  local name=$1 what=$2 dir=$3 mark=$4 mark_text=$5 log_place=$6 check=$7 make=$8
  local log=$dir.partial.log start=$SECONDS lock
  mkdir -p "$(dirname "$dir")"
  exec {lock}>"$dir.lock"
  if ! flock -n "$lock"; then
    echo "$name: another $name is making $dir: waiting for it" >&2
    flock "$lock"
  fi
  if cache_folder_complete "$dir/$mark" "$mark_text" "$check"; then
    echo "$name: $what ready: $dir" >&2
    echo "$dir"
    return 0
  fi
  if [ -e "$dir" ]; then
    echo "$name: $dir is incomplete, broken or outdated: making it again" >&2
  fi
  cache_folder_clear "$name" "$dir" "$mark" || return 1
  # From here on, whatever ends the script takes the partial folder with it (the lock makes it
  # ours); a signal ends it through the EXIT trap too.
  cache_work=$dir.partial
  mkdir "$cache_work"
  : >"$cache_work/$cache_partial_mark"
  trap 'rm -rf --one-file-system -- "$cache_work"' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  "$make" "$cache_work" "$log"
  # The completeness mark first: a run killed between the two leaves a folder that still carries
  # one of our marks, which the next run may delete.
  echo "$mark_text" >"$cache_work/$mark"
  rm -f "$cache_work/$cache_partial_mark"
  mv "$cache_work" "$dir"
  trap - EXIT INT TERM
  case "$log_place" in
    inside) mv "$log" "$dir/setup.log"; log=$dir/setup.log ;;
    *) mv "$log" "$dir.log"; log=$dir.log ;;
  esac
  if ! cache_folder_complete "$dir/$mark" "$mark_text" "$check"; then
    echo "$name: the new $what does not check out (log: $log)" >&2
    return 1
  fi
  echo "$name: $what made in $((SECONDS - start)) s," \
    "$(du -sh --one-file-system "$dir" | cut -f1) on disk" >&2
  echo "$dir"
}
