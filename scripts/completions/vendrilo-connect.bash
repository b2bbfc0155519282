# bash completion for vendrilo-connect (and its ctl commands)

_vendrilo_connect() {
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}

    if [[ $COMP_CWORD -eq 1 ]]; then
        COMPREPLY=($(compgen -W "ctl --headless --help --version" -- "$cur"))
        return
    fi
    [[ ${COMP_WORDS[1]} == ctl ]] || return

    # The words after "ctl", global options left out.
    local words=() i
    for ((i = 2; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            --admin-url) ((i++)) ;;
            --no-start) ;;
            *) words+=("${COMP_WORDS[i]}") ;;
        esac
    done

    case $prev in
        --admin-url) COMPREPLY=($(compgen -W "http://127.0.0.1:46901" -- "$cur")); return ;;
        --type) COMPREPLY=($(compgen -W "qbittorrent transmission deluge" -- "$cur")); return ;;
        --label | --host | --port | --username | -n | --lines) return ;;
    esac

    case "${words[0]} ${words[1]}" in
        " ") COMPREPLY=($(compgen -W "status pair unpair clients restart logs update --admin-url --no-start --help" -- "$cur")) ;;
        "status "*) COMPREPLY=($(compgen -W "--json" -- "$cur")) ;;
        "clients ") COMPREPLY=($(compgen -W "list add test remove" -- "$cur")) ;;
        "clients list") COMPREPLY=($(compgen -W "--json" -- "$cur")) ;;
        "clients add")
            COMPREPLY=($(compgen -W "--label --type --host --port --username --password-stdin --tls --insecure-skip-verify" -- "$cur")) ;;
        "logs "*) COMPREPLY=($(compgen -W "-f --follow -n --lines" -- "$cur")) ;;
        "update ") COMPREPLY=($(compgen -W "check" -- "$cur")) ;;
    esac
}

complete -F _vendrilo_connect vendrilo-connect
