#!/usr/bin/env bash
# A user at the desktop program on a real X display. Usage: x_session.sh PROGRAM EXAMPLES OUT
# Starts Xvfb with openbox, opens the building example, and then, as a user would:
#   Alt+E opens "Extras", K starts "Korvalinx Assistent"; in the wizard "Speichern..." takes a
#   file name, "Ende" makes the chart, "Fertig" closes the wizard; the window then shows the
#   chart project; End scrolls it to its last days, Strg+P prints it into a PDF file through
#   Qt's print dialog, "Datei > Exportieren" writes its days as a CSV file; "Fenster" (Alt+F, 1)
#   goes back to the source project, "Ansicht" (Alt+A, R) shows its resource sheet, Alt+F there
#   opens "Fenster" again, and "Datei > Beenden" (Alt+D, B) ends the program, "Nein" to saving
#   the settings the wizard stored.
# Screenshots of each step go to OUT. Exits 77 (skipped) where the X tools are missing.
set -uo pipefail
program=$1 examples=$2 out=$3

for tool in Xvfb openbox xdotool import compare; do
  if ! command -v "$tool" >/dev/null; then
    echo "übersprungen: $tool fehlt (scripts/setup installiert es)"
    exit 77
  fi
done

rm -rf "$out"
mkdir -p "$out/home"
cp "$examples/neubau_buerogebaeude.xml" "$examples/aussenanlagen.xml" "$out/home/"

display=""
for n in $(seq 91 140); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "kein freier X-Bildschirm"; exit 1; }

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
}
trap cleanup EXIT

fail() {
  echo "FEHLER: $*"
  import -display "$display" -window root "$out/fehler.png" 2>/dev/null
  echo "Bildschirm beim Fehler: $out/fehler.png"
  exit 1
}
shot() { import -display "$display" -window root "$out/$1.png" || fail "kein Bildschirmfoto $1"; }
# Waits up to 30 s for a window whose name matches $1; prints its id.
window() {
  local id
  id=$(timeout 30 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1)
  [ -n "$id" ] || fail "kein Fenster \"$1\""
  echo "$id"
}

Xvfb "$display" -screen 0 1400x900x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$out/openbox.log" 2>&1 &
pids+=($!)
sleep 1

HOME="$out/home" XDG_CONFIG_HOME="$out/home/.config" QT_QPA_PLATFORM=xcb \
  "$program" "$out/home/neubau_buerogebaeude.xml" >"$out/programm.log" 2>&1 &
desktop=$!
pids+=($desktop)

host=$(window "^Neubau Bürogebäude – Korvalinx Planer$")
xdotool windowactivate --sync "$host" >/dev/null 2>&1
sleep 1
shot 1-fenster

xdotool key alt+e
sleep 1
shot 2-extras
xdotool key k
wizard=$(window "^Korvalinx Assistent$")  # its own caption, nothing appended
sleep 1
shot 3-assistent

# The wizard's buttons, from its top left corner.
eval "$(xdotool getwindowgeometry --shell "$wizard")"
click() { xdotool mousemove $((X + $1)) $((Y + $2)) click 1; }
chart="$out/home/ressourcen.xml"
click 665 278  # "Speichern..."
window "^Ressourcendiagramm speichern$" >/dev/null
sleep 0.5
xdotool key ctrl+a
xdotool type --delay 15 "$chart"
xdotool key Return
sleep 1
shot 4-speicherort
click 678 440  # "Ende"
for _ in $(seq 120); do [ -s "$chart" ] && break; sleep 0.5; done
[ -s "$chart" ] || fail "das Diagramm $chart wurde nicht geschrieben"
sleep 2
shot 5-erstellt
# "Fertig" shows once the run has ended; until the wizard is gone.
for _ in $(seq 60); do
  xdotool search --onlyvisible --name "^Korvalinx Assistent" >/dev/null 2>&1 || break
  click 678 440
  sleep 0.5
done
xdotool search --onlyvisible --name "^Korvalinx Assistent" >/dev/null 2>&1 &&
  fail "der Assistent schließt nicht mit \"Fertig\""

shown=$(window "^Ressourcenzeitplan .* – Korvalinx Planer$")
sleep 1
shot 6-diagramm
echo "Fenster nach dem Lauf: $(xdotool getwindowname "$shown")"

# End scrolls the chart to its last days: the picture changes right of the table.
xdotool windowactivate --sync "$shown" >/dev/null 2>&1
import -display "$display" -window "$shown" "$out/vorher.png"
xdotool key End
sleep 1
import -display "$display" -window "$shown" "$out/6-diagramm-ende.png"
differ=$(compare -metric AE "$out/vorher.png" "$out/6-diagramm-ende.png" null: 2>&1 | cut -d' ' -f1)
[ "${differ:-0}" -gt 1000 ] || fail "End verschiebt das Diagramm nicht ($differ Pixel anders)"

# "Datei > Drucken..." (Strg+P) into a PDF file: Qt's dialog prints "In PDF-Datei drucken" to
# the file named under "Ausgabedatei" (Alt+D).
printed="$out/home/druck.pdf"
xdotool key ctrl+p
window "^Drucken$" >/dev/null
sleep 0.5
xdotool key alt+d
xdotool key ctrl+a
xdotool type --delay 10 "$printed"
xdotool key Return
for _ in $(seq 60); do [ -s "$printed" ] && break; sleep 0.5; done
sleep 1
[ "$(head -c 4 "$printed" 2>/dev/null)" = "%PDF" ] || fail "kein PDF gedruckt: $printed"
grep -aq "/MediaBox \[0 0 842" "$printed" || fail "der Druck ist nicht A4 quer"
echo "Gedruckt: $printed, $(grep -ac '/Type /Page$' "$printed") Seite(n)"

# "Datei > Exportieren > CSV-Datei..." (Alt+D, X, C): the days of the chart just made, from the
# project it was made from.
exported="$out/home/tage.csv"
xdotool key alt+d
sleep 0.5
xdotool key x
sleep 0.5
xdotool key c
window "^Exportieren$" >/dev/null
sleep 0.5
xdotool key ctrl+a
xdotool type --delay 10 "$exported"
xdotool key Return
for _ in $(seq 60); do [ -s "$exported" ] && break; sleep 0.5; done
head -c 40 "$exported" 2>/dev/null | grep -q "Gruppe;Ressource;" || fail "keine CSV-Datei exportiert: $exported"

# "Fenster", the first project, "Ansicht > Ressource: Tabelle".
xdotool windowactivate --sync "$shown" >/dev/null 2>&1
xdotool key alt+f
sleep 0.5
xdotool key 1
# The wizard stored its settings in the project: "*" marks the unsaved change.
window "^Neubau Bürogebäude\*? – Korvalinx Planer$" >/dev/null
xdotool key alt+a
sleep 0.5
xdotool key r
sleep 1
shot 7-ressourcen

# Alt+F in the resource sheet opens "Fenster" (not its filter list): the chart comes back.
xdotool key alt+f
sleep 0.5
xdotool key 2
window "^Ressourcenzeitplan .* – Korvalinx Planer$" >/dev/null

xdotool key alt+d
sleep 0.5
xdotool key b
# The question about the settings the wizard left in the project: "Nein".
for _ in $(seq 30); do
  kill -0 "$desktop" 2>/dev/null || break
  if xdotool search --onlyvisible --name "^Korvalinx Planer$" >/dev/null 2>&1; then
    sleep 0.5
    shot 8-frage
    xdotool key n
    break
  fi
  sleep 0.2
done
for _ in $(seq 100); do kill -0 "$desktop" 2>/dev/null || break; sleep 0.1; done
kill -0 "$desktop" 2>/dev/null && fail "das Programm endet nicht mit Datei > Beenden"
wait "$desktop"
code=$?
[ "$code" -eq 0 ] || fail "das Programm endete mit $code"
grep -rq "Korvalinx" "$out/home/.config" || fail "die Befehlsleisten wurden nicht gespeichert"
echo "Bildschirmfotos: $out"
