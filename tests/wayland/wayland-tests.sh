#!/usr/bin/env bash
# wayland-tests.sh GLIMPO_BINARY: Glimpo in one real headless Wayland session: sway (two 1280x720
# outputs side by side, Xwayland on), PipeWire with WirePlumber and, from the second case on,
# xdg-desktop-portal with the wlroots and GTK backends, in a D-Bus session that starts none of the
# host's services (harness.sh).
# The cases run in turn, each with a Glimpo of its own; a failure names its case.
# no-portal    without a screenshot portal a capture, full screen or area, says so and stores nothing
# two-outputs  a full-screen capture is the display under the pointer with its native Wayland
#              client's pixels, its thumbnail in that display's bottom-left corner; an area dragged
#              through the overlay on the other display has the dragged size and that display's pixels
# x-window     a window of an X program is picked through the overlay and captured at its size
# bound-action a key bound in the compositor's configuration runs a command-line action
set -euo pipefail

source "$(dirname "$(readlink -f "$0")")/harness.sh"
session_logs=(sway xdg-desktop-portal xdg-desktop-portal-wlr)

[ -x "${1:-}" ] || fail "no program at ${1:-}"
glimpo=$1
need sway swaymsg Xwayland pipewire wireplumber dbus-run-session gdbus xrandr /usr/libexec/xdg-desktop-portal \
  /usr/libexec/xdg-desktop-portal-wlr /usr/libexec/xdg-desktop-portal-gtk convert identify xdotool xwininfo xmessage foot grim wtype
# The bus starts only the services the portals use, never the portal itself.
[ -n "$base" ] || enter_session "$glimpo" sway org.freedesktop.impl.portal.PermissionStore org.freedesktop.portal.Documents

unset DISPLAY WAYLAND_DISPLAY
background pipewire pipewire
wait_for 10 test -S "$runtime/pipewire-0" || fail "PipeWire did not start"
background wireplumber wireplumber
# Commands in sway's configuration run once Xwayland is ready, so the file names the display.
cat >"$runtime/sway.config" <<EOF
xwayland force
default_border none
exec echo "\$DISPLAY" > $runtime/xdisplay
bindsym Mod4+g exec GLIMPO_LOG_STDERR=1 $glimpo --fullscreen
EOF
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=1 \
  sway -c "$runtime/sway.config" >"$runtime/sway.log" 2>&1 &
pids+=($!)
wait_for 20 test -s "$runtime/xdisplay" || fail "sway or Xwayland did not start"
export SWAYSOCK WAYLAND_DISPLAY DISPLAY
SWAYSOCK=$(ls "$runtime"/sway-ipc.*.sock)
WAYLAND_DISPLAY=$(cd "$runtime" && ls wayland-* | grep -v lock | head -1)
DISPLAY=$(cat "$runtime/xdisplay")
swaymsg -q create_output
swaymsg -q output HEADLESS-1 mode 1280x720 pos 0 0
swaymsg -q output HEADLESS-2 mode 1280x720 pos 1280 0
# The layout reaches Xwayland's RandR a moment after sway has it.
wait_for 10 sh -c "xrandr --listmonitors 2>/dev/null | grep -q '^Monitors: 2'" || fail "Xwayland never showed two outputs"

# A native Wayland client in a solid colour on an output; waits until the compositor shows it.
show_colour() { # output, colour (rrggbb), x, y to check on the desktop
  swaymsg -q focus output "$1"
  foot --app-id "glimpo-test-$2" -o "colors.background=$2" -o "colors.foreground=ffffff" \
    sh -c 'printf "GLIMPO WAYLAND\n"; exec sleep 600' >/dev/null 2>&1 &
  pids+=($!)
  wait_for 20 sh -c "grim -g '$3,$4 1x1' - 2>/dev/null | convert png:- -format '%[hex:p{0,0}]' info: | grep -qi '^$2'" ||
    fail "the Wayland client never showed $2 on $1"
}

case_no_portal() {
  start_glimpo --fullscreen
  wait_for 20 logged "error=Glimpo can't capture the screen: this Wayland session has no screenshot portal" ||
    fail "a capture without a portal did not say why"
  # An area: the sentence at once, instead of an overlay over a screen Glimpo couldn't read.
  ask --area
  wait_for 20 sh -c "[ \$(grep -c \"error=Glimpo can't capture the screen\" '$runtime/glimpo.log') -ge 2 ]" ||
    fail "an area capture without a portal did not say why"
  ! logged "overlay shown" || fail "an overlay opened over a screen that couldn't be read"
  [ -z "$(stored)" ] || fail "a capture without a portal stored a file"
}

case_two_outputs() {
  # The display under the pointer: Xwayland's pointer, moved onto the second output.
  xdotool mousemove 1900 300
  start_glimpo --fullscreen
  wait_for 20 logged "stored capture file=Glimpo " || fail "no capture was stored"
  first=$(stored)
  [ "$(size "$first")" = 1280x720 ] || fail "the capture is $(size "$first"), not one output"
  [ "$(pixel "$first" 640 400)" = CC6633 ] || fail "the capture of the second output shows $(pixel "$first" 640 400)"
  # The thumbnail sits in that output's bottom-left corner, where Glimpo puts it, not where the
  # compositor would.
  thumbnail=$(xdotool search --sync --onlyvisible --name "Glimpo Thumbnail" | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$thumbnail")"
  [ "$X" -ge 1280 ] && [ "$X" -lt 1380 ] && [ "$((Y + HEIGHT))" -gt 620 ] ||
    fail "the thumbnail is at $X,$Y (${WIDTH}x$HEIGHT), not in the bottom-left corner"

  ask --area
  wait_for 20 logged "overlay shown" || fail "the area overlay did not open"
  xdotool mousemove 100 100 mousedown 1 mousemove 300 250 mousemove 500 400 mouseup 1
  wait_for 20 sh -c "[ \$(find '$captures' -name 'Glimpo *.png' | wc -l) -ge 2 ]" || fail "the area was not stored"
  file=$(stored | grep -vxF "$first")
  [ "$(size "$file")" = 400x300 ] || fail "the dragged 400x300 area was stored as $(size "$file")"
  [ "$(pixel "$file" 200 150)" = 3366CC ] || fail "the area shows $(pixel "$file" 200 150), not the first output's client"
}

case_x_window() {
  swaymsg -q focus output HEADLESS-1
  xmessage -name glimpo-test-x "an X program" >/dev/null 2>&1 &
  pids+=($!)
  wait_for 20 sh -c "xdotool search --classname glimpo-test-x >/dev/null" || fail "the X program did not show"
  window=$(xdotool search --classname glimpo-test-x | head -n 1)
  # Placed by the compositor (tiled beside the Wayland client): where it ended up is the truth.
  geometry() { xwininfo -id "$window" | awk -F: '/Absolute upper-left X/ {x=$2} /Absolute upper-left Y/ {y=$2}
    /Width/ {w=$2} /Height/ {h=$2} END {printf "%d %d %d %d", x, y, w, h}'; }
  settled() { local g; g=$(geometry); sleep 0.2; [ "$g" = "$(geometry)" ]; }
  wait_for 10 settled || fail "the X program's window never settled"
  read -r x y w h <<<"$(geometry)"
  start_glimpo --window
  wait_for 20 logged "overlay shown" || fail "the window overlay did not open"
  # The window list arrives just after the overlay and lights up the window under the pointer.
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
  wait_for 20 logged "stored capture file=Glimpo " || fail "the picked window was not stored"
  file=$(stored)
  [ "$(size "$file")" = "${w}x${h}" ] || fail "the window is ${w}x${h} but its capture $(size "$file")"
}

case_bound_action() {
  start_glimpo
  # The key goes through sway's seat like a real keyboard's; sway runs the bound command.
  wtype -M logo -k g -m logo
  wait_for 20 logged "action=fullscreen" || fail "the bound key did not reach Glimpo"
  wait_for 20 logged "stored capture file=Glimpo " || fail "the bound action stored no capture"
}

run_case no-portal
portal xdg-desktop-portal-wlr org.freedesktop.impl.portal.desktop.wlr
# The screenshot portal needs an access-dialog backend beside the wlroots one: GTK's.
portal xdg-desktop-portal-gtk org.freedesktop.impl.portal.desktop.gtk
portal xdg-desktop-portal org.freedesktop.portal.Desktop
show_colour HEADLESS-1 3366cc 640 400
show_colour HEADLESS-2 cc6633 1920 400
for name in two-outputs x-window bound-action; do run_case "$name"; done
