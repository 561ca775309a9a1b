#!/usr/bin/env bash
# Cross-builds stallscan for 64-bit Windows with mingw-w64 (preset windows-cross, build-win/) and
# runs the unit and end-to-end tests under wine, in a wine prefix of its own (build-win/wineprefix).
# Installs what is missing (Debian 12). CI (.ci/run) builds the preset but runs no tests under
# wine.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix mingw-w64 googletest wine wine64)
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -ne 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
  fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
fi

export WINEDEBUG=-all
export WINEPREFIX="$PWD/build-win/wineprefix"
# The test programs run through cmake/wine-run.sh. Afterwards wait for the prefix's wine server
# to end (a few seconds after its last program), so that nothing of the run is left behind.
trap 'wineserver -w 2> /dev/null || true' EXIT

cmake --preset windows-cross
cmake --build --preset windows-cross
ctest --preset windows-cross "$@"
