#!/usr/bin/env bash
# Builds the command line, the stand-in tool and the tests with ThreadSanitizer and runs the unit
# and end-to-end tests under it (the windows are left out: Qt's own libraries are not built with
# it). A data race or a lock-order inversion fails the test that ran into it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan "$@"
