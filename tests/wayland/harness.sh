# Sourced by the Wayland session tests. A test script runs twice: first as ctest starts it, when
# enter_session gives it a fresh home and runtime folder and runs it again as the session's user in
# a D-Bus session that starts only the services named (compositors refuse root, so as root that
# user is glimpo-wl); then inside, where it starts its desktop and its cases with the steps below.

case_name=setup
session_logs=()
fail() {
  echo "FAIL ($case_name): $*" >&2
  [ -f "${runtime:-/nonexistent}/glimpo.log" ] && { echo "--- glimpo log" >&2; cat "$runtime/glimpo.log" >&2; }
  for log in "${session_logs[@]}"; do
    [ -s "${runtime:-/nonexistent}/$log.log" ] && { echo "--- $log.log (tail)"; tail -n 25 "$runtime/$log.log"; } >&2
  done
  exit 1
}
need() { for tool; do command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps installs it)"; done; }
wait_for() { # seconds, then a condition
  local limit=$(($1 * 10)); shift
  for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}

# program, the desktop's name (XDG_CURRENT_DESKTOP), then the bus services the session may start
enter_session() {
  local glimpo script here as=() name
  glimpo=$(readlink -f "$1") script=$(readlink -f "$0") here=$(dirname "$(readlink -f "$0")")
  base=$(mktemp -d /tmp/glimpo-wl.XXXXXX)
  trap 'rm -rf "$base"' EXIT
  mkdir -m 0700 "$base/runtime" "$base/home" "$base/bus-services" "$base/program"
  for name in "${@:3}"; do
    name=/usr/share/dbus-1/services/$name.service
    [ -f "$name" ] && cp "$name" "$base/bus-services/"
  done
  cat >"$base/bus.conf" <<EOF
<busconfig>
  <type>session</type>
  <listen>unix:dir=$base/runtime</listen>
  <servicedir>$base/bus-services</servicedir>
  <policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>
EOF
  # The user may not reach the build folder (a clone in root's home): it runs a copy of the
  # program, its modules and the test scripts.
  cp "$glimpo" "$(dirname "$glimpo")"/libglimpo-*.so "$here"/*.sh "$here"/*.py "$base/program/"
  chmod -R a+rX "$base/program"
  if [ "$(id -u)" -eq 0 ]; then
    id glimpo-wl >/dev/null 2>&1 ||
      useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin glimpo-wl
    chown -R glimpo-wl: "$base"
    chmod 0711 "$base"
    as=(runuser -u glimpo-wl --)
  fi
  # Set before the bus starts: the services it starts take their folders from it.
  "${as[@]}" env -i PATH="$PATH" LANG=C.UTF-8 GLIMPO_WL_BASE="$base" HOME="$base/home" XDG_RUNTIME_DIR="$base/runtime" \
    XDG_CONFIG_HOME="$base/home/.config" XDG_CACHE_HOME="$base/home/.cache" XDG_DATA_HOME="$base/home/.local/share" \
    XDG_CURRENT_DESKTOP="$2" XDG_SESSION_TYPE=wayland \
    dbus-run-session --config-file="$base/bus.conf" -- bash "$base/program/$(basename "$script")" \
    "$base/program/$(basename "$glimpo")"
  exit $?
}

# Inside the session: what it started is stopped, last first, when the script ends.
base=${GLIMPO_WL_BASE:-}
runtime="$base/runtime"
pids=()
children() { pgrep -P "$1" || true; }
stop_all() {
  local pid
  # A child a program forked and left (one that hung before it could run) would outlive it.
  for pid in "${pids[@]}"; do pids+=($(children "$pid")); done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
}
[ -n "$base" ] && trap stop_all EXIT
has_name() { # a bus name that some connection owns
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true
}
background() { # name, command...: started with its log in the runtime folder
  local name=$1; shift
  "$@" >"$runtime/$name.log" 2>&1 &
  pids+=($!)
}
portal() { # program, then the bus name it takes
  background "$1" "/usr/libexec/$1"
  wait_for 30 has_name "$2" || fail "$1 did not start"
}

pixel() { convert "$1" -format "%[hex:p{$2,$3}]" info: | cut -c1-6; }
size() { identify -format %wx%h "$1"; }

captures="${XDG_CACHE_HOME:-}/org.glimpo.Glimpo/Captures"
stored() { find "$captures" -name 'Glimpo *.png' 2>/dev/null | sort; }
logged() { grep -q -- "$1" "$runtime/glimpo.log"; }
start_glimpo() { # the first action
  [ -f "$XDG_CONFIG_HOME/org.glimpo.Glimpo/settings.json" ] || {
    mkdir -p "$XDG_CONFIG_HOME/org.glimpo.Glimpo"
    # Thumbnails stay while a slow machine takes the next capture.
    echo '{"welcomeShown": true, "playsShutterSound": false, "thumbnailSeconds": 30}' \
      >"$XDG_CONFIG_HOME/org.glimpo.Glimpo/settings.json"
  }
  # Started without an action, Glimpo stays this shell's child; an action would start it in the
  # background, out of reach of `wait`.
  GLIMPO_LOG_STDERR=1 "$glimpo" >"$runtime/glimpo.log" 2>&1 &
  glimpo_pid=$!
  pids+=($!)
  wait_for 20 logged "launched" || fail "Glimpo did not start"
  logged "platform=wayland" || fail "Glimpo did not choose the Wayland platform"
  [ $# -eq 0 ] || ask "$@"
}
ask() { "$glimpo" "$@" || fail "glimpo $* did not reach the running Glimpo"; }
run_case() {
  case_name=$1
  rm -rf "$captures"
  "case_${1//-/_}"
  ask --quit
  wait_for 10 logged "quit requested" || fail "Glimpo did not quit"
  wait "$glimpo_pid" || true
  echo "PASS ($case_name)"
}
