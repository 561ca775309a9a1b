#!/usr/bin/env bash
# Screenshots of the four windows on the demo print system, in pseudo mode under xvfb-run, written
# to docs/screenshots/. The settings of the run go to a temporary folder, never the user's.
#
#   scripts/screenshots.sh [BUILD_DIR [PSEUDO_DIR]]
#
# BUILD_DIR defaults to build/ (configured by the default preset). PSEUDO_DIR is a folder of canned
# listings; without it the demo print system (examples/demo/data) is exported into one.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --preset default > /dev/null
fi
cmake --build "$build" -j2 --target stallscan_screenshots kvls

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root/bin" "$work/config" docs/screenshots
# Pseudo mode still needs a non-empty listing tool file below OV_ROOT.
cp "$build/bin/kvls" "$work/root/bin/kvls"

pseudo="${2:-}"
if [ -z "$pseudo" ]; then
    pseudo="$work/canned"
    KVLS_DATA="$PWD/examples/demo/data" "$build/bin/kvls" --export-pseudo "$pseudo"
fi

XDG_CONFIG_HOME="$work/config" OV_ROOT="$work/root" KVPRINTER=lp-office \
    xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" \
    "$build/bin/stallscan_screenshots" docs/screenshots demo 9 "pseudo-kvls@$pseudo"
ls -l docs/screenshots
