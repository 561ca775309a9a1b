#!/usr/bin/env bash
# Screenshots of the four windows on the demo print system, in pseudo mode under xvfb-run, written
# to docs/screenshots/: what a user sees at a first start, the result window also with job demo:7,
# whose reasons fill it. The run starts from empty settings in a temporary folder, never the
# user's. With chromedriver installed, also the page of stallscan --serve (serve-page.png).
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
    "$build/bin/stallscan_screenshots" docs/screenshots demo 7 "pseudo-kvls@$pseudo"

# The page of stallscan --serve, taken by its browser test over the demo print system (headless
# chromium through chromedriver; python3-selenium is the system python's).
if [ -x /usr/bin/chromedriver ]; then
    cmake --build "$build" -j2 --target stallscan kvls
    /usr/bin/python3 tests/serve/browser_test.py "$build/bin/stallscan" "$build/bin/kvls" "$PWD" \
        docs/screenshots/serve-page.png
fi
ls -l docs/screenshots
