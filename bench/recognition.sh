#!/usr/bin/env bash
# Recognition benchmark: builds the release tools, generates the evaluation images, runs
# vellumix-ocr and the tesseract command line on the same files and prints a Markdown table
# (character error rate, wall time, ratios), then in-process warm latency and peak memory.
# Usage: [PRESET=release] [ONLY=REGEX] bench/recognition.sh [--tune]
#   --tune also compares the engine's tuning choices; ONLY limits the categories run.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
scripts/setup build bench
preset=${PRESET:-release}
cmake --preset "$preset" -DVELLUMIX_BENCH=ON >/dev/null
cmake --build --preset "$preset" -j2 --target vellumix-ocr vellumix-bench >/dev/null
bin=build/$preset
work=$(mktemp -d "${TMPDIR:-/tmp}/vellumix-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$bin/bench/vellumix-bench" images "$work/images" 2>/dev/null
mkdir -p "$work/out-vellumix" "$work/out-tesseract"

now() { date +%s.%N; }
# Runs a command, appends "category tool seconds peak-kB" to times.tsv.
measure() {
    local category=$1 tool=$2
    shift 2
    local start end
    start=$(now)
    /usr/bin/time -f %M -o "$work/rss" "$@"
    end=$(now)
    printf '%s\t%s\t%s\t%s\n' "$category" "$tool" "$(awk "BEGIN { print $end - $start }")" "$(cat "$work/rss")" >>"$work/times.tsv"
}

for dir in "$work"/images/*/; do
    category=$(basename "$dir")
    if [ -n "${ONLY:-}" ] && ! [[ $category =~ $ONLY ]]; then
        rm -rf "$dir"
        continue
    fi
    lang=$(cat "$(ls "$dir"*.lang | head -n1)")
    ours=(--json)
    theirs=()
    if [ -n "$lang" ]; then
        ours+=(--languages "$lang")
        theirs+=(-l "$lang")
    fi
    measure "$category" vellumix-ocr sh -c '"$0" "$@" > "'"$work/out-vellumix/$category.jsonl"'"' \
        "$bin/src/app/vellumix-ocr" "${ours[@]}" "$dir"*.png
    [ "$category" = qr ] && continue
    for image in "$dir"*.png; do
        name=$(basename "$image" .png)
        measure "$category" tesseract tesseract "$image" "$work/out-tesseract/$name" "${theirs[@]}" 2>/dev/null
        measure "$category" tesseract-omp1 env OMP_THREAD_LIMIT=1 tesseract "$image" "$work/out-tesseract/$name" \
            "${theirs[@]}" 2>/dev/null
    done
done

echo "## Recognition: vellumix-ocr against tesseract (default settings), $(nproc) cores"
echo
"$bin/bench/vellumix-bench" score "$work"
echo "## In-process warm latency"
echo
"$bin/bench/vellumix-bench" latency 20
if [ "${1:-}" = --tune ]; then
    echo "## Tuning choices (in-process, character error rate per category)"
    echo
    "$bin/bench/vellumix-bench" tune
fi
