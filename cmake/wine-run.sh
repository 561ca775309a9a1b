#!/bin/sh
# Runs a Windows program under wine: the emulator of the mingw-w64 build, for ctest and for the
# test discovery at build time. WINEPREFIX names the build's own prefix.
# Wine's service processes start with the first program of a wine server and live as long as the
# server; started by a test, they would keep that test's output pipe open until the server ends.
# So a program that does nothing comes first and starts them, with its output going nowhere.
wine cmd.exe /c exit < /dev/null > /dev/null 2>&1
exec wine "$@"
