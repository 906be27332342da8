# -*- coding: utf-8 -*-
# What every module of the collection shares: the options that say which
# program and which card, and one way to run a p42r command with --json and
# read how it ended. The card dialogue stays in p42r; this only reads the
# JSON result line and the exit code that docs/commands.md promises.

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json
import os
import subprocess

COMMON_ARGUMENT_SPEC = dict(
    executable=dict(type='str', default='p42r'),
    port=dict(type='str'),
    device_root=dict(type='path'),
    sim=dict(type='str'),
    virtual_clock=dict(type='bool', default=False),
    extra_args=dict(type='list', elements='str', default=[]),
)

# How p42r ends, by exit code, when its output holds no result line (codes 4
# to 7 end the run before any command and are told on standard error only).
EXIT_MEANINGS = {
    1: 'the program could not start or failed',
    2: 'the command line is wrong',
    3: 'another copy of p42r is running on the same device root',
    4: 'the device root is missing or cannot be written',
    5: 'the port device is not there or is no serial device',
    6: 'the card\'s port is in use by another program',
    7: 'no permission to open the port device',
    13: 'standard output could not be written',
}


def argument_spec(**specific):
    spec = dict(COMMON_ARGUMENT_SPEC)
    spec.update(specific)
    return spec


def card_arguments(params):
    """The options that choose the card, as p42r's own command line."""
    arguments = []
    if params.get('sim') is not None:
        arguments.append('--sim=' + params['sim'])
    if params.get('port'):
        arguments += ['--port', params['port']]
    if params.get('device_root'):
        arguments += ['--device-root', params['device_root']]
    if params.get('virtual_clock'):
        arguments.append('--virtual-clock')
    return arguments + list(params.get('extra_args') or [])


def command_line(module, words, card=True):
    arguments = card_arguments(module.params) if card else []
    return [module.params['executable']] + list(words) + ['--json'] + arguments


class CommandResult:
    """One run of a p42r command: its exit code, the result object and the
    progress lines before it."""

    def __init__(self, argv, rc, stdout, stderr):
        self.argv = argv
        self.rc = rc
        self.stderr = stderr.strip()
        self.progress = []
        self.result = None
        for line in stdout.splitlines():
            try:
                value = json.loads(line)
            except ValueError:
                continue
            if not isinstance(value, dict):
                continue
            if value.get('event') == 'progress':
                self.progress.append(value)
            elif 'result' in value:
                self.result = value

    @property
    def ok(self):
        # Both must say so: a result line that claims success beside a
        # failing exit code (or none at all) is not a success.
        return self.rc == 0 and self.result is not None and self.result.get('ok') is True

    @property
    def kind(self):
        return self.result.get('result') if self.result else 'failed'

    def get(self, field, default=None):
        return self.result.get(field, default) if self.result else default

    def describe(self):
        """The failure as one line: the command, how it ended and the text
        the card's screen showed (or what p42r said on standard error)."""
        message = self.get('message') or self.stderr or EXIT_MEANINGS.get(self.rc, 'no result')
        return 'p42r %s: %s (exit code %d): %s' % (self.argv_command(), self.kind, self.rc, message)

    def argv_command(self):
        words = []
        for word in self.argv[1:]:
            if word.startswith('-'):
                break
            words.append(word)
        return ' '.join(words)


def run_program(module, argv, pass_fds=()):
    """Runs the program to its end and returns its exit code and its whole
    output. Not module.run_command: the ansible-core of Debian 12 (2.14)
    stops reading when its one-second wait for output runs out just as the
    program ends, and so loses what the program wrote last, its result line
    (seen as an exit code 0 with no result on a loaded machine).
    communicate() reads both pipes to their end."""
    try:
        process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, pass_fds=pass_fds)
    except OSError as error:
        module.fail_json(msg='cannot run %s: %s' % (argv[0], error), rc=error.errno, cmd=argv)
    stdout, stderr = process.communicate()
    return (process.returncode, stdout.decode('utf-8', 'replace'), stderr.decode('utf-8', 'replace'))


def run(module, words, secrets=None, card=True):
    """Runs `p42r WORDS --json` against the module's card. `secrets` are
    lines given to the program on a pipe through --password-fd, never on
    its command line or in its environment. `card` false leaves out the
    options that choose a card (for `ports`, which needs none)."""
    if not secrets:
        argv = command_line(module, words, card)
        rc, stdout, stderr = run_program(module, argv)
        return CommandResult(argv, rc, stdout, stderr)
    data = ''.join(line + '\n' for line in secrets).encode('utf-8')
    # A few short lines fit in the pipe's buffer, so they are all there
    # before the program starts and the writer can close at once.
    if len(data) > 4096:
        module.fail_json(msg='the passwords are too long')
    # One password a line: a line break inside one would give the screen a
    # second password that nobody meant.
    if any('\n' in line or '\r' in line for line in secrets):
        module.fail_json(msg='a password may not hold a line break')
    read_end, write_end = os.pipe()
    try:
        os.write(write_end, data)
        os.close(write_end)
        write_end = None
        argv = command_line(module, list(words) + ['--password-fd', str(read_end)])
        rc, stdout, stderr = run_program(module, argv, pass_fds=(read_end,))
    finally:
        os.close(read_end)
        if write_end is not None:
            os.close(write_end)
    return CommandResult(argv, rc, stdout, stderr)


def fail(module, result, **extra):
    module.fail_json(msg=result.describe(), rc=result.rc, result=result.kind,
                     p42r=result.result, stderr=result.stderr, **extra)
