#!/usr/bin/env bash
# Builds gascal (optimised) and starts it against the ECU simulator on a pseudo-terminal, in a
# work folder of its own (build/run: "Config" with the sample configuration Golf.cfg,
# "Language" and gascal.ini, the simulator's port configured). Without a display it runs
# under Xvfb and keeps a picture of the screen at the end of the run.
#
# GASCAL_BUILD=<folder> uses the programs already built there instead of building (tests do);
# GASCAL_RUN_DIR=<folder> works there instead of build/run.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

usage() {
  cat <<'TEXT'
usage: bash scripts/run.sh [--open] [--seconds N] [--find] [--help]

Builds an optimised gascal and starts it against the ECU simulator on a pseudo-terminal, in
the work folder build/run (Config with the sample configuration Golf.cfg, Language, and a
gascal.ini that names the simulator's port). It closes the program after 10 seconds as a user
would, which writes the settings. Without a display it runs under Xvfb and keeps a picture of
the screen at the end of the run as build/run/screen.png.

  --open        leave the window open until you close it (on a real display)
  --seconds N   close the program after N seconds (a whole number, 1 or more; default 10)
  --find        configure a port that is not there, so that the automatic port search has
                to find the simulator
  --help        print this text

What the simulator was asked is in build/run/ecusim.log, the settings in build/run/gascal.ini.
TEXT
}

open=0 seconds=10 find=0 xvfb=0
while [ $# -gt 0 ]; do
  case "$1" in
    --open) open=1 ;;
    --seconds)
      if [ $# -lt 2 ] || ! [[ "$2" =~ ^[0-9]+$ ]] || [ "$((10#$2))" -lt 1 ]; then
        echo "run: --seconds needs a whole number of seconds, 1 or more${2+, not \"$2\"}" >&2
        exit 2
      fi
      seconds=$((10#$2))
      shift
      ;;
    --find) find=1 ;;
    -h | --help) usage; exit 0 ;;
    *) echo "run: unknown argument \"$1\" (bash scripts/run.sh --help tells the options)" >&2; exit 2 ;;
  esac
  shift
done

if [ -n "${GASCAL_BUILD:-}" ]; then
  build=$(cd "$GASCAL_BUILD" && pwd)
else
  bash "$root/scripts/deps.sh"
  build="$root/build/release"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGASCAL_TESTS=OFF -DGASCAL_BENCH=ON -DGASCAL_UNITY=ON >/dev/null
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
# The sample configuration, for the File menu's Load and for gascal-cfg.
cp "$root/examples/Config/"*.cfg "$work/Config/"
link="$work/ecu"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
}
trap cleanup EXIT

# The ECU: its requests and replies go to ecusim.log. It runs an engine whose gas times the
# calibration can find (gas time 1.3 x petrol time + 800 us), so an auto-calibration converges.
"$ecusim" --link "$link" --engine 1.3,800 --trace </dev/null >"$work/ecusim.log" 2>&1 &
pids+=($!)
# Up to a minute for it (and for the X server below): a loaded machine may take that long.
for _ in $(seq 1200); do
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
  for _ in $(seq 1200); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.05
  done
  open=0
  xvfb=1
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
  # Under Xvfb nobody sees the screen: a picture of it, taken while the program still runs.
  if [ "$xvfb" = 1 ] && kill -0 "$program" 2>/dev/null; then
    if xwd -root -silent -out "$work/screen.xwd" 2>"$work/screen.log" &&
       convert "xwd:$work/screen.xwd" "png:$work/screen.png" 2>>"$work/screen.log"; then
      rm -f "$work/screen.xwd"
      screenshot="$work/screen.png"
    else
      echo "run: no picture of the screen (see $work/screen.log)" >&2
    fi
  fi
  # Closed as a user closes it: the settings are written, the port let go.
  kill -TERM "$program" 2>/dev/null || true
  wait "$program" || status=$?
fi
status=${status:-0}
echo "run: gascal ran $(( $(date +%s) - start )) s, exit status $status"
requests=$(grep -c '^>' "$work/ecusim.log" || true)
echo "run: the ECU answered $requests requests (the dialogue is in $work/ecusim.log)"
if [ -e "$work/gascal.ini" ] && grep -q '^Form_3D_GEN_Width' "$work/gascal.ini"; then
  echo "run: the settings were written to $work/gascal.ini"
fi
if [ -n "${screenshot:-}" ]; then
  echo "run: the screen at the end of the run: $screenshot"
fi
exit "$status"
