#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: p42r_led
short_description: Set a P42R card's LED display on or off
description:
  - Sets the card's LED display through the LED setting screen (C(p42r led on|off)).
  - The card offers no way to read its LED setting back, so the module cannot tell whether the display was
    already as asked. It sends the setting every time and reports C(changed) whenever the card accepted it.
version_added: 1.0.0
author:
  - P42R maintainers (!UNKNOWN)
extends_documentation_fragment:
  - p42r.card.common
options:
  state:
    description:
      - The LED display's setting.
    type: str
    choices: ['on', 'off']
    required: true
attributes:
  check_mode:
    support: full
    description: In check mode nothing is sent; the module reports the setting it would send, as changed.
'''

EXAMPLES = r'''
- name: Turn the LED display off
  p42r.card.p42r_led:
    state: 'off'
'''

RETURN = r'''
led:
  description: The setting the card accepted (or in check mode would be sent).
  returned: success
  type: str
  sample: 'off'
message:
  description: The LED setting screen's confirmation.
  returned: when the setting was sent
  type: str
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.p42r.card.plugins.module_utils import p42r


def main():
    module = AnsibleModule(
        argument_spec=p42r.argument_spec(state=dict(type='str', choices=['on', 'off'], required=True)),
        supports_check_mode=True)
    state = module.params['state']
    if module.check_mode:
        module.exit_json(changed=True, led=state)
    result = p42r.run(module, ['led', state])
    if not result.ok:
        p42r.fail(module, result)
    module.exit_json(changed=True, led=result.get('led'), message=result.get('message'))


if __name__ == '__main__':
    main()
