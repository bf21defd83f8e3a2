# bash completion for corvid-cli                                    -*- shell-script -*-
# Commands, their options and the names they take: parameters, controls, tunings, notes.

_corvid_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands="list info upload set store assign footswitch tuning-upload set-tuning
        note-cut tuning-filters midi-channel preset flash version eeprom coefficients backup
        restore report send history diff"
    local globals="--port --emulator --json --verbose -v --quiet -q --help -h --version -V"
    local parameters="dry sub-mix -1-oct -2-oct wave low-pass high-pass 1st-harmonic split range
        input-level 1st-harmonic-pitch wave-clip dominant-note-cut high-notes-cut"
    local tunings="none standard drop-d dadgad ebabdbgbbbeb"
    local cutNotes="A2 A#2 B2 C3 C#3 D3 D#3 E3"

    case $prev in
    --port)
        COMPREPLY=($(compgen -f -- "$cur"))
        return
        ;;
    -o | --output | --start | --end | --q | --gain)
        [ "$prev" = -o ] || [ "$prev" = --output ] && COMPREPLY=($(compgen -f -- "$cur"))
        return
        ;;
    esac

    # The command and the words given to it so far (options and --port's value left out).
    local command="" verb="" first="" position=0 i word
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
        --port | -o | --output | --start | --end | --q | --gain) ((i++)) ;;
        -*) ;;
        *)
            if [ -z "$command" ]; then
                [ "${COMP_WORDS[i - 1]}" = --emulator ] && [ "$word" = bootloader ] && continue
                command=$word
            else
                [ -z "$verb" ] && verb=$word && first=$word
                ((position++))
            fi
            ;;
        esac
    done

    local options=""
    case $command in
    flash) options="--verify --paced --yes -y" ;;
    version) options="--check" ;;
    restore | history) options="--yes -y" ;;
    eeprom) [ "$verb" = read ] && options="--start --end -o --output" ||
        options="--start --end --yes -y" ;;
    coefficients) options="--q --gain" ;;
    esac
    if [[ $cur == -* && ! $cur =~ ^-[0-9] ]]; then
        COMPREPLY=($(compgen -W "$globals $options" -- "$cur"))
        return
    fi

    local words=""
    case $command in
    "") words=$commands && [ "$prev" = --emulator ] && words="bootloader $words" ;;
    upload) ;;
    set)
        if [ $position -eq 0 ]; then
            words=$parameters
        elif [ $position -eq 1 ]; then
            # The switches take on or off; the rest take numbers.
            case ${first,,} in
            wave | split | dominant-note-cut | high-notes-cut | 4 | 8 | 13 | 14) words="on off" ;;
            esac
        fi
        ;;
    assign) [ $position -eq 0 ] && words="1 2 3 4 i ii iii iv remote" ||
        words="none bypass preset $parameters" ;;
    footswitch) [ $position -lt 2 ] && words="bypass preset" ;;
    set-tuning | tuning-filters) [ $position -eq 0 ] && words=$tunings ;;
    note-cut) [ $position -lt 2 ] && words=$cutNotes ;;
    midi-channel) [ $position -eq 0 ] && words="omni $(seq -s ' ' 1 16)" ;;
    preset) [ $position -eq 0 ] && words="save load" || COMPREPLY=($(compgen -f -- "$cur")) ;;
    eeprom) [ $position -eq 0 ] && words="read erase" ;;
    history) [ $position -eq 0 ] && words="list show restore" ;;
    diff)
        [ $position -lt 2 ] && COMPREPLY=($(compgen -W "pedal" -- "$cur") $(compgen -f -- "$cur"))
        ;;
    flash | backup | restore | report) [ $position -eq 0 ] && COMPREPLY=($(compgen -f -- "$cur")) ;;
    esac
    if [ -n "$words" ]; then
        COMPREPLY=($(compgen -W "$words" -- "$cur"))
    fi
}
complete -o filenames -F _corvid_cli corvid-cli
