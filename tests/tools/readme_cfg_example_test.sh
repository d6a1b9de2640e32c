#!/usr/bin/env bash
# The README's gascal-cfg example, run as it stands from the top of a checkout (the programs of
# this build in place of build/release, the copy written into a folder of the test's own): it
# must read the sample configuration without a complaint, print its model and write the copy
# as the program writes the sample. Arguments: the build folder, a work folder.
set -uo pipefail
build=$1 work=$2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
fail() { echo "FAILED: $1"; exit 1; }
rm -rf "$work" && mkdir -p "$work"
mapfile -t commands < <(grep '^build/release/tools/gascal-cfg/gascal-cfg ' "$root/README.md")
[ "${#commands[@]}" -ge 2 ] || fail "the README shows no gascal-cfg example"
export ASAN_OPTIONS=detect_leaks=0
sample=$(cksum <"$root/examples/Config/Golf.cfg")
cd "$root"
for c in "${commands[@]}"; do
  c=${c%%#*}
  c=${c//build\/release/$build}
  c=${c//build\/copy.cfg/$work\/copy.cfg}
  echo "+ $c"
  read -r -a words <<<"$c"
  "${words[@]}" >"$work/out" 2>"$work/err"
  status=$?
  cat "$work/out" "$work/err"
  [ "$status" = 0 ] || fail "the example ended with status $status"
  [ -s "$work/err" ] && fail "the sample is read with complaints"
  grep -q '^Cfg_Name = "Golf"$' "$work/out" || fail "the model of Golf.cfg was not printed"
  grep -q '^MAP 6 = gas 880, petrol 830$' "$work/out" || fail "the sample's MAP points were not read"
done
[ -e "$work/copy.cfg" ] || fail "the example wrote no copy"
cmp "$work/copy.cfg" "$root/examples/Config/Golf.cfg" || fail "the copy differs from the sample"
[ "$(cksum <"$root/examples/Config/Golf.cfg")" = "$sample" ] || fail "the example changed the sample"
echo "PASSED"
