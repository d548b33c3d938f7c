#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless. Exits non-zero on any failure.
# A run of the whole suite (no arguments) then makes the Windows release too (see zv_release).
source "$(dirname "$0")/lib.sh"
zv_setup
zv_build -DZV_TESTS=ON
prefix=$ZV_BUILD/wineprefix
zv_xvfb force
trap 'zv_prefix_stop "$prefix"; zv_xvfb_stop' EXIT
zv_prefix "$prefix"
cd "$ZV_BUILD"
ctest --output-on-failure --timeout 600 "$@"
if (($# == 0)); then zv_release; fi
