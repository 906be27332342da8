#!/usr/bin/env bash
# The checks that run inside the virtual machine, as its init's child, with
# the host's programs (shared read-only) and the guest's own kernel, udev and
# /dev. The simulated card is at the far end of the emulated USB serial
# adapter. Talks to run-vm-tests.sh on the console:
#   vm-check: ok|FAIL NAME: DETAIL     one line per check
#   @@vm unplug / @@vm replug           asks the host to pull out or plug in the adapter
#   vm-check: N passed, N failed        the last line
# Usage (in the guest): guest-checks.sh P42R_PROGRAM
set -uo pipefail
p42r=$1
port=/dev/ttyUSB0
passed=0
failed=0
work=$(mktemp -d /tmp/p42r-vm.XXXXXX)
mkdir -m 700 "$work/root"

uptime_s() { cut -d' ' -f1 /proc/uptime; }
# Guest seconds since the last check ended, into $elapsed: each check
# prints its own time.
last_check=$(uptime_s)
took() {
  local now
  now=$(uptime_s)
  elapsed=$(awk -v a="$last_check" -v b="$now" 'BEGIN { printf "%.2f", b - a }')
  last_check=$now
}
ok() {
  took
  echo "vm-check: ok $1 ($elapsed s): $2"
  passed=$((passed + 1))
}
fail() {
  took
  echo "vm-check: FAIL $1 ($elapsed s): $2"
  failed=$((failed + 1))
}
# Kernel log time of the first line matching a pattern, in seconds.
klog_time() { dmesg | grep -m1 -E "$1" | sed -E 's/^\[ *([0-9.]+)\].*/\1/'; }
# Waits until a condition holds, polling every 10 ms, at most $1 seconds.
wait_for() {
  local limit=$1 started
  shift
  started=$(date +%s%N)
  until "$@"; do
    [ $(($(date +%s%N) - started)) -lt $((limit * 1000000000)) ] || return 1
    sleep 0.01
  done
}
port_there() { [ -c "$port" ]; }
port_gone() { [ ! -e "$port" ] && [ ! -e /sys/class/tty/${port#/dev/} ]; }
# Runs p42r with a deadline of its own; output to $work/NAME.out and .err.
run_p42r() {
  local name=$1
  shift
  timeout 120 "$p42r" --device-root "$work/root" "$@" >"$work/$name.out" 2>"$work/$name.err"
}
show() {
  sed "s/^/  $1: /" "$work/$1.out" "$work/$1.err" | tail -n 20
}

if [ -x /usr/lib/systemd/systemd-udevd ]; then
  /usr/lib/systemd/systemd-udevd --daemon
  udevadm trigger --type=subsystems --action=add
  udevadm trigger --type=devices --action=add
  udevadm settle --timeout=60
  udev=yes
else
  echo "vm-check: no udev daemon in the guest (package udev): stable names not checked"
  udev=no
fi

if wait_for 30 port_there; then
  ok adapter "$port is there after $(uptime_s) s of guest time"
else
  fail adapter "no $port after 30 s ($(dmesg | grep -i -E 'usb|ftdi' | tail -n 3 | tr '\n' ' '))"
fi

# The adapter as `p42r ports` lists it; with udev, by its stable name too.
check_listed() {
  local name=$1 filter
  run_p42r "$name" ports --json
  filter='.ports[] | select(.device == "'$port'" and .vendorId == "0403" and .productId == "6001")'
  if [ "$udev" = yes ]; then
    filter+=' | select(.byId != null and (.byId | startswith("/dev/serial/by-id/usb-QEMU_QEMU_USB_SERIAL")))'
  fi
  local byid
  byid=$(jq -r "[$filter][0].byId // empty" "$work/$name.out" 2>/dev/null)
  if ! jq -e "[$filter] | length == 1" "$work/$name.out" >/dev/null 2>&1; then
    fail "$name" "the adapter is not listed as expected"
    show "$name"
  elif [ "$udev" = yes ] && [ "$(readlink -f "$byid")" != "$port" ]; then
    fail "$name" "$byid does not lead to $port"
  else
    ok "$name" "$port 0403:6001${byid:+ as $byid}"
  fi
}
check_listed ports

# One command over the adapter: its exit code and its JSON's last line.
check_command() {
  local name=$1 want=$2 condition=$3 status=0
  shift 3
  run_p42r "$name" "$@" || status=$?
  if [ "$status" -eq "$want" ] && tail -n 1 "$work/$name.out" | jq -e "$condition" >/dev/null 2>&1; then
    ok "$name" "$(tail -n 1 "$work/$name.out" | cut -c 1-160)"
  else
    fail "$name" "exit code $status, expected $want"
    show "$name"
  fi
}
check_command info 0 '.ok and .hostDevice == "'$port'"' info --port "$port" --json
check_command update 0 '.ok and .update == "completed"' update --yes --json --port "$port"
check_command apps 0 '.ok and (.applications | length) > 0' apps --json --port "$port"

# Pulled out in the middle of an update: the update ends as removed (10).
# The time runs from the kernel's disconnect to the program's end, both on
# the kernel log's clock.
timeout 60 "$p42r" --device-root "$work/root" update --yes --json --port "$port" >"$work/unplug.out" 2>"$work/unplug.err" &
updater=$!
if wait_for 60 grep -q '"event":"progress"' "$work/unplug.out"; then
  echo "@@vm unplug"
  status=0
  wait "$updater" || status=$?
  echo "p42r-vm: the update ended" >/dev/kmsg
  pulled=$(klog_time 'USB disconnect')
  ended=$(klog_time 'p42r-vm: the update ended')
  if [ -z "$pulled" ]; then
    fail unplug "the update ended with $status, and the kernel saw no disconnect"
    show unplug
  else
    seconds=$(awk -v a="$pulled" -v b="$ended" 'BEGIN { printf "%.2f", b - a }')
    echo "vm-figure: unplug-to-exit $seconds s"
    if [ "$status" -ne 10 ] || ! tail -n 1 "$work/unplug.out" | jq -e '.result == "removed"' >/dev/null 2>&1; then
      fail unplug "exit code $status, expected 10 (removed)"
      show unplug
    elif awk -v s="$seconds" 'BEGIN { exit !(s > 3) }'; then
      fail unplug "the update ended as removed, but $seconds s after the adapter went"
    else
      ok unplug "the update ended as removed (10) $seconds s of guest time after the adapter went"
    fi
  fi
else
  fail unplug "the update showed no progress"
  show unplug
  kill "$updater" 2>/dev/null
fi

# Plugged in again: listed and usable at once.
wait_for 30 port_gone || fail unplug "$port still there 30 s after the adapter was pulled out"
asked=$(uptime_s)
echo "@@vm replug"
if wait_for 30 port_there; then
  there=$(uptime_s)
  [ "$udev" = no ] || udevadm settle --timeout=30
  settled=$(uptime_s)
  echo "vm-figure: replug-to-port $(awk -v a="$asked" -v b="$there" 'BEGIN { printf "%.2f", b - a }') s, to-settled $(awk -v a="$asked" -v b="$settled" 'BEGIN { printf "%.2f", b - a }') s"
  check_listed replug-ports
  check_command replug-info 0 '.ok and .hostDevice == "'$port'"' info --port "$port" --json
else
  fail replug "no $port 30 s after the adapter was plugged in again"
fi

echo "vm-check: $passed passed, $failed failed"
