#!/usr/bin/env bash
# Counts what the real program does to the settings file under strace: the
# start opens it once for reading and writes nothing; the save opens it once
# more (read afresh under the lock), syncs one new file and the folder, and
# renames once. A 1 MB file makes 23 reads or writes stand out.
set -euo pipefail
source "$(dirname "$0")/common.sh"
exe=$1
if ! strace -qq -o /dev/null true 2>/dev/null; then
  echo "SKIP: strace cannot trace processes on this machine"
  exit 77
fi
prepare_work "$exe"
{
  printf '[Optionen]\r\nZQHost=192.0.2.10\r\n[Gross]\r\n'
  for i in $(seq 5000); do printf 'Zeile%d=%0200d\r\n' "$i" 0; done
} >"$work/DAZovozoved.ini"

start_display
watch_settings_reads

log="$work/strace.log"
cd /
strace -f -y -qq -o "$log" -e trace=open,openat,fsync,fdatasync,sync_file_range,rename,renameat,renameat2,link,linkat,unlink,unlinkat,truncate,ftruncate \
  "$work/VADaroradarAdadad" >"$work/out.log" 2>&1 &
app=$!
find_window 30
# The start is over once the program has read the file: the start-up timer
# reads it once and fills in the pages in the same step.
wait_loaded 60
start_lines=$(wc -l <"$log")
xdotool windowfocus --sync "$win" 2>/dev/null || true
xdotool key --window "$win" space
wait_closed "$app"

# Only what touches the settings file's folder counts.
mine() { grep -F -- "$work" | grep -v -F -e 'VADaroradarAdadad' -e 'strace.log' -e 'out.log' || true; }
start=$(head -n "$start_lines" "$log" | mine)
save=$(tail -n +"$((start_lines + 1))" "$log" | mine)
count() { printf '%s\n' "$1" | grep -c -E "$2" || true; }

fail=0
check() { # name actual expected
  if [ "$2" -ne "$3" ]; then echo "FAIL: $1: $2, expected $3"; fail=1; else echo "ok: $1: $2"; fi
}
ini_read='open(at)?\(.*DAZovozoved\.ini", O_RDONLY'
check "start: opens of the settings file for reading" "$(count "$start" "$ini_read")" 1
check "start: syncs, renames, links and writes" "$(count "$start" '^[0-9]+ +(fsync|fdatasync|rename|link|ftruncate|truncate)|O_WRONLY|O_RDWR|O_TMPFILE')" 0
check "save: opens of the settings file for reading" "$(count "$save" "$ini_read")" 1
check "save: new files" "$(count "$save" 'O_TMPFILE|O_CREAT')" 1
check "save: syncs of the new file" "$(count "$save" 'fsync\([0-9]+<[^>]*(DAZovozoved|#[0-9]+)')" 1
check "save: syncs of the folder" "$(count "$save" "fsync\\([0-9]+<$work>")" 1
check "save: renames" "$(count "$save" 'rename')" 1
if [ "$fail" -ne 0 ] || [ -n "${VAD_E2E_VERBOSE:-}" ]; then
  echo "--- start"; printf '%s\n' "$start"; echo "--- save"; printf '%s\n' "$save"
  exit 1
fi
grep -q -a 'Zeile5000=' "$work/DAZovozoved.ini" || { echo "FAIL: the unknown section was lost"; exit 1; }
echo "e2e syscalls: 1 passed, 0 failed"
