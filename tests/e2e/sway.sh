#!/usr/bin/env bash
# Virel on a real wlroots desktop: headless sway 1.7 (pixman) with XWayland, swaybar at the top and a
# tiled xterm, the pointer moved through the compositor's own seat (a virtual pointer device driven
# by `swaymsg seat - cursor`), never through X. Checks, from the compositor's layout and grim's
# screenshots: the ticker bar and the strip in a band of their own that windows stay out of (the
# xterm's title bar starts below it), the strip at the top centre, hovering it opens the glance, a
# click on a glance row opens the detail window, leaving for the xterm closes the glance, and at
# output scale 2 the ticker is drawn at 2× (crisp, not an upscaled 1× picture). Screenshots go to
# the work directory it prints.
#
#   tests/e2e/sway.sh [BUILD_DIR]   (default: build; needs sway, xwayland, grim, xterm, ImageMagick,
#                                    wayland-scanner and a C compiler; sway refuses root, so as root
#                                    it runs itself as the user virel-e2e)
set -euo pipefail

build="$(cd "${1:-build}" && pwd)"
here="$(cd "$(dirname "$0")" && pwd)"
if [ "$(id -u)" -eq 0 ]; then
  id virel-e2e >/dev/null 2>&1 || useradd --create-home --shell /bin/bash virel-e2e
  chmod o+rx "$build" "$build/bin" 2>/dev/null || true
  exec runuser -u virel-e2e -- "$0" "$build"
fi
# One session bus for the desktop and the application, gone with this script.
if [ -z "${VIREL_SWAY_BUS_READY:-}" ]; then
  export VIREL_SWAY_BUS_READY=1
  exec dbus-run-session -- "$0" "$build"
fi

source "$here/lib.sh"
work="$(mktemp -d)"
private_home "$work"
unset DISPLAY WAYLAND_DISPLAY SWAYSOCK
pids=()
# The application first, so it stops its demo server; sway takes XWayland, swaybar and xterm along.
trap 'for p in $(printf "%s\n" "${pids[@]}" | tac); do kill "$p" 2>/dev/null; done; wait' EXIT

fail() {
  echo "sway-e2e: FAIL: $*" >&2
  shot "$work/failure.png" && echo "sway-e2e: screen at failure: $work/failure.png" >&2
  echo "sway-e2e: --- application output ---" >&2
  tail -20 "$work/virel.log" >&2 2>/dev/null || true
  exit 1
}
step() { echo "sway-e2e: $*"; }


shot() { grim "$1" 2>/dev/null; }
# The colour of one pixel of a screenshot as "R G B" (0-255).
pixel() {
  convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | sed -n -E 's/^0,0: *\(([0-9]+),([0-9]+),([0-9]+).*/\1 \2 \3/p'
}
# True when the pixel at x,y of a fresh screenshot is dark (every channel under 80).
dark_at() {
  shot "$work/probe.png" || return 1
  pixel "$work/probe.png" "$1" "$2" | awk 'NF == 3 {found = 1; dark = $1 < 80 && $2 < 80 && $3 < 80}
                                           END {exit !(found && dark)}'
}
light_at() {
  shot "$work/probe.png" || return 1
  pixel "$work/probe.png" "$1" "$2" | awk 'NF == 3 {found = $1 > 200 && $2 > 200 && $3 > 200} END {exit !found}'
}
# True when the 22 px row from y of a fresh screenshot shows the rise or fall colour.
shows_change_colours() {
  shot "$work/probe.png" || return 1
  convert "$work/probe.png" -crop "1920x22+0+$1" +repage "$work/row.png"
  colour_share "$work/row.png" "rgb(255,84,84)" | awk '{exit !($1 > 0.0005)}'
}
# The top of the tiled area, from the compositor's layout.
workspace_top() { swaymsg -t get_workspaces | sed -n -E 's/.*"y": ([0-9]+),.*/\1/p' | head -1; }
workspace_top_is() { [ "$(workspace_top)" = "$1" ]; }
cursor() { swaymsg seat - cursor set "$1" "$2" >/dev/null; }

step "work directory $work"
cat >"$work/sway.conf" <<'CONF'
xwayland force
output HEADLESS-1 resolution 1920x1080 position 0 0
default_border normal
bar {
    position top
    status_command while date +%H:%M:%S; do sleep 1; done
}
CONF
WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
pids+=($!)
sway_up() { SWAYSOCK="$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -1)" && [ -n "$SWAYSOCK" ]; }
wait_for 15 sway_up || fail "sway did not start"
export SWAYSOCK WAYLAND_DISPLAY=wayland-1
# XWayland's display is only in sway's own environment.
swaymsg exec "echo \$DISPLAY > $work/display" >/dev/null
wait_for 10 test -s "$work/display" || fail "no XWayland display"
export DISPLAY="$(cat "$work/display")"

# A seat without a pointer device never sends pointer events; a virtual one stands in for a mouse.
wayland-scanner client-header "$here/sway/virtual-pointer.xml" "$work/virtual-pointer-client-protocol.h"
wayland-scanner private-code "$here/sway/virtual-pointer.xml" "$work/virtual-pointer-protocol.c"
cc -o "$work/virtual-pointer" -I"$work" "$here/sway/virtual-pointer.c" "$work/virtual-pointer-protocol.c" \
  -lwayland-client
mkfifo "$work/pointer-in"
"$work/virtual-pointer" <"$work/pointer-in" >"$work/pointer.log" 2>&1 &
pids+=($!)
exec 3>"$work/pointer-in"
wait_for 5 grep -q ready "$work/pointer.log" || fail "no virtual pointer"

swaymsg exec "xterm -bg white -fg black" >/dev/null
wait_for 10 bash -c 'swaymsg -t get_tree | grep -q "\"class\": \"XTerm\""' || fail "xterm did not start"
panel="$(workspace_top)"
step "swaybar keeps ${panel} px; the tiled xterm starts there"
shot "$work/before.png"

"$build/bin/virel" --demo >"$work/virel.log" 2>&1 &
pids+=($!)
step "ticker bar and strip keep a band: tiled windows start 24 px lower"
wait_for 20 workspace_top_is $((panel + 24)) || fail "tiled area starts at $(workspace_top), not $((panel + 24))"

step "the ticker bar and the strip, black at the top centre, are in the band"
# The compositor stacks the band above swaybar or below it; the band is the one showing the quotes'
# rise and fall colours.
band_top=$panel
wait_for 10 shows_change_colours 0 && band_top=0
shows_change_colours "$band_top" || fail "no ticker bar in the band"
wait_for 10 dark_at 960 $((band_top + 12)) || fail "no strip at the top centre"
shot "$work/after.png"

step "hovering the strip opens the glance under it"
glance_y=$((band_top + 24 + 6 + 100))
light_at 960 "$glance_y" || fail "something dark under the strip before hovering"
cursor 900 600
cursor 960 $((band_top + 12))
wait_for 10 dark_at 960 "$glance_y" || fail "the glance did not open on hover"
shot "$work/glance.png"
step "a click on the glance's first row opens that symbol's detail window (on XWayland)"
cursor 960 $((band_top + 24 + 6 + 50))
swaymsg seat - cursor press button1 >/dev/null
swaymsg seat - cursor release button1 >/dev/null
wait_for 15 bash -c 'swaymsg -t get_tree | grep -q "\"name\": \"Virel — 상세\""' || fail "no detail window after the click"
swaymsg '[title="Virel — 상세"]' kill >/dev/null
step "leaving for the xterm closes the glance"
cursor 960 700
wait_for 5 light_at 960 "$glance_y" || fail "the glance stayed open after the pointer left"

step "at scale 2 the ticker is drawn at 2x"
# A 1x picture blown up has no detail finer than 2 px: halving and doubling it again changes little;
# text drawn at 2x loses its fine strokes. XWayland's xterm, drawn at 1x, is the yardstick.
detail() {
  convert "$work/scale2.png" -crop "$1" +repage \( +clone -sample 50% -sample 200% \) \
    -compose difference -composite -colorspace gray -format "%[fx:mean*1000]" info:
}
swaymsg output HEADLESS-1 scale 2 >/dev/null
crisp_band() {
  shot "$work/scale2.png" || return 1
  band="$(detail "1600x40+0+$((band_top * 2))")"
  xterm_text="$(detail "600x40+0+$(((panel + 24 + 27) * 2 + 4))")"
  awk -v b="$band" -v x="$xterm_text" 'BEGIN{exit !(b > 2 * x && b > 5)}'
}
wait_for 10 crisp_band || fail "the band at scale 2 looks upscaled (detail $band, xterm's $xterm_text)"
step "fine detail at scale 2: band $band, XWayland's xterm text $xterm_text"

step "PASS (screenshots in $work)"
