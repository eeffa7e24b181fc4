#!/usr/bin/env bash
# installed_programs.sh BUILD_DIR SOURCE_DIR
# Installs the build into a temporary DESTDIR and runs the installed programs from there with
# the source tree, the build and the folder beside the checkout (../shared) out of reach: a
# private mount namespace lays an empty folder over the checkout's parent folder. The installed
# "korvalinx --version", a chart of the installed example and a picture of it must succeed;
# the menu entry and the AppStream description must pass their validators, and the desktop must
# take the example for a Project XML plan and another XML file not.
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
hidden=$(dirname "$source")

work=$(mktemp -d /tmp/kx-installed.XXXXXX)
trap 'rm -rf "$work"' EXIT
case $work/ in
  "$hidden"/*) echo "the temporary folder $work lies inside $hidden"; exit 1 ;;
esac
root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null

faults=0
fault() {
  echo "$1"
  faults=$((faults + 1))
}

# What a user's system needs; the desktop's files only where the desktop program is built.
expected=(usr/bin/korvalinx usr/share/man/man1/korvalinx.1.gz
          usr/share/bash-completion/completions/korvalinx
          usr/share/doc/korvalinx/copyright usr/share/doc/korvalinx/changelog.gz
          usr/share/doc/korvalinx/examples/neubau_buerogebaeude.xml
          usr/share/doc/korvalinx/examples/aussenanlagen.xml)
desktop=false
if [[ -e $root/usr/bin/korvalinx-desktop ]]; then
  desktop=true
  expected+=(usr/share/man/man1/korvalinx-desktop.1.gz
             usr/share/applications/de.korvalinx.Planer.desktop
             usr/share/metainfo/de.korvalinx.Planer.metainfo.xml
             usr/share/mime/packages/korvalinx.xml
             usr/share/icons/hicolor/scalable/apps/de.korvalinx.Planer.svg
             usr/share/icons/hicolor/48x48/apps/de.korvalinx.Planer.png
             usr/share/icons/hicolor/256x256/apps/de.korvalinx.Planer.png)
fi
for file in "${expected[@]}"; do
  [[ -e $root/$file ]] || fault "not installed: /$file"
done

if $desktop; then
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/usr/share/applications/de.korvalinx.Planer.desktop" ||
      fault "desktop-file-validate refuses the menu entry"
  else
    echo "desktop-file-validate is missing (scripts/setup installs desktop-file-utils)"
    exit 77
  fi
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root/usr/share/metainfo/de.korvalinx.Planer.metainfo.xml" \
      >"$work/appstream.txt" 2>&1 || { cat "$work/appstream.txt"; fault "appstreamcli refuses the metainfo"; }
  fi
fi

# The file type: a Project XML plan is one, any other XML file (".xml" as well) is not. The
# desktop's database is made afresh from the system's types and the installed one.
if command -v update-mime-database >/dev/null && command -v gio >/dev/null &&
   [[ -d /usr/share/mime/packages && -e $root/usr/share/mime/packages/korvalinx.xml ]]; then
  mkdir -p "$work/data/mime/packages" "$work/nothing"
  cp /usr/share/mime/packages/*.xml "$root/usr/share/mime/packages/korvalinx.xml" \
     "$work/data/mime/packages/"
  update-mime-database "$work/data/mime" >/dev/null 2>&1
  printf '<?xml version="1.0"?>\n<Project xmlns="urn:ein-anderes-format"/>\n' >"$work/other.xml"
  type_of() {
    XDG_DATA_HOME=$work/nothing XDG_DATA_DIRS=$work/data gio info -a standard::content-type "$1" |
      sed -n 's/.*content-type: //p'
  }
  plan=$(type_of "$root/usr/share/doc/korvalinx/examples/neubau_buerogebaeude.xml")
  [[ $plan == application/x-project-xml ]] ||
    fault "the example plan is of the type \"$plan\", not application/x-project-xml"
  other=$(type_of "$work/other.xml")
  [[ $other == application/xml ]] ||
    fault "another XML file is of the type \"$other\", not application/xml"
fi

# The runs, as a user would make them: their own home, the installed programs and examples only.
cat >"$work/runs.sh" <<RUNS
set -u
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config PATH=$root/usr/bin:/usr/bin:/bin
mkdir -p "\$HOME" && cd "\$HOME"
examples=$root/usr/share/doc/korvalinx/examples
if ls "$source" >/dev/null 2>&1 && [ -n "\$(ls -A "$source" 2>/dev/null)" ]; then
  echo "the source tree $source is still in reach"; exit 1
fi
korvalinx --version > version.txt || { echo "korvalinx --version failed"; exit 1; }
grep -q "^Korvalinx [0-9]" version.txt || { echo "korvalinx --version printed: \$(cat version.txt)"; exit 1; }
korvalinx chart "\$examples/neubau_buerogebaeude.xml" -o urlaub.xml --plan vacation --year 2025 \
  --group --colours --yes --quiet || { echo "the chart of the installed example failed (\$?)"; exit 1; }
[ -s urlaub.xml ] || { echo "the chart of the installed example wrote no file"; exit 1; }
if [ -x $root/usr/bin/korvalinx-desktop ]; then
  korvalinx render urlaub.xml -o sommer.png --from 01.06.2025 --to 31.08.2025 --quiet ||
    { echo "the picture of the chart failed (\$?)"; exit 1; }
  korvalinx-desktop --help > /dev/null || { echo "korvalinx-desktop --help failed"; exit 1; }
fi
echo "ran without the source tree: \$(cat version.txt)"
RUNS

if unshare --mount --propagation private true 2>/dev/null; then
  hide=(unshare --mount --propagation private)
elif unshare --user --map-root-user --mount true 2>/dev/null; then
  hide=(unshare --user --map-root-user --mount)
else
  hide=()
fi
if ((${#hide[@]})); then
  "${hide[@]}" bash -c "mount -t tmpfs kx-hidden '$hidden' && bash '$work/runs.sh'" ||
    fault "the installed programs failed without the source tree"
else
  echo "note: no mount namespace here; the programs ran with the source tree in reach"
  bash "$work/runs.sh" || fault "the installed programs failed"
fi

if ((faults)); then
  echo "$faults fault(s) in the installed tree"
  exit 1
fi
