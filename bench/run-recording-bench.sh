#!/bin/sh
# Records 1920x1080 for SECONDS with Glimpo and with ffmpeg's x11grab + libx264 (same bit rate,
# 60 fps), once with x264's default preset and once with `superfast`, Glimpo's own, one after the
# other on one private Xvfb: full motion (the motion content program repainting the screen at
# 60 Hz) and a still desktop. Prints distinct frames per second in the file, CPU seconds per
# second of recording and peak resident memory.
# Usage: bench/run-recording-bench.sh [build-dir] [seconds]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build-bench"}
seconds=${2:-20}
[ -f "$build/build.ninja" ] ||
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGLIMPO_BUILD_BENCH=ON -DGLIMPO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target recording_bench glimpo-motion-content >/dev/null
work=$(mktemp -d)
pids=""
cleanup() { for p in $pids; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT INT TERM

Xvfb -displayfd 4 -screen 0 1920x1080x24 -noreset -nolisten tcp 4>"$work/display" &
pids="$pids $!"
while [ ! -s "$work/display" ]; do sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb

# Distinct frames per second: consecutive decoded frames whose checksums differ.
distinct() {
    ffmpeg -v error -i "$1" -f framemd5 - | awk -F, '!/^#/ { if ($6 != last) n++; last = $6 } END { print n }' |
        awk -v d="$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$1")" '{ printf "%.1f", $1 / d }'
}
# CPU seconds and peak RSS (MB) of a command, from its rusage; its output goes to the file $1.
measure() {
    python3 - "$@" <<'PY'
import os, resource, subprocess, sys
p = subprocess.Popen(sys.argv[2:], stdout=open(sys.argv[1], "w"), stderr=subprocess.DEVNULL)
_, status, usage = os.wait4(p.pid, 0)
print("%.2f" % (usage.ru_utime + usage.ru_stime), usage.ru_maxrss // 1024)
PY
}

per_second() { awk -v c="$1" -v s="$seconds" 'BEGIN { printf "%.2f", c / s }'; }

for content in motion still; do
    if [ "$content" = motion ]; then
        "$build/glimpo-motion-content" 0 0 1920 1080 & content_pid=$!
        pids="$pids $content_pid"
        sleep 2
    fi
    set -- $(measure "$work/out" "$build/recording_bench" "$seconds" "$work/glimpo-$content")
    glimpo_cpu=$1 glimpo_rss=$2
    glimpo_file=$(head -n 1 "$work/out")
    line="$content: glimpo $(distinct "$glimpo_file") distinct fps, $(per_second "$glimpo_cpu") CPU s/s, $glimpo_rss MB"
    for preset in default superfast; do
        options=""
        [ "$preset" = default ] || options="-preset $preset"
        set -- $(measure "$work/out" ffmpeg -v error -y -f x11grab -framerate 60 -video_size 1920x1080 -i "$DISPLAY" \
            -t "$seconds" -c:v libx264 $options -b:v 4M -pix_fmt yuv420p "$work/ffmpeg-$content-$preset.mp4")
        line="$line | ffmpeg $preset $(distinct "$work/ffmpeg-$content-$preset.mp4") distinct fps, $(per_second "$1") CPU s/s, $2 MB"
    done
    echo "$line"
    if [ "$content" = motion ]; then kill "$content_pid"; wait "$content_pid" 2>/dev/null || true; fi
done
