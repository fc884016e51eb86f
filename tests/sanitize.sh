#!/usr/bin/env bash
# Builds the whole tree with clang under AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer and runs every test under it. Usage: tests/sanitize.sh [build-dir] [ctest args...]
#
# Every report, from the tests and from the programs they start, is written to
# <build-dir>/sanitizer-logs; the run fails when any report is there.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$repo_root/build-asan}")
shift || true

# -fno-sanitize=function: clang 14 cannot emit its checks on coroutine code (LLVM bug 49689).
flags="-fsanitize=address,undefined,float-cast-overflow -fno-omit-frame-pointer -fno-sanitize=function"
link="-fsanitize=address,undefined,float-cast-overflow"
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

logs="$build/sanitizer-logs"
# The test discovery at build time runs the test programs too.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:log_path=$logs/asan"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=0:log_path=$logs/ubsan"
export LSAN_OPTIONS="suppressions=$repo_root/tests/lsan.supp"

cmake -S "$repo_root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 "${launcher[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLIMPO_BUILD_TESTS=ON \
    "-DCMAKE_CXX_FLAGS=$flags" "-DCMAKE_EXE_LINKER_FLAGS=$link" \
    "-DCMAKE_SHARED_LINKER_FLAGS=$link" "-DCMAKE_MODULE_LINKER_FLAGS=$link" >/dev/null
rm -rf "$logs"
mkdir -p "$logs"
cmake --build "$build"

status=0
(cd "$build" && ctest --output-on-failure --timeout 900 "$@") || status=$?
if compgen -G "$logs/*" >/dev/null; then
    echo "sanitizer reports in $logs:" >&2
    ls "$logs" >&2
    status=1
fi
exit "$status"
