#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless. Exits non-zero on any failure.
# The suite runs on the 64-bit build, and where this machine runs 32-bit code on the 32-bit
# build too (the one users get): in a 64-bit prefix, as most users' Windows is, and its tests
# labelled win32 again in a 32-bit prefix, a Windows with one registry view and one system folder.
# Each build tree has its own prefixes. A run of the whole suite (no arguments) then makes the
# Windows release too (see zv_release) and checks that the release check finds its faults.
source "$(dirname "$0")/lib.sh"
zv_setup
zv_xvfb force
prefixes=()
trap 'for p in "${prefixes[@]}"; do zv_prefix_stop "$p"; done; zv_xvfb_stop' EXIT
results=()
status=0

# Runs ctest in one build tree against one prefix: a title, the tree, the prefix, its
# architecture, then ctest's arguments.
suite() {
  local title=$1 tree=$2 prefix=$3 arch=$4 outcome=passed
  shift 4
  zv_log "running the tests of the $title"
  prefixes+=("$prefix")
  zv_prefix "$prefix" "$arch"
  (cd "$tree" && ZV_WINEPREFIX=$prefix ctest --output-on-failure --timeout 600 "$@") || outcome=FAILED
  zv_prefix_stop "$prefix"
  [ "$outcome" = passed ] || status=1
  results+=("$title: $outcome")
}

zv_build -DZV_TESTS=ON
suite "64-bit build in a 64-bit prefix" "$ZV_BUILD" "$ZV_BUILD/wineprefix" win64 "$@"
if ((ZV_RUNS_32)); then
  zv_build32 -DZV_TESTS=ON
  suite "32-bit build in a 64-bit prefix" "$ZV_BUILD32" "$ZV_BUILD32/wineprefix" win64 "$@"
  suite "32-bit build in a 32-bit prefix" "$ZV_BUILD32" "$ZV_BUILD32/wineprefix32" win32 -L win32 "$@"
else
  results+=("32-bit build: not tested, this machine does not run 32-bit code")
  zv_log "${results[-1]}"
fi
if (($# == 0)); then
  if ((!ZV_RUNS_32)); then zv_build32 -DZV_TESTS=OFF; fi
  outcome=FAILED
  if release=$(zv_release) && python3 "$ZV_ROOT/scripts/check-release-faults.py" "$release"; then
    outcome="$release, checked"
  fi
  [ "$outcome" != FAILED ] || status=1
  results+=("release: $outcome")
fi
for line in "${results[@]}"; do zv_log "$line"; done
exit "$status"
