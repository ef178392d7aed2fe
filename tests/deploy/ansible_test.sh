#!/usr/bin/env bash
# The Ansible role vad_display (module vad_settings) on three display PCs of
# this machine (local connection), each with its own folder, its own copy of
# the command line and its own settings file beside it:
#  - the first run changes all three and writes the bytes the command line's
#    own import-layout and set write for those values (the editor's save);
#  - the second run changes nothing and touches no file (inode and time);
#  - --check --diff writes nothing and shows the differences;
#  - a PC whose settings file another program holds locked fails alone,
#    with the command line's German message, while the others are set;
#  - no password appears in any output at -vvv, nor in the arguments of any
#    process seen during the runs (a poll of /proc/*/cmdline).
set -euo pipefail
cli=$1
src=$2
command -v ansible-playbook >/dev/null || { echo "FAIL: ansible-playbook missing (tools/install-deps.sh)"; exit 1; }
command -v flock >/dev/null || { echo "FAIL: flock missing (util-linux)"; exit 1; }

work=$(mktemp -d)
holder=
poller=
cleanup() {
  [ -z "$holder" ] || { kill "$holder" 2>/dev/null || true; wait "$holder" 2>/dev/null || true; }
  [ -z "$poller" ] || { kill "$poller" 2>/dev/null || true; wait "$poller" 2>/dev/null || true; }
  rm -rf "$work"
}
trap cleanup EXIT
fail=0
check() { echo "FAIL: $*"; fail=1; }

export HOME=$work/home LC_ALL=C.UTF-8 ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0
export ANSIBLE_LOCAL_TEMP=$work/ansible/local ANSIBLE_REMOTE_TEMP=$work/ansible/remote
export ANSIBLE_PYTHON_INTERPRETER=/usr/bin/python3 ANSIBLE_LOCALHOST_WARNING=0
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM ANSIBLE_CONFIG
mkdir -p "$HOME"

kd=Kd-Geheimnis-7f3a9
va=Va-Geheimnis-c41e2
kd_new=Kd-Neu-Geheimnis-58b0d
# Searched for through this file, never as an argument of our own.
printf '%s\n' "$kd" "$va" "$kd_new" >"$work/secrets"
hosts=(anzeige1 anzeige2 anzeige3)

# Everything the command line sees of a process's arguments while the
# playbooks run; a password must never be among them.
python3 - "$work/cmdlines" <<'PY' &
import os, sys, time
with open(sys.argv[1], 'w') as out:
    while True:
        for pid in os.listdir('/proc'):
            if pid.isdigit():
                try:
                    with open('/proc/%s/cmdline' % pid, 'rb') as f:
                        line = f.read().replace(b'\0', b' ')
                except OSError:
                    continue
                if line:
                    out.write(line.decode('utf-8', 'replace') + '\n')
        out.flush()
        time.sleep(0.003)
PY
poller=$!

# The layout, with a logo, from a PC set up by hand.
mkdir -p "$work/vorlage"
python3 - "$work/vorlage/logo.png" <<'PY'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
rows = b''.join(b'\0' + bytes([200, 30, 30] * 4) for _ in range(4))
png = (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 4, 4, 8, 2, 0, 0, 0))
       + chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b''))
open(sys.argv[1], 'wb').write(png)
PY
"$cli" --file "$work/vorlage/DAZovozoved.ini" set AnzahlZeilen=8 VollBild=nein 'InfoZeile=Startnr,[Name]' ||
  check "setting up the model PC"
"$cli" --file "$work/vorlage/DAZovozoved.ini" export-layout "$work/halle.vadlayout" --name Halle --with-logo ||
  check "export-layout"

mkdir -p "$work/inventory/group_vars/anzeigen"
{
  echo "[anzeigen]"
  for h in "${hosts[@]}"; do
    mkdir -p "$work/$h"
    cp "$cli" "$work/$h/VADaroradarAdadad-cli"
    printf '[Optionen]\r\nZQHost=alt-%s\r\nZQKDPasswort=altes-Passwort\r\nAnzahlZeilen=$1F\r\n' "$h" \
      >"$work/$h/DAZovozoved.ini"
    echo "$h vad_display_cli=$work/$h/VADaroradarAdadad-cli vad_display_layout_dir=$work/$h/layouts"
  done
  echo "[anzeigen:vars]"
  echo "ansible_connection=local"
} >"$work/inventory/hosts.ini"
cat >"$work/inventory/group_vars/anzeigen/vars.yml" <<YML
vad_display_layout: $work/halle.vadlayout
vad_display_with_logo: true
vad_display_settings:
  ZQHost: 192.0.2.10
  ZQKundennummer: "4711"
  ZQKDPasswort: "{{ vault_vad_kd_passwort }}"
  ZQVAPasswort: "{{ vault_vad_va_passwort }}"
  AnzahlZeilen: 24
  mitUeberschrift: false
YML
printf 'Tresor-Schluessel-99\n' >"$work/vault-pass"
printf 'vault_vad_kd_passwort: %s\nvault_vad_va_passwort: %s\nvault_vad_kd_passwort_neu: %s\n' \
  "$kd" "$va" "$kd_new" >"$work/inventory/group_vars/anzeigen/vault.yml"
ansible-vault encrypt --vault-password-file "$work/vault-pass" "$work/inventory/group_vars/anzeigen/vault.yml" \
  >/dev/null 2>&1 || check "ansible-vault encrypt"
grep -qF -f "$work/secrets" "$work/inventory/group_vars/anzeigen/vault.yml" && check "the vault file is not encrypted"
# Other values for the later runs.
cat >"$work/anders.yml" <<'YML'
vad_display_settings:
  ZQHost: 198.51.100.7
  ZQKundennummer: "4711"
  ZQKDPasswort: "{{ vault_vad_kd_passwort_neu }}"
  ZQVAPasswort: "{{ vault_vad_va_passwort }}"
  AnzahlZeilen: 24
  mitUeberschrift: false
YML

# What the command line writes itself for the same values: the layout, then
# the values (on standard input, as the module passes them).
reference() { # host, ZQHost, ZQKDPasswort
  local ref=$work/ref-$1.ini
  printf '[Optionen]\r\nZQHost=alt-%s\r\nZQKDPasswort=altes-Passwort\r\nAnzahlZeilen=$1F\r\n' "$1" >"$ref"
  "$cli" --file "$ref" import-layout "$work/halle.vadlayout" 2>/dev/null
  printf 'ZQHost=%s\nZQKundennummer=4711\nZQKDPasswort=%s\nZQVAPasswort=%s\nAnzahlZeilen=24\nmitUeberschrift=nein\n' \
    "$2" "$3" "$va" | "$cli" --file "$ref" set --values-from - 2>/dev/null
  echo "$ref"
}

play() { # log name, arguments
  local log=$work/$1.log
  shift
  local status=0
  ansible-playbook -i "$work/inventory/hosts.ini" "$src/deploy/ansible/anzeigen.yml" \
    --vault-password-file "$work/vault-pass" -vvv "$@" >"$log" 2>&1 || status=$?
  echo "$status"
}
recap() { grep -E "^$1 +:" "$work/$2.log" || echo "$1 : (no recap)"; }
changed_of() { recap "$1" "$2" | sed -nE 's/.* changed=([0-9]+).*/\1/p'; }
failed_of() { recap "$1" "$2" | sed -nE 's/.* failed=([0-9]+).*/\1/p'; }
files_of() { echo "$work/$1/DAZovozoved.ini" "$work/$1/logo.png" "$work/$1/layouts/halle.vadlayout"; }
state_of() { stat -c '%n %i %y %s' $(files_of "$1") 2>&1; }
age() { touch -d @1000000000 $(files_of "$1"); }

ANSIBLE_NOCOLOR=1 ansible-doc -M "$src/deploy/ansible/library" vad_settings >"$work/doc.txt" 2>&1 ||
  check "ansible-doc cannot show the module: $(head -5 "$work/doc.txt")"

# 1. First run: all three change, to the bytes the command line writes.
status=$(play first)
[ "$status" = 0 ] || check "first run: status $status; $(tail -30 "$work/first.log")"
for h in "${hosts[@]}"; do
  [ "$(changed_of "$h" first)" -ge 1 ] 2>/dev/null || check "first run: $h not changed: $(recap "$h" first)"
  cmp -s "$work/$h/DAZovozoved.ini" "$(reference "$h" 192.0.2.10 "$kd")" ||
    check "first run: $h holds other bytes than the command line writes"
  cmp -s "$work/$h/logo.png" "$work/vorlage/logo.png" || check "first run: $h has not the layout's logo"
done

# 2. Second run: nothing changes, no file is touched.
for h in "${hosts[@]}"; do age "$h"; done
before=$(for h in "${hosts[@]}"; do state_of "$h"; done)
status=$(play second)
[ "$status" = 0 ] || check "second run: status $status; $(tail -30 "$work/second.log")"
for h in "${hosts[@]}"; do
  [ "$(changed_of "$h" second)" = 0 ] || check "second run: $h changed: $(recap "$h" second)"
done
after=$(for h in "${hosts[@]}"; do state_of "$h"; done)
[ "$before" = "$after" ] || check "second run touched files: $(diff <(echo "$before") <(echo "$after"))"

# 3. Check mode with other values: the differences shown, nothing written.
status=$(play check --check --diff -e @"$work/anders.yml")
[ "$status" = 0 ] || check "check run: status $status; $(tail -30 "$work/check.log")"
for h in "${hosts[@]}"; do
  [ "$(changed_of "$h" check)" -ge 1 ] 2>/dev/null || check "check run: $h shows no change: $(recap "$h" check)"
done
grep -q '^-ZQHost=192.0.2.10' "$work/check.log" || check "check run: the diff lacks the old ZQHost"
grep -q '^+ZQHost=198.51.100.7' "$work/check.log" || check "check run: the diff lacks the new ZQHost"
grep -q '^+ZQKDPasswort=\*\*\*\*\*\*\*\* (geändert)$' "$work/check.log" ||
  check "check run: the diff does not name the password's change"
after=$(for h in "${hosts[@]}"; do state_of "$h"; done)
[ "$before" = "$after" ] || check "check run wrote: $(diff <(echo "$before") <(echo "$after"))"

# 4. anzeige2's file held locked by another program: it fails alone.
locked=$work/anzeige2/DAZovozoved.ini
(
  exec 9<"$locked"
  flock -x 9
  exec sleep 600
) &
holder=$!
for ((i = 0; i < 3000; i++)); do flock -n -s "$locked" true || break; sleep 0.01; done
flock -n -s "$locked" true && check "the lock on anzeige2 was not taken"
status=$(play locked -e @"$work/anders.yml")
[ "$status" != 0 ] || check "locked run: status 0 although anzeige2 is locked"
[ "$(failed_of anzeige2 locked)" = 1 ] || check "locked run: anzeige2 did not fail: $(recap anzeige2 locked)"
grep -qF "\"msg\": \"Datei \\\"$locked\\\" kann nicht erstellt werden" "$work/locked.log" ||
  check "locked run: anzeige2 failed without the command line's message: $(grep -A3 'fatal:' "$work/locked.log" | head -8)"
for h in anzeige1 anzeige3; do
  [ "$(failed_of "$h" locked)" = 0 ] || check "locked run: $h failed: $(recap "$h" locked)"
  cmp -s "$work/$h/DAZovozoved.ini" "$(reference "$h" 198.51.100.7 "$kd_new")" ||
    check "locked run: $h holds other bytes than the command line writes"
done
[ "$(state_of anzeige2)" = "$(echo "$before" | grep "/anzeige2/")" ] || check "locked run: anzeige2's files were touched"
kill "$holder"
wait "$holder" 2>/dev/null || true
holder=

# 5. A value the editor could not take: every PC fails with the command
# line's message, nothing is written.
cat >"$work/falsch.yml" <<'YML'
vad_display_settings:
  ZQKDPasswort: "{{ vault_vad_kd_passwort_neu }}"
  AnzahlZeilen: viele
YML
for h in "${hosts[@]}"; do age "$h"; done
before=$(for h in "${hosts[@]}"; do state_of "$h"; done)
status=$(play refused -e @"$work/falsch.yml")
[ "$status" != 0 ] || check "refused run: status 0"
for h in "${hosts[@]}"; do
  [ "$(failed_of "$h" refused)" = 1 ] || check "refused run: $h did not fail: $(recap "$h" refused)"
done
[ "$(grep -c '"msg": ".*AnzahlZeilen muss eine ganze Zahl sein' "$work/refused.log")" = 3 ] ||
  check "refused run: not the command line's message: $(grep '"msg"' "$work/refused.log" | head -3)"
after=$(for h in "${hosts[@]}"; do state_of "$h"; done)
[ "$before" = "$after" ] || check "refused run wrote: $(diff <(echo "$before") <(echo "$after"))"

kill "$poller"
wait "$poller" 2>/dev/null || true
poller=
# The poll saw the module's command lines (the locked one waits two seconds).
grep -q "VADaroradarAdadad-cli .*import-layout" "$work/cmdlines" || check "the poll saw no command line run"
for f in "$work"/*.log "$work/cmdlines"; do
  ! grep -qF -f "$work/secrets" "$f" || check "a password appears in $(basename "$f"): $(grep -m2 -F -f "$work/secrets" "$f")"
done
for run in first second check locked refused; do
  grep -q 'vad_settings' "$work/$run.log" || check "$run: the log does not show the module"
done
exit $fail
