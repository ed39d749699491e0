# shellcheck shell=bash
# Sourced by test.sh (and by tests/scripts/reports.sh): its stages, what it says of each, and
# the CTest summaries it reports.

# "P of T passed" from a CTest output, with ", S skipped" and ", F failed" where there are any.
# CTest counts a skipped test (exit code 77: the real stack without root) as passed; here it is
# said as skipped. Of several CTest runs in one output, the last.
passed_of() {
  awk '
    /^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+/ {
      failed = $4; total = $NF; skipped = 0; found = 1; listing = 0; next }
    found && /^The following tests did not run:/ { listing = 1; next }
    listing && /^[ \t]+[0-9]+ - .* \(Skipped\)$/ { skipped++; next }
    listing && !/^[ \t]/ { listing = 0 }
    END {
      if (!found) { print "no CTest summary"; exit }
      line = (total - failed - skipped) " of " total " passed"
      if (skipped) line = line ", " skipped " skipped"
      if (failed) line = line ", " failed " failed"
      print line
    }' "$1"
}

# stage NAME COMMAND [ARG...]: runs the command as a stage of the test command. Each stage's time
# is printed at the end, also when one fails (set -e ends the run there): then with the stage that
# failed and its exit code.
declare -a timings=()
current_stage=
stage_start=0
stage() {
  local name=$1
  shift
  current_stage=$name
  stage_start=$SECONDS
  echo "=== $name"
  "$@"
  timings+=("$name: $((SECONDS - stage_start)) s")
  current_stage=
}

# The EXIT trap of the test command: the times of the stages, and the notes kept in report_notes.
declare -a report_notes=()
report_timings() {
  local rc=$?
  if [ ${#timings[@]} -eq 0 ] && [ -z "$current_stage" ]; then
    return "$rc"
  fi
  echo "=== timings"
  if [ ${#timings[@]} -gt 0 ]; then
    printf '%s\n' "${timings[@]}"
  fi
  if [ -n "$current_stage" ]; then
    echo "$current_stage: $((SECONDS - stage_start)) s, FAILED (exit code $rc)"
  fi
  if [ ${#report_notes[@]} -gt 0 ]; then
    printf '%s\n' "${report_notes[@]}"
  fi
  return "$rc"
}

# The fuzz stage, or a line that says why there is none.
fuzz_stage() {
  if [ ! -f fuzz/run.sh ]; then
    echo "=== fuzz: skipped: this tree has no fuzz/run.sh"
    timings+=("fuzz: skipped (no fuzz/run.sh)")
    return 0
  fi
  stage fuzz bash fuzz/run.sh "${KARDOSKOP_FUZZ_SECONDS:-30}"
}
