#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with ctest. Tests
# labelled "display" need a real X server: this script starts Xvfb with the
# openbox window manager for the run and stops both afterwards. All other
# tests run on Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/build.sh
build="${LORVANTA_BUILD_DIR:-build}"

cleanup() {
    [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null || true
    [ -n "${x_pid:-}" ] && kill "$x_pid" 2>/dev/null || true
    rm -rf "${xdir:-}"
}
trap cleanup EXIT

xdir=$(mktemp -d)
# -displayfd lets the server pick a free display number and tell us.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$xdir/display" 2>"$xdir/xvfb.log" &
x_pid=$!
for _ in $(seq 100); do [ -s "$xdir/display" ] && break; sleep 0.1; done
[ -s "$xdir/display" ] || { echo "Xvfb did not start:"; cat "$xdir/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$xdir/display")"

HOME="$xdir" openbox >"$xdir/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done

# Sanitizer builds: leaks that libraries keep until exit are not ours.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
ctest --test-dir "$build" --output-on-failure -j2 "$@"
