#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what an operator's desktop
# gets: the program under bin/, the menu entry, icon and AppStream data where
# menus and software centres look, all of them passing their validators, and
# the entry starting the installed program, which saves its settings beside
# itself rather than in the folder it was started from.
set -euo pipefail
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/../e2e/common.sh"
cmake=$1
build=$2
id=de.zeitquell.VADaroradarAdadad
prepare_work
# Blanks, parentheses and a dollar sign need quoting in the entry's Exec line.
prefix="$work/Zeitmessung Ziel (\$A)"

fail=0
check() { echo "FAIL: $*"; fail=1; }

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }

exe="$prefix/bin/VADaroradarAdadad"
entry="$prefix/share/applications/$id.desktop"
icon="$prefix/share/icons/hicolor/scalable/apps/$id.svg"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
[[ -f "$exe" && -x "$exe" ]] || check "no executable program at $exe"
for f in "$entry" "$icon" "$metainfo"; do
  [ -f "$f" ] || check "missing $f"
done
((fail == 0)) || { find "$prefix"; exit 1; }

# The files name each other: the entry the icon, the metainfo the entry and the program.
value() { sed -n "s/^$1=//p" "$entry"; }
[ "$(value Icon)" = "$id" ] || check "Icon=$(value Icon), expected $id"
[ "$(value TryExec)" = "$exe" ] || check "TryExec=$(value TryExec), expected $exe"
grep -q -F "<id>$id</id>" "$metainfo" || check "metainfo id is not $id"
grep -q -F "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  check "metainfo does not launch $id.desktop"
grep -q -F "<binary>VADaroradarAdadad</binary>" "$metainfo" || check "metainfo does not provide the program"

# desktop-file-validate prints warnings and hints but fails only on errors: any output fails here.
out=$(desktop-file-validate "$entry" 2>&1) || check "desktop-file-validate failed"
[ -z "$out" ] || check "desktop-file-validate: $out"
# --strict fails on warnings and infos too; pedantic hints are allowed.
appstreamcli validate --no-net --strict "$metainfo" >"$work/as.log" 2>&1 ||
  { cat "$work/as.log"; check "appstreamcli validate"; }
# The tree check also finds the entry the metainfo launches.
appstreamcli validate-tree --no-net --strict "$prefix" >"$work/tree.log" 2>&1 ||
  { cat "$work/tree.log"; check "appstreamcli validate-tree"; }

# The icon is an SVG that draws at the sizes menus use.
grep -q '<svg[^>]* viewBox="0 0 128 128"' "$icon" || check "icon has no 128 x 128 viewBox"
for size in 16 48 256; do
  rsvg-convert -w "$size" -h "$size" "$icon" -o "$work/icon$size.png" 2>"$work/rsvg.log" ||
    { cat "$work/rsvg.log"; check "icon does not render at $size"; continue; }
  [ "$(head -c 8 "$work/icon$size.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
    check "icon at $size is no PNG"
done
((fail == 0)) || exit 1

# Start it as a menu does (GLib reads Exec, with the installed bin not on PATH)
# from another folder, then press Space, the focused "speichern + schliessen".
start_display
mkdir "$work/elsewhere"
cd "$work/elsewhere"
# A settings file with the section only: the program's read of it says the
# start-up load ran; the save then writes every key beside the program.
printf '[Optionen]\r\n' >"$prefix/bin/DAZovozoved.ini"
inotifywait -m -e close_nowrite --format '%f' "$prefix/bin" >"$work/reads.log" 2>"$work/inotify.log" &
wait_for 20 grep -qs 'Watches established' "$work/inotify.log" ||
  { echo "FAIL: inotifywait did not start"; cat "$work/inotify.log"; exit 1; }
gio launch "$entry" >"$work/launch.log" 2>&1 || { cat "$work/launch.log"; echo "FAIL: gio launch"; exit 1; }
win=$(timeout 20 xdotool search --sync --name '^VADaroradarAdadad V1\.3$' | head -n 1)
[ -n "$win" ] || { echo "FAIL: no window"; exit 1; }
app=$(xdotool getwindowpid "$win")
[ "$(readlink "/proc/$app/exe")" = "$exe" ] || { echo "FAIL: started $(readlink "/proc/$app/exe")"; exit 1; }
wait_for 30 grep -qs -x -F 'DAZovozoved.ini' "$work/reads.log" ||
  { echo "FAIL: the program did not read its settings file"; exit 1; }
xdotool windowfocus --sync "$win" 2>/dev/null || true
xdotool key --window "$win" space
wait_closed "$app"
grep -q -a -F $'ZQHost=127.0.0.1\r' "$prefix/bin/DAZovozoved.ini" ||
  { echo "FAIL: no settings file beside the installed program"; ls -la "$prefix/bin"; exit 1; }
[ -z "$(ls -A "$work/elsewhere")" ] || { echo "FAIL: wrote into the start folder"; ls -la "$work/elsewhere"; exit 1; }
echo "install: passed"
