#!/usr/bin/env bash
# Prints the performance figures, one line each with its goal:
#   1. start time against a bare Qt window, 2. a 16-line transfer,
#   3. a slip printed to the built-in PDF printer, 4. the running program's peak memory,
#   5. the postal-code lookups, 6. the preview, 7.-9. the order book: a 10,000-order
#   import, the order list on 100,000 orders (opening and scrolling), 100 slips as one job,
#   10. the smart transfer of an order mail and of bad input, 11. the shipping history on
#   1,000,000 slips (search, window) and 100 orders claimed on a local PostgreSQL server.
# Builds the benchmark programs in build/ (configured as the Makefile does when missing).
# BENCH_RUNS sets the number of starts of each probe (default 20).
set -euo pipefail

cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
RUNS=${BENCH_RUNS:-20}

if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$BUILD_DIR" --target mekira_benchmarks -j "$(nproc)" >/dev/null

bin="$BUILD_DIR/benchmarks"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
log="$work/stderr.log"
# A private runtime folder, as a desktop session has one.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY

# The window figures on a real X server when there is one to start, else offscreen.
if command -v xvfb-run >/dev/null && command -v Xvfb >/dev/null; then
  on_display() { QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$@"; }
  echo "machine: $(nproc) cores; windows on Xvfb (xvfb-run -a, QT_QPA_PLATFORM=xcb)"
else
  on_display() { QT_QPA_PLATFORM=offscreen "$@"; }
  echo "machine: $(nproc) cores; windows offscreen (QT_QPA_PLATFORM=offscreen, no Xvfb)"
fi

run() {
  if ! "$@" 2>>"$log"; then
    echo "failed: $*" >&2
    cat "$log" >&2
    exit 1
  fi
}

# The first number after `label` in `line`.
number_after() { sed -n "s/.*$2 \([0-9.]*\).*/\1/p" <<<"$1"; }
verdict() { awk -v v="$1" -v g="$2" 'BEGIN { print (v + 0 <= g + 0) ? "met" : "NOT met" }'; }

line=$(run on_display "$bin/mekira_startbench" "$bin/mekira_startprobe" "$bin/mekira_bareprobe" "$RUNS")
ratio=$(number_after "$line" "ratio")
echo "1. $line — goal: ratio at most 1.5: $(verdict "$ratio" 1.5)"

line=$(run "$BUILD_DIR/tests/transfer/transfer_bench")
us=$(number_after "$line" "median")
echo "2. $line — goal: under 20 us: $(verdict "$us" 20)"

line=$(run env QT_QPA_PLATFORM=offscreen "$bin/mekira_printbench" 30)
ms=$(number_after "$line" "median")
echo "3. $line — goal: under 100 ms: $(verdict "$ms" 100)"

line=$(run on_display "$bin/mekira_membench" "$BUILD_DIR/src/app/mekira" "$bin/mekira_startprobe")
mb=$(number_after "$line" "peak memory:")
echo "4. $line — goal: under 80 MB: $(verdict "$mb" 80)"

line=$(run "$BUILD_DIR/tests/postal/postal_bench")
first=$(number_after "$line" "first lookup")
us=$(number_after "$line" "lookup median")
rev=$(number_after "$line" "codesFor median")
mb=$(number_after "$line" "extra memory")
echo "5. $line — goals: first lookup at most 20 ms: $(verdict "$first" 20); later at most 5 us: $(verdict "$us" 5); codesFor at most 1000 us: $(verdict "$rev" 1000); memory at most 20 MB: $(verdict "$mb" 20)"

line=$(run env QT_QPA_PLATFORM=offscreen "$bin/mekira_previewbench" 60)
open_ms=$(number_after "$line" "opens in")
redraw_ms=$(number_after "$line" "keystroke median")
echo "6. $line — goals: opens under 100 ms: $(verdict "$open_ms" 100), redraw at most 8 ms: $(verdict "$redraw_ms" 8)"

out=$(run on_display "$bin/mekira_ordersbench" 5)
line=$(grep '^import' <<<"$out")
ms=$(number_after "$line" "median")
echo "7. $line — goal: at most 1000 ms: $(verdict "$ms" 1000)"
line=$(grep '^order list of' <<<"$out")
ms=$(number_after "$line" "median")
echo "8. $line — goal: at most 150 ms: $(verdict "$ms" 150)"
line=$(grep 'frame drawn' <<<"$out")
ms=$(number_after "$line" "median")
echo "8. $line — goal: a frame at 60 Hz, at most 16.7 ms: $(verdict "$ms" 16.7)"
line=$(grep 'rows filled in' <<<"$out")
echo "8. $line"
line=$(grep '^100 slips' <<<"$out")
ms=$(number_after "$line" "median")
echo "9. $line — goal: at most 3000 ms: $(verdict "$ms" 3000)"

out=$(run "$BUILD_DIR/tests/transfer/smarttransfer_bench")
line=$(grep '^smart transfer' <<<"$out")
us=$(number_after "$line" "median")
echo "10. $line — goal: at most 200 us: $(verdict "$us" 200)"
worst=$(grep '^bad input' <<<"$out" | sed -n 's/.*: \([0-9.]*\) ms processor time/\1/p' | sort -n | tail -1)
echo "10. bad input, slowest of $(grep -c '^bad input' <<<"$out") kinds: $worst ms processor time — goal: at most 50 ms: $(verdict "$worst" 50)"

out=$(run env QT_QPA_PLATFORM=offscreen "$BUILD_DIR/benchmarks/history_bench")
for what in "history search:100" "history window:150" "orders claimed:200"; do
  line=$(grep "${what%%:*}" <<<"$out" | sed 's/^[0-9]*\. //')
  if [ -z "$line" ]; then
    echo "11. ${what%%:*}: not measured"
    continue
  fi
  ms=$(number_after "$line" "worst")
  echo "11. $line — goal: at most ${what##*:} ms: $(verdict "$ms" "${what##*:}")"
done
