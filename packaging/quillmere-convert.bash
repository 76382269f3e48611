# bash completion for quillmere-convert

_quillmere_convert()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}

    case $prev in
        --engine)
            mapfile -t COMPREPLY < <(compgen -W 'auto browser fast' -- "$cur")
            return ;;
        --jobs)
            return ;;
        -o|--output)
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return ;;
        --output-dir)
            mapfile -t COMPREPLY < <(compgen -d -- "$cur")
            return ;;
    esac

    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '--jobs --engine --stdout --stats -o --output
            --output-dir -n --no-clobber -q --quiet -h --help -v --version' -- "$cur")
        return
    fi
    # Pages and the folders that may hold them.
    mapfile -t COMPREPLY < <(compgen -f -X '!*[hH][tT][mM]*' -- "$cur";
                             compgen -d -- "$cur")
}
complete -o filenames -F _quillmere_convert quillmere-convert
