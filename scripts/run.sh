#!/usr/bin/env bash
# Builds gascal (optimised) and starts it. Until the program's windows exist, it starts the ECU
# simulator on a pseudo-terminal and the headless link runner against it, which prints every
# request and reply: the ECU found, read and polled. With --find first, the configured port is
# a wrong one and the automatic port search has to find the simulator among the listed ports
# (one of them absent); otherwise the simulator's port is the configured one. Further arguments
# go to the runner (default: --seconds 8; give --seconds 0 to run until Ctrl-C).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/deps.sh"
build="$root/build/release"
# The release build of the test command (same options), of which only the programs are built.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGASCAL_TESTS=ON -DGASCAL_BENCH=ON >/dev/null
targets=(gascal-ecusim gascal-link)
[ -f "$root/app/main.cpp" ] && targets+=(gascal)
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
if [ -x "$build/app/gascal" ]; then
  exec "$build/app/gascal" "$@"
fi

find=0
if [ "${1:-}" = "--find" ]; then find=1; shift; fi
work=$(mktemp -d)
link="$work/ecu"
"$build/tools/gascal-ecusim/gascal-ecusim" --link "$link" </dev/null >"$work/ecusim.log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  [ -e "$link" ] && break
  sleep 0.05
done
[ -e "$link" ] || { cat "$work/ecusim.log" >&2; echo "run: the ECU simulator did not start" >&2; exit 1; }
echo "run: ECU simulator on $(readlink "$link"); the link runner talks to it (no windows yet)."
if [ $# -eq 0 ]; then set -- --seconds 8; fi
if [ "$find" = 1 ]; then
  echo "run: the configured port COM99 is not there; the port search finds the ECU."
  "$build/tools/gascal-link/gascal-link" COM99 --search --list "$work/absent:$link" "$@"
else
  "$build/tools/gascal-link/gascal-link" "$link" --search "$@"
fi
