#!/usr/bin/env bash
# gnome-tests.sh GLIMPO_BINARY: Glimpo in a real headless GNOME session: gnome-shell --headless on
# one 1280x720 virtual monitor with Xwayland, PipeWire with WirePlumber, and GNOME's own portals
# (xdg-desktop-portal with the gnome and gtk backends), in a D-Bus session of its own (harness.sh).
# The shell wants a system bus: a private one. Input reaches the shell's dialogs through mutter's
# RemoteDesktop API (mutter-input.py). Where no GNOME can start, every case is skipped, saying why.
# area         an area dragged through the overlay over the Screenshot portal's picture has the
#              dragged size and the native client's pixels
# recording    a recording starts once the Share dialog is answered; the next one, after a restart,
#              starts from the kept choice without a dialog; both are movies of the dragged size
#              with a picture at least every second of the still screen
# no-leftovers the portal's pictures are gone from the home folder and ~/Pictures
set -euo pipefail

source "$(dirname "$(readlink -f "$0")")/harness.sh"
session_logs=(gnome-shell xdg-desktop-portal xdg-desktop-portal-gnome)
skip() {
  echo "SKIP: no GNOME session here: $*"
  exit 77
}

[ -x "${1:-}" ] || fail "no program at ${1:-}"
glimpo=$1
for tool in gnome-shell /usr/libexec/xdg-desktop-portal-gnome /usr/libexec/xdg-desktop-portal-gtk \
            /usr/libexec/xdg-desktop-portal Xwayland pipewire wireplumber; do
  command -v "$tool" >/dev/null || skip "$tool is missing (scripts/install-deps installs it)"
done
/usr/bin/python3 -c 'from gi.repository import Gio' 2>/dev/null ||
  skip "python3-gi is missing (scripts/install-deps installs it)"
need dbus-run-session dbus-daemon gdbus convert identify ffprobe foot xdotool
# The shell's settings, accessibility bus and the portals' permission store; never a portal.
[ -n "$base" ] || enter_session "$glimpo" GNOME ca.desrt.dconf org.a11y.Bus org.freedesktop.impl.portal.PermissionStore

unset DISPLAY WAYLAND_DISPLAY
export XDG_SESSION_DESKTOP=gnome
# No login manager behind it: the shell's login manager client needs a system bus to talk to.
cat >"$runtime/system-bus.conf" <<EOF
<busconfig><type>system</type><listen>unix:path=$runtime/system-bus</listen>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>
EOF
background system-bus dbus-daemon --config-file="$runtime/system-bus.conf" --nofork
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$runtime/system-bus"
wait_for 10 test -S "$runtime/system-bus" || fail "the system bus did not start"
background pipewire pipewire
wait_for 10 test -S "$runtime/pipewire-0" || fail "PipeWire did not start"
background wireplumber wireplumber
export WAYLAND_DISPLAY=wayland-0 DISPLAY XAUTHORITY
# Xwayland is the shell's child: its display and authority are on its command line.
xwayland() { pgrep -P "$shell" -x Xwayland; }
shell_answers() { # a call the shell's main loop itself must answer
  gdbus call --session --timeout 5 --dest org.gnome.Shell --object-path /org/gnome/Shell \
    --method org.freedesktop.DBus.Properties.Get org.gnome.Shell ShellVersion >/dev/null 2>&1
}
alive() { local state; state=$(ps -o stat= -p "$1") && [[ $state != Z* ]]; }
start_shell() { # 0 once the shell and its X display answer; 1 when it hung; skips where none runs
  background gnome-shell gnome-shell --headless --wayland --virtual-monitor 1280x720
  shell=${pids[-1]}
  wait_for 60 has_name org.gnome.Shell.Screenshot || {
    alive "$shell" && return 1
    skip "gnome-shell did not start: $(tail -n 5 "$runtime/gnome-shell.log" | tr '\n' ' ')"
  }
  wait_for 30 test -S "$runtime/wayland-0" || skip "gnome-shell opened no Wayland socket"
  wait_for 30 xwayland >/dev/null || skip "gnome-shell started no Xwayland"
  pids+=("$(xwayland)")
  DISPLAY=$(tr '\0' '\n' </proc/"$(xwayland)"/cmdline | grep -m1 '^:')
  XAUTHORITY=$(tr '\0' '\n' </proc/"$(xwayland)"/cmdline | grep -A1 -x -- -auth | tail -n 1)
  # Started, its X display up and its main loop answering: past both of its ibus-daemon spawns.
  wait_for 30 grep -q "GNOME Shell started" "$runtime/gnome-shell.log" &&
    wait_for 30 timeout 5 xdotool getdisplaygeometry >/dev/null 2>&1 && shell_answers
}
# At its start gnome-shell 43 spawns ibus-daemon twice with a JavaScript child setup; on a loaded
# machine the forked child now and then blocks for good on a GObject lock another thread held at
# the fork, and the shell waits on it with every client unanswered. A fresh shell, then.
for attempt in 1 2 3; do
  start_shell && break
  [ "$attempt" -lt 3 ] || fail "gnome-shell hung at its start three times"
  echo "gnome-shell hung at its start (attempt $attempt); starting it again" >&2
  kill -9 "$shell" $(children "$shell") 2>/dev/null || true
  wait "$shell" 2>/dev/null || true
  rm -f "$runtime"/wayland-0 "$runtime"/wayland-0.lock
done
dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XAUTHORITY DBUS_SYSTEM_BUS_ADDRESS
portal xdg-desktop-portal-gnome org.freedesktop.impl.portal.desktop.gnome
portal xdg-desktop-portal-gtk org.freedesktop.impl.portal.desktop.gtk
# Only GNOME's backends, whatever else is installed.
mkdir "$runtime/portals"
cp /usr/share/xdg-desktop-portal/portals/{gnome,gtk,gnome-shell}.portal "$runtime/portals/"
XDG_DESKTOP_PORTAL_DIR="$runtime/portals" portal xdg-desktop-portal org.freedesktop.portal.Desktop
# Screenshots allowed as a user allows them once in the access dialog.
gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore \
  --object-path /org/freedesktop/impl/portal/PermissionStore \
  --method org.freedesktop.impl.portal.PermissionStore.SetPermission screenshot true screenshot '' "['yes']" >/dev/null ||
  fail "the portal's permission store did not answer"
input() {
  /usr/bin/python3 "$base/program/mutter-input.py" "$@" >>"$runtime/input.log" 2>&1 || fail "input $* did not reach the shell"
}
# The session starts in the overview, above every window.
input key:Escape
foot --fullscreen -o colors.background=3366cc -o colors.foreground=ffffff \
  sh -c "printf 'GLIMPO GNOME\n'; touch '$runtime/client'; exec sleep 600" >/dev/null 2>&1 &
pids+=($!)
wait_for 20 test -f "$runtime/client" || fail "the Wayland client did not start"
# Its first frame follows its first output.
sleep 1
# A drag across the overlay Glimpo has just opened. The shell puts a window on screen a while after
# Xwayland maps it, and input before that goes to the client below: the drag is made again while
# the overlay stays.
overlay_up() { xdotool search --onlyvisible --name "Glimpo selection" >/dev/null 2>&1; }
overlay_gone() { ! overlay_up; }
drag() { # from x,y through x,y to x,y
  wait_for 20 overlay_up || fail "the overlay is not on screen"
  for _ in 1 2 3; do
    sleep 1
    input "move:$1" down "move:$2" "move:$3" up
    wait_for 10 overlay_gone && return 0
  done
  fail "the overlay took no drag"
}

case_area() {
  start_glimpo --area
  wait_for 30 logged "overlay shown" || fail "the area overlay did not open"
  drag 100,100 300,250 500,400
  wait_for 20 logged "stored capture file=Glimpo " || fail "the area was not stored"
  [ "$(size "$(stored)")" = 400x300 ] || fail "the dragged 400x300 area was stored as $(size "$(stored)")"
  [ "$(pixel "$(stored)" 200 150)" = 3366CC ] || fail "the area shows $(pixel "$(stored)" 200 150), not the client"
}

movies() { find "$HOME/Desktop" -name 'Glimpo *.mp4' 2>/dev/null | sort; }
# Records an area into the save folder, the Desktop; answers the Share dialog when asked to.
record() { # the movies there will be, then "share" to answer the dialog
  local count=$1 movie duration gap
  ask --record
  wait_for 30 logged "overlay shown" || fail "the recording overlay did not open"
  drag 200,150 400,300 600,450
  # The dialog's monitor row, then Share, once the dialog is there.
  if [ "${2:-}" = share ]; then
    for _ in $(seq 5); do wait_for 3 logged "recording started" && break; input click:640,401 click:847,248; done
  fi
  wait_for 20 logged "recording started" || fail "recording $count did not start"
  sleep 3
  ask --record
  wait_for 30 sh -c "[ \$(find '$HOME/Desktop' -name 'Glimpo *.mp4' | wc -l) -ge $count ]" ||
    fail "recording $count was not saved"
  movie=$(movies | tail -n 1)
  [ "$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$movie")" = 400,300 ] ||
    fail "recording $count is not the dragged 400x300 area"
  duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$movie")
  awk -v d="$duration" 'BEGIN { exit !(d > 1.5) }' || fail "recording $count ran 3 s, but its movie lasts $duration s"
  # The screen stands still, yet its last picture comes again twice a second: a movie cut short
  # lacks at most its last second. The first picture also stands for the time before the shared
  # screen's first buffer, which a loaded machine may take a while to send.
  gap=$(ffprobe -v error -select_streams v:0 -show_entries frame=pts_time -of csv=p=0 "$movie" |
    awk -F, '$1 == "" || ++n == 1 { next } seen && $1 - last >= 1 { print last; exit } { last = $1; seen = 1 }')
  [ -z "$gap" ] || fail "recording $count has no picture for a second after $gap s"
}

case_recording() {
  start_glimpo
  record 1 share
  grep -q screenCastRestoreToken "$XDG_CONFIG_HOME/org.glimpo.Glimpo/settings.json" || fail "the choice was not kept"
  # Started again, Glimpo shares the kept choice without asking.
  ask --quit
  wait "$glimpo_pid" || true
  start_glimpo
  record 2
}

mkdir -p "$HOME/Desktop"
for name in area recording; do run_case "$name"; done
case_name=no-leftovers
left=$(find "$HOME" -maxdepth 1 -type f; find "$HOME/Pictures" -type f 2>/dev/null || true)
[ -z "$left" ] || fail "the portal's files were left behind: $left"
echo "PASS ($case_name)"
