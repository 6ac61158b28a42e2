# bash completion for vellumix-ocr

_vellumix_ocr()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case $prev in
        -l|--languages)
            local IFS=$'\n'
            # Complete the item after the last comma of a list.
            local head="" item=$cur
            [[ $cur == *,* ]] && head=${cur%,*}, && item=${cur##*,}
            COMPREPLY=($(compgen -P "$head" -W "$(vellumix-ocr --list-languages 2>/dev/null)" -- "$item"))
            compopt -o nospace
            return ;;
        -w|--words|--pages|--timeout)
            return ;;
        --searchable-pdf)
            COMPREPLY=($(compgen -f -- "$cur"))
            compopt -o filenames
            return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--reflow --fast --languages --words --json --pages --searchable-pdf
            --timeout --list-languages --help --help-all --version" -- "$cur"))
        return
    fi
    COMPREPLY=($(compgen -f -- "$cur"))
    compopt -o filenames
}
complete -F _vellumix_ocr vellumix-ocr
