#!/usr/bin/env bash
# Builds one libFuzzer target with the kit sources it needs and runs it briefly from a small
# seed corpus. Usage: run.sh <fuzz-source.cpp> <output-binary>
#
# A target names its kit sources on a line "// kit-sources: A.cpp B.cpp"; without one it gets the
# whole kit. Every kit file must be instrumented, or the fuzzer cannot see inside it.
set -euo pipefail

if [[ $# -ne 2 ]]; then
    echo "usage: $0 <fuzz-source.cpp> <output-binary>" >&2
    exit 2
fi
if ! command -v clang++ >/dev/null 2>&1; then
    echo "error: clang++ not found; fuzzing needs clang with libFuzzer (scripts/install-deps installs it)" >&2
    exit 1
fi
source_file=$(realpath "$1")
binary=$2

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo_root=$(cd "$script_dir/../.." && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

named=$(sed -n 's|^// kit-sources:||p' "$source_file" | head -n 1)
kit_sources=()
if [[ -n $named ]]; then
    for name in $named; do
        if [[ ! -f $repo_root/kit/$name ]]; then
            echo "error: $(basename "$source_file") names kit/$name, which does not exist" >&2
            exit 1
        fi
        kit_sources+=("$repo_root/kit/$name")
    done
else
    mapfile -t kit_sources < <(find "$repo_root/kit" -maxdepth 1 -name '*.cpp' | sort)
fi

common=(-std=c++20 -g -O1 -fno-sanitize-recover=all -Wall -Wextra -Wpedantic "-I$repo_root")
mkdir -p "$work/obj"
# Library files are instrumented without libFuzzer's main; the sanitizers make each one slow,
# so they compile side by side.
printf '%s\n' "${kit_sources[@]}" |
    xargs -P "$(nproc)" -I{} sh -c 'src=$1; shift; clang++ "$@" -c "$src" -o "$0/obj/$(basename "$src" .cpp).o"' \
        "$work" {} -fsanitize=fuzzer-no-link,address,undefined "${common[@]}" || {
    echo "error: compiling the kit sources for $(basename "$source_file") failed" >&2
    exit 1
}
mkdir -p "$(dirname "$binary")"
clang++ -fsanitize=fuzzer,address,undefined "${common[@]}" "$source_file" "$work"/obj/*.o -o "$binary"

corpus="$work/corpus"
mkdir -p "$corpus"
printf '%s' '{}' >"$corpus/empty"
printf '%s' '{"area":{"combination":{"keyCode":0,"carbonModifiers":6144,"keyLabel":"A"}},"fullscreen":{}}' >"$corpus/overrides"
printf '%s' '{"text":{"combination":{"keyCode":49,"carbonModifiers":4096,"keyLabel":"Space"}},"Area":{},"window":{"combination":null}}' >"$corpus/mixed"
printf '%s' '{"area":{"combination":{"keyCode":4294967296,"carbonModifiers":-1,"keyLabel":1}}}' >"$corpus/bad-numbers"
printf '%s' 'ß é ﬁ ᾳ' >"$corpus/letters"
printf '\xff\xfe{"\xed\xa0\x80":[' >"$corpus/junk"

artifacts="$binary-artifacts"
mkdir -p "$artifacts"
echo "fuzzing $(basename "$binary") for 5 seconds; crashing inputs are kept in $artifacts"
"$binary" -max_total_time=5 -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus"
