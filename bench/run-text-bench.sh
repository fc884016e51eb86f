#!/bin/sh
# Builds the text recognition benchmark and runs it beside the tesseract command line.
# Usage: bench/run-text-bench.sh [build-dir] [--sweep | --verbose | --keep DIR | --only TEXT | --no-memory | --no-peer]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build-bench"}
[ $# -gt 0 ] && shift
command -v tesseract >/dev/null || { echo "run-text-bench: tesseract is missing (run scripts/install-deps)" >&2; exit 1; }
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGLIMPO_BUILD_BENCH=ON -DGLIMPO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target text_bench
exec "$build/text_bench" "$@"
