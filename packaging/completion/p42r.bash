# bash completion for p42r and p42r-card                    -*- shell-script -*-
#
# The options and commands come from the program's own --help (and a
# command's --help once a command is on the line), so new ones complete
# without a change here; scenario names come from --list-scenarios, and
# --port offers the serial devices there are.

# The options ("--name=" for those written "--name=VALUE" or "--name[=X]")
# and the commands in the --help of PROGRAM [COMMAND].
_p42r_help_words()
{
    local help
    help=$("$@" --help 2>/dev/null) || return
    grep -oE '(^|[[:space:],[(|])--?[A-Za-z][-A-Za-z0-9]*(\[?=)?' <<<"$help" |
        sed -E 's/^[^-]*//; s/\[=$/=/' | sort -u
    awk 'tolower($0) ~ /^[a-z ]*commands:[[:space:]]*$/ { inside = 1; indent = -1; next }
        inside && (/^[^[:space:]]/ || /^[[:space:]]*$/) { inside = 0 }
        inside && match($0, /^[[:space:]]+/) {
            if (indent < 0) indent = RLENGTH
            if (RLENGTH == indent && $1 ~ /^[a-z][-a-z0-9]*$/) print $1
        }' <<<"$help"
}

# Serial devices: stable names of USB adapters first, then the tty nodes.
_p42r_ports()
{
    local port
    for port in /dev/serial/by-id/* /dev/ttyUSB* /dev/ttyACM*; do
        [[ -e $port ]] && printf '%s\n' "$port"
    done
}

_p42r()
{
    local cur prev words cword split
    _init_completion -s -n : || return
    local program=${words[0]} command= word
    local commands
    commands=$(_p42r_help_words "$program" | grep -v '^-')
    for word in "${words[@]:1:cword-1}"; do
        if [[ $word != -* ]] && grep -qxF -- "$word" <<<"$commands"; then
            command=$word
            break
        fi
    done

    # --sim takes its scenario only after "=": "--sim NAME" would hand NAME to the handheld.
    case $prev in
        --port)
            COMPREPLY=($(compgen -W "$(_p42r_ports)" -- "$cur"))
            [[ ${#COMPREPLY[@]} -gt 0 ]] || _filedir
            return ;;
        --sim | --scenario)
            if [[ $prev == --scenario || $split == true ]]; then
                COMPREPLY=($(compgen -W "$("$program" --list-scenarios 2>/dev/null | awk '{ print $1 }')" -- "$cur"))
                _filedir json
                return
            fi ;;
        --device-root | --root)
            _filedir -d
            return ;;
        --ui)
            COMPREPLY=($(compgen -W "tui gui script" -- "$cur"))
            return ;;
        --entry)
            COMPREPLY=($(compgen -W "consumer general admin-connection admin-id applications" -- "$cur"))
            return ;;
        --outcome | --writing-outcome)
            COMPREPLY=($(compgen -W "ok error lines silence hang unplug" -- "$cur"))
            return ;;
    esac
    # The value of another option: nothing known to offer.
    [[ $split == true ]] && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_p42r_help_words "$program" ${command:+"$command"} | grep '^-')" -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
    elif [[ -z $command && -n $commands ]]; then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    fi
} &&
    complete -F _p42r p42r p42r-card

# ex: filetype=sh
