#!/usr/bin/env bash
# End to end, as a user would: the real virel binary with --demo on a virtual X display with its own
# session bus and an empty home. Checks the strip's place and size, the glance that --glance opens
# after about 3 s, a "--detail NVDA" handed over by a second launch, quitting through the status
# menu's "종료", and that the settings survive the quit and a second run.
#
#   tests/e2e/run.sh [BUILD_DIR]        (default: build; needs xvfb-run, dbus-run-session, xdotool,
#                                         xwininfo and ImageMagick's import/convert)
set -euo pipefail

build="$(cd "${1:-build}" && pwd)"
if [ -z "${VIREL_E2E_DISPLAY_READY:-}" ]; then
  export VIREL_E2E_DISPLAY_READY=1
  exec xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" dbus-run-session -- "$0" "$build"
fi

virel="$build/bin/virel"
work="$(mktemp -d)"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb
settings="$XDG_CONFIG_HOME/virel/virel.conf"
app_pid=""

fail() {
  echo "e2e: FAIL: $*" >&2
  import -window root "$work/failure.png" 2>/dev/null && echo "e2e: screen at failure: $work/failure.png" >&2
  echo "e2e: --- application output ---" >&2
  cat "$work"/virel-*.log >&2 2>/dev/null || true
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  exit 1
}
step() { echo "e2e: $*"; }

# Polls `condition` (a command) every 0.2 s for up to `seconds`.
wait_for() {
  local seconds="$1"; shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

# "X Y WIDTH HEIGHT" of a window.
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
                           /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}

# "ID X Y WIDTH HEIGHT NAME" of every top-level window (mapped or not).
top_level_windows() {
  xwininfo -root -children |
    sed -n -E 's/^ +(0x[0-9a-f]+) "(.*)": .* ([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+) +\+.*$/\1 \5 \6 \3 \4 \2/p'
}

# The id of the shown window titled exactly `name` whose geometry passes `predicate` (awk, over x,
# y, w and h), e.g. "y==0 && h==24".
find_window() {
  local name="$1" predicate="$2" id x y w h title
  while read -r id x y w h title; do
    [ "$title" = "$name" ] || continue
    awk -v x="$x" -v y="$y" -v w="$w" -v h="$h" "BEGIN{exit !($predicate)}" || continue
    xwininfo -id "$id" | grep -q 'Map State: IsViewable' || continue
    echo "$id"
    return 0
  done < <(top_level_windows)
  return 1
}
strip_window() { find_window virel 'y==0 && h==24'; }
glance_window() { find_window virel 'y>24 && w<1000'; }
detail_window() { find_window 'Virel — 상세' 'w>0'; }

# True when the window shows the rise or fall colour somewhere (a quote's change, a sparkline).
shows_change_colours() {
  local id shot="$work/probe.png"
  id="$(glance_window)" || return 1
  import -window "$id" "$shot" 2>/dev/null || return 1
  local red blue
  red=$(convert "$shot" -fuzz 12% -fill black +opaque "rgb(255,84,84)" -fill white -opaque "rgb(255,84,84)" \
        -format "%[fx:mean]" info:)
  blue=$(convert "$shot" -fuzz 12% -fill black +opaque "rgb(92,158,255)" -fill white -opaque "rgb(92,158,255)" \
        -format "%[fx:mean]" info:)
  awk -v r="$red" -v b="$blue" 'BEGIN{exit !(r + b > 0.001)}'
}

launch() {
  "$virel" "$@" >"$work/virel-$#-$RANDOM.log" 2>&1 &
  app_pid=$!
}

# Opens the status menu from the strip (no system tray here) and types keys into it.
menu_keys() {
  local id x y w h
  id="$(strip_window)" || fail "no strip to open the menu from"
  read -r x y w h < <(geometry "$id")
  xdotool mousemove $((x + 40)) $((y + h / 2)) click 3
  sleep 0.5
  xdotool key "$@"
  sleep 0.3
  # Leave the strip so its hover does not keep the glance open.
  xdotool mousemove 960 700
}

quit_through_menu() {
  menu_keys ctrl+q
  local pid="$app_pid"
  wait_for 30 bash -c "! kill -0 $pid 2>/dev/null" || fail "virel did not quit through 종료"
  local status=0
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || fail "virel exited with status $status"
  app_pid=""
}

# --- first run ---------------------------------------------------------------------------------
step "launching $virel --demo --glance"
launch --demo --glance
wait_for 40 strip_window >/dev/null || fail "the strip did not appear"
shown=$SECONDS
glance_window >/dev/null && fail "the glance opened at once instead of after 3 s"
server_pid="$(pgrep -P "$app_pid" -x virel-fake-serv || true)"
[ -n "$server_pid" ] || fail "--demo started no fake server"

read -r x y w h < <(geometry "$(strip_window)")
step "strip at x=$x y=$y, ${w}x$h"
[ "$y" -eq 0 ] || fail "strip not at the top (y=$y)"
[ "$w" -eq 392 ] && [ "$h" -eq 24 ] || fail "strip is ${w}x$h, expected 392x24"
[ $((x + w / 2)) -eq 960 ] || fail "strip not centred (centre x=$((x + w / 2)))"

wait_for 10 glance_window >/dev/null || fail "--glance opened no glance panel"
opened_after=$((SECONDS - shown))
step "glance open after ~${opened_after} s"
[ "$opened_after" -ge 2 ] || fail "the glance opened after ${opened_after} s, expected about 3"
wait_for 20 shows_change_colours || fail "no quote reached the glance panel"
step "quotes shown"
import -window root "$work/glance.png"

step "handing over --detail NVDA"
"$virel" --detail NVDA >"$work/virel-handover.log" 2>&1 || fail "the second launch did not hand over"
wait_for 30 detail_window >/dev/null || fail "no detail window after --detail NVDA"
kill -0 "$app_pid" 2>/dev/null || fail "the running virel ended after the hand-over"

step "switching to the watchlist and focus mode through the menu"
menu_keys Down Down Return
menu_keys ctrl+f
wait_for 5 grep -q '^displayMode=watchlist' "$settings" || fail "Watchlist Mode was not stored"
wait_for 5 grep -q '^focusMode=true' "$settings" || fail "focus mode was not stored"
cp "$settings" "$work/before-quit.conf"

step "quitting through 종료"
quit_through_menu
kill -0 "$server_pid" 2>/dev/null && fail "the fake server outlived the application"
cmp -s "$settings" "$work/before-quit.conf" || fail "quitting changed the settings"

# --- second run: the stored choices come back ---------------------------------------------------
step "second run"
launch --demo
wait_for 40 strip_window >/dev/null || fail "the strip did not appear on the second run"
sleep 2
grep -q '^displayMode=watchlist' "$settings" && grep -q '^focusMode=true' "$settings" ||
  fail "the second run lost the stored choices"

# The web tab's browser runs in virel-web; closing the detail window ends it with its engine's
# processes. Closing a window takes a window manager, so one runs for this step only.
step "closing the detail window ends the web view's processes"
no_web_engine() {
  local p
  for p in $(pgrep -x virel-web; pgrep -f QtWebEngineProcess); do
    grep -qz "^HOME=$HOME\$" "/proc/$p/environ" 2>/dev/null && return 1
  done
  return 0
}
"$virel" --detail 005930.KS >"$work/virel-web-tab.log" 2>&1 || fail "the second launch did not hand over"
wait_for 30 pgrep -P "$app_pid" -x virel-web >/dev/null || fail "the web tab started no virel-web"
detail="$(detail_window)" || fail "no detail window after --detail 005930.KS"
openbox >/dev/null 2>&1 &
wm_pid=$!
wait_for 10 bash -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" || fail "openbox did not start"
xdotool windowactivate --sync "$detail" key alt+F4 2>/dev/null
wait_for 10 no_web_engine || fail "web engine processes outlived the detail window"
kill "$wm_pid" && wait "$wm_pid" 2>/dev/null || true

quit_through_menu

rm -rf "$work"
step "passed"
