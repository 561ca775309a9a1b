#!/usr/bin/env bash
# Runs a window test program on a private X server (Xvfb, one 1280x800 screen at 96 dpi) with the
# openbox window manager, which puts every window into a frame of its own as desktop window
# managers do. The program starts once openbox manages the screen; openbox and the X server end
# with it, and the whole run is limited to ten minutes.
#
#   under_window_manager.sh PROGRAM [ARGUMENT ...]
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
    exec timeout -k 10 600 xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" bash "$0" --inside "$@"
fi
shift

work="$(mktemp -d)"
openbox --sm-disable --startup "touch $work/ready" > "$work/openbox.log" 2>&1 &
openbox_pid=$!
trap 'kill "$openbox_pid" 2> /dev/null || true; wait "$openbox_pid" 2> /dev/null || true; rm -rf "$work"' EXIT

for _ in $(seq 600); do
    [ -e "$work/ready" ] && break
    kill -0 "$openbox_pid" 2> /dev/null || { cat "$work/openbox.log" >&2; exit 1; }
    sleep 0.1
done
if [ ! -e "$work/ready" ]; then
    echo "openbox did not start within 60 s" >&2
    exit 1
fi

status=0
"$@" || status=$?
exit "$status"
