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
        --input-encoding)
            mapfile -t COMPREPLY < <(compgen -W 'utf-8 windows-1252 latin1 iso-8859-2
                iso-8859-15 windows-1250 windows-1251 koi8-r shift_jis euc-jp gbk big5
                euc-kr' -- "$cur")
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
            --output-dir -n --no-clobber -q --quiet --verbose --input-encoding -h --help
            -v --version' -- "$cur")
        return
    fi
    # Pages and the folders that may hold them.
    mapfile -t COMPREPLY < <(compgen -f -X '!*[hH][tT][mM]*' -- "$cur";
                             compgen -d -- "$cur")
}
complete -o filenames -F _quillmere_convert quillmere-convert
