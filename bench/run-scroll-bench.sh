#!/bin/sh
# The scrolling capture's speed. First the stitcher alone on generated 1920x1080 frames; then the
# real program on a private Xvfb with openbox: `glimpo --scroll` dragged over the test page
# showing ten screens of content, timed from the mouse release to the stored capture.
# Usage: bench/run-scroll-bench.sh [build-dir] [runs]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build-bench"}
runs=${2:-5}
# A build folder already set up keeps its settings; the benchmarks are only added to it.
if [ -f "$build/CMakeCache.txt" ]; then
    cmake -S "$here" -B "$build" -DGLIMPO_BUILD_BENCH=ON >/dev/null
else
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGLIMPO_BUILD_BENCH=ON -DGLIMPO_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target scroll_bench scroll-page glimpo
"$build/scroll_bench"

page_bin=$(find "$build" -name scroll-page -type f -perm -u+x | head -n 1)
work=$(mktemp -d)
pids=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

Xvfb -displayfd 3 -screen 0 1920x1080x24 -noreset -nolisten tcp 3>"$work/display" 2>/dev/null &
pids="$pids $!"
while [ ! -s "$work/display" ]; do sleep 0.05; done
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb XDG_SESSION_TYPE=x11
unset WAYLAND_DISPLAY
openbox --sm-disable >/dev/null 2>&1 &
pids="$pids $!"
sleep 1
mkdir -p "$work/home" "$work/config/org.glimpo.Glimpo" "$work/cache" "$work/runtime"
chmod 700 "$work/runtime"
echo '{"welcomeShown": true, "playsShutterSound": false}' >"$work/config/org.glimpo.Glimpo/settings.json"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" GLIMPO_LOG_STDERR=1
"$build/glimpo" 2>"$work/glimpo.log" &
pids="$pids $!"
until grep -q launched "$work/glimpo.log"; do sleep 0.1; done

now() { date +%s.%N; }
run=1
while [ "$run" -le "$runs" ]; do
    # Ten screens: a 1000-pixel view over a 10,000-pixel page.
    "$page_bin" --view-height 1000 --page-height 10000 --at 40,0 >"$work/page.out" 2>/dev/null &
    page=$!
    until grep -q area "$work/page.out"; do sleep 0.05; done
    set -- $(grep area "$work/page.out")
    x=$2 y=$3 w=$4 h=$5
    before=$(grep -c "stored capture" "$work/glimpo.log" || true)
    "$build/glimpo" --scroll 2>/dev/null
    until [ "$(grep -c 'overlay shown' "$work/glimpo.log")" -ge "$run" ]; do sleep 0.02; done
    xdotool mousemove "$x" "$y" mousedown 1 mousemove $((x + w / 2)) $((y + h / 2)) mousemove $((x + w)) $((y + h))
    start=$(now)
    xdotool mouseup 1
    until [ "$(grep -c 'stored capture' "$work/glimpo.log")" -gt "$before" ]; do sleep 0.01; done
    end=$(now)
    finished=$(grep 'scroll capture finished' "$work/glimpo.log" | tail -n 1)
    echo "run $run: release -> stored capture $(echo "$end - $start" | bc) s; $finished"
    kill "$page" 2>/dev/null || true
    wait "$page" 2>/dev/null || true
    sleep 1
    run=$((run + 1))
done
