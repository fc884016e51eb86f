#!/usr/bin/env bash
# Runs one command inside a real headless Wayland session: sway (headless, Xwayland on),
# PipeWire with WirePlumber, xdg-desktop-portal with the wlroots backend, all inside their own
# D-Bus session. sway refuses to run as root, so as root the session runs as the unprivileged
# user glimpo-wl, created on first use.
#
#   wayland-session.sh [--outputs N] [--no-portal] -- command [args...]
#
# The command gets WAYLAND_DISPLAY, DISPLAY (Xwayland), SWAYSOCK, XDG_RUNTIME_DIR, and
# GLIMPO_WL_HOME (a fresh folder it may write). Each output is 1280x720, laid out left to right.
# --no-portal starts no portal and lets D-Bus start none either. Everything started here is
# stopped by its process id when the command ends; the exit status is the command's.
set -euo pipefail

outputs=1
portal=1
while [ $# -gt 0 ]; do
  case "$1" in
    --outputs) outputs="$2"; shift 2 ;;
    --no-portal) portal=0; shift ;;
    --) shift; break ;;
    *) echo "wayland-session: unknown option $1" >&2; exit 2 ;;
  esac
done
[ $# -gt 0 ] || { echo "wayland-session: no command given" >&2; exit 2; }

for tool in sway swaymsg Xwayland pipewire wireplumber dbus-run-session gdbus xrandr /usr/libexec/xdg-desktop-portal \
            /usr/libexec/xdg-desktop-portal-wlr /usr/libexec/xdg-desktop-portal-gtk; do
  command -v "$tool" >/dev/null || { echo "wayland-session: $tool is missing (scripts/install-deps installs it)" >&2; exit 1; }
done

user=glimpo-wl
if [ "$(id -u)" -eq 0 ]; then
  id "$user" >/dev/null 2>&1 || useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user"
  base=$(mktemp -d /tmp/glimpo-wl.XXXXXX)
  chown "$user": "$base"
  chmod 0711 "$base"
  trap 'rm -rf "$base"' EXIT
  # Without a shell of its own the user runs this same script, as itself.
  runuser -u "$user" -- env -i PATH="$PATH" LANG=C.UTF-8 GLIMPO_WL_BASE="$base" GLIMPO_WL_SWAY_CONFIG="${GLIMPO_WL_SWAY_CONFIG:-}" \
      bash "$(readlink -f "$0")" --outputs "$outputs" $([ $portal -eq 1 ] || echo --no-portal) -- "$@"
  exit $?
fi

base=${GLIMPO_WL_BASE:-}
if [ -z "$base" ]; then
  base=$(mktemp -d /tmp/glimpo-wl.XXXXXX)
  trap 'rm -rf "$base"' EXIT
fi
runtime="$base/runtime"
home="$base/home"
mkdir -m 0700 -p "$runtime" "$home" "$base/bus-services"

if [ -z "${GLIMPO_WL_IN_BUS:-}" ]; then
  # The bus finds only the services given here: the portals when wanted, never the host's others.
  if [ $portal -eq 1 ]; then
    for s in org.freedesktop.impl.portal.PermissionStore org.freedesktop.portal.Documents; do
      [ -f /usr/share/dbus-1/services/$s.service ] && cp /usr/share/dbus-1/services/$s.service "$base/bus-services/"
    done
  fi
  cat > "$base/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$runtime</listen>
  <servicedir>$base/bus-services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
  export GLIMPO_WL_IN_BUS=1 GLIMPO_WL_BASE="$base"
  exec dbus-run-session --config-file="$base/bus.conf" -- bash "$(readlink -f "$0")" \
      --outputs "$outputs" $([ $portal -eq 1 ] || echo --no-portal) -- "$@"
fi

export HOME="$home" XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache"
export XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland GLIMPO_WL_HOME="$home"
unset DISPLAY WAYLAND_DISPLAY
pids=()
stop_all() {
  local pid
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
}
trap stop_all EXIT
has_name() { # a bus name that some connection owns
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true
}
wait_for() { # seconds, then a condition
  local limit=$(( $1 * 10 )); shift
  for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}

pipewire >"$runtime/pipewire.log" 2>&1 & pids+=($!)
wait_for 10 test -S "$runtime/pipewire-0" || { echo "wayland-session: PipeWire did not start" >&2; cat "$runtime/pipewire.log" >&2; exit 1; }
wireplumber >"$runtime/wireplumber.log" 2>&1 & pids+=($!)

# Commands in sway's configuration run once Xwayland is ready, so the file names the display.
cat > "$runtime/sway.config" <<EOF
xwayland force
default_border none
exec echo "\$DISPLAY" > $runtime/xdisplay
include $runtime/sway.d/*
EOF
mkdir -p "$runtime/sway.d"
[ -n "${GLIMPO_WL_SWAY_CONFIG:-}" ] && cp "$GLIMPO_WL_SWAY_CONFIG" "$runtime/sway.d/test.config"
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=1 \
  sway -c "$runtime/sway.config" >"$runtime/sway.log" 2>&1 & pids+=($!)
wait_for 20 test -s "$runtime/xdisplay" || { echo "wayland-session: sway or Xwayland did not start" >&2; cat "$runtime/sway.log" >&2; exit 1; }
export SWAYSOCK
SWAYSOCK=$(ls "$runtime"/sway-ipc.*.sock)
export WAYLAND_DISPLAY DISPLAY
WAYLAND_DISPLAY=$(cd "$runtime" && ls wayland-* | grep -v lock | head -1)
DISPLAY=$(cat "$runtime/xdisplay")

for ((n = 2; n <= outputs; n++)); do swaymsg -q create_output; done
for ((n = 1; n <= outputs; n++)); do
  swaymsg -q output "HEADLESS-$n" mode 1280x720 pos $(( (n - 1) * 1280 )) 0
done
# The layout reaches Xwayland's RandR a moment after sway has it.
wait_for 10 sh -c "xrandr --listmonitors 2>/dev/null | grep -q '^Monitors: $outputs'" ||
  { echo "wayland-session: Xwayland never showed $outputs outputs" >&2; exit 1; }

if [ $portal -eq 1 ]; then
  mkdir -p "$XDG_CONFIG_HOME/xdg-desktop-portal-wlr"
  # Asks nobody which output to share: a headless session has nobody to ask.
  printf '[screencast]\nchooser_type=none\noutput_name=HEADLESS-1\n' >"$XDG_CONFIG_HOME/xdg-desktop-portal-wlr/config"
  /usr/libexec/xdg-desktop-portal-wlr -l DEBUG >"$runtime/portal-wlr.log" 2>&1 & pids+=($!)
  wait_for 10 has_name org.freedesktop.impl.portal.desktop.wlr ||
    { echo "wayland-session: xdg-desktop-portal-wlr did not start" >&2; cat "$runtime/portal-wlr.log" >&2; exit 1; }
  # The screenshot portal needs an access-dialog backend beside the wlroots one: GTK's.
  /usr/libexec/xdg-desktop-portal-gtk >"$runtime/portal-gtk.log" 2>&1 & pids+=($!)
  wait_for 10 has_name org.freedesktop.impl.portal.desktop.gtk ||
    { echo "wayland-session: xdg-desktop-portal-gtk did not start" >&2; cat "$runtime/portal-gtk.log" >&2; exit 1; }
  /usr/libexec/xdg-desktop-portal --verbose >"$runtime/portal.log" 2>&1 & pids+=($!)
  wait_for 10 has_name org.freedesktop.portal.Desktop ||
    { echo "wayland-session: xdg-desktop-portal did not start" >&2; cat "$runtime/portal.log" >&2; exit 1; }
fi

set +e
"$@"
status=$?
set -e
if [ $status -ne 0 ] && [ -n "${GLIMPO_WL_VERBOSE:-1}" ]; then
  for log in sway portal portal-wlr; do
    [ -s "$runtime/$log.log" ] && { echo "--- $log.log (tail)"; tail -n 25 "$runtime/$log.log"; } >&2
  done
fi
exit $status
