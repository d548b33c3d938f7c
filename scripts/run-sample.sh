#!/usr/bin/env bash
# Installs what is missing, builds, and runs Zorvane under Wine on the bundled sample data.
# The window is the 32-bit one users get, in a 64-bit prefix as most users' Windows is; where
# this machine does not run 32-bit code, the 64-bit one, and it says so.
# With a display it opens the window; without one it runs it under Xvfb, writes a screenshot
# of the main window once both scans are done, prints its path and exits.
source "$(dirname "$0")/lib.sh"
zv_setup
if ((ZV_RUNS_32)); then
  zv_build32 -DZV_TESTS=OFF
  tree=$ZV_BUILD32 view=32
else
  zv_log "this machine does not run 32-bit code: running the 64-bit window, not the 32-bit one users get"
  zv_build -DZV_TESTS=OFF
  tree=$ZV_BUILD view=64
fi
prefix=$tree/sample-prefix
headless=0
[ -n "${DISPLAY:-}" ] || headless=1
if ((headless)); then zv_xvfb force; fi
trap 'zv_prefix_stop "$prefix"; zv_xvfb_stop' EXIT
zv_prefix "$prefix"
zv_seed_sample "$prefix" "$view"
cd "$tree/bin"
if ((!headless)); then
  wine Zorvane.exe
  exit 0
fi
wine Zorvane.exe </dev/null >/dev/null 2>&1 &
app=$!
# The window is first shown after both scans have finished.
win=
for _ in $(seq 300); do
  win=$(xwininfo -root -tree 2>/dev/null | awk '/"Zorvane"/ {print $1; exit}')
  [ -n "$win" ] && break
  sleep 0.2
done
[ -n "$win" ] || { zv_log "the main window did not appear"; exit 1; }
sleep 2
shot=$ZV_BUILD/zorvane-sample.png
xwd -silent -id "$win" | convert xwd:- "$shot"
kill "$app" 2>/dev/null || true
echo "$shot"
