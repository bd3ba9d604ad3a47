#!/usr/bin/env bash
# End to end, as a user would: the real virel binary with --demo on a virtual X display with its own
# session bus and an empty home, on a real lightweight desktop: openbox, tint2 as a 30 px top panel
# with a system tray, dunst and an unlocked gnome-keyring. Checks the strip's place and size under the
# panel, the tray icon in the panel's tray, the ticker bar docked beside the strip with the work area
# below both, the glance that --glance opens after about 3 s, that a full-screen window hides the strip
# and the bar, a price alert in dunst, a "--detail NVDA" handed over
# by a second launch, the device link storing its token in the Secret Service, "로그인 시 시작",
# quitting through the status menu's "종료" and by SIGTERM, and that the settings survive a quit.
#
#   tests/e2e/run.sh [BUILD_DIR]        (default: build; needs xvfb-run, dbus-run-session, xdotool,
#                                         xwininfo, xprop, ImageMagick, openbox, tint2, dunst, xterm,
#                                         gnome-keyring, secret-tool and curl)
set -euo pipefail

build="$(cd "${1:-build}" && pwd)"
if [ -z "${VIREL_E2E_DISPLAY_READY:-}" ]; then
  export VIREL_E2E_DISPLAY_READY=1
  exec xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" dbus-run-session -- "$0" "$build"
fi

source "$(dirname "$0")/lib.sh"
virel="$build/bin/virel"
work="$(mktemp -d)"
private_home "$work"
export QT_QPA_PLATFORM=xcb
settings="$XDG_CONFIG_HOME/virel/virel.conf"
app_pid=""
desktop_pids=()
trap 'for p in "${desktop_pids[@]}"; do kill "$p" 2>/dev/null; done' EXIT

fail() {
  echo "e2e: FAIL: $*" >&2
  import -window root "$work/failure.png" 2>/dev/null && echo "e2e: screen at failure: $work/failure.png" >&2
  echo "e2e: --- application output ---" >&2
  cat "$work"/virel-*.log >&2 2>/dev/null || true
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  exit 1
}
step() { echo "e2e: $*"; }

# "X Y WIDTH HEIGHT" of a window.
geometry() {
  [ -n "$1" ] || return 1 # without an id, xwininfo would wait for a click
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
# The strip hangs from the 30 px panel; the glance hangs under the strip.
strip_window() { find_window virel 'y==30 && h==24'; }
glance_window() { find_window virel 'y>54 && w<1000'; }
# The ticker bar is a dock: the window manager holds it in a frame of its own.
ticker_window() {
  local id x y w h
  for id in $(xdotool search --onlyvisible --class virel 2>/dev/null); do
    read -r x y w h < <(geometry "$id")
    [ "$w" -eq 1920 ] && [ "$h" -eq 22 ] && echo "$id" && return 0
  done
  return 1
}
no_ticker_window() { ! ticker_window >/dev/null; }
# Managed windows sit in the window manager's frames, not at the top level.
# (xdotool gives up when a window goes while it walks the tree: a web view being embedded.)
detail_window() { xdotool search --onlyvisible --name '^Virel — 상세$' 2>/dev/null | head -1 | grep .; }

# True when the window shows the rise or fall colour somewhere (a quote's change, a sparkline).
shows_change_colours() {
  local id shot="$work/probe.png"
  id="$(glance_window)" || return 1
  import -window "$id" "$shot" 2>/dev/null || return 1
  awk -v r="$(colour_share "$shot" "rgb(255,84,84)")" -v b="$(colour_share "$shot" "rgb(92,158,255)")" \
    'BEGIN{exit !(r + b > 0.001)}'
}

# The desktop: keyring first (it must own the Secret Service before anything asks), then the window
# manager, the panel and the notification daemon.
start_desktop() {
  eval "$(printf 'e2e' | gnome-keyring-daemon --unlock --components=secrets)"
  export GNOME_KEYRING_CONTROL
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  desktop_pids+=($!)
  wait_for 10 wm_running || fail "openbox did not start"
  cat >"$work/tint2rc" <<'RC'
panel_items = TS
panel_position = top center horizontal
panel_size = 100% 30
panel_layer = top
panel_dock = 0
strut_policy = follow_size
panel_background_id = 0
taskbar_mode = single_desktop
systray_padding = 4 4 4
systray_icon_size = 22
RC
  tint2 -c "$work/tint2rc" >"$work/tint2.log" 2>&1 &
  desktop_pids+=($!)
  wait_for 10 workarea_top_is 30 || fail "tint2 reserved no 30 px panel ($(xprop -root _NET_WORKAREA))"
  dunst >"$work/dunst.log" 2>&1 &
  desktop_pids+=($!)
  wait_for 10 notifications_served || fail "dunst did not start"
  # The browser: opens the device link's approval page and presses "승인" on the pending code.
  mkdir -p "$work/bin"
  cat >"$work/bin/xdg-open" <<'OPEN'
#!/usr/bin/env bash
echo "$1" >>"$(dirname "$0")/../opened-urls"
case "$1" in
  */link/mac*)
    origin="$(sed -E 's#^(https?://[^/]+).*#\1#' <<<"$1")"
    code="$(curl -s "$origin/link/mac" | sed -n -E 's/.*name="user_code" value="([^"]+)".*/\1/p' | head -1)"
    curl -s --data-urlencode "user_code=$code" "$origin/link/mac/approve" >/dev/null ;;
esac
OPEN
  chmod +x "$work/bin/xdg-open"
  export PATH="$work/bin:$PATH"
}

notifications_served() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications | grep -q true
}
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

workarea_top_is() {
  [ "$(xprop -root _NET_WORKAREA | sed -E 's/.*= *[0-9]+, *([0-9]+),.*/\1/')" = "$1" ]
}

# The status icon, embedded: a window of ours inside the panel's window.
tray_icon() {
  local panel
  for panel in $(xdotool search --class tint2 2>/dev/null); do
    xwininfo -id "$panel" -tree 2>/dev/null | awk '/"virel"/{print $1; found=1; exit} END{exit !found}' && return 0
  done
  return 1
}

launch() {
  "$virel" "$@" >"$work/virel-$#-$RANDOM.log" 2>&1 &
  app_pid=$!
}

# Opens the status menu from the tray icon and types keys into it.
menu_keys() {
  local id x y w h
  id="$(wait_for 5 tray_icon)" || fail "no tray icon to open the menu from"
  read -r x y w h < <(geometry "$id")
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
  sleep 0.5
  xdotool key "$@"
  sleep 0.3
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

# A rule on NVDA above 0 fires on the first quote (the stored list is the watchlist by then).
seed_alert_rule() {
  local rule
  rule='alertRules="@ByteArray([{\\"id\\":\\"5E0C4D1A-0000-4000-8000-000000000001\\",\\"symbol\\":\\"NVDA\\",\\"name\\":\\"NVDA\\",\\"direction\\":\\"above\\",\\"threshold\\":0,\\"triggered\\":false}])"'
  sed -i -e '/^alertRules=/d' -e "/^\[General\]/a $rule" "$settings"
}

alert_in_dunst() {
  dunstctl close-all
  dunstctl history | grep -q 'NVDA'
}

stored_token() {
  secret-tool search --all service virel.mac 2>/dev/null | grep -q '^secret = .'  ||
    secret-tool search --all server virel.mac 2>/dev/null | grep -q '^secret = .'
}

start_desktop
step "desktop up: openbox, tint2 (work area $(xprop -root _NET_WORKAREA | cut -d= -f2)), dunst, keyring"

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
[ "$y" -eq 30 ] || fail "strip does not hang from the panel (y=$y)"
[ "$w" -eq 392 ] && [ "$h" -eq 24 ] || fail "strip is ${w}x$h, expected 392x24"
[ $((x + w / 2)) -eq 960 ] || fail "strip not centred (centre x=$((x + w / 2)))"

wait_for 10 tray_icon >/dev/null || fail "the status icon is not in the panel's tray"
step "status icon embedded in tint2's tray"
wait_for 10 ticker_window >/dev/null || fail "no ticker bar"
read -r x y w h < <(geometry "$(ticker_window)")
step "ticker bar at x=$x y=$y, ${w}x$h; work area $(xprop -root _NET_WORKAREA | cut -d= -f2)"
[ "$y" -eq 30 ] || fail "the ticker bar is not right under the 30 px panel (y=$y)"
wait_for 10 workarea_top_is 54 || fail "the work area does not exclude the ticker bar and the strip"
xprop -id "$(ticker_window)" _NET_WM_WINDOW_TYPE | grep -q DOCK || fail "the ticker bar is no dock"

wait_for 10 glance_window >/dev/null || fail "--glance opened no glance panel"
opened_after=$((SECONDS - shown))
step "glance open after ~${opened_after} s"
[ "$opened_after" -ge 2 ] || fail "the glance opened after ${opened_after} s, expected about 3"
wait_for 20 shows_change_colours || fail "no quote reached the glance panel"
step "quotes shown"
import -window root "$work/glance.png"
# The pointer comes to the strip and leaves: the flashed glance closes before its 30 s.
no_glance_window() { ! glance_window >/dev/null; }
xdotool mousemove 960 42 sleep 0.3 mousemove 960 700
wait_for 2 no_glance_window || fail "the glance stayed open after the pointer left the strip"

# --- the ticker bar flows at 28 px/s: two shots of its left part about 1 s apart -------------------
# One pixel row through the text, as gray levels, after the time in ms the shot began (import
# grabs at once and spends the rest of its time writing the file).
ticker_row() {
  local id="$1" shot="$work/ticker-$2.png" t0
  t0="${EPOCHREALTIME/[.,]/}"
  import -window "$id" "$shot" 2>/dev/null || return 1
  echo $((t0 / 1000)) $(convert "$shot" -crop 440x1+0+11 +repage -colorspace gray -depth 8 gray:- |
    od -An -v -tu1)
}
# Pixels per second between two rows: the leftward move that matches them best (20-50 px).
ticker_speed() {
  awk -v a="$1" -v b="$2" 'BEGIN {
    n = split(a, r1); split(b, r2); best = -1
    for (d = 20; d <= 50; d++) {
      diff = 0
      for (x = 2; x + d + 1 <= n; x++) diff += (r1[x + d] > r2[x] ? r1[x + d] - r2[x] : r2[x] - r1[x + d])
      if (best < 0 || diff < best) { best = diff; moved = d }
    }
    printf "%.1f", moved / ((r2[1] - r1[1]) / 1000)
  }'
}
step "checking the ticker bar's speed"
bar="$(ticker_window)" || fail "no ticker bar under the panel"
speed=""
for attempt in 1 2 3; do # a quote arriving between the shots changes the row; take another pair
  first="$(ticker_row "$bar" a)" || fail "could not capture the ticker bar"
  sleep 1
  second="$(ticker_row "$bar" b)" || fail "could not capture the ticker bar"
  speed="$(ticker_speed "$first" "$second")"
  awk -v v="$speed" 'BEGIN {exit !(v >= 26 && v <= 30)}' && break
done
step "ticker bar flows at $speed px/s"
awk -v v="$speed" 'BEGIN {exit !(v >= 26 && v <= 30)}' || fail "the ticker bar moved at $speed px/s, expected 28 ± 2"

step "a full-screen window hides the strip and the bar until it goes"
surfaces_shown() { strip_window >/dev/null && ticker_window >/dev/null; }
surfaces_hidden() { ! strip_window >/dev/null && ! ticker_window >/dev/null; }
xterm -fullscreen & fullscreen_pid=$!
wait_for 10 surfaces_hidden || fail "the strip or the bar stayed over a full-screen window"
kill "$fullscreen_pid"
wait_for 10 surfaces_shown || fail "the strip and the bar did not come back after full screen"

step "handing over --detail NVDA"
"$virel" --detail NVDA >"$work/virel-handover.log" 2>&1 || fail "the second launch did not hand over"
wait_for 30 detail_window >/dev/null || fail "no detail window after --detail NVDA"
kill -0 "$app_pid" 2>/dev/null || fail "the running virel ended after the hand-over"
# Maximised (a double click on openbox's title bar, left of the glance), it starts below the ticker
# bar, not beneath it.
detail="$(wait_for 5 detail_window)" || fail "the detail window went"
read -r x y w h < <(geometry "$detail")
xdotool mousemove $((x + 80)) $((y - 8)) click --repeat 2 1
wait_for 5 bash -c "xwininfo -id $detail | grep -q 'Width: 1920'" || fail "the detail window did not maximise"
read -r x y w h < <(geometry "$detail")
step "maximised detail window at y=$y, ${w}x$h"
[ "$y" -ge 54 ] || fail "the maximised detail window starts under the ticker bar (y=$y)"
import -window root "$work/maximised.png"

step "switching to the watchlist and focus mode through the menu"
menu_keys Down Down Return
menu_keys ctrl+f
wait_for 5 grep -q '^displayMode=watchlist' "$settings" || fail "Watchlist Mode was not stored"
wait_for 5 grep -q '^focusMode=true' "$settings" || fail "focus mode was not stored"
wait_for 5 no_ticker_window || fail "focus mode kept the ticker bar"
# The strip alone keeps the band the bar shared with it: title bars stay out from under the strip.
wait_for 10 workarea_top_is 54 || fail "the strip alone keeps no band under the panel"
step "focus mode: no ticker bar, the strip's band kept, work area $(xprop -root _NET_WORKAREA | cut -d= -f2)"
cp "$settings" "$work/before-quit.conf"

step "quitting through 종료"
quit_through_menu
kill -0 "$server_pid" 2>/dev/null && fail "the fake server outlived the application"
cmp -s "$settings" "$work/before-quit.conf" || fail "quitting changed the settings"

# --- second run: the stored choices come back ---------------------------------------------------
step "second run, with a price alert"
seed_alert_rule
launch --demo
wait_for 40 strip_window >/dev/null || fail "the strip did not appear on the second run"
sleep 2
grep -q '^displayMode=watchlist' "$settings" && grep -q '^focusMode=true' "$settings" ||
  fail "the second run lost the stored choices"

# The web tab's browser runs in virel-web; closing the detail window ends it with its engine's
# processes.
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
detail="$(wait_for 10 detail_window)" || fail "no detail window after --detail 005930.KS"
xdotool windowactivate --sync "$detail" key alt+F4 2>/dev/null
wait_for 10 no_web_engine || fail "web engine processes outlived the detail window"

wait_for 20 alert_in_dunst || fail "the NVDA alert did not reach dunst"
step "alert shown by dunst"

step "linking the device"
menu_keys Up Up Up Up Up Return
wait_for 30 stored_token || fail "the device link stored no token in the Secret Service"
step "token stored in the Secret Service"

step "로그인 시 시작"
menu_keys Up Up Up Return
autostart="$XDG_CONFIG_HOME/autostart/app.virel.Virel.desktop"
wait_for 5 test -f "$autostart" || fail "no autostart entry"
grep -q "^Exec=$virel\$" "$autostart" || fail "autostart entry does not start $virel: $(grep Exec "$autostart")"

server_pid="$(pgrep -P "$app_pid" -x virel-fake-serv || true)"
sigterm_started=$(date +%s%3N)
kill -TERM "$app_pid"
status=0
wait "$app_pid" || status=$?
step "SIGTERM: exit status $status after $(($(date +%s%3N) - sigterm_started)) ms"
[ "$status" -eq 0 ] || fail "SIGTERM ended virel with status $status"
app_pid=""
kill -0 "$server_pid" 2>/dev/null && fail "the fake server outlived SIGTERM"

# VIREL_E2E_SHOTS=DIR keeps the screenshots.
[ -n "${VIREL_E2E_SHOTS:-}" ] && mkdir -p "$VIREL_E2E_SHOTS" && cp "$work"/*.png "$VIREL_E2E_SHOTS"/
rm -rf "$work"
step "passed"
