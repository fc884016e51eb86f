#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine with apt-get, runs the installed
# program, records a few seconds of a private X server with it (which needs its modules from
# /usr/lib/glimpo), then purges the package and checks that none of its files is left.
# Changes the machine: run it by hand as root, never from the test suite.
# Usage: packaging/test-deb.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build-deb"}
[ "$(id -u)" -eq 0 ] || { echo "test-deb: run as root: it installs and removes the package" >&2; exit 1; }
if dpkg-query -W -f='${Status}' glimpo 2>/dev/null | grep -q 'install ok installed'; then
    echo "test-deb: glimpo is installed already; remove it first so the check starts clean" >&2
    exit 1
fi

fail() { echo "test-deb: FAIL: $*" >&2; exit 1; }

echo "== build"
"$here/packaging/build-deb.sh" "$build" | tee "$build/build-deb.out"
deb=$(sed -n 's/^built //p' "$build/build-deb.out")
[ -f "$deb" ] || fail "no package was built"

echo "== install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >"$build/apt-install.log" 2>&1 ||
    { tail -n 30 "$build/apt-install.log" >&2; fail "apt-get install $deb"; }
dpkg -L glimpo >"$build/files.txt"
trap 'DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -q glimpo >/dev/null 2>&1 || true' EXIT

echo "== run"
[ "$(command -v glimpo)" = /usr/bin/glimpo ] || fail "glimpo is not /usr/bin/glimpo on the PATH"
/usr/bin/glimpo --version
for module in libglimpo-base.so libglimpo-recording.so libglimpo-text.so; do
    [ -f "/usr/lib/glimpo/$module" ] || fail "/usr/lib/glimpo/$module is missing"
done

# A short recording from the installed program: the recording module is found beside it.
scratch=$(mktemp -d)
pids=()
cleanup_run() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$scratch"; }
trap 'cleanup_run; DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -q glimpo >/dev/null 2>&1 || true' EXIT
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null & pids+=("$!")
    for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
    number=$(cat "$scratch/display")
    [ -n "$number" ] || fail "Xvfb did not start"
    export DISPLAY=":$number" QT_QPA_PLATFORM=xcb GLIMPO_LOG_STDERR=1
    export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_CACHE_HOME="$scratch/cache" XDG_RUNTIME_DIR="$scratch/run"
    mkdir -p "$HOME/Desktop" "$XDG_CONFIG_HOME/org.glimpo.Glimpo" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    echo '{"welcomeShown": true, "playsShutterSound": false}' >"$XDG_CONFIG_HOME/org.glimpo.Glimpo/settings.json"
    /usr/bin/glimpo --record 2>"$scratch/log" & pids+=("$!")
    waitfor() { for _ in $(seq 100); do grep -q "$1" "$scratch/log" && return 0; sleep 0.1; done; return 1; }
    waitfor "overlay shown" || { cat "$scratch/log" >&2; fail "the installed program showed no overlay"; }
    xdotool mousemove 100 100 mousedown 1 mousemove 300 250 mousemove 400 300 mouseup 1
    waitfor "recording started" || { cat "$scratch/log" >&2; fail "the installed program did not record"; }
    sleep 1
    /usr/bin/glimpo --record
    waitfor "saved file=" || { cat "$scratch/log" >&2; fail "the installed program saved no recording"; }
    grep -E "recording started|saved file=|module" "$scratch/log"
    /usr/bin/glimpo --quit || true
    status=0
    wait "${pids[1]}" || status=$?
    [ $status -eq 0 ] || { cat "$scratch/log" >&2; fail "the installed program ended with status $status"; }
else
    echo "(no Xvfb or xdotool: the recording check is skipped)"
fi
# The text module, through the recogniser helper installed beside it.
if command -v convert >/dev/null; then
    convert -size 640x120 xc:white -font DejaVu-Sans -pointsize 40 -fill black -annotate +20+75 'Glimpo reads this' \
        "$scratch/text.png"
    read=$(/usr/lib/glimpo/glimpo-recognize "$scratch/text.png")
    echo "recognised: $read"
    [ "$read" = "Glimpo reads this" ] || fail "the installed recogniser read '$read'"
fi

echo "== remove"
DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -q glimpo >/dev/null
left=()
while read -r path; do
    # Folders such as /usr/share are shared with other packages; only files and Glimpo's own folders count.
    if [ -f "$path" ] || [ -L "$path" ] || { [ -d "$path" ] && [[ "$path" == *glimpo* ]]; }; then left+=("$path"); fi
done <"$build/files.txt"
[ ${#left[@]} -eq 0 ] || fail "left behind: ${left[*]}"
echo "removed: none of the $(wc -l <"$build/files.txt") paths of the package is left"
echo "test-deb: ok"
