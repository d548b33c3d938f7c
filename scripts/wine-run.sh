#!/usr/bin/env bash
# Runs one Windows program of the build under Wine, in the build directory's prefix.
# ctest calls this as its emulator; the test command has already made the prefix and the display.
set -euo pipefail
exe=$1; shift
build=$(cd "$(dirname "$exe")/.." && pwd)
export WINEPREFIX=${ZV_WINEPREFIX:-$build/wineprefix} WINEDEBUG=-all LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mshtml=d;mscoree=d"
exec wine "$exe" "$@" </dev/null
