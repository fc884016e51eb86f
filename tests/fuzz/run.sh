#!/usr/bin/env bash
# Builds one libFuzzer target with the kit sources named on its "// kit-sources:" line and runs
# it briefly from its seeds in tests/data/fuzz/<name>. Usage: run.sh <fuzz-source.cpp> <output-binary>
set -euo pipefail
command -v clang++ >/dev/null || { echo "error: clang++ not found (scripts/install-deps installs it)" >&2; exit 1; }
source_file=$(realpath "$1")
binary=$2
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

common=(-std=c++20 -g -O1 -fno-sanitize-recover=all -Wall -Wextra -Wpedantic "-I$repo_root")
mkdir -p "$work/obj" "$(dirname "$binary")"
# Every kit file is instrumented, or the fuzzer cannot see inside it; they compile side by side.
sed -n 's|^// kit-sources:||p' "$source_file" | tr ' ' '\n' | sed '/^$/d; s|^|'"$repo_root"'/kit/|' |
    xargs -P "$(nproc)" -I{} sh -c 'src=$1; shift; clang++ "$@" -c "$src" -o "$0/obj/$(basename "$src" .cpp).o"' \
        "$work" {} -fsanitize=fuzzer-no-link,address,undefined "${common[@]}"
clang++ -fsanitize=fuzzer,address,undefined "${common[@]}" "$source_file" "$work"/obj/*.o -o "$binary"

# New inputs go to the first folder; the seeds in tests/data are only read.
corpus="$work/corpus"
mkdir -p "$corpus"

artifacts="$binary-artifacts"
mkdir -p "$artifacts"
echo "fuzzing $(basename "$binary") for 5 seconds; crashing inputs are kept in $artifacts"
"$binary" -max_total_time=5 -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" \
    "$repo_root/tests/data/fuzz/$(basename "$source_file" .cpp)"
