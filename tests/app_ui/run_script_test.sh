#!/usr/bin/env bash
# scripts/run.sh as a user starts it on a machine without a display: gascal under Xvfb against
# the ECU simulator, closed after a few seconds. It must talk to the ECU, end cleanly and
# leave its settings written. Arguments: the build folder, a work folder.
set -uo pipefail
build=$1 work=$2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
command -v Xvfb >/dev/null || { echo "no Xvfb: skipped"; exit 77; }
rm -rf "$work"  # this test's own folder
out=$(env -u DISPLAY GASCAL_BUILD="$build" GASCAL_RUN_DIR="$work" ASAN_OPTIONS=detect_leaks=0 \
      bash "$root/scripts/run.sh" --seconds 6 2>&1)
status=$?
echo "$out"
fail() { echo "FAILED: $1"; exit 1; }
[ "$status" = 0 ] || fail "run.sh ended with status $status"
grep -q "^run: gascal ran .* exit status 0" <<<"$out" || fail "gascal did not end cleanly"
requests=$(grep -c '^>' "$work/ecusim.log")
[ "$requests" -ge 10 ] || fail "the ECU answered only $requests requests"
grep -q "^Form_3D_GEN_Width" "$work/gascal.ini" || fail "the settings were not written at close"
grep -q "Exception" <<<"$out" && fail "an exception escaped"
echo "PASSED: $requests requests answered, settings written"
