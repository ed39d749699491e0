#!/usr/bin/env bash
# Static analysis of the program's own code (src/; not the tests, the test environment or generated
# files): cppcheck for the Windows configuration and for the native one, then clang-tidy (checks in
# .clang-tidy) on the native and on the i686 MinGW compile database; and shellcheck over every
# tracked shell script (scripts/, testenv/, tests/, fuzz/, .ci/run) at warning level and above,
# following sourced files. Any finding fails.
#
# It configures the native and mingw trees when they are not there (for their compile databases)
# and builds only what the analysis reads: the native text table. A false positive is marked where
# it stands, with its reason: NOLINT(check-name) for clang-tidy, "cppcheck-suppress id" for cppcheck,
# "# shellcheck disable=SCnnnn  # reason" (or a shell= or source= directive) for shellcheck.
#
# KARDOSKOP_STATIC_JOBS sets the number of parallel runs (default: the number of cores).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd -P)
start=$SECONDS
load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)
jobs=${KARDOSKOP_STATIC_JOBS:-$(nproc)}
out=build/static-analysis
mingw_triplet=i686-w64-mingw32

for tool in cppcheck clang-tidy shellcheck python3 "$mingw_triplet-g++"; do
  if ! command -v "$tool" >/dev/null; then
    echo "static-analysis: $tool is missing (scripts/setup.sh installs it)" >&2
    exit 1
  fi
done

failed=0

# Every tracked shell script: by its name, or by a first line that starts sh or bash. Outside a git
# checkout, every file in those folders but the build trees.
echo "=== shellcheck"
mkdir -p build
script_places=()
for place in scripts testenv tests fuzz .ci/run; do
  if [ -e "$place" ]; then script_places+=("$place"); fi
done
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z -- "${script_places[@]}"
else
  find "${script_places[@]}" -path '*/build' -prune -o -type f -print0
fi | while IFS= read -r -d '' file; do
  [ -f "$file" ] || continue  # removed, not yet committed
  case "$file" in
    *.sh|.ci/run) printf '%s\0' "$file" ;;
    *) if head -n 1 -- "$file" | grep -q -E '^#!.*[/ ](ba)?sh( |$)'; then printf '%s\0' "$file"; fi ;;
  esac
done >"build/shell-scripts"
shell_scripts=$(tr -cd '\0' <build/shell-scripts | wc -c)
if ! xargs -0 -r shellcheck -S warning -x -f gcc <build/shell-scripts; then
  failed=1
  echo "shellcheck: findings above ($shell_scripts shell scripts checked)"
fi

# A step whose output is shown only when it fails; then the stage ends, saying which step it was.
quietly() {
  local what=$1 log=build/static-analysis-setup.log
  shift
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    echo "static-analysis: $what failed ($*)" >&2
    exit 1
  fi
}

# The compile databases. Building build.ninja re-runs CMake when the lists changed since.
for preset in native mingw; do
  if [ ! -f "build/$preset/build.ninja" ]; then
    echo "static-analysis: configuring build/$preset"
    quietly "configuring build/$preset" cmake --preset "$preset"
  fi
done
quietly "building the native text table" cmake --build build/native --target kardoskop_text_table
quietly "updating build/mingw's compile database" cmake --build build/mingw --target build.ninja

# Each database cut to the files under src/, each file once: the program's own compile of it (a few
# sources are compiled again for test programs, with other flags).
rm -rf "$out"
mkdir -p "$out/native" "$out/mingw" "$out/tidy"
python3 - "$root" "$out" <<'EOF'
import json, sys
root, out = sys.argv[1], sys.argv[2]
for tree in ("native", "mingw"):
    entries = {}
    for entry in json.load(open(f"{root}/build/{tree}/compile_commands.json")):
        name = entry["file"]
        if not name.startswith(f"{root}/src/"):
            continue
        own = entry.get("output", "").startswith("src/")
        if name not in entries or (own and not entries[name][0]):
            entries[name] = (own, entry)
    with open(f"{out}/{tree}/compile_commands.json", "w") as db:
        json.dump([entry for _, entry in entries.values()], db, indent=1)
    with open(f"{out}/{tree}/files", "w") as files:
        files.write("".join(f"{name}\n" for name in sorted(entries)))
EOF

echo "=== cppcheck: Windows (win32A) and native"
cppcheck_common=('--enable=warning,style,performance,portability' --inline-suppr --error-exitcode=1
  --std=c++17 --quiet -j "$jobs" --template='{file}:{line}:{column}: {severity}: {message} [{id}]')
cppcheck "${cppcheck_common[@]}" --project="$out/mingw/compile_commands.json" \
  --platform=win32A --library=windows -D_WIN32 || failed=1
cppcheck "${cppcheck_common[@]}" --project="$out/native/compile_commands.json" \
  --platform=native -D__linux__ || failed=1
cppcheck_seconds=$((SECONDS - start))

# clang reads the MinGW tree as GCC does only with GCC's own C++ include folders.
{
  echo "--extra-arg=--target=$mingw_triplet"
  "$mingw_triplet-g++" -xc++ -E -v /dev/null 2>&1 |
    sed -n '/^#include <...> search starts here:/,/^End of search list/p' | grep '/c++' |
    sed 's/^ */--extra-arg=-isystem/'
} >"$out/mingw/tidy-args"
: >"$out/native/tidy-args"

# One file of one tree: its findings go to a file of their own, so that parallel runs do not mix
# their lines; a file with findings is listed in tidy/failed.
tidy_one() {
  local tree=$1 file=$2 report rc=0
  local -a args
  mapfile -t args <"$out/$tree/tidy-args"
  report="$out/tidy/$tree-$(echo "${file#"$root"/}" | tr / _).txt"
  clang-tidy --quiet -p "$out/$tree" "${args[@]}" "$file" >"$report.raw" 2>&1 || rc=$?
  grep -v -E '^[0-9]+ (warnings?|errors?)( and [0-9]+ errors?)? generated\.$' "$report.raw" \
    >"$report" || true
  rm -f "$report.raw"
  if [ "$rc" -ne 0 ] || grep -q -E ': (warning|error):' "$report"; then
    echo "$tree $file" >>"$out/tidy/failed"
  else
    rm -f "$report"
  fi
}
export -f tidy_one
export out root

echo "=== clang-tidy: mingw ($(wc -l <"$out/mingw/files") files) and native" \
  "($(wc -l <"$out/native/files") files), $jobs at a time"
tidy_start=$SECONDS
# The heavier Windows files first, so that the two queues end together.
for tree in mingw native; do
  while IFS= read -r file; do printf '%s\0%s\0' "$tree" "$file"; done <"$out/$tree/files"
done | xargs -0 -n 2 -P "$jobs" bash -c 'tidy_one "$@"' _
tidy_seconds=$((SECONDS - tidy_start))
if [ -s "$out/tidy/failed" ]; then
  failed=1
  cat "$out"/tidy/*.txt
  echo "clang-tidy: findings in $(wc -l <"$out/tidy/failed") of" \
    "$(($(wc -l <"$out/mingw/files") + $(wc -l <"$out/native/files"))) runs:"
  sed 's/^/  /' "$out/tidy/failed"
fi

# Wall time, the processor time of all the tools, and the load the machine was under.
times >"$out/times"
cpu=$(tail -1 "$out/times" | awk '{
  split($1, u, /[ms]/); split($2, s, /[ms]/); printf "%d", u[1] * 60 + u[2] + s[1] * 60 + s[2] }')
summary="$((SECONDS - start)) s (cppcheck and setup $cppcheck_seconds s, clang-tidy $tidy_seconds s;"
summary+=" tools' CPU $cpu s; load average at start $load_at_start, at end $(cut -d' ' -f1-3 /proc/loadavg))"
if [ "$failed" -ne 0 ]; then
  echo "static-analysis: FAILED after $summary" >&2
  exit 1
fi
echo "static-analysis: no findings, $summary"
