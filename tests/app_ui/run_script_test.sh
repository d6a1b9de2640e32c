#!/usr/bin/env bash
# scripts/run.sh as a user starts it on a machine without a display: gascal under Xvfb against
# the ECU simulator, closed after a few seconds. It must talk to the ECU, end cleanly, leave its
# settings written and say where the picture of the screen at the end of the run is. Before
# that, what it says about itself and what it does with an option it cannot take. Arguments:
# the build folder, a work folder.
set -uo pipefail
build=$1 work=$2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
fail() { echo "FAILED: $1"; exit 1; }
run() { env -u DISPLAY GASCAL_BUILD="$build" GASCAL_RUN_DIR="$work" ASAN_OPTIONS=detect_leaks=0 bash "$root/scripts/run.sh" "$@" 2>&1; }

# --help: what it does and every option, and nothing started.
rm -rf "$work"  # this test's own folder
out=$(run --help)
status=$?
echo "$out"
[ "$status" = 0 ] || fail "--help ended with status $status"
for word in usage: simulator Xvfb screen.png --open --seconds --find --help; do
  grep -q -- "$word" <<<"$out" || fail "--help does not mention $word"
done
[ -e "$work" ] && fail "--help made the work folder"

# A number of seconds that is none, or missing: refused before anything starts.
for args in "--seconds abc" "--seconds -3" "--seconds 0" "--seconds"; do
  # shellcheck disable=SC2086  # the words of args are the arguments
  out=$(run $args)
  status=$?
  echo "$out"
  [ "$status" = 2 ] || fail "$args ended with status $status"
  grep -q "^run: --seconds needs a whole number of seconds" <<<"$out" || fail "$args is not refused clearly"
  grep -q "unbound variable" <<<"$out" && fail "$args reached the shell's own complaint"
  [ -e "$work" ] && fail "$args started a run"
done

# Long enough for the start-up of a sanitized build on a busy machine, which once took more than
# six seconds to get past the reading of the ECU's configuration.
out=$(run --seconds 20)
status=$?
echo "$out"
[ "$status" = 0 ] || fail "run.sh ended with status $status"
grep -q "^run: gascal ran .* exit status 0" <<<"$out" || fail "gascal did not end cleanly"
# The simulator runs an engine, so that an auto-calibration in the demonstration can converge.
grep -q "^gascal-ecusim: .*an engine that needs gas time" "$work/ecusim.log" || fail "the simulator runs without its engine"
requests=$(grep -c '^>' "$work/ecusim.log")
[ "$requests" -ge 10 ] || fail "the ECU answered only $requests requests"
grep -q "^Form_3D_GEN_Width" "$work/gascal.ini" || fail "the settings were not written at close"
grep -q "Exception" <<<"$out" && fail "an exception escaped"
# The picture of the screen instead of the settings file's lines.
grep -q "^run: the screen at the end of the run: $work/screen.png$" <<<"$out" || fail "the picture is not named"
[ "$(head -c 8 "$work/screen.png" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] || fail "screen.png is no PNG"
[ "$(stat -c %s "$work/screen.png")" -gt 20000 ] || fail "screen.png is too small to show the window"
grep -q "Program_Code" <<<"$out" && fail "the settings file was printed"
# The sample configuration, for the File menu's Load.
cmp -s "$work/Config/Golf.cfg" "$root/examples/Config/Golf.cfg" || fail "the work folder lacks the sample configuration"
echo "PASSED: $requests requests answered, settings written, screen kept"
