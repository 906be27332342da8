#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: p42r_update
short_description: Run the phone update on a P42R card
description:
  - Runs the card's phone update over the air (C(p42r update --yes)), which accepts the update screen's power
    warning, and follows it to the end.
  - C(changed) when the card wrote new software; not changed when the card answered that no update was needed.
    Any other ending fails with the reason the update screen showed.
  - The update belongs to the card once it has started, and it can take many minutes.
version_added: 1.0.0
author:
  - P42R maintainers (!UNKNOWN)
extends_documentation_fragment:
  - p42r.card.common
attributes:
  check_mode:
    support: full
    description: In check mode the update is not started; the module reports the command it would run, as changed.
'''

EXAMPLES = r'''
- name: Bring the card's software up to date
  p42r.card.p42r_update:
    port: /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0
  register: update

- name: Say what the card answered
  ansible.builtin.debug:
    msg: "{{ update.message }}"
'''

RETURN = r'''
update:
  description: How the update ended, as p42r reports it (C(completed) or C(not-needed) on success).
  returned: when the update ran
  type: str
  sample: completed
percent:
  description: Where the progress bar stood at the end, 0 to 100.
  returned: when the update ran
  type: int
  sample: 100
message:
  description: The update screen's final text.
  returned: when the update ran
  type: str
  sample: ケータイアップデートが正常に完了しました。
progress:
  description: The progress notices in order, each with C(percent) and C(text).
  returned: when the update ran
  type: list
  elements: dict
command:
  description: The command line that runs, or in check mode would run, the update.
  returned: always
  type: list
  elements: str
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.p42r.card.plugins.module_utils import p42r


def main():
    module = AnsibleModule(argument_spec=p42r.argument_spec(), supports_check_mode=True)
    words = ['update', '--yes']
    command = p42r.command_line(module, words)
    if module.check_mode:
        module.exit_json(changed=True, command=command, msg='would run: ' + ' '.join(command))
    result = p42r.run(module, words)
    outcome = result.get('update')
    if not result.ok or outcome not in ('completed', 'not-needed'):
        p42r.fail(module, result, command=command, update=outcome, progress=result.progress)
    module.exit_json(changed=outcome == 'completed', command=command, update=outcome,
                     percent=result.get('percent'), message=result.get('message'), progress=result.progress)


if __name__ == '__main__':
    main()
