#!/usr/bin/env bash
# Screenshots of the notch surfaces under a virtual X server (1440 × 900), written to
# docs/screenshots/: the strip with the rotating symbol, the strip with the flowing ticker, the ticker
# bar, the open glance card (hovered with the pointer, with a fired alert) and focus mode with a
# running countdown. Each PNG is the top of the screen; the *-screen.png files are the whole screen.
#
#   tools/screenshot-notch.sh [path/to/notch-preview]
#
# Needs xvfb-run, xdotool and ImageMagick (import, convert, display).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
preview=${1:-$here/build/bin/notch-preview}
out=$here/docs/screenshots
# A weekday at 10:00 in New York: the US market is open, the Korean one closed.
at=2023-11-14T15:00:00Z

if [[ ! -x $preview ]]; then
    echo "screenshot-notch: no notch-preview at $preview (build the notch-preview target)" >&2
    exit 1
fi
mkdir -p "$out"

if [[ -z ${SCREENSHOT_INSIDE_XVFB:-} ]]; then
    export SCREENSHOT_INSIDE_XVFB=1
    exec xvfb-run -a -s "-screen 0 1440x900x24" "$0" "$preview"
fi

# A plain desktop: a blue-gray wallpaper under a light 24-point top panel, as the strip and the bar
# would be seen on a real one. (Without a window manager nothing reserves the panel's space, so the
# ticker bar goes under the 24-point minimum.)
wallpaper=$(mktemp --suffix=.png)
trap 'rm -f "$wallpaper"' EXIT
convert -size 1440x900 gradient:'#4a5d73-#1f2a36' -fill '#e8e8ea' -draw 'rectangle 0,0 1439,23' "$wallpaper"
display -window root "$wallpaper" || true # sets the background, then reports 1

shoot() { # name, hover (yes/no), preview arguments...
    local name=$1 hover=$2
    shift 2
    "$preview" --at "$at" "$@" 2>/dev/null &
    local pid=$!
    sleep 4 # quotes arrive at once; give the first pass and the fonts time
    if [[ $hover == yes ]]; then
        xdotool mousemove 600 30
        sleep 0.3
        xdotool mousemove 700 10
        sleep 1
    fi
    import -window root "$out/$name-screen.png"
    local height=60
    [[ $hover == yes ]] && height=420
    convert "$out/$name-screen.png" -crop "1440x${height}+0+0" +repage "$out/$name.png"
    xdotool mousemove 100 800
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}

shoot strip-rotate no --placement rotate
shoot strip-notch-right no --placement notchRight
shoot ticker-bar no --placement belowMenuBar
shoot glance yes --placement belowMenuBar --alert
shoot focus-countdown no --focus --timer 25
echo "screenshot-notch: pictures written to $out"
