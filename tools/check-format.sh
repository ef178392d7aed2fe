#!/usr/bin/env bash
# Checks that every C++ file of src, tests, bench and fuzz (*.cpp, *.h) is
# formatted as the checked-in .clang-format says, with clang-format 14 (other
# versions format differently). Lists each file that is not and exits 1.
#
#   tools/check-format.sh          check, change nothing
#   tools/check-format.sh --fix    format the files that are not (in place)
#
# Nothing is installed here: tools/install-deps.sh lists clang-format-14.
set -euo pipefail
cd "$(dirname "$0")/.."

fix=0
if [ "${1:-}" = --fix ]; then fix=1; fi

formatter=
for candidate in clang-format-14 clang-format; do
  if command -v "$candidate" >/dev/null && "$candidate" --version | grep -q 'version 14\.'; then
    formatter=$candidate
    break
  fi
done
if [ -z "$formatter" ]; then
  echo "check-format: clang-format 14 is missing (apt-get install clang-format-14)" >&2
  exit 2
fi

mapfile -t files < <(git ls-files -co --exclude-standard -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
  'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h' 2>/dev/null ||
  find src tests bench fuzz -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
((${#files[@]})) || { echo "check-format: no source files found" >&2; exit 2; }

unformatted=()
for file in "${files[@]}"; do
  [ -f "$file" ] || continue # listed by git but deleted in the work tree
  "$formatter" --style=file "$file" | cmp -s - "$file" || unformatted+=("$file")
done

if ((${#unformatted[@]} == 0)); then
  echo "check-format: all ${#files[@]} files are formatted ($formatter)"
  exit 0
fi
if ((fix)); then
  "$formatter" --style=file -i "${unformatted[@]}"
  printf 'formatted: %s\n' "${unformatted[@]}"
  exit 0
fi
printf 'not formatted: %s\n' "${unformatted[@]}"
echo "check-format: ${#unformatted[@]} of ${#files[@]} files are not formatted as .clang-format says;" \
  "'bash tools/check-format.sh --fix' formats them"
exit 1
