#!/usr/bin/env bash
# Every text of the sources has a finished German translation: lupdate over the current sources
# into a copy of the catalogue must find nothing new, unfinished or vanished.
# Usage: translations_complete.sh LUPDATE
set -euo pipefail
lupdate=$1
src=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$src/translations/vellumix_de.ts" "$scratch/"
find "$src/src" \( -name '*.cpp' -o -name '*.h' \) ! -path '*/src/app/ocr.cpp' | sort >"$scratch/sources"
"$lupdate" -locations none -I "$src/src" "@$scratch/sources" -ts "$scratch/vellumix_de.ts" >"$scratch/log" 2>&1 ||
    { cat "$scratch/log"; exit 1; }
count=$(grep -c '<message' "$scratch/vellumix_de.ts")
bad=$(grep -B3 -E 'type="(unfinished|vanished|obsolete)"' "$scratch/vellumix_de.ts" | grep '<source>' || true)
if [ -n "$bad" ]; then
    echo "Texts without a finished German translation (run the update_translations target):"
    echo "$bad"
    exit 1
fi
# The catalogue as committed is what lupdate writes, so it stays reviewable.
cmp -s "$src/translations/vellumix_de.ts" "$scratch/vellumix_de.ts" ||
    { diff -u "$src/translations/vellumix_de.ts" "$scratch/vellumix_de.ts" | head -40; exit 1; }
echo "translations: $count German texts, all finished"
