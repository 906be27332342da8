# -*- coding: utf-8 -*-
# The options every module of the collection takes: which program runs and
# which card it talks to.

from __future__ import absolute_import, division, print_function
__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r'''
options:
  executable:
    description:
      - The p42r program to run, by name on the search path or as a path.
    type: str
    default: p42r
  port:
    description:
      - The card's serial device, such as C(/dev/serial/by-id/usb-...), passed as C(--port).
      - Without it, p42r uses the card registered in the device root.
    type: str
  device_root:
    description:
      - The emulated handheld's directory, passed as C(--device-root).
      - It must belong to the user the module runs as and not be writable by group or others.
      - Without it, p42r uses its default one in the user's data directory.
    type: path
  sim:
    description:
      - Run against the simulated card inside p42r with this scenario (C(normal), C(update-fast), ...), passed
        as C(--sim=SCENARIO). For tests and trials; the simulated card keeps nothing from one run to the next.
    type: str
  virtual_clock:
    description:
      - Pass C(--virtual-clock), so that waits against the simulated card pass at once. Only with O(sim);
        p42r refuses it with O(port).
    type: bool
    default: false
  extra_args:
    description:
      - Further options for p42r, given after the command's own.
    type: list
    elements: str
    default: []
notes:
  - The module runs C(p42r COMMAND --json) on the target and reads its result line and exit code; the card
    dialogue, its waits and time-outs are p42r's own.
requirements:
  - p42r on the target
'''
