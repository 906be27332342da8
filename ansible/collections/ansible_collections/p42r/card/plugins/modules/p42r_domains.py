#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: p42r_domains
short_description: Set the permitted domains of a P42R card
description:
  - Makes the card's three domain slots hold exactly the given domains, in any slot. It reads the slots
    (C(p42r domains list)), then edits a slot holding a domain that is not wanted into one that is missing,
    deletes the rest of the unwanted ones and adds what is still missing (C(p42r domains set|delete|add)).
    Slots that already hold a wanted domain are left alone.
  - Each of these passes the administrator's password screen. The passwords go to p42r on a pipe through
    C(--password-fd), never on its command line or in its environment.
version_added: 1.0.0
author:
  - P42R maintainers (!UNKNOWN)
extends_documentation_fragment:
  - p42r.card.common
options:
  domains:
    description:
      - The permitted domains, at most three, each once. An empty list empties every slot.
    type: list
    elements: str
    required: true
  password:
    description:
      - The administrator password.
    type: str
    required: true
  initial_password:
    description:
      - The password a new handheld starts with (the common administrator password). When I(password) is
        refused, the module tries this one; if the password screen then asks for a password of the
        administrator's own, as on the first use, I(password) becomes it. That counts as a change.
    type: str
attributes:
  check_mode:
    support: full
    description: In check mode the slots are read and nothing is written, and the password is not changed.
notes:
  - Every refused password counts toward the password screen's lock, as a wrong one typed on the handheld does.
'''

EXAMPLES = r'''
- name: Permit two domains
  p42r.card.p42r_domains:
    domains: [example.co.jp, mail.example.jp]
    password: "{{ p42r_admin_password }}"
    initial_password: "{{ p42r_common_password }}"
'''

RETURN = r'''
domains:
  description: The three slots as last read, C(domain) null for an empty one.
  returned: success
  type: list
  elements: dict
  sample: [{slot: 1, domain: example.co.jp}, {slot: 2, domain: mail.example.jp}, {slot: 3, domain: null}]
actions:
  description: The changes made (or in check mode that would be made), in order.
  returned: always
  type: list
  elements: str
  sample: ['set 2 mail.example.jp', 'delete 3']
password_set:
  description: Whether the first use's password change set I(password) as the administrator's own.
  returned: always
  type: bool
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.p42r.card.plugins.module_utils import p42r

SLOTS = 3
# What p42r says when the common password was right but must be replaced first.
MUST_CHANGE = 'must be changed first'


class Administrator:
    """Runs administrator commands, passing the password screen with the
    password that worked last."""

    def __init__(self, module):
        self.module = module
        self.secrets = [module.params['password']]
        self.password_set = False
        self.actions = []

    def run(self, words):
        result = p42r.run(self.module, words, self.secrets)
        initial = self.module.params['initial_password']
        if result.kind != 'access-denied' or initial is None or self.password_set:
            return result
        if self.module.check_mode:
            # A new handheld would get the password first; find out without setting it.
            probe = p42r.run(self.module, words, [initial])
            if MUST_CHANGE in (probe.get('message') or ''):
                self.finish(changed=True, msg='would set the administrator password first')
            return result
        password = self.module.params['password']
        first_use = p42r.run(self.module, words, [initial, password, password])
        # Past the password screens, the password is set even when the
        # card then refuses or does not answer.
        if first_use.ok or first_use.kind in ('refused', 'timed-out'):
            self.password_set = True
            self.actions.append('set the administrator password')
        return first_use if first_use.kind != 'access-denied' else result

    def check(self, result):
        if not result.ok:
            p42r.fail(self.module, result, changed=bool(self.actions), actions=self.actions,
                      password_set=self.password_set, domains=result.get('domains'))
        return result

    def finish(self, **values):
        self.module.exit_json(actions=self.actions, password_set=self.password_set, **values)


def plan(slots, wanted):
    """The commands that make `slots` (slot number to domain or None) hold
    the `wanted` domains, touching as few slots as it can."""
    kept = set()
    unwanted = []
    for slot in sorted(slots):
        domain = slots[slot]
        if domain is None:
            continue
        if domain in wanted and domain not in kept:
            kept.add(domain)
        else:
            unwanted.append(slot)
    missing = [domain for domain in wanted if domain not in kept]
    steps = []
    for slot in unwanted:
        if missing:
            steps.append(['set', str(slot), missing.pop(0)])
        else:
            steps.append(['delete', str(slot)])
    return steps + [['add', domain] for domain in missing]


def main():
    module = AnsibleModule(
        argument_spec=p42r.argument_spec(
            domains=dict(type='list', elements='str', required=True),
            password=dict(type='str', required=True, no_log=True),
            initial_password=dict(type='str', no_log=True)),
        supports_check_mode=True)
    wanted = module.params['domains']
    if len(wanted) > SLOTS or len(set(wanted)) != len(wanted) or not all(wanted):
        module.fail_json(msg='domains: at most %d domains, each once and none empty' % SLOTS)
    admin = Administrator(module)
    listing = admin.check(admin.run(['domains', 'list']))
    slots = dict((entry['slot'], entry.get('domain')) for entry in listing.get('domains', []))
    steps = plan(slots, wanted)
    domains = listing.get('domains')
    for step in steps:
        if not module.check_mode:
            domains = admin.check(admin.run(['domains'] + step)).get('domains')
        admin.actions.append(' '.join(step))
    if not module.check_mode and steps:
        final = sorted(entry['domain'] for entry in domains if entry.get('domain') is not None)
        if final != sorted(wanted):
            module.fail_json(msg='p42r domains: the slots hold %s after the changes, not the wanted %s'
                             % (final, sorted(wanted)), changed=True, domains=domains, actions=admin.actions)
    admin.finish(changed=bool(admin.actions), domains=domains)


if __name__ == '__main__':
    main()
