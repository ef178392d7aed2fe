#!/usr/bin/env bash
# Reports the length in lines of every function defined in the C++ sources,
# longest first, and the functions over a limit (a report, not a test: it
# never fails on what it finds).
#
#   tools/function-lengths.sh [limit] [folder...]   defaults: 100, src
#
# Prints "lines file:line name" for each function over the limit, then a
# summary with the count over it and the five longest overall. Lengths run
# from a function's first line (its name) to its closing brace; lambdas count
# toward the function they are written in. Needs Universal Ctags
# (apt-get install universal-ctags).
set -euo pipefail
cd "$(dirname "$0")/.."

limit=${1:-100}
shift || true
folders=("$@")
((${#folders[@]})) || folders=(src)

if ! ctags --version 2>/dev/null | grep -q 'Universal Ctags'; then
  echo "function-lengths: needs Universal Ctags (apt-get install universal-ctags)" >&2
  exit 2
fi

# One line per function definition: lines, file:line, qualified name.
lengths=$(ctags -R -x --languages=C++ --kinds-C++=f --fields=+neZ \
  --_xformat='%{end}|%n|%F|%{scope}|%N' "${folders[@]}" |
  awk -F'|' '$1 ~ /^[0-9]+$/ && $5 !~ /^__anon/ { # not a lambda
         name = $5; if ($4 != "" && $4 != "-") name = $4 "::" $5
         gsub(/__anon[0-9a-f]+::/, "", name) # an anonymous namespace
         print $1 - $2 + 1, $3 ":" $2, name
       }' | sort -k1,1nr -k2,2)

total=$(grep -c . <<<"$lengths" || true)
over=$(awk -v limit="$limit" '$1 > limit' <<<"$lengths")
count=$(grep -c . <<<"$over" || true)
if ((count)); then
  echo "Functions over $limit lines:"
  sed 's/^/  /' <<<"$over"
fi
echo "$count of $total functions in ${folders[*]} are over $limit lines; the longest five:"
head -n 5 <<<"$lengths" | sed 's/^/  /'
