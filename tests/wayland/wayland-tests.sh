#!/usr/bin/env bash
# Glimpo in a real headless Wayland session (see wayland-session.sh), one case per run:
#
#   wayland-tests.sh GLIMPO_BINARY CASE
#
# fullscreen   one 1280x720 output: a full-screen capture holds a native Wayland client's pixels
# two-outputs  two outputs: full screen of the display under the pointer, and an area dragged
#              through the overlay on the other one has the dragged size and that display's pixels
# x-window     a window of an X program is picked through the overlay and captured at its size
# no-portal    without a screenshot portal a capture, full screen or area, says so and stores nothing
# bound-action a key bound in the compositor's configuration runs a command-line action
set -euo pipefail

here=$(dirname "$(readlink -f "$0")")
[ -x "$1" ] || { echo "wayland-tests: no program at $1" >&2; exit 1; }
glimpo=$(readlink -f "$1")
case_name=$2

for tool in convert identify xdotool xwininfo xmessage foot grim wtype; do
  command -v "$tool" >/dev/null || { echo "wayland-tests: $tool is missing (scripts/install-deps installs it)" >&2; exit 1; }
done

if [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # Not yet inside the session: start one that fits the case and come back in. The session's
  # user may not reach the build folder (a clone in root's home): it runs a copy of the program
  # and its modules.
  copy=$(mktemp -d /tmp/glimpo-wl-program.XXXXXX)
  trap 'rm -rf "$copy"' EXIT
  cp "$glimpo" "$(dirname "$glimpo")"/libglimpo-*.so "$here/wayland-session.sh" "$(readlink -f "$0")" "$copy/"
  chmod -R a+rX "$copy"
  glimpo="$copy/$(basename "$glimpo")"
  options=()
  case "$case_name" in
    two-outputs) options=(--outputs 2) ;;
    no-portal) options=(--no-portal) ;;
    bound-action)
      # The binding runs the same program, with the environment sway was started with.
      printf 'bindsym Mod4+g exec GLIMPO_LOG_STDERR=1 %s --fullscreen\n' "$glimpo" >"$copy/sway.config"
      export GLIMPO_WL_SWAY_CONFIG=$copy/sway.config ;;
  esac
  set +e
  "$copy/wayland-session.sh" "${options[@]}" -- bash "$copy/$(basename "$0")" "$glimpo" "$case_name"
  exit $?
fi

fail() { echo "FAIL ($case_name): $*" >&2; [ -f "$HOME/glimpo.log" ] && { echo "--- glimpo log" >&2; cat "$HOME/glimpo.log" >&2; }; exit 1; }
wait_for() { # seconds, then a condition
  local limit=$(( $1 * 10 )); shift
  for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}
pixel() { convert "$1" -format "%[hex:p{$2,$3}]" info: | cut -c1-6; }
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT

# A native Wayland client in a solid colour on an output; waits until the compositor shows it.
show_colour() { # output, colour (rrggbb), x, y to check on the desktop
  swaymsg -q focus output "$1"
  foot --app-id "glimpo-test-$2" -o "colors.background=$2" -o "colors.foreground=ffffff" \
    sh -c 'printf "GLIMPO WAYLAND\n"; exec sleep 600' >/dev/null 2>&1 &
  pids+=($!)
  wait_for 20 sh -c "grim -g '$3,$4 1x1' - 2>/dev/null | convert png:- -format '%[hex:p{0,0}]' info: | grep -qi '^$2'" ||
    fail "the Wayland client never showed $2 on $1"
}

mkdir -p "$XDG_CONFIG_HOME/org.glimpo.Glimpo"
echo '{"welcomeShown": true, "playsShutterSound": false}' >"$XDG_CONFIG_HOME/org.glimpo.Glimpo/settings.json"
captures="$XDG_CACHE_HOME/org.glimpo.Glimpo/Captures"
stored() { find "$captures" -name 'Glimpo *.png' 2>/dev/null | sort; }
logged() { grep -q -- "$1" "$HOME/glimpo.log"; }
stored_count() { stored | wc -l; }

start_glimpo() { # the first action
  GLIMPO_LOG_STDERR=1 "$glimpo" "$@" >"$HOME/glimpo.log" 2>&1 &
  pids+=($!)
  wait_for 20 logged "launched" || fail "Glimpo did not start"
  logged "platform=wayland" || fail "Glimpo did not choose the Wayland platform"
}
ask() { "$glimpo" "$@" || fail "glimpo $* did not reach the running Glimpo"; }
newest() { stored | tail -n 1; }

case "$case_name" in
fullscreen)
  show_colour HEADLESS-1 3366cc 640 400
  start_glimpo --fullscreen
  wait_for 20 logged "stored capture file=Glimpo " || fail "no capture was stored"
  file=$(newest)
  [ "$(identify -format %wx%h "$file")" = 1280x720 ] || fail "the capture is $(identify -format %wx%h "$file"), not 1280x720"
  [ "$(pixel "$file" 640 400)" = 3366CC ] || fail "the capture shows $(pixel "$file" 640 400) where the client is 3366cc"
  # The thumbnail sits in the bottom-left corner, where Glimpo puts it, not where the compositor would.
  thumbnail=$(xdotool search --sync --onlyvisible --name "Glimpo Thumbnail" | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$thumbnail")"
  [ "$X" -lt 100 ] && [ "$((Y + HEIGHT))" -gt 620 ] || fail "the thumbnail is at $X,$Y (${WIDTH}x$HEIGHT), not in the bottom-left corner"
  ;;
two-outputs)
  show_colour HEADLESS-1 3366cc 640 400
  show_colour HEADLESS-2 cc6633 1920 400
  # The display under the pointer: Xwayland's pointer, moved onto the second output.
  xdotool mousemove 1900 300
  start_glimpo --fullscreen
  wait_for 20 logged "stored capture file=Glimpo " || fail "no capture was stored"
  file=$(newest)
  [ "$(identify -format %wx%h "$file")" = 1280x720 ] || fail "the capture is $(identify -format %wx%h "$file"), not one output"
  [ "$(pixel "$file" 640 400)" = CC6633 ] || fail "the capture of the second output shows $(pixel "$file" 640 400)"

  ask --area
  wait_for 20 logged "overlay shown" || fail "the area overlay did not open"
  xdotool mousemove 100 100 mousedown 1 mousemove 300 250 mousemove 500 400 mouseup 1
  wait_for 20 sh -c "[ \$(find '$captures' -name 'Glimpo *.png' | wc -l) -ge 2 ]" || fail "the area was not stored"
  file=$(stored | grep -vxF "$file" | tail -n 1)
  [ "$(identify -format %wx%h "$file")" = 400x300 ] || fail "the dragged 400x300 area was stored as $(identify -format %wx%h "$file")"
  [ "$(pixel "$file" 200 150)" = 3366CC ] || fail "the area shows $(pixel "$file" 200 150), not the first output's client"
  ;;
x-window)
  show_colour HEADLESS-1 3366cc 640 400
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
  file=$(newest)
  [ "$(identify -format %wx%h "$file")" = "${w}x${h}" ] ||
    fail "the window is ${w}x${h} but its capture $(identify -format %wx%h "$file")"
  ;;
no-portal)
  start_glimpo --fullscreen
  wait_for 20 logged "error=Glimpo can't capture the screen: this Wayland session has no screenshot portal" ||
    fail "a capture without a portal did not say why"
  # An area: the sentence at once, instead of an overlay over a screen Glimpo couldn't read.
  ask --area
  wait_for 20 sh -c "[ \$(grep -c \"error=Glimpo can't capture the screen\" '$HOME/glimpo.log') -ge 2 ]" ||
    fail "an area capture without a portal did not say why"
  ! logged "overlay shown" || fail "an overlay opened over a screen that couldn't be read"
  [ "$(stored_count)" -eq 0 ] || fail "a capture without a portal stored a file"
  ;;
bound-action)
  show_colour HEADLESS-1 3366cc 640 400
  start_glimpo
  # The key goes through sway's seat like a real keyboard's; sway runs the bound command.
  wtype -M logo -k g -m logo
  wait_for 20 logged "action=fullscreen" || fail "the bound key did not reach Glimpo"
  wait_for 20 logged "stored capture file=Glimpo " || fail "the bound action stored no capture"
  ;;
*) echo "wayland-tests: unknown case $case_name" >&2; exit 2 ;;
esac
echo "PASS ($case_name)"
