#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: p42r_facts
short_description: Gather facts about a P42R card
description:
  - Asks the card who it is (C(p42r info)), what it receives (C(p42r signal)) and which applications it holds
    (C(p42r apps list)), and returns it all as C(ansible_facts.p42r).
  - The stable C(/dev/serial/by-id) name of the card's port comes from C(p42r ports) where the device manager
    knows the port; otherwise it is null.
version_added: 1.0.0
author:
  - P42R maintainers (!UNKNOWN)
extends_documentation_fragment:
  - p42r.card.common
attributes:
  check_mode:
    support: full
    description: The module only reads, so check mode gathers the same facts.
'''

EXAMPLES = r'''
- name: Gather the card's facts
  p42r.card.p42r_facts:
    port: /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0

- name: Show the reception
  ansible.builtin.debug:
    msg: "level {{ ansible_facts.p42r.reception.level }}/4 on {{ ansible_facts.p42r.reception.network }}"
'''

RETURN = r'''
ansible_facts:
  description: The facts, under the key C(p42r).
  returned: success
  type: complex
  contains:
    p42r:
      description: What the card said about itself.
      type: dict
      returned: success
      sample:
        maker: Halvorn.Corp
        port: COM1
        host_device: /dev/ttyUSB0
        by_id: /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0
        update_was_running: false
        update_result: null
        reception: {level: 3, network: CDMA 1X WIN}
        applications: [{name: Navigator, running: false}]
'''

import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.p42r.card.plugins.module_utils import p42r


def by_id_name(module, host_device):
    """The port's stable name, when the device manager knows the port."""
    if not host_device:
        return None
    listing = p42r.run(module, ['ports'], card=False)
    if not listing.ok:
        return None
    device = os.path.realpath(host_device)
    for port in listing.get('ports', []):
        if port.get('device') and os.path.realpath(port['device']) == device:
            return port.get('byId')
    return None


def gather(module):
    info = p42r.run(module, ['info'])
    if not info.ok:
        p42r.fail(module, info)
    signal = p42r.run(module, ['signal'])
    if not signal.ok:
        p42r.fail(module, signal)
    apps = p42r.run(module, ['apps', 'list'])
    if not apps.ok:
        p42r.fail(module, apps)
    return dict(
        maker=info.get('maker'),
        port=info.get('port'),
        host_device=info.get('hostDevice'),
        by_id=by_id_name(module, info.get('hostDevice')),
        update_was_running=info.get('updateWasRunning', False),
        update_result=info.get('updateResult'),
        reception=dict(level=signal.get('level'), network=signal.get('network')),
        applications=apps.get('applications', []),
    )


def main():
    module = AnsibleModule(argument_spec=p42r.argument_spec(), supports_check_mode=True)
    module.exit_json(changed=False, ansible_facts=dict(p42r=gather(module)))


if __name__ == '__main__':
    main()
