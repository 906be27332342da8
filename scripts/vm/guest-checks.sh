#!/usr/bin/env bash
# The checks that run inside the virtual machine, as its init's child, with
# the host's programs (shared read-only) and the guest's own kernel, udev and
# /dev. A simulated card is at the far end of each emulated device:
# the USB serial adapter (ftdi_sio, /dev/ttyUSB0) and a 16550 UART on a
# hot-pluggable PCI slot (8250, /dev/ttyS1). Talks to run-vm-tests.sh on
# the console:
#   vm-check: ok|FAIL NAME (SECONDS s): DETAIL   one line per check
#   vm-figure: ...                                a measured time
#   @@vm unplug|replug DEVICE                     asks the host to pull a device out or plug it in
#   vm-mm: traced                                 the update beside ModemManager ran: the host checks
#                                                 the adapter card's trace of it
#   vm-check: N passed, N failed                  the last line
# Usage (in the guest): guest-checks.sh P42R_PROGRAM [DEVICES]
# DEVICES: "adapter", "uart" or both (the default), space-separated; the
# host gave the guest only those.
set -uo pipefail
p42r=$1
devices=" ${2:-adapter uart} "
passed=0
failed=0
work=$(mktemp -d "${TMPDIR:-/tmp}/p42r-vm.XXXXXX")
mkdir -m 700 "$work/root"
# A read on a FIFO nobody writes is a 10 ms pause without starting a process.
mkfifo "$work/pause"
exec {pause}<>"$work/pause"

uptime_s() { cut -d' ' -f1 /proc/uptime; }
difference() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
# Guest seconds since the last check ended, into $elapsed: each check
# prints its own time.
last_check=$(uptime_s)
took() {
  local now
  now=$(uptime_s)
  elapsed=$(difference "$last_check" "$now")
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
    read -r -t 0.01 -u "$pause" _
  done
  return 0
}
# Runs p42r with a deadline of its own; output to $work/NAME.out and .err.
run_p42r() {
  local name=$1
  shift
  timeout 120 "$p42r" --device-root "$work/root" "$@" >"$work/$name.out" 2>"$work/$name.err"
}
show() {
  sed "s/^/  $1: /" "$work/$1.out" "$work/$1.err" | tail -n 20
}
# One command: its exit code and its JSON's last line.
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

# The port of each device, or nothing while it is out.
usb_port() { [ -c /dev/ttyUSB0 ] && echo /dev/ttyUSB0; }
# The 8250 driver gives a pulled-out UART's slot back as a legacy port of the
# same name, so the UART is the ttyS port whose device is on the PCI bus.
uart_port() {
  local tty
  for tty in /sys/class/tty/ttyS*; do
    [ "$(readlink -f "$tty/device/subsystem")" = /sys/bus/pci ] && [ -c "/dev/${tty##*/}" ] &&
      echo "/dev/${tty##*/}" && return 0
  done
  return 1
}
# The UART's port under its PCI function: it goes when the driver lets go of
# the device (the port hung up), before the function itself is removed.
uart_function_port() { echo "$(readlink -f "/sys/class/tty/${1#/dev/}/device")/tty/${1#/dev/}"; }

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

# The adapter as `p42r ports` lists it; with udev, by its stable name too.
check_listed() {
  local name=$1 port=$2 filter byid status=0
  run_p42r "$name" ports --json || status=$?
  filter='.ports[] | select(.device == "'$port'" and .vendorId == "0403" and .productId == "6001")'
  if [ "$udev" = yes ]; then
    filter+=' | select(.byId != null and (.byId | startswith("/dev/serial/by-id/usb-QEMU_QEMU_USB_SERIAL")))'
  fi
  byid=$(jq -r "[$filter][0].byId // empty" "$work/$name.out" 2>/dev/null)
  if [ "$status" -ne 0 ] || ! jq -e "[$filter] | length == 1" "$work/$name.out" >/dev/null 2>&1; then
    fail "$name" "exit code $status, the adapter not listed as expected"
    show "$name"
  elif [ "$udev" = yes ] && [ "$(readlink -f "$byid")" != "$port" ]; then
    fail "$name" "$byid does not lead to $port"
  else
    ok "$name" "$port 0403:6001${byid:+ as $byid}"
  fi
}

# Every check over one device: DEVICE (the host's name for it), a PREFIX
# for the checks' names, the function that finds its port, and for the
# removal's time a kernel log line or "function" (the PCI function going).
check_device() {
  local device=$1 prefix=$2 find_port=$3 gone_line=$4 port status pulled ended seconds
  if ! wait_for 30 "$find_port" >/dev/null; then
    fail "${prefix}port" "no port after 30 s ($(dmesg | grep -i -E 'usb|ftdi|serial' | tail -n 3 | tr '\n' ' '))"
    return
  fi
  port=$($find_port)
  ok "${prefix}port" "$port is there after $(uptime_s) s of guest time"
  [ "$device" != adapter ] || check_listed ports "$port"
  check_command "${prefix}info" 0 '.ok and .hostDevice == "'$port'"' info --port "$port" --json
  check_command "${prefix}update" 0 '.ok and .update == "completed"' update --yes --json --port "$port"
  check_command "${prefix}apps" 0 '.ok and (.applications | length) > 0' apps --json --port "$port"

  # Pulled out in the middle of an update: the update ends as removed (10).
  # The time runs from the device going to the program's end, both on the
  # kernel log's clock.
  timeout 60 "$p42r" --device-root "$work/root" update --yes --json --port "$port" \
    >"$work/${prefix}unplug.out" 2>"$work/${prefix}unplug.err" &
  local updater=$! watcher=
  if [ "$gone_line" = function ]; then
    gone_line="p42r-vm: $device went"
    local vanishing
    vanishing=$(uart_function_port "$port")
    (wait_for 60 eval "[ ! -e '$vanishing' ]" && echo "$gone_line" >/dev/kmsg) &
    watcher=$!
  fi
  if wait_for 60 grep -q '"event":"progress"' "$work/${prefix}unplug.out"; then
    echo "@@vm unplug $device"
    status=0
    wait "$updater" || status=$?
    echo "p42r-vm: the update over $device ended" >/dev/kmsg
    [ -z "$watcher" ] || wait "$watcher"
    pulled=$(klog_time "$gone_line")
    ended=$(klog_time "p42r-vm: the update over $device ended")
    if [ -z "$pulled" ]; then
      fail "${prefix}unplug" "the update ended with $status, and the kernel saw no removal"
      show "${prefix}unplug"
    else
      seconds=$(difference "$pulled" "$ended")
      echo "vm-figure: ${prefix}unplug-to-exit $seconds s"
      if [ "$status" -ne 10 ] || ! tail -n 1 "$work/${prefix}unplug.out" | jq -e '.result == "removed"' >/dev/null 2>&1; then
        fail "${prefix}unplug" "exit code $status, expected 10 (removed)"
        show "${prefix}unplug"
      elif awk -v s="$seconds" 'BEGIN { exit !(s > 3) }'; then
        fail "${prefix}unplug" "the update ended as removed, but $seconds s after the device went"
      else
        ok "${prefix}unplug" "the update ended as removed (10) $seconds s of guest time after the device went"
      fi
    fi
  else
    fail "${prefix}unplug" "the update showed no progress"
    show "${prefix}unplug"
    kill "$updater" $watcher 2>/dev/null
    return
  fi

  # Plugged in again: listed and usable at once.
  wait_for 30 eval "! $find_port >/dev/null" || fail "${prefix}unplug" "$port still there 30 s after the device was pulled out"
  local asked there settled
  asked=$(uptime_s)
  echo "@@vm replug $device"
  if wait_for 30 "$find_port" >/dev/null; then
    there=$(uptime_s)
    [ "$udev" = no ] || udevadm settle --timeout=30
    settled=$(uptime_s)
    echo "vm-figure: ${prefix}replug-to-port $(difference "$asked" "$there") s, to-settled $(difference "$asked" "$settled") s"
    port=$($find_port)
    [ "$device" != adapter ] || check_listed replug-ports "$port"
    check_command "${prefix}replug-info" 0 '.ok and .hostDevice == "'$port'"' info --port "$port" --json
  else
    fail "${prefix}replug" "no port 30 s after the device was plugged in again"
  fi
}

# ModemManager running beside p42r, with the adapter marked for it as a
# modem's own udev rules mark a modem: it probes the card and makes a modem
# of it, and mmcli asks that modem for the signal every second while p42r
# updates the card. p42r asks ModemManager to leave the device alone for the
# run: the update ends well, and ModemManager has the modem back after it.
# The host then checks the card's trace: nothing reached the card between
# AT@KUPSTART and the update's last notice ("vm-mm: traced" tells it to).
mm_pids=()
modems() { mmcli -L -J 2>/dev/null | jq -e '."modem-list" | length > 0' >/dev/null; }
no_modems() { ! modems; }
check_modem_manager() {
  local missing= program
  for program in dbus-daemon ModemManager mmcli; do
    command -v "$program" >/dev/null || missing+=" $program"
  done
  if [ -n "$missing" ]; then
    echo "vm-check: skipped modemmanager: not installed on the host:$missing (packages dbus, modemmanager)"
    return
  fi
  if [ "$udev" = no ] || ! wait_for 30 usb_port; then
    echo "vm-check: skipped modemmanager: no udev or no adapter in the guest"
    return
  fi
  mkdir -p /run/udev/rules.d /run/dbus
  # The UART's checks are about its driver: ModemManager is kept off it.
  printf '%s\n' 'SUBSYSTEM=="tty", KERNEL=="ttyUSB[0-9]*", ENV{ID_MM_DEVICE_PROCESS}="1"' \
    'SUBSYSTEM=="tty", KERNEL=="ttyS[0-9]*", ENV{ID_MM_DEVICE_IGNORE}="1"' >/run/udev/rules.d/79-p42r-vm-modem.rules
  udevadm control --reload
  udevadm trigger --action=add --subsystem-match=tty
  udevadm settle --timeout=30
  dbus-daemon --system --fork --print-pid >"$work/dbus.pid"
  mm_pids+=("$(cat "$work/dbus.pid")")
  ModemManager --debug --log-file="$work/mm.log" --log-timestamps >/dev/null 2>&1 &
  mm_pids+=($!)
  local started made
  started=$(uptime_s)
  if ! wait_for 120 modems; then
    fail mm-modem "ModemManager made no modem of the card in 120 s"
    tail -n 15 "$work/mm.log" | sed 's/^/  mm: /'
    return
  fi
  made=$(uptime_s)
  echo "vm-figure: mm-modem-made $(difference "$started" "$made") s after ModemManager started"
  ok mm-modem "$(mmcli -L | tr -s ' ' | head -n 1)"
  check_listed_by_modem_manager mm-ports true

  # Refused: a user other than root may not inhibit a device (ModemManager's
  # bus policy keeps InhibitDevice for root), so p42r ends before touching
  # the card, naming ModemManager and the udev rule.
  local user_root status=0
  user_root=$(mktemp -d "${TMPDIR:-/tmp}/p42r-vm-user.XXXXXX")
  chown nobody "$user_root"
  local refused_at
  refused_at=$(uptime_s)
  setpriv --reuid=nobody --regid=nogroup --clear-groups timeout 60 "$p42r" --device-root "$user_root" \
    update --yes --json --port /dev/ttyUSB0 >"$work/mm-refused.out" 2>"$work/mm-refused.err" || status=$?
  echo "vm-figure: mm-refused p42r ended $(difference "$refused_at" "$(uptime_s)") s after it started"
  if [ "$status" -eq 6 ] && grep -q 'ModemManager manages /dev/ttyUSB0' "$work/mm-refused.err" &&
    grep -q '80-p42r-modemmanager.rules' "$work/mm-refused.err" && modems; then
    ok mm-refused "exit 6: $(cut -c 1-160 "$work/mm-refused.err")"
  else
    fail mm-refused "exit code $status, expected 6 naming ModemManager and the udev rule"
    show mm-refused
  fi

  # mmcli asks the modem every second, as ModemManager's own polling does.
  (while :; do
    timeout 20 mmcli -m any --command=AT+CSQ >>"$work/mm-poll.log" 2>&1
    read -r -t 1 -u "$pause" _
  done) &
  local poller=$!
  # The card answers ERROR to AT+CSQ, which mmcli reports as the modem's
  # unknown error: the query reached the card.
  local answered='response:|MobileEquipment'
  if ! wait_for 60 grep -q -E "$answered" "$work/mm-poll.log"; then
    fail mm-polling "mmcli's query reached no card in 60 s: $(tail -n 1 "$work/mm-poll.log")"
    kill "$poller"
    return
  fi
  ok mm-polling "mmcli's AT+CSQ reaches the card: $(grep -m1 -E "$answered" "$work/mm-poll.log" | cut -c 1-100)"
  local began ended asked inhibited
  asked=$(wc -l <"$work/mm-poll.log")
  began=$(date +%s.%N)
  status=0
  run_p42r mm-update update --yes --json --port /dev/ttyUSB0 || status=$?
  ended=$(date +%s.%N)
  echo "vm-mm: traced"
  inhibited=$(grep -m1 'device inhibition setup' "$work/mm.log" | sed -E 's/.*\[([0-9]+\.[0-9]+)\].*/\1/')
  echo "vm-figure: mm-update $(difference "$began" "$ended") s with mmcli polling" \
    "($(($(wc -l <"$work/mm-poll.log") - asked)) queries meanwhile)," \
    "ModemManager inhibited the device ${inhibited:+$(difference "$began" "$inhibited") s after p42r started}"
  if [ "$status" -eq 0 ] && tail -n 1 "$work/mm-update.out" |
    jq -e '.ok and .update == "completed" and (.message | contains("正常に完了"))' >/dev/null 2>&1; then
    ok mm-update "$(tail -n 1 "$work/mm-update.out" | cut -c 1-160)"
  else
    fail mm-update "exit code $status, expected 0 and the success text"
    show mm-update
  fi
  # After the run ModemManager takes the device back, makes its modem again
  # and mmcli's queries reach the card again.
  local polled
  polled=$(wc -l <"$work/mm-poll.log")
  if wait_for 120 eval 'tail -n +$((polled + 1)) "$work/mm-poll.log" | grep -q -E "$answered"'; then
    echo "vm-figure: mm-modem-back $(difference "$ended" "$(date +%s.%N)") s after p42r ended (mmcli answered again)"
    ok mm-back "ModemManager has the modem again: $(mmcli -L | tr -s ' ' | head -n 1)"
  else
    fail mm-back "mmcli's query reached no card for 120 s after p42r ended: $(tail -n 1 "$work/mm-poll.log")"
    tail -n 15 "$work/mm.log" | sed 's/^/  mm: /'
  fi
  kill "$poller" 2>/dev/null
  wait "$poller" 2>/dev/null
}

# `p42r ports --json` says whether ModemManager manages the adapter.
check_listed_by_modem_manager() {
  local status=0
  run_p42r "$1" ports --json || status=$?
  if [ "$status" -eq 0 ] && jq -e '.ports[] | select(.device == "/dev/ttyUSB0") | .modemManager == '"$2" \
    "$work/$1.out" >/dev/null 2>&1; then
    ok "$1" "/dev/ttyUSB0 modemManager $2"
  else
    fail "$1" "exit code $status, /dev/ttyUSB0 not listed with modemManager $2"
    show "$1"
  fi
}

if [[ $devices == *" adapter "* ]]; then
  check_device adapter "" usb_port 'USB disconnect'
  check_modem_manager
  # ModemManager goes before the UART's checks, which are about the driver.
  if [ ${#mm_pids[@]} -gt 0 ]; then
    kill "${mm_pids[@]}" 2>/dev/null
    wait_for 30 eval '! kill -0 ${mm_pids[*]} 2>/dev/null' || echo "vm-check: note: ModemManager did not end in 30 s"
  fi
fi
# `p42r ports` lists USB serial and ACM ports only, so the UART's checks
# leave the list out.
[[ $devices != *" uart "* ]] || check_device uart uart- uart_port function

echo "vm-check: $passed passed, $failed failed"
