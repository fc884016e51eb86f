#!/bin/sh
# Builds the markup editor benchmark and runs it with a 3840x2160 capture, on a private Xvfb with
# openbox of 1920x1080 and then of 3840x2160.
# Usage: bench/run-markup-bench.sh [build-dir] [runs]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build-bench"}
runs=${2:-10}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGLIMPO_BUILD_BENCH=ON -DGLIMPO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target markup_bench
exec "$build/markup_bench" --runs "$runs"
