#!/bin/sh
# Builds the capture benchmark and runs it: each size on a private Xvfb with openbox, next to scrot,
# then the GUI thread's longest stalls with a private PulseAudio daemon.
# Usage: bench/run-capture-bench.sh [build-dir] [runs]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build-bench"}
runs=${2:-20}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGLIMPO_BUILD_BENCH=ON -DGLIMPO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target capture_bench
exec "$build/capture_bench" --runs "$runs"
