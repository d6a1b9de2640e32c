#!/usr/bin/env bash
# Builds gascal with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# With clang and libFuzzer too: the fuzz build is compiled below.
bash "$root/scripts/deps.sh" --fuzz
# Each folder uses only the folders below it (scripts/layers.txt); a violation fails the run
# before anything is built.
python3 "$root/scripts/check_layers.py" --root "$root"
# Line tables (-g1) are all that the sanitizers' reports need, at three quarters of the cost of
# full debug information; test programs compile at -O0 (cmake/Gascal.cmake).
build="$root/build/test"
# The compilers get as many jobs as the machine has processors to give: nproc counts those this
# process may run on, not a CPU quota of its control group, which a container often sets lower.
# The tests spend most of their time waiting, so they run four to a processor, up to nproc.
cpu_quota_cores() {
  local quota period
  if [ -r /sys/fs/cgroup/cpu.max ]; then
    read -r quota period </sys/fs/cgroup/cpu.max || return 0
  elif [ -r /sys/fs/cgroup/cpu/cpu.cfs_quota_us ] && [ -r /sys/fs/cgroup/cpu/cpu.cfs_period_us ]; then
    quota=$(cat /sys/fs/cgroup/cpu/cpu.cfs_quota_us) period=$(cat /sys/fs/cgroup/cpu/cpu.cfs_period_us)
  fi
  case "${quota:-max}" in max | -1 | "") return 0 ;; esac
  [ "${period:-0}" -gt 0 ] 2>/dev/null || return 0
  echo $(((quota + period - 1) / period))
}
visible=$(nproc)
cores=$visible
quota=$(cpu_quota_cores)
if [ -n "$quota" ] && [ "$quota" -ge 1 ] && [ "$quota" -lt "$cores" ]; then cores=$quota; fi
jobs=${GASCAL_JOBS:-$cores}
test_jobs=${GASCAL_JOBS:-$((4 * cores < visible ? 4 * cores : visible))}
echo "test.sh: $jobs compile jobs, $test_jobs test jobs"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGASCAL_SANITIZE=ON -DGASCAL_TESTS=ON \
      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build "$build" -j "$jobs"

# The tests run while the other trees compile: most of their time is spent waiting (for a real
# X server, the simulator's line, a timer), which the compilers fill. Their output is shown
# once they and the builds are done; a run that ends early (a build that fails) stops them.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
tests_log="$build/ctest.log"
# In a process group of its own (led by ctest), so that stopping it stops the test programs too.
(cd "$build" && exec setsid ctest --output-on-failure -j "$test_jobs") >"$tests_log" 2>&1 &
tests_pid=$!
stop_tests() {
  if kill -0 "$tests_pid" 2>/dev/null; then
    kill -- -"$tests_pid" 2>/dev/null || true
    wait "$tests_pid" 2>/dev/null || true
    echo "test.sh: the tests were stopped; their output so far:"
    cat "$tests_log"
  fi
}
trap stop_tests EXIT

# The trees below and above never compile a test file the way a plain tree does (this one gives
# GoogleTest precompiled, the batched ones put other files first): parse each once without that.
python3 "$root/scripts/check_test_sources.py" --build "$build" --jobs "$jobs"
# The optimised build must compile too, with its benchmarks (-O2 warns about other things than
# the test build does): it is what the run command starts and what the benchmarks measure. Its
# test programs are left out: nothing runs them, and compiling them optimised cost a third of
# this tree's time for warnings about test code alone. It compiles each target's sources in
# batches (GASCAL_UNITY), which saves most of the headers' parsing; the test build above
# compiles every file on its own, so a missing include still fails there.
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGASCAL_TESTS=OFF \
      -DGASCAL_BENCH=ON -DGASCAL_UNITY=ON >/dev/null
cmake --build "$root/build/release" -j "$jobs" >/dev/null
# So must the fuzz build: clang with its own warnings as errors, ASan, UBSan and libFuzzer.
# Built only, batched too, unoptimised and without debug information: clang warns the same at
# -O0, which compiles in less than half the time, and nothing runs or debugs what it makes.
# scripts/fuzz.sh, which runs the hunts, builds its target at -O1 in build/fuzz; this tree is
# build/fuzz-check.
fuzz="$root/build/fuzz-check"
CXX=clang++ cmake -S "$root" -B "$fuzz" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
      -DGASCAL_FUZZ=ON -DGASCAL_TESTS=OFF -DCMAKE_CXX_FLAGS_DEBUG="-O0" -DGASCAL_UNITY=ON >/dev/null
cmake --build "$fuzz" -j "$jobs" >"$fuzz/build.log" || { cat "$fuzz/build.log"; exit 1; }

trap - EXIT
status=0
wait "$tests_pid" || status=$?
cat "$tests_log"
exit "$status"
