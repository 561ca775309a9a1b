#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing stallscan needs, when missing.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          nlohmann-json3-dev qt6-base-dev libgl-dev xvfb xauth openbox dpkg-dev man-db
          python3-jsonschema desktop-file-utils libcups2-dev cups-daemon cups-client
          libmicrohttpd-dev libcpp-httplib-dev chromium chromium-driver python3-selenium
          lintian devscripts python3-debian)

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
"$(dirname "$0")/get-promtool.sh"
