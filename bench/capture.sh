#!/usr/bin/env bash
# Capture benchmark: request -> overlay painted and Return -> text on the clipboard, through the
# real model, overlay and Tesseract, on a private Xvfb at 1920x1080 and at 3840x2160.
# Usage: bench/capture.sh [RUNS]   (default 9; the first run of each size is a cold start)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
scripts/setup build test
cmake --build --preset dev -j2 --target bench_capture >/dev/null
for size in 1920x1080 3840x2160; do
    tests/xvfb-run.sh "$size" build/dev/bench/bench_capture "${1:-9}"
    echo
done
