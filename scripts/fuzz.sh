#!/usr/bin/env bash
# Builds one fuzz target of fuzz/ with clang and libFuzzer and runs it for a while:
#   scripts/fuzz.sh TARGET [SECONDS] [libFuzzer options...]
# TARGET is a source name of fuzz/ (component_stream, cfg_file, ...); SECONDS defaults to 60.
# The seeds of fuzz/corpus/TARGET/ are read, never written: new inputs go to
# build/fuzz/corpus/TARGET/ and findings to build/fuzz/findings/TARGET/. A finding worth
# keeping goes into fuzz/corpus/TARGET/ once mended (fuzz/pending/TARGET/ until then).
# Each run first merges the inputs that earlier runs found into a fresh folder (libFuzzer's
# -merge=1), which keeps only those that add coverage, so the folder stays small.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
target=${1:?usage: scripts/fuzz.sh TARGET [SECONDS] [libFuzzer options...]}
seconds=${2:-60}
shift $(($# >= 2 ? 2 : 1))
if [ ! -f "$root/fuzz/$target.cpp" ]; then
  echo "fuzz: no target $target; one of: $(cd "$root/fuzz" && ls *.cpp | grep -v -e replay_main -e FuzzSupport | sed 's/\.cpp$//' | tr '\n' ' ')" >&2
  exit 2
fi
bash "$root/scripts/deps.sh" --fuzz
build="$root/build/fuzz"
CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
      -DGASCAL_FUZZ=ON -DGASCAL_TESTS=OFF -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DGASCAL_UNITY=ON >/dev/null
cmake --build "$build" -j "${GASCAL_JOBS:-3}" --target "fuzz_$target"
work="$build/corpus/$target"
findings="$build/findings/$target"
mkdir -p "$work" "$findings"
program="$build/fuzz/fuzz_$target"
# The longest input a hunt makes (libFuzzer takes the longest seed otherwise). A window's text
# or a mesh list that shows something is a few kilobytes; the long seeds are reproducers of
# findings that the corpus replay runs whole, and a hunt that grows inputs to their length
# runs a few a second (mesh_data, with a list of 289 KB: about a hundred a second, thousands
# bounded).
limits=()
case "$target" in
  control_stream | mesh_data) limits=(-max_len=4096) ;;
esac
# Temporary files of the run (fonts from memory write some; the .cfg target saves files, each
# synced to disk): on tmpfs when there is one, where a sync costs nothing.
shm=/dev/shm
[ -d "$shm" ] && [ -w "$shm" ] || { shm="$build/tmp"; mkdir -p "$shm"; }
scratch=$(mktemp -d "$shm/gascal-fuzz-$target-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
if [ -n "$(ls -A "$work")" ]; then
  merged=$(mktemp -d "$build/corpus/$target.merged-XXXXXX")
  if TMPDIR="$scratch" "$program" -merge=1 "${limits[@]}" "$merged" "$work" >"$findings/merge.log" 2>&1; then
    echo "fuzz: $(ls "$work" | wc -l) inputs of earlier runs merged into $(ls "$merged" | wc -l)"
    rm -rf "$work"
    mv "$merged" "$work"
  else
    rm -rf "$merged"
    echo "fuzz: the merge of $work failed (see $findings/merge.log); the hunt takes it as it is" >&2
  fi
fi
status=0
TMPDIR="$scratch" "$program" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" \
  "${limits[@]}" "$@" "$work" "$root/fuzz/corpus/$target" || status=$?
exit $status
