#!/bin/sh
# Runs a Windows program under wine: the emulator of the mingw-w64 build, for ctest and for the
# test discovery at build time. WINEPREFIX names the build's own prefix.
# The first call starts a wine server that stays (tests start thousands of processes; end it with
# `wineserver -k`) and wine's service processes, with their output going nowhere: a service
# started by a test would keep that test's output pipe open until the server ends.
if wineserver -p 2> /dev/null; then
  wine cmd.exe /c exit < /dev/null > /dev/null 2>&1
fi
exec wine "$@"
