#!/usr/bin/env bash
# Installs the build into a fresh prefix: the command line lands beside the
# editor with its manual page, the page renders without warnings, and the
# installed command line works on the settings file beside itself, wherever
# it is started from, without a display.
set -euo pipefail
cmake=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/Ziel mit Leerzeichen"
fail=0
check() { echo "FAIL: $*"; fail=1; }

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }
cli="$prefix/bin/VADaroradarAdadad-cli"
page="$prefix/share/man/man1/VADaroradarAdadad-cli.1"
[[ -f "$cli" && -x "$cli" ]] || check "no executable command line at $cli"
[[ -x "$prefix/bin/VADaroradarAdadad" ]] || check "the editor is not beside the command line"
[ -f "$page" ] || check "no manual page at $page"
((fail == 0)) || { find "$prefix"; exit 1; }

warnings=$(LC_ALL=C.UTF-8 groff -man -ww -z -K utf8 "$page" 2>&1) || check "groff failed"
[ -z "$warnings" ] || check "manual page warnings: $warnings"
grep -q 'import-layout' "$page" || check "manual page does not tell of import-layout"

cd "$work"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
"$cli" set ZQHost=192.0.2.10 AnzahlZeilen='$1F' || check "set failed"
[ -f "$prefix/bin/DAZovozoved.ini" ] || check "set did not write beside the installed programs"
[ ! -e "$work/DAZovozoved.ini" ] || check "set wrote into the working directory"
[ "$("$cli" get ZQHost)" = 192.0.2.10 ] || check "get does not read what set wrote"
[ "$("$cli" get AnzahlZeilen)" = 31 ] || check "set did not store the number as the editor does"
exit $fail
