#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing stallscan needs, when missing.
#   scripts/install-deps.sh          everything the test command and CI need (the Windows
#                                    cross-build's compilers among them)
#   scripts/install-deps.sh --build  only what configuring and building the default preset needs
set -euo pipefail

# Configuring (every part ON, tests included) and building the default preset.
packages=(cmake ninja-build g++ pkg-config libgtest-dev nlohmann-json3-dev qt6-base-dev libgl-dev
          libcups2-dev libmicrohttpd-dev libcpp-httplib-dev)
if [ "${1:-}" != "--build" ]; then
  # The tests' tools, the benchmarks, the package checks and the Windows cross-build.
  packages+=(libgmock-dev libbenchmark-dev xvfb xauth openbox dpkg-dev man-db python3-jsonschema
             desktop-file-utils cups-daemon cups-client chromium chromium-driver python3-selenium
             lintian devscripts python3-debian g++-mingw-w64-x86-64-posix mingw-w64 googletest)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
  fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# promtool for the metric and alert-rule tests, taken out of its package (never installed).
if [ "${1:-}" != "--build" ]; then
  "$(dirname "$0")/get-promtool.sh"
fi
