#!/usr/bin/env bash
# Builds gascal (optimised) and starts it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/deps.sh"
build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGASCAL_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
if [ -x "$build/app/gascal" ]; then
  exec "$build/app/gascal" "$@"
fi
echo "gascal: the libraries are built in $build; there is no program to start yet."
