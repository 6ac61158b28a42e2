#!/usr/bin/env bash
# Capture benchmark: request -> overlay painted and Return -> text on the clipboard, through the
# real model, overlay and Tesseract, on a private Xvfb at 1920x1080 and at 3840x2160; then the
# tray application itself on a headless sway with two outputs, through the screenshot portal.
# Usage: bench/capture.sh [RUNS]   (default 9; the first run of each size is a cold start)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
scripts/setup build test
cmake --build --preset dev -j2 --target bench_capture bench_capture_wayland >/dev/null
for size in 1920x1080 3840x2160; do
    tests/xvfb-run.sh "$size" build/dev/bench/bench_capture "${1:-9}"
    echo
done
# The desktop services' chatter goes to a log, shown when the run fails.
log=$(mktemp)
tests/wayland/sway-session.sh build/dev/bench/bench_capture_wayland "${1:-9}" 2>"$log" || { cat "$log" >&2; exit 1; }
rm -f "$log"
