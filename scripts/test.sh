#!/usr/bin/env bash
# Sets everything up, builds, and runs every test (unit, end-to-end and window tests), then builds
# again with AddressSanitizer and UndefinedBehaviorSanitizer and runs the unit and end-to-end
# tests (the fuzz corpora replays among them) once more.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default
cmake --build --preset default -j2
ctest --preset default
cmake --preset asan
cmake --build --preset asan
ctest --preset asan
