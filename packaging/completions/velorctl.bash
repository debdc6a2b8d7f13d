# bash completion for velorctl: its commands, their subcommands and options,
# and the values an option takes where they are few.

# File and folder names, one a line whatever blanks they hold, completed from
# the word as typed (a leading quote and backslashes taken off); bash quotes
# what it inserts and ends a folder with '/'. With a pattern, files that do not
# match are left out, folders kept.
_velorctl_files() {
    local IFS=$'\n' word=$cur
    case $word in \'* | \"*) word=${word:1} ;; esac
    word=${word//\\/}
    compopt -o filenames 2>/dev/null
    if [ "$1" = -d ]; then
        COMPREPLY=($(compgen -d -- "$word"))
    elif [ -n "$1" ]; then
        COMPREPLY=($(compgen -f -X "!$1" -- "$word") $(compgen -d -- "$word"))
    else
        COMPREPLY=($(compgen -f -- "$word"))
    fi
}

_velorctl() {
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    local commands="reports profile profiles frames devices status apply set rules help"

    # -v or --verbose may come before the command.
    local first=1
    while [ "$first" -lt "$COMP_CWORD" ] &&
        { [ "${COMP_WORDS[first]}" = -v ] || [ "${COMP_WORDS[first]}" = --verbose ]; }; do
        first=$((first + 1))
    done
    if [ "$COMP_CWORD" -eq "$first" ]; then
        COMPREPLY=($(compgen -W "$commands --help --version -v --verbose" -- "$cur"))
        return
    fi

    local command=${COMP_WORDS[first]} sub=""
    [ "$COMP_CWORD" -gt $((first + 1)) ] && sub=${COMP_WORDS[first + 1]}

    case $prev in
        --slot | -s) COMPREPLY=($(compgen -W "1 2 3 4 5 6 7 8 9 10" -- "$cur")); return ;;
        --link | -l) COMPREPLY=($(compgen -W "wired 24g 4k ble" -- "$cur")); return ;;
        --dpi-level) COMPREPLY=($(compgen -W "1 2 3 4 5 6 7 8" -- "$cur")); return ;;
        --polling) COMPREPLY=($(compgen -W "125 250 500 1000 2000 4000 8000" -- "$cur")); return ;;
        --data | -d) _velorctl_files -d; return ;;
        --out | -o) _velorctl_files; return ;;
        --profile | -p)
            # A file for the upload commands, a stored profile's name for rules.
            [ "$command" = rules ] && return
            _velorctl_files '*.pro'
            return ;;
        --name | -n | --index | -i | --app | -a) return ;;
    esac

    local options=""
    case $command in
        help) [ "$COMP_CWORD" -eq $((first + 1)) ] && COMPREPLY=($(compgen -W "$commands" -- "$cur")); return ;;
        reports) options="--slot --profile --defaults" ;;
        frames) options="--slot --link --profile --defaults" ;;
        devices) options="--json" ;;
        status) options="--slot --json" ;;
        apply) options="--slot --profile --index" ;;
        set) options="--slot --dpi-level --polling" ;;
        profile)
            case $sub in
                new) options="--slot --name --out --force" ;;
                use) options="--slot --name" ;;
                *) COMPREPLY=($(compgen -W "new use" -- "$cur")); return ;;
            esac ;;
        profiles)
            case $sub in
                list | check) options="--slot --data" ;;
                export) options="--slot --data --index --out --force" ;;
                *) COMPREPLY=($(compgen -W "list export check" -- "$cur")); return ;;
            esac ;;
        rules)
            case $sub in
                list) options="--slot" ;;
                add | remove) options="--slot --app --profile" ;;
                *) COMPREPLY=($(compgen -W "list add remove" -- "$cur")); return ;;
            esac ;;
    esac
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
}
complete -F _velorctl velorctl
