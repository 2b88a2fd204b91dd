#!/bin/sh
# Makes docs/wizard.png, the README's picture of the installer: runs the built program on
# its demo distribution under a private Xvfb and photographs the wizard's window with
# tools/window_png.cpp (compiled here against Xlib; nothing else is needed).
# Usage: tools/screenshot_wizard.sh [BUILD_DIR]     (default: build)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
setup=$(cd "$build" 2>/dev/null && pwd)/bin/setup
[ -x "$setup" ] || { echo "no installer in $build/bin: build it first" >&2; exit 1; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vt_screenshot_XXXXXX")
xvfb_pid= setup_pid=
cleanup() {
    [ -n "$setup_pid" ] && kill "$setup_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

${CXX:-c++} -std=c++17 -O2 -o "$scratch/window_png" "$root/tools/window_png.cpp" -lX11

# Xvfb chooses a free display and writes its number to descriptor 3 once it is ready.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
xvfb_pid=$!
tries=0
until [ -s "$scratch/display" ]; do
    tries=$((tries + 1))
    [ $tries -le 200 ] || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
display=:$(cat "$scratch/display")

# A home of its own, so no settings or window position of the user's is read or written.
mkdir "$scratch/home"
(cd "$scratch/home" && HOME="$scratch/home" DISPLAY="$display" \
    exec "$setup" -target_dir /opt/veltrane/linux86) >"$scratch/setup.log" 2>&1 &
setup_pid=$!

mkdir -p "$root/docs"
DISPLAY="$display" "$scratch/window_png" "Veltrane Software Setup" "$root/docs/wizard.png" 30 ||
    { cat "$scratch/setup.log" >&2; exit 1; }
echo "wrote $root/docs/wizard.png"
