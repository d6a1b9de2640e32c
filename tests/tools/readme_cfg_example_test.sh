#!/usr/bin/env bash
# The README's gascal-cfg example, run as it stands from the top of a checkout (the programs of
# this build in place of build/release, the copy written into a folder of the test's own): it
# must read the sample configuration without a complaint, print its model and write the copy
# as the program writes the sample. Arguments: the build folder, a work folder, and "refusals"
# for the files the tool refuses instead, or "usage" for what it tells of itself.
set -uo pipefail
build=$1 work=$2 mode=${3:-example}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
fail() { echo "FAILED: $1"; exit 1; }
rm -rf "$work" && mkdir -p "$work"
export ASAN_OPTIONS=detect_leaks=0

if [ "$mode" = usage ]; then
  # --help (also after a file, and -h) prints the usage on standard output with status 0, as
  # run.sh --help does, and reads no file; an option it does not know is not taken for a file.
  tool=$build/tools/gascal-cfg/gascal-cfg
  for args in "--help" "-h" "--print x.cfg --help"; do
    read -r -a words <<<"$args"
    (cd "$work" && "$tool" "${words[@]}") >"$work/out" 2>"$work/err"
    status=$?
    cat "$work/out" "$work/err"
    [ "$status" = 0 ] || fail "$args: status $status"
    grep -q '^usage: gascal-cfg \[--print\] FILE.cfg \[SAVE_AS.cfg\]$' "$work/out" || fail "$args: no usage printed"
    grep -q -- '--print' "$work/out" || fail "$args: the options are not told"
    [ -s "$work/err" ] && fail "$args: something said on standard error"
  done
  # The usage names -h beside --help, "--", and the status of a wrong command line.
  grep -q -- '^  -h, --help ' "$work/out" || fail "the usage does not name -h"
  grep -q -- '^  -- ' "$work/out" || fail "the usage does not name --"
  grep -q -- '; 2 when the command' "$work/out" || fail "the usage does not name the status 2"
  # "--" ends the options: a name after it is a file's, also one that begins with "-" or is "--help".
  cp "$root/examples/Config/Golf.cfg" "$work/-odd.cfg"
  (cd "$work" && "$tool" --print -- -odd.cfg) >"$work/out" 2>"$work/err"
  status=$?
  cat "$work/err"
  [ "$status" = 0 ] || fail "-- -odd.cfg: status $status"
  grep -q '^Cfg_Name = "-odd"$' "$work/out" || fail "-- -odd.cfg: the file was not read"
  (cd "$work" && "$tool" --print -- --help) >"$work/out" 2>"$work/err"
  status=$?
  [ "$status" = 1 ] || fail "-- --help: status $status"
  grep -qF -- 'gascal-cfg: --help: file not found' "$work/err" || fail "-- --help: not taken for a file"
  [ -s "$work/out" ] && fail "-- --help printed something"
  "$tool" --frobnicate "$root/examples/Config/Golf.cfg" >"$work/out" 2>"$work/err"
  status=$?
  [ "$status" = 2 ] || fail "an unknown option: status $status"
  grep -qF 'gascal-cfg: unknown option "--frobnicate" (gascal-cfg --help tells the usage)' "$work/err" ||
    fail "an unknown option is not named"
  [ -s "$work/out" ] && fail "an unknown option printed a model"
  echo "PASSED"
  exit 0
fi

if [ "$mode" = refusals ]; then
  # Files the tool refuses as the program does, in the program's words, with status 1, nothing
  # printed and nothing written: a file that holds no configuration (it was loaded over the
  # defaults and rewritten as a whole default configuration), a folder and a FIFO (said to be
  # missing), and a missing file.
  tool=$build/tools/gascal-cfg/gascal-cfg
  head -c 102400 /dev/urandom >"$work/junk.cfg"
  head -c 3000000 /dev/urandom | base64 >"$work/base64.cfg"
  mkdir "$work/dir.cfg" && mkfifo "$work/pipe.cfg" || fail "the folder or the FIFO could not be made"
  sum() { [ -f "$1" ] && cksum <"$1"; }  # a FIFO is not read: that would wait for a writer
  for c in "junk.cfg:holds no configuration: not one of its lines gives a key of a configuration file, and nothing of it was loaded" \
           "base64.cfg:holds no configuration" "dir.cfg:is not a regular file" "pipe.cfg:is not a regular file" \
           "missing.cfg:file not found"; do
    name=${c%%:*} said=${c#*:}
    before=$(sum "$work/$name")
    timeout 60 "$tool" "$work/$name" "$work/copy-$name" >"$work/out" 2>"$work/err"
    status=$?
    cat "$work/out" "$work/err"
    [ "$status" = 1 ] || fail "$name: status $status"
    grep -qF "gascal-cfg: $work/$name: $said" "$work/err" || fail "$name: not said: $said"
    [ -s "$work/out" ] && fail "$name: a model was printed"
    [ -e "$work/copy-$name" ] && fail "$name: a copy was written"
    [ "$(sum "$work/$name")" = "$before" ] || fail "$name: the file was changed"
  done
  # Rewritten in place, the junk is left as it is too.
  before=$(cksum <"$work/junk.cfg")
  timeout 60 "$tool" "$work/junk.cfg" >/dev/null 2>&1 && fail "the junk was taken in place"
  [ "$(cksum <"$work/junk.cfg")" = "$before" ] || fail "the junk was rewritten in place"
  printf 'PG_RPM 2500 {}\r\n' >"$work/one.cfg"
  "$tool" --print "$work/one.cfg" >"$work/out" 2>"$work/err" || fail "a file with one key of a configuration was refused"
  grep -q '^PG_RPM = 2500$' "$work/out" || fail "the one key was not taken"
  grep -q 'Missing, defaults kept: Work_Gas' "$work/err" || fail "what the file lacks was not listed"
  echo "PASSED"
  exit 0
fi

mapfile -t commands < <(grep '^build/release/tools/gascal-cfg/gascal-cfg ' "$root/README.md")
[ "${#commands[@]}" -ge 2 ] || fail "the README shows no gascal-cfg example"
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
