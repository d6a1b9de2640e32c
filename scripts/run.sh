#!/usr/bin/env bash
# Builds gascal (optimised) and starts it against the ECU simulator on a pseudo-terminal, in a
# work folder of its own (build/run: "Config", "Language" and gascal.ini, the simulator's port
# configured). Without a display it runs under Xvfb.
#
#   bash scripts/run.sh [--open] [--seconds N] [--find]
#     --open        leave the window open until it is closed (on a real display)
#     --seconds N   close the program after N seconds, as a user would (default 10)
#     --find        configure a port that is not there: the automatic port search finds the ECU
#
# GASCAL_BUILD=<folder> uses the programs already built there instead of building (tests do).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

open=0 seconds=10 find=0
while [ $# -gt 0 ]; do
  case "$1" in
    --open) open=1 ;;
    --seconds) seconds=${2:?--seconds needs a number}; shift ;;
    --find) find=1 ;;
    *) echo "run: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done

if [ -n "${GASCAL_BUILD:-}" ]; then
  build=$(cd "$GASCAL_BUILD" && pwd)
else
  bash "$root/scripts/deps.sh"
  build="$root/build/release"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGASCAL_TESTS=ON -DGASCAL_BENCH=ON >/dev/null
  cmake --build "$build" -j "${GASCAL_JOBS:-3}" --target gascal gascal-ecusim
fi
gascal="$build/app/gascal"
ecusim="$build/tools/gascal-ecusim/gascal-ecusim"

work=${GASCAL_RUN_DIR:-$root/build/run}
# The folder is made anew each run; one that an earlier run did not make is left alone.
if [ -e "$work" ] && [ ! -e "$work/.gascal-run" ]; then
  echo "run: $work exists and was not made by run.sh; choose another GASCAL_RUN_DIR" >&2
  exit 2
fi
rm -rf "$work"
mkdir -p "$work/Config" "$work/Language"
touch "$work/.gascal-run"
link="$work/ecu"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
}
trap cleanup EXIT

# The ECU: its requests and replies go to ecusim.log.
"$ecusim" --link "$link" --trace </dev/null >"$work/ecusim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [ -e "$link" ] && break
  sleep 0.05
done
[ -e "$link" ] || { cat "$work/ecusim.log" >&2; echo "run: the ECU simulator did not start" >&2; exit 1; }

# The port list holds the simulator's port (and, for --find, one that is absent).
if [ "$find" = 1 ]; then
  export GASCAL_EXTRA_PORTS="$work/absent:$link"
  printf '%-29s%s {}\r\n%-29s%s {}\r\n' Port_Name "$work/absent" Search_Port True >"$work/gascal.ini"
else
  export GASCAL_EXTRA_PORTS="$link"
  printf '%-29s%s {}\r\n%-29s%s {}\r\n' Port_Name "$link" Search_Port False >"$work/gascal.ini"
fi
echo "run: ECU simulator on $(readlink "$link"); gascal in $work"

# A display: the one there is, or an Xvfb of our own.
if [ -z "${DISPLAY:-}" ]; then
  command -v Xvfb >/dev/null || { echo "run: no display and no Xvfb" >&2; exit 1; }
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { display=":$n"; break; }
  done
  Xvfb "${display:?run: no free display number}" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  export DISPLAY=$display
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.05
  done
  open=0
  echo "run: no display: under Xvfb $DISPLAY"
fi

start=$(date +%s)
(cd "$work" && exec "$gascal") &
program=$!
if [ "$open" = 1 ]; then
  wait "$program" || status=$?
else
  for _ in $(seq $((seconds * 10))); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
  done
  # Closed as a user closes it: the settings are written, the port let go.
  kill -TERM "$program" 2>/dev/null || true
  wait "$program" || status=$?
fi
status=${status:-0}
echo "run: gascal ran $(( $(date +%s) - start )) s, exit status $status"
requests=$(grep -c '^>' "$work/ecusim.log" || true)
echo "run: the ECU answered $requests requests; the settings file:"
cat "$work/gascal.ini"
exit "$status"
