#!/usr/bin/env bash
# Resident memory of the real program on a private Xvfb with openbox: right after launch, and
# idle again after N full-screen captures taken with the global shortcut (their thumbnails
# time out meanwhile). Usage: bench/run-memory-bench.sh [glimpo-binary] [captures]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
glimpo=${1:-"$here/build-bench/glimpo"}
captures=${2:-50}
for tool in Xvfb openbox xdotool; do command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }; done

work=$(mktemp -d)
display=":$((200 + RANDOM % 500))"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT

Xvfb "$display" -screen 0 1920x1080x24 -noreset -nolisten tcp >/dev/null 2>&1 & pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 & pids+=($!)
sleep 1
export XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/run HOME=$work
mkdir -p "$XDG_CONFIG_HOME/org.glimpo.Glimpo" "$XDG_RUNTIME_DIR" "$HOME/Desktop"
chmod 700 "$XDG_RUNTIME_DIR"
echo '{"welcomeShown": true, "playsShutterSound": false}' > "$XDG_CONFIG_HOME/org.glimpo.Glimpo/settings.json"

rss() { awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$1/status"; }
GLIMPO_LOG_STDERR=1 "$glimpo" 2>"$work/log" & app=$!; pids+=($app)
for _ in $(seq 100); do grep -q launched "$work/log" && break; sleep 0.1; done
sleep 2
launch=$(rss "$app")
libraries=$(awk '$6 ~ /\.so/ {print $6}' "/proc/$app/maps" | sort -u | wc -l)
for _ in $(seq "$captures"); do xdotool key --clearmodifiers shift+super+3; sleep 0.3; done
# Thumbnails time out after 6 s; the heap is trimmed 10 s after the last capture.
sleep 20
idle=$(rss "$app")
stored=$(grep -c "stored capture" "$work/log" || true)
echo "glimpo: RSS after launch ${launch} MB (${libraries} shared libraries mapped)"
echo "glimpo: RSS idle after ${stored} captures ${idle} MB"
