# bash completion for genera_scenario. Made by genera_scenario_docs from the program's option
# table; regenerate it, do not edit it.
_genera_scenario() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    COMPREPLY=()
    # --name=VALUE: bash splits the word at the equals sign.
    if [[ $cur == = ]]; then
        cur=
    elif [[ $prev == = && $COMP_CWORD -ge 3 ]]; then
        prev=${COMP_WORDS[COMP_CWORD-2]}
    fi
    if [[ $COMP_CWORD -eq 1 ]]; then
        mapfile -t COMPREPLY < <(compgen -W 'compile check dump plot decompile timetable view fmt lsp help -h --help --version' -- "$cur")
        return
    fi
    case ${COMP_WORDS[1]} in
    help)
        [[ $COMP_CWORD -eq 2 ]] && mapfile -t COMPREPLY < <(compgen -W 'compile check dump plot decompile timetable view fmt lsp' -- "$cur")
        ;;
    compile)
        case $prev in
        -o|--out|--output) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -d -- "$cur"); return ;;
        --scenario) :; return ;;
        --train) :; return ;;
        --color) mapfile -t COMPREPLY < <(compgen -W 'auto always never' -- "$cur"); return ;;
        --input-encoding) mapfile -t COMPREPLY < <(compgen -W 'utf-8 cp1252' -- "$cur"); return ;;
        --notes) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur"); return ;;
        --train-model) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur"); return ;;
        esac
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W '-h --help --version -o --out --output --scenario --train --no-plan --strict --color --input-encoding -q --quiet --plot --documents --notes --train-model' -- "$cur")
        else
            compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        ;;
    check)
        case $prev in
        --color) mapfile -t COMPREPLY < <(compgen -W 'auto always never' -- "$cur"); return ;;
        --input-encoding) mapfile -t COMPREPLY < <(compgen -W 'utf-8 cp1252' -- "$cur"); return ;;
        --train-model) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur"); return ;;
        esac
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W '-h --help --version --json --sarif --color --no-plan --input-encoding --timetable --train-model --documents' -- "$cur")
        else
            compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        ;;
    dump)
        case $prev in
        esac
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W '-h --help --version --json --raw' -- "$cur")
        else
            compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        ;;
    plot)
        case $prev in
        --scenario) :; return ;;
        --train) :; return ;;
        -o|--out|--output) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur"); return ;;
        esac
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W '-h --help --version --scenario --train -o --out --output -q --quiet' -- "$cur")
        else
            compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        ;;
    decompile)
        case $prev in
        --scenario) :; return ;;
        --train) :; return ;;
        -o|--out|--output) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -d -- "$cur"); return ;;
        --notes) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur"); return ;;
        --train-model) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur"); return ;;
        esac
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W '-h --help --version --scenario --train -o --out --output -q --quiet --force --documents --notes --train-model' -- "$cur")
        else
            compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        ;;
    timetable)
        case $prev in
        --train-model) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur"); return ;;
        --curve) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur"); return ;;
        --input-encoding) mapfile -t COMPREPLY < <(compgen -W 'utf-8 cp1252' -- "$cur"); return ;;
        esac
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W '-h --help --version --train-model --json --curve --input-encoding' -- "$cur")
        else
            compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        ;;
    view)
        case $prev in
        --port) :; return ;;
        --html) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur"); return ;;
        --input-encoding) mapfile -t COMPREPLY < <(compgen -W 'utf-8 cp1252' -- "$cur"); return ;;
        esac
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W '-h --help --version --port --open --html -q --quiet --input-encoding' -- "$cur")
        else
            compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        ;;
    fmt)
        case $prev in
        esac
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W '-h --help --version --check -q --quiet' -- "$cur")
        else
            compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        ;;
    lsp)
        case $prev in
        esac
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W '-h --help --version --stdio' -- "$cur")
        fi
        ;;
    esac
}
complete -F _genera_scenario genera_scenario
