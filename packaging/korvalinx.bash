# Bash completion for korvalinx and korvalinx-desktop: the commands and options as the program's
# own help lists them, the values of the options with a fixed choice, and files by their ending.

# The options of "korvalinx [COMMAND] --help" as lines "NAME VALUE", VALUE empty for a switch
# ("-o, --output BILD": both names take the value).
_korvalinx_options() {
  "$1" ${2:+"$2"} --help 2>/dev/null | awk '
    /^[^ ]/ { inOptions = ($0 == "Optionen:") }
    inOptions && /^  -/ {
      sub(/^  /, ""); sub(/  .*/, "")
      n = split($0, part, /, /)
      split(part[n], word, / /)
      for (i = 1; i <= n; i++) {
        split(part[i], name, / /)
        print name[1], word[2]
      }
    }'
}

# Completes files with one of the endings (a pattern such as "xml" or "png|svg|pdf") and folders.
_korvalinx_files() {
  local IFS=$'\n'
  compopt -o filenames 2>/dev/null
  COMPREPLY=($(compgen -f -X "!*.@($1)" -- "$cur") $(compgen -d -- "$cur"))
}

_korvalinx() {
  local cur prev command="" i
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}
  local program=${COMP_WORDS[0]}
  for ((i = 1; i < COMP_CWORD; i++)); do
    if [[ ${COMP_WORDS[i]} != -* ]]; then command=${COMP_WORDS[i]}; break; fi
  done

  if [[ -z $command ]]; then
    local commands
    commands=$("$program" --help 2>/dev/null |
               awk '/^[^ ]/ { inCommands = ($0 == "Befehle:") } inCommands && /^  [a-z]/ { print $1 }')
    COMPREPLY=($(compgen -W "$commands -h --help --version" -- "$cur"))
    return
  fi

  local value
  value=$(_korvalinx_options "$program" "$command" | awk -v o="$prev" '$1 == o { print $2 }')
  if [[ -n $value ]]; then
    case $command:$prev in
      chart:--plan) COMPREPLY=($(compgen -W "schedule vacation" -- "$cur")) ;;
      chart:--period) COMPREPLY=($(compgen -W "project" -- "$cur")) ;;
      chart:--colour) COMPREPLY=($(compgen -W "$(seq 1 17)" -- "$cur")) ;;
      chart:-o | chart:--output) _korvalinx_files "xml" ;;
      chart:--csv) _korvalinx_files "csv" ;;
      chart:--ics) _korvalinx_files "ics" ;;
      chart:--xlsx) _korvalinx_files "xlsx" ;;
      chart:--png) _korvalinx_files "png" ;;
      chart:--svg) _korvalinx_files "svg" ;;
      chart:--pdf) _korvalinx_files "pdf" ;;
      render:-o | render:--output) _korvalinx_files "png|svg|pdf" ;;
      render:--paper) COMPREPLY=($(compgen -W "A4 A3" -- "$cur")) ;;
      *)
        # A value without a fixed choice: a file when the help calls it one, else nothing.
        if [[ $value == DATEI ]]; then
          compopt -o default 2>/dev/null
        fi
        COMPREPLY=()
        ;;
    esac
    return
  fi

  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$(_korvalinx_options "$program" "$command" | awk '{ print $1 }')" -- "$cur"))
  else
    _korvalinx_files "xml"
  fi
}
complete -F _korvalinx korvalinx

_korvalinx_desktop() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "--wizard -h --help" -- "$cur"))
  else
    _korvalinx_files "xml"
  fi
}
complete -F _korvalinx_desktop korvalinx-desktop
