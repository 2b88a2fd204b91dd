#!/bin/sh
# Makes the pictures of the installer in docs/: every page of the wizard at scale 1 and at
# scale 2, docs/wizard-1x-page1.png ... docs/wizard-2x-page7.png (the README shows the
# first page at scale 1). Runs the built program on its demo distribution under a private
# Xvfb, moves through the pages with Next (xdotool) and photographs the window with
# tools/window_png.cpp (compiled here against Xlib and ISA-L).
# Usage: tools/screenshot_wizard.sh [BUILD_DIR]     (default: build)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
setup=$(cd "$build" 2>/dev/null && pwd)/bin/setup
[ -x "$setup" ] || { echo "no installer in $build/bin: build it first" >&2; exit 1; }
command -v xdotool >/dev/null || { echo "xdotool is needed (tools/bootstrap)" >&2; exit 1; }

title="Veltrane Software Setup"
pages=7 # the demo distribution's: Introduction ... Summary
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vt_screenshot_XXXXXX")
xvfb_pid= setup_pid=
cleanup() {
    [ -n "$setup_pid" ] && kill "$setup_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

${CXX:-c++} -std=c++17 -O2 -o "$scratch/window_png" "$root/tools/window_png.cpp" -lX11 -lisal

# Xvfb chooses a free display and writes its number to descriptor 3 once it is ready. The
# screen is large enough for the window at scale 2; its resolution keeps scale 1 otherwise.
Xvfb -displayfd 3 -screen 0 2400x1600x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
xvfb_pid=$!
tries=0
until [ -s "$scratch/display" ]; do
    tries=$((tries + 1))
    [ $tries -le 200 ] || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
DISPLAY=:$(cat "$scratch/display")
export DISPLAY

# Next's centre, from the window's size: the layout puts Back, Next and Cancel at fixed
# distances from the bottom-right corner, in pixels of the scale.
click_next() {
    scale=$1 id=$2
    eval "$(xdotool getwindowgeometry --shell "$id")"
    xdotool mousemove --window "$id" $((WIDTH - 150 * scale)) $((HEIGHT - 32 * scale)) click 1
}

# One run of the wizard at a scale: every page, each photographed once it has changed.
photograph() {
    scale=$1
    home="$scratch/home$scale"
    mkdir "$home"
    # A home of its own, so no settings or window position of the user's is read or written.
    (cd "$home" && HOME="$home" exec "$setup" -scale "$scale" -target_dir "$home/veltrane/linux86") \
        >"$scratch/setup$scale.log" 2>&1 &
    setup_pid=$!
    before=
    page=1
    while [ $page -le $pages ]; do
        shot="$root/docs/wizard-${scale}x-page$page.png"
        "$scratch/window_png" "$title" "$shot" 30 $before ||
            { cat "$scratch/setup$scale.log" >&2; exit 1; }
        echo "wrote $shot"
        before=$shot
        if [ $page -lt $pages ]; then
            id=$(xdotool search --name "^$title\$" | head -n 1)
            click_next "$scale" "$id"
        fi
        page=$((page + 1))
    done
    kill "$setup_pid" 2>/dev/null || true
    wait "$setup_pid" 2>/dev/null || true
    setup_pid=
}

mkdir -p "$root/docs"
photograph 1
photograph 2
