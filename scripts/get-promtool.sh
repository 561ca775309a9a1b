#!/usr/bin/env bash
# Puts Debian's promtool at /opt/promtool/promtool (or at $1) for the metric and alert-rule tests.
# The tool comes out of the prometheus package without installing it: the package's service
# would start a Prometheus server listening on every address, which no test machine should run.
set -euo pipefail

target=${1:-/opt/promtool/promtool}
if [ -x "$target" ]; then
  exit 0
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch"  # apt downloads as its own user
(cd "$scratch" && apt-get download prometheus >/dev/null)
dpkg-deb -x "$scratch"/prometheus_*.deb "$scratch/root"

sudo_cmd=()
if [ ! -w "$(dirname "$(dirname "$target")")" ] && [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" install -D -m 755 "$scratch/root/usr/bin/promtool" "$target"
echo "promtool: $target"
