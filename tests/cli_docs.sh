#!/usr/bin/env bash
# The man pages and the shell completions against the options the programs really take.
# Usage: cli_docs.sh VELLUMIX-OCR VELLUMIX
set -uo pipefail
ocr=$1 app=$2
src=$(cd "$(dirname "$0")/.." && pwd)
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# Options that another branch adds to the program; documented ahead of it.
pending=(--timeout)
mapfile -t options < <("$ocr" --help | grep -oE -- '--[a-z][a-z-]+' | sort -u)
[ ${#options[@]} -ge 8 ] || fail "vellumix-ocr --help lists only: ${options[*]}"
for option in "${options[@]}" "${pending[@]}"; do
    for file in docs/man/vellumix-ocr.1.scd completions/vellumix-ocr.bash completions/_vellumix-ocr; do
        grep -qF -- "$option" "$src/$file" || fail "$file lacks $option"
    done
    grep -qE -- "-l ${option#--}( |$)" "$src/completions/vellumix-ocr.fish" || fail "vellumix-ocr.fish lacks $option"
done
# Nothing documented that the program does not take.
for file in docs/man/vellumix-ocr.1.scd completions/vellumix-ocr.bash completions/_vellumix-ocr; do
    for option in $(grep -oE -- '--[a-z][a-z-]+' "$src/$file" | sort -u); do
        printf '%s\n' "${options[@]}" "${pending[@]}" | grep -qxF -- "$option" || fail "$file names $option"
    done
done

mapfile -t verbs < <(QT_QPA_PLATFORM=offscreen "$app" --help | grep -oE '^  [a-z]+|--[a-z]+' | tr -d ' ' | sort -u)
[ ${#verbs[@]} -ge 4 ] || fail "vellumix --help lists only: ${verbs[*]}"
for verb in "${verbs[@]}"; do
    for file in docs/man/vellumix.1.scd completions/vellumix.bash completions/_vellumix completions/vellumix.fish; do
        grep -qF -- "${verb#--}" "$src/$file" || fail "$file lacks $verb"
    done
done

# The bash completion itself, with the built program first on PATH.
PATH=$(dirname "$ocr"):$PATH
compopt() { :; }
# shellcheck source=/dev/null
source "$src/completions/vellumix-ocr.bash"
source "$src/completions/vellumix.bash"
complete_line() { # FUNCTION WORD... -> the candidates for the last word
    local fn=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    "$fn"
    [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}
while IFS='|' read -r fn line expected; do
    read -ra words <<<"$line"
    [[ $line == *' ' ]] && words+=("")
    got=$(complete_line "$fn" "${words[@]}")
    [ "$got" = "$expected" ] || fail "$fn '$line': got '$got', expected '$expected'"
done <<'ROWS'
_vellumix_ocr|vellumix-ocr --pa|--pages 
_vellumix_ocr|vellumix-ocr --l|--languages --list-languages 
_vellumix_ocr|vellumix-ocr --languages en|eng 
_vellumix_ocr|vellumix-ocr -l deu,en|deu,eng 
_vellumix_ocr|vellumix-ocr --pages |
_vellumix|vellumix capture --|--full --multiple 
_vellumix|vellumix capture --full |
_vellumix|vellumix wor|workspace 
ROWS
[ $failed -eq 0 ] && echo "cli_docs: all checks passed"
exit $failed
