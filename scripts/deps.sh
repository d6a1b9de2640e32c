#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing gascal need.
# Idempotent: does nothing when everything is already there. Run as root.
# With --fuzz, also clang and its libFuzzer runtime, for scripts/fuzz.sh and for the fuzz
# build that scripts/test.sh compiles (the tests themselves replay the corpora with g++).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libcairo2-dev libpango1.0-dev libgdk-pixbuf-2.0-dev libepoxy-dev libbullet-dev
  libegl-dev libopengl-dev libgl-dev libegl-mesa0 libgl1-mesa-dri libx11-dev libxext-dev libxkbcommon-dev libfontconfig-dev
  libfreetype-dev libgif-dev
  xvfb xauth x11-apps x11-utils openbox imagemagick socat gettext locales python3
  fonts-wine fonts-tlwg-loma-ttf
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "deps: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then echo "deps: run as root to install packages" >&2; exit 1; fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A locale whose decimal separator is ",", for the tests that prove number texts ignore the locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [ "$(id -u)" -eq 0 ]; then
    localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1 || echo "deps: could not generate de_DE.UTF-8" >&2
  fi
fi
