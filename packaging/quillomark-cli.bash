# bash completion for quillomark-cli: its commands, each command's options and the values an
# option takes, all read from the program's own help so that they always match the program.

# The command names of the program's help.
_quillomark_cli_commands() {
    LC_ALL=C "$1" --help 2>/dev/null |
        awk '/^commands:/ { inside = 1; next } /^$/ { inside = 0 } inside { print $1 }'
}

# A command's usage line without its head and brackets: "--name [VALUE]" words.
_quillomark_cli_usage() {
    LC_ALL=C "$1" "$2" --help 2>/dev/null | sed -n '1s/^usage: [^ ]* [^ ]* //p' | tr -d '[]'
}

_quillomark_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local program=${COMP_WORDS[0]}
    COMPREPLY=()
    # "--turn=ri" arrives as the words "--turn", "=" and "ri".
    if [[ $cur == = ]]; then
        cur=
    elif [[ $prev == = ]] && ((COMP_CWORD > 2)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi

    if ((COMP_CWORD == 1)); then
        mapfile -t COMPREPLY < <(compgen -W "$(_quillomark_cli_commands "$program") --help" -- "$cur")
        return
    fi

    local -A value_of=()
    local -a options=()
    local word option=
    for word in $(_quillomark_cli_usage "$program" "${COMP_WORDS[1]}"); do
        if [[ $word == --* ]]; then
            option=$word
            options+=("$option")
            value_of[$option]=
        elif [[ -n $option ]]; then
            value_of[$option]=$word
        fi
    done
    ((${#options[@]})) || return 0

    local value=${value_of[$prev]-}
    if [[ $prev == --* && -n $value ]]; then
        case $value in
            DIR)
                compopt -o filenames 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -d -- "$cur")
                ;;
            FILE*)
                compopt -o filenames 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -f -- "$cur"; [[ -z $cur ]] && echo -)
                ;;
            *'|'*)
                mapfile -t COMPREPLY < <(compgen -W "${value//|/ }" -- "$cur")
                ;;
        esac
        return 0
    fi
    mapfile -t COMPREPLY < <(compgen -W "${options[*]} --help" -- "$cur")
}

complete -F _quillomark_cli quillomark-cli
