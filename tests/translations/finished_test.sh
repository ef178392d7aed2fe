#!/usr/bin/env bash
# Every text of the window has its English: no entry of a translation file
# is unfinished, vanished, obsolete or empty.
set -euo pipefail
status=0
for ts in "$@"; do
  if grep -n -E 'type="(unfinished|vanished|obsolete)"' "$ts"; then
    echo "FAIL: $ts has entries without a finished translation" >&2
    status=1
  fi
  if grep -n -E '<translation>\s*</translation>|<translation/>' "$ts"; then
    echo "FAIL: $ts has empty translations" >&2
    status=1
  fi
  messages=$(grep -c '<message>' "$ts" || true)
  if ((messages == 0)); then
    echo "FAIL: $ts holds no messages" >&2
    status=1
  fi
done
exit "$status"
