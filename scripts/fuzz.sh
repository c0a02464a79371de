#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz (clang++, address and undefined-behaviour
# sanitizers) and runs each one for a bounded time, one after another, on a copy of its
# seed corpus. Exits non-zero when any target found a crash, leak, time-out or memory
# blow-up; the input that did it is saved in build-fuzz/artifacts/<what>/.
#
#   FUZZ_SECONDS   seconds per target (default 60)
#   FUZZ_TARGETS   targets to run (default "ini cp932 profile transfer smarttransfer")
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"
seconds="${FUZZ_SECONDS:-60}"
targets="${FUZZ_TARGETS:-ini cp932 profile transfer smarttransfer}"

if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "fuzz.sh: FUZZ_SECONDS must be a positive number of seconds, not '$seconds'" >&2
    exit 2
fi

echo "== building the fuzz targets in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMEKIRA_BUILD_FUZZERS=ON -DMEKIRA_BUILD_TESTS=OFF >/dev/null
fuzzers=()
for what in $targets; do
    fuzzers+=("${what}_fuzzer")
done
ninja -C "$build" -j2 "${fuzzers[@]}"

mkdir -p "$build/logs" "$build/corpus" "$build/artifacts"
export ASAN_OPTIONS="detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen

stat_of() { # stat_of <name> <log>: a number from libFuzzer's final stats, or "?"
    sed -n "s/^stat::$1: *\([0-9]*\).*/\1/p" "$2" | tail -n 1 | grep . || echo "?"
}

failed=()
summary=()
for what in $targets; do
    bin="$build/tests/fuzz/${what}_fuzzer"
    corpus="$build/corpus/$what"
    artifacts="$build/artifacts/$what"
    log="$build/logs/$what.log"
    mkdir -p "$corpus" "$artifacts"
    # The committed seeds and past reproducers are copied, never fuzzed in place; what
    # earlier runs added to the copy is kept.
    for seeds in "$root/tests/fuzz/corpus/$what" "$root/tests/fuzz/regressions/$what"; do
        if [[ -d "$seeds" ]]; then
            cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
        fi
    done
    args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -detect_leaks=1
          -print_final_stats=1 -artifact_prefix="$artifacts/")
    if [[ -f "$root/tests/fuzz/$what.dict" ]]; then
        args+=(-dict="$root/tests/fuzz/$what.dict")
    fi

    echo "== ${what}_fuzzer: ${seconds} s, log in $log"
    before=$(find "$artifacts" -type f | wc -l)
    rc=0
    # The outer limit only guards against a fuzzer that ignores its own.
    (cd "$build" && timeout --kill-after=30 $((seconds + 120)) "$bin" "${args[@]}" "$corpus") \
        >"$log" 2>&1 || rc=$?
    after=$(find "$artifacts" -type f | wc -l)

    runs=$(stat_of number_of_executed_units "$log")
    speed=$(stat_of average_exec_per_sec "$log")
    size=$(find "$corpus" -type f | wc -l)
    line="${what}_fuzzer: ${runs} runs, ${speed} exec/s, corpus ${size} files"
    if [[ $rc -ne 0 || $after -gt $before ]]; then
        reason=$(grep -m1 -oE 'ERROR: libFuzzer: [a-z-]+( [a-z-]+)?|ERROR: (AddressSanitizer|LeakSanitizer): [a-z-]+|runtime error|invariant broken' "$log" || echo "no report in the log")
        line="$line -- FAILED ($reason; exit $rc; see $log and $artifacts)"
        failed+=("$what")
    fi
    summary+=("$line")
    echo "$line"
done

echo
echo "== summary (${seconds} s per target)"
printf '%s\n' "${summary[@]}"
if [[ ${#failed[@]} -gt 0 ]]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "all fuzz targets passed"
