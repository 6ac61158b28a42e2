# bash completion for vellumix

_vellumix()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    if [[ $COMP_CWORD -eq 1 ]]; then
        COMPREPLY=($(compgen -W "capture workspace --help" -- "$cur") $(compgen -f -- "$cur"))
        compopt -o filenames
    elif [[ $COMP_CWORD -eq 2 && ${COMP_WORDS[1]} == capture ]]; then
        COMPREPLY=($(compgen -W "--multiple --full" -- "$cur"))
    fi
}
complete -F _vellumix vellumix
