#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: p42r_app
short_description: Start or stop an application on a P42R card
description:
  - Reads the card's application list (C(p42r apps list)) and starts or stops the named application only when
    its state differs (C(p42r apps start|stop NAME)); the list as the card reports it afterwards decides the
    result.
  - Fails with the card's message when the card refuses, and when the application is not in the asked state
    afterwards although the card accepted the request.
version_added: 1.0.0
author:
  - P42R maintainers (!UNKNOWN)
extends_documentation_fragment:
  - p42r.card.common
options:
  name:
    description:
      - The application's name, as C(p42r apps) lists it.
    type: str
    required: true
  state:
    description:
      - Whether the application should be running.
    type: str
    choices: [started, stopped]
    required: true
attributes:
  check_mode:
    support: full
    description: In check mode the list is read and nothing is started or stopped.
'''

EXAMPLES = r'''
- name: Make sure the navigator runs
  p42r.card.p42r_app:
    name: Navigator
    state: started
'''

RETURN = r'''
applications:
  description: The card's applications as last read, in the list's order.
  returned: success
  type: list
  elements: dict
  sample: [{name: Navigator, running: true}, {name: Mail, running: false}]
message:
  description: The application screen's report of the start or stop.
  returned: when the application was started or stopped
  type: str
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.p42r.card.plugins.module_utils import p42r


def running(applications, name):
    for application in applications:
        if application.get('name') == name:
            return application.get('running') is True
    return None


def main():
    module = AnsibleModule(
        argument_spec=p42r.argument_spec(
            name=dict(type='str', required=True),
            state=dict(type='str', choices=['started', 'stopped'], required=True)),
        supports_check_mode=True)
    name = module.params['name']
    wanted = module.params['state'] == 'started'
    listing = p42r.run(module, ['apps', 'list'])
    if not listing.ok:
        p42r.fail(module, listing)
    before = listing.get('applications', [])
    now = running(before, name)
    if now is None:
        module.fail_json(msg="the card has no application named '%s'" % name, applications=before)
    if now == wanted or module.check_mode:
        module.exit_json(changed=now != wanted, applications=before)
    result = p42r.run(module, ['apps', 'start' if wanted else 'stop', name])
    after = result.get('applications', [])
    state = running(after, name)  # None when the card listed nothing after the request
    if not result.ok:
        p42r.fail(module, result, changed=state is not None and state != now, applications=after)
    if state != wanted:
        module.fail_json(msg='p42r apps: the card accepted the request, but %s is still %s: %s'
                         % (name, 'stopped' if now is False else 'running', result.get('message')),
                         changed=False, applications=after)
    module.exit_json(changed=True, applications=after, message=result.get('message'))


if __name__ == '__main__':
    main()
