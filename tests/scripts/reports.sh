#!/usr/bin/env bash
# What the test command and the static stage say: the CTest summaries the test command reports
# (scripts/test-report.sh), its stage times when a stage fails, the fuzz stage's skip; and the
# static stage (scripts/static-analysis.sh, in a copy of the repository with a stand-in cmake) on
# a build step that fails and on a shell script that shellcheck rejects.
#
#   reports.sh REPO
set -uo pipefail
src=$(cd "${1:?usage: reports.sh REPO}" && pwd -P)
report=$src/scripts/test-report.sh

tmp=$(mktemp -d /tmp/kardoskop-reports.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
  echo "FAIL [$1]: $2" >&2
  failures=$((failures + 1))
}

# name | a CTest output (\n, \t as in printf %b) | what passed_of says of it
while IFS='|' read -r row output want; do
  [ -n "$row" ] || continue
  printf '%b\n' "$output" >"$tmp/ctest.log"
  got=$(bash -c '. "$1" && passed_of "$2"' _ "$report" "$tmp/ctest.log")
  [ "$got" = "$want" ] || fail "$row" "'$got', expected '$want'"
done <<'EOF'
all passed|100% tests passed, 0 tests failed out of 5\n\nTotal Test time (real) =   1.00 sec|5 of 5 passed
one failed|80% tests passed, 1 tests failed out of 5\n\nThe following tests FAILED:\n\t  2 - bad (Failed)|4 of 5 passed, 1 failed
skipped said as skipped|100% tests passed, 0 tests failed out of 5\n\nTotal Test time (real) =   1.00 sec\n\nThe following tests did not run:\n\t  3 - realstack_log (Skipped)\n\t  4 - realstack_soak (Skipped)|3 of 5 passed, 2 skipped
a disabled test is no skip|100% tests passed, 0 tests failed out of 4\n\nThe following tests did not run:\n\t  3 - a (Skipped)\n\t  5 - b (Disabled)|3 of 4 passed, 1 skipped
skipped and failed|67% tests passed, 1 tests failed out of 3\n\nThe following tests did not run:\n\t  3 - a (Skipped)\n\nThe following tests FAILED:\n\t  2 - bad (Failed)|1 of 3 passed, 1 skipped, 1 failed
the last of two runs|100% tests passed, 0 tests failed out of 2\n\nThe following tests did not run:\n\t  1 - a (Skipped)\n50% tests passed, 1 tests failed out of 2|1 of 2 passed, 1 failed
one test|100% tests passed, 0 tests failed out of 1|1 of 1 passed
no summary|ninja: build stopped: subcommand failed.|no CTest summary
EOF

# Stages as test.sh runs them (set -e, the report on exit), in a folder without fuzz/ unless the
# row makes one. name | the stages | exit code | a line that must be there (a regular expression)
# | a line that must not
mkdir -p "$tmp/stages"
while IFS='|' read -r row stages want_rc want absent; do
  [ -n "$row" ] || continue
  rm -rf "$tmp/stages/fuzz"
  rc=0
  (cd "$tmp/stages" && bash -c 'set -euo pipefail; . "$1"; trap report_timings EXIT; eval "$2"' \
    _ "$report" "$stages") >"$tmp/out" 2>&1 || rc=$?
  if [ "$rc" -ne "$want_rc" ] || ! grep -q -x -E -- "$want" "$tmp/out" ||
     { [ -n "$absent" ] && grep -q -x -F -- "$absent" "$tmp/out"; }; then
    fail "$row" "exit code $rc (expected $want_rc), a line '$want', none '$absent', in:"
    cat "$tmp/out" >&2
  fi
done <<'EOF'
all passed: each stage's time|stage one true; stage two true|0|two: [0-9]+ s|
a failed stage named, with its exit code|stage one true; stage two sh -c "exit 3"; stage three true|3|two: [0-9]+ s, FAILED \(exit code 3\)|
the stages before it still timed|stage one true; stage two sh -c "exit 3"|3|one: [0-9]+ s|
none after it|stage one sh -c "exit 3"; stage two true|3|one: [0-9]+ s, FAILED \(exit code 3\)|=== two
a note kept for the end|stage one true; report_notes+=("i686: 3 of 4 passed"); stage two false|1|i686: 3 of 4 passed|
fuzz skipped, said why|stage one true; fuzz_stage|0|=== fuzz: skipped: this tree has no fuzz/run.sh|
fuzz skipped, in the times|fuzz_stage|0|fuzz: skipped \(no fuzz/run.sh\)|
fuzz run without its x bit|mkdir fuzz && echo 'echo "fuzzing $1 s"' >fuzz/run.sh && fuzz_stage|0|fuzzing 30 s|
EOF

# The static stage in a copy of the repository (no git: its find over the script folders), with
# both build trees there and a stand-in cmake that fails to build. Its tools must be installed.
repo=$tmp/repo
mkdir -p "$repo/scripts" "$repo/build/native" "$repo/build/mingw" "$tmp/bin"
cp "$src/scripts/static-analysis.sh" "$repo/scripts/"
: >"$repo/build/native/build.ninja"
: >"$repo/build/mingw/build.ninja"
cat >"$tmp/bin/cmake" <<'EOF'
#!/bin/sh
echo "FAILED: src/win/TextTable.cpp.o"
echo "ninja: build stopped: subcommand failed."
exit 1
EOF
chmod 755 "$tmp/bin/cmake"
# name | a shell script put into the copy's scripts/ (\n as in printf %b; none: nothing) | a line
# that must be in the stage's output (exit code 1 in every row)
while IFS='|' read -r row script want; do
  [ -n "$row" ] || continue
  rm -f "$repo/scripts/seeded.sh"
  if [ "$script" != none ]; then
    printf '%b\n' "$script" >"$repo/scripts/seeded.sh"
  fi
  rc=0
  PATH=$tmp/bin:$PATH bash "$repo/scripts/static-analysis.sh" >"$tmp/out" 2>&1 || rc=$?
  if [ "$rc" -ne 1 ] || ! grep -q -x -F -- "$want" "$tmp/out"; then
    fail "$row" "exit code $rc (expected 1), no line '$want' in:"
    cat "$tmp/out" >&2
  fi
done <<'EOF'
a failed build shows its output|none|ninja: build stopped: subcommand failed.
a failed build named|none|static-analysis: building the native text table failed (cmake --build build/native --target kardoskop_text_table)
an apostrophe in a comment in a quoted inner script|#!/usr/bin/env bash\nbash -euc '\n  # apt's check of the lists' dates\n  echo "$1"\n' _ "$HOME"|scripts/seeded.sh:3:8: warning: This apostrophe terminated the single quoted string! [SC1011]
a script without a shebang|echo "$1"|shellcheck: findings above (2 shell scripts checked)
EOF

if [ "$failures" -ne 0 ]; then
  echo "$failures failures" >&2
  exit 1
fi
echo "all rows passed"
