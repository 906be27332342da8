#!/usr/bin/env bash
# A fleet on one machine: N simulated cards, each updated by its own
# `p42r update --yes --json --sim=SCENARIO` in a device root of its own, all
# started at once. For each N it prints a markdown row: the wall time from
# the first start to the last end, the processor time of all the processes
# together (user and system), the peak resident memory of one process
# (largest and median) and the runs that did not end with success, by how
# they ended.
#
# Usage: bench/fleet.sh [--program P42R] [--scenario NAME] [N ...]
#   defaults: build/debug/handheld/p42r, update-fast, 1 8 32 128
# Each process's processor time comes from the kernel when it is reaped
# (wait4's rusage). Its peak memory is the high-water mark of p42r's own
# memory (VmHWM, read every 20 ms once it runs p42r): the rusage figure would
# also count the copy of this Python process that the fork made before exec.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
program=$top/build/debug/handheld/p42r
scenario=update-fast
counts=()
while [ $# -gt 0 ]; do
  case $1 in
    --program) program=$2; shift 2 ;;
    --scenario) scenario=$2; shift 2 ;;
    -h | --help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) counts+=("$1"); shift ;;
  esac
done
[ ${#counts[@]} -gt 0 ] || counts=(1 8 32 128)
[ -x "$program" ] || { echo "fleet: no program at $program (build it, or give --program)" >&2; exit 1; }

exec python3 - "$program" "$scenario" "${counts[@]}" <<'EOF'
import collections, json, os, statistics, subprocess, sys, tempfile, threading, time

program, scenario, counts = sys.argv[1], sys.argv[2], [int(n) for n in sys.argv[3:]]


def high_water_kib(pid):
    """p42r's own peak resident memory, or None before it has become p42r."""
    try:
        if os.readlink('/proc/%d/exe' % pid) != os.path.realpath(program):
            return None
        with open('/proc/%d/status' % pid) as status:
            for line in status:
                if line.startswith('VmHWM:'):
                    return int(line.split()[1])
    except OSError:
        return None
    return None


def watch_peaks(pids, peaks, done):
    while not done.is_set():
        for pid in pids:
            seen = high_water_kib(pid)
            if seen is not None:
                peaks[pid] = max(peaks.get(pid, 0), seen)
        done.wait(0.02)


def run_fleet(count):
    with tempfile.TemporaryDirectory(prefix='p42r-fleet-') as work:
        roots = []
        for index in range(count):
            roots.append(os.path.join(work, 'card%d' % index))
            os.mkdir(roots[-1], 0o700)
        started = time.monotonic()
        children = {}
        for root in roots:
            child = subprocess.Popen([program, 'update', '--yes', '--json', '--sim=' + scenario, '--device-root', root],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
            children[child.pid] = child
        peaks_kib, done = {}, threading.Event()
        watcher = threading.Thread(target=watch_peaks, args=(list(children), peaks_kib, done))
        watcher.start()
        # Each child's output is read to its end first (a full pipe would
        # stop it), then the child is reaped with its resource usage.
        outputs = {pid: child.stdout.read() for pid, child in children.items()}
        usages, endings = [], collections.Counter()
        while children:
            pid, status, usage = os.wait4(-1, 0)
            child = children.pop(pid, None)
            if child is None:
                continue
            child.returncode = os.waitstatus_to_exitcode(status)
            usages.append(usage)
            lines = outputs[pid].decode('utf-8', 'replace').splitlines()
            try:
                result = json.loads(lines[-1]) if lines else {}
            except ValueError:
                result = {}
            if child.returncode != 0 or result.get('update') not in ('completed', 'not-needed'):
                endings['%s (exit %d)' % (result.get('result', 'no result'), child.returncode)] += 1
        wall = time.monotonic() - started
        done.set()
        watcher.join()
    processor = sum(u.ru_utime + u.ru_stime for u in usages)
    peaks = [kib / 1024 for kib in peaks_kib.values()] or [0.0]
    failures = ', '.join('%d %s' % (n, what) for what, n in sorted(endings.items())) or '0'
    return '| %d | %.2f | %.2f | %.3f | %.1f | %.1f | %s |' % (
        count, wall, processor, processor / count, max(peaks), statistics.median(peaks), failures)


version = subprocess.run([program, '--version'], capture_output=True, text=True).stdout.strip()
print('%s, --sim=%s, %d processors, load average %.2f at the start' % (
    version or program, scenario, os.cpu_count(), os.getloadavg()[0]))
print()
print('| cards | wall s | processor s, all | processor s per card | peak resident MiB, largest | median | failures |')
print('|---:|---:|---:|---:|---:|---:|---|')
for count in counts:
    print(run_fleet(count), flush=True)
EOF
