#!/usr/bin/env bash
# Sets everything up, builds, and runs every test (unit, end-to-end and window tests).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default
cmake --build --preset default -j2
ctest --preset default
