#!/bin/sh
# Times the workspace window over a full history on a private Xvfb (see bench_workspace.cpp).
# Usage: bench/workspace.sh [build dir]   (default: build/dev)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/dev}
cmake --build "$build" --target bench_workspace >/dev/null
exec "$here/tests/xvfb-run.sh" 1280x800 "$build/bench/bench_workspace"
