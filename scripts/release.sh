#!/usr/bin/env bash
# Installs what is missing and makes the Windows release alone: the 32-bit programs, checked,
# in a zip with its SHA-256 in the build directory. Prints the zip's path.
source "$(dirname "$0")/lib.sh"
zv_setup
trap 'zv_xvfb_stop' EXIT
zv_build32 -DZV_TESTS=OFF
zv_release
