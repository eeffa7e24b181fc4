#!/usr/bin/env bash
# manual_pages.sh KORVALINX PAGES [KORVALINX_DESKTOP]
# The manual pages in PAGES name what the programs' help lists, no more and no less: every
# command of "korvalinx --help" has its section ".SS COMMAND" under BEFEHLE, every option of
# "korvalinx COMMAND --help" an entry (.TP) in that section, the program's own options and those
# of "korvalinx-desktop --help" an entry under OPTIONEN. Each difference is named with the page,
# the section and the help it comes from.
set -uo pipefail
korvalinx=$1
pages=$2
desktop=${3:-}
faults=0

# The options of a help text's "Optionen:" block, one a line ("-o, --output X" gives -o, --output).
help_options() {
  awk '
    /^[^ ]/ { inOptions = ($0 == "Optionen:") }
    inOptions && /^  -/ {
      sub(/^  /, ""); sub(/  .*/, "")
      n = split($0, part, /, /)
      for (i = 1; i <= n; i++) { split(part[i], word, / /); print word[1] }
    }'
}

# The commands of a help text's "Befehle:" block.
help_commands() {
  awk '/^[^ ]/ { inCommands = ($0 == "Befehle:") } inCommands && /^  [a-z]/ { print $1 }'
}

# The entries of a manual page as lines "SECTION OPTION": SECTION is the name of the .SS
# subsection under BEFEHLE, or the .SH section's name elsewhere; OPTION each option that the
# line after a .TP names.
page_entries() {
  awk '
    /^\.SH / { sh = $2; gsub(/"/, "", sh); ss = ""; next }
    /^\.SS / { ss = $2; gsub(/"/, "", ss); next }
    /^\.TP/ { header = 1; next }
    header {
      header = 0
      line = $0
      gsub(/\\f[BIRP]/, "", line); gsub(/\\-/, "-", line); gsub(/,/, " ", line)
      n = split(line, word, / +/)
      for (i = 1; i <= n; i++)
        if (word[i] ~ /^--?[A-Za-z0-9][A-Za-z0-9-]*$/) print (sh == "BEFEHLE" ? ss : sh), word[i]
    }' "$1"
}

# The .SS subsections under BEFEHLE.
page_commands() {
  awk '/^\.SH / { sh = $2 } /^\.SS / && sh == "BEFEHLE" { c = $2; gsub(/"/, "", c); print c }' "$1"
}

fault() {
  echo "$1"
  faults=$((faults + 1))
}

# compare PAGE SECTION HELP-NAME OPTIONS-FROM-HELP
compare() {
  local page=$1 section=$2 helpName=$3 fromHelp=$4 fromPage option
  fromPage=$(page_entries "$pages/$page" | awk -v s="$section" '$1 == s { print $2 }')
  for option in $fromHelp; do
    grep -qxF -- "$option" <<<"$fromPage" ||
      fault "$page, section \"$section\": no entry (.TP) for the option $option that \"$helpName\" lists"
  done
  for option in $fromPage; do
    grep -qxF -- "$option" <<<"$fromHelp" ||
      fault "$page, section \"$section\": an entry for the option $option that \"$helpName\" does not list"
  done
}

topHelp=$("$korvalinx" --help) || fault "\"korvalinx --help\" failed"
compare korvalinx.1 OPTIONEN "korvalinx --help" "$(help_options <<<"$topHelp")"
commands=$(help_commands <<<"$topHelp")
described=$(page_commands "$pages/korvalinx.1")
for command in $commands; do
  if ! grep -qxF -- "$command" <<<"$described"; then
    fault "korvalinx.1: no section \".SS $command\" under BEFEHLE for the command $command that \"korvalinx --help\" lists"
    continue
  fi
  compare korvalinx.1 "$command" "korvalinx $command --help" \
    "$("$korvalinx" "$command" --help | help_options)"
done
for command in $described; do
  grep -qxF -- "$command" <<<"$commands" ||
    fault "korvalinx.1: a section \".SS $command\" for a command that \"korvalinx --help\" does not list"
done

if [[ -n $desktop ]]; then
  compare korvalinx-desktop.1 OPTIONEN "korvalinx-desktop --help" \
    "$("$desktop" --help | help_options)"
fi

if ((faults)); then
  echo "$faults difference(s) between the manual pages in $pages and the programs' help"
  exit 1
fi
echo "The manual pages name every command and option of the help, and no others."
