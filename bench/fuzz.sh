#!/usr/bin/env bash
# Runs every libFuzzer target (clang, AddressSanitizer) for a while and reports, per target, the
# executions, the crashes (inputs kept in findings), the peak memory and the slowest input.
# Usage: bench/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]   (default 60 s, all five targets)
# Findings go to build/fuzz/findings/TARGET/; the grown corpus to build/fuzz/corpus/TARGET/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(image history settings pdf request)

# Only this script needs clang and its fuzzing runtime; scripts/setup installs the rest.
need=()
for package in clang libclang-rt-14-dev libomp-14-dev; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || need+=("$package")
done
if [ ${#need[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq "${need[@]}"
fi

build=build/fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DVELLUMIX_FUZZ=ON -DBUILD_TESTING=OFF -DVELLUMIX_WERROR=OFF >/dev/null
cmake --build "$build" -j2 --target $(printf 'fuzz_%s ' "${targets[@]}") >/dev/null
# The plain replay programs time the inputs without instrumentation.
cmake --preset dev >/dev/null
cmake --build --preset dev -j2 --target $(printf 'fuzz_%s ' "${targets[@]}") >/dev/null

export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
printf '%-10s %12s %8s %10s %8s %12s\n' target executions exec/s "peak MiB" crashes "slowest s"
for target in "${targets[@]}"; do
    corpus=$build/corpus/$target findings=$build/findings/$target
    mkdir -p "$corpus" "$findings"
    cp -n fuzz/corpus/"$target"/* fuzz/reproducers/"$target"/* "$corpus"/ 2>/dev/null || true
    log=$build/$target.log
    # The image loader may ask for the allocation limit (306 MiB) plus Qt's own overhead.
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=400 \
        -timeout=10 -max_len=65536 -print_final_stats=1 -artifact_prefix="$findings/" \
        "$corpus" >"$log" 2>&1 || true
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    peak=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)
    crashes=$(find "$findings" -type f | wc -l)
    # The slowest input of the grown corpus, timed inside one uninstrumented replay.
    slowest=$(build/dev/fuzz/fuzz_$target "$corpus" 2>/dev/null | sed -n 's/.*slowest \([0-9.]*\) s.*/\1/p')
    printf '%-10s %12s %8s %10s %8s %12s\n' "$target" "${runs:-?}" "${rate:-?}" "${peak:-?}" "$crashes" "${slowest:-?}"
done
