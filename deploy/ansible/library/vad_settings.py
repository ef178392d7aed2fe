#!/usr/bin/python3
# -*- coding: utf-8 -*-
"""Sets the display PC's DAZovozoved.ini through VADaroradarAdadad-cli."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: vad_settings
short_description: Settings and layout of a VADaroradarAdadad display PC
description:
  - Writes C(DAZovozoved.ini), the settings file the live display and its editor share, through the
    command line C(VADaroradarAdadad-cli), so the file holds byte for byte what the editor's
    "speichern + schliessen" writes for the same values.
  - Imports a layout file first, then puts the values of I(settings) over it, in one save
    (C(import-layout FILE --values-from -)); without a layout, C(set --values-from -). A value given in
    I(settings) wins over the layout's, and as both go into the file in one step, the display never sees
    the layout's value of such a key, and a repeated run writes nothing.
  - Values go to the command line on its standard input (C(set --values-from -)), never as arguments; the
    values of keys whose name contains C(Passwort) never appear in the module's output, its diff or the
    target's journal, at any verbosity.
  - C(changed) is true exactly when the bytes of the settings file (or, with I(with_logo), of C(logo.png))
    changed; a run that changes nothing leaves the files untouched (same inode, same modification time).
  - Another program holding the file locked (the display program while it reads) makes the command line
    wait about two seconds; then the task fails with its German message and nothing is written.
version_added: "1.3"
author:
  - VADaroradarAdadad developers
options:
  settings:
    description:
      - Key to value, with the keys of C(VADaroradarAdadad-cli list) (their case does not matter).
      - Numbers may be given as numbers, switches as booleans (written as C(ja) or C(nein)).
      - The same rules as C(VADaroradarAdadad-cli set); an unknown key or a value the editor could not take
        fails the task and writes nothing.
      - Keep passwords in Ansible Vault variables.
    type: dict
    default: {}
  layout:
    description:
      - Path of a C(.vadlayout) file on the target, imported before I(settings) are put over it.
    type: path
  with_logo:
    description:
      - Also writes the layout's logo as C(logo.png) beside the settings file.
    type: bool
    default: false
  file:
    description:
      - The settings file. Without it, C(DAZovozoved.ini) beside the command line's executable, as the
        command line itself takes it.
    type: path
  cli:
    description:
      - The command line C(VADaroradarAdadad-cli); without it, the one found on C(PATH).
    type: path
notes:
  - Supports check mode (the command line's C(--dry-run)) and diff mode (before and after per key,
    passwords as C(********)). In check mode a layout file not yet on the target counts as a change.
requirements:
  - VADaroradarAdadad-cli 1.3 or later on the target
'''

EXAMPLES = r'''
- name: Connection settings, the password from a Vault variable
  vad_settings:
    settings:
      ZQHost: 192.0.2.10
      ZQKundennummer: "4711"
      ZQKDPasswort: "{{ vault_vad_kd_passwort }}"

- name: A layout with its logo, then the number of lines
  vad_settings:
    layout: /home/anzeige/.local/share/VADaroradarAdadad/layouts/halle.vadlayout
    with_logo: true
    settings:
      AnzahlZeilen: 24
      VollBild: true

- name: Another settings file and command line
  vad_settings:
    cli: /opt/vad/VADaroradarAdadad-cli
    file: /opt/vad/DAZovozoved.ini
    settings:
      ZQHost: zeitmessung.example
'''

RETURN = r'''
file:
  description: The settings file, absolute.
  returned: when something was compared
  type: str
  sample: /opt/vad/DAZovozoved.ini
changes:
  description:
    - The keys whose stored text changed (in check mode, would change), in the order the editor writes
      them. C(old) is null for a key the file lacked. Passwords as C(********).
  returned: always
  type: list
  elements: dict
  sample: [{"key": "ZQHost", "old": "127.0.0.1", "new": "192.0.2.10"}]
logo_changed:
  description: Whether C(logo.png) was (in check mode, would be) replaced.
  returned: when I(with_logo) is true and a layout was imported
  type: bool
messages:
  description: Notes of the command line, such as column-format rows it could not store.
  returned: always
  type: list
  elements: str
'''

import json
import os

from ansible.module_utils.basic import AnsibleModule

SECRET_MARK = 'passwort'
MASK = '********'


def is_secret(key):
    return SECRET_MARK in key.lower()


def secret_values(params):
    settings = (params or {}).get('settings')
    if not isinstance(settings, dict):
        return set()
    return {str(v) for k, v in settings.items() if is_secret(str(k)) and v not in (None, '')}


def safe_arguments(params):
    """The parameters as the output may show them: password values masked."""
    shown = dict(params or {})
    settings = shown.get('settings')
    if isinstance(settings, dict):
        shown['settings'] = {k: (MASK if is_secret(str(k)) and v not in (None, '') else v)
                             for k, v in settings.items()}
    return shown


class SettingsModule(AnsibleModule):
    """Never shows a password: not in the invocation echoed back, not in any
    message, even when the parameters are refused before the module runs."""

    def _return_formatted(self, kwargs):
        self.no_log_values.update(secret_values(getattr(self, 'params', None)))
        kwargs.setdefault('invocation', {'module_args': safe_arguments(getattr(self, 'params', None))})
        super(SettingsModule, self)._return_formatted(kwargs)


def value_text(module, key, value):
    if isinstance(value, bool):
        return 'ja' if value else 'nein'
    if value is None:
        return ''
    if isinstance(value, (int, float)):
        return str(value)
    if not isinstance(value, str):
        module.fail_json(msg='Der Wert für %s muss ein Text, eine Zahl oder ein Schalter sein' % key)
    return value


def values_input(module, settings):
    """The KEY=VALUE lines for `set --values-from -`. A line break would end
    a line early and let the rest pass for another key: refused here, as the
    command line refuses it in an argument."""
    lines = []
    for key, value in settings.items():
        key = str(key)
        text = value_text(module, key, value)
        if any(c in key for c in '=\r\n\0'):
            module.fail_json(msg='Unbekannter Schlüssel „%s“' % key.replace('\n', ' ').replace('\r', ' '))
        if '\r' in text or '\n' in text:
            module.fail_json(msg='Der Wert für %s enthält einen Zeilenumbruch oder ein NUL-Zeichen und wird '
                                 'deshalb nicht gespeichert' % key)
        lines.append('%s=%s\n' % (key, text))
    return ''.join(lines)


def run_cli(module, cli, arguments, data=None):
    """Runs one command with --json; the German message of a refusal fails
    the task: nothing was written then."""
    command = [cli]
    if module.params['file']:
        command += ['--file', os.path.abspath(module.params['file'])]
    command += arguments + ['--json']
    if module.check_mode:
        command.append('--dry-run')
    rc, out, err = module.run_command(command, data=data, binary_data=True)
    if rc != 0:
        module.fail_json(msg=err.strip() or 'VADaroradarAdadad-cli endete mit Status %d' % rc,
                         rc=rc, stderr=err, stdout=out)
    try:
        report = json.loads(out)
    except ValueError:
        module.fail_json(msg='VADaroradarAdadad-cli gab kein JSON aus', rc=rc, stderr=err, stdout=out)
    return report


def diff_text(changes, side):
    """One line per changed key. A password shows as ******** on both sides:
    the after side says that it changes."""
    lines = []
    for change in changes:
        value = change[side]
        if value is None:
            continue
        if side == 'new' and is_secret(change['key']) and value == change['old']:
            value += ' (geändert)'
        lines.append('%s=%s\n' % (change['key'], value))
    return ''.join(lines)


def main():
    module = SettingsModule(
        argument_spec=dict(
            settings=dict(type='dict', default={}, no_log=False),
            layout=dict(type='path'),
            with_logo=dict(type='bool', default=False),
            file=dict(type='path'),
            cli=dict(type='path'),
        ),
        supports_check_mode=True,
        # Nothing of the invocation goes to the target's journal: it would
        # name the passwords before they are known as such.
        no_log=True,
    )
    module.no_log_values.update(secret_values(module.params))
    cli = module.params['cli'] or module.get_bin_path('VADaroradarAdadad-cli', required=True)
    settings = module.params['settings'] or {}
    stdin = values_input(module, settings) if settings else None

    result = dict(changed=False, changes=[], messages=[])
    warnings = []
    # Absolute, so that no name can pass for an option of the command line.
    layout = module.params['layout'] and os.path.abspath(module.params['layout'])
    if layout and module.check_mode and not os.path.exists(layout):
        # A step before this one (a copy) would have put it there.
        warnings.append('Die Layout-Datei %s gibt es noch nicht; im Prüfmodus gilt sie als Änderung' % layout)
        result['changed'] = True
    elif layout or stdin is not None:
        arguments = ['import-layout', layout] if layout else ['set']
        if layout and module.params['with_logo']:
            arguments.append('--with-logo')
        if stdin is not None:
            arguments += ['--values-from', '-']
        report = run_cli(module, cli, arguments, data=stdin.encode('utf-8') if stdin is not None else None)
        result['file'] = report['file']
        result['changed'] = report['changed']
        result['changes'] = report['changes']
        result['messages'] = report.get('messages', [])
        if 'logoChanged' in report:
            result['logo_changed'] = report['logoChanged']
    if module._diff:
        header = result.get('file', 'DAZovozoved.ini')
        result['diff'] = dict(before=diff_text(result['changes'], 'old'),
                              after=diff_text(result['changes'], 'new'),
                              before_header=header, after_header=header)
    if warnings:
        result['warnings'] = warnings
    module.exit_json(**result)


if __name__ == '__main__':
    main()
