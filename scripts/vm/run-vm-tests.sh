#!/usr/bin/env bash
# The test bed with a real kernel: boots a small virtual machine (qemu,
# software emulation, one vCPU) on Debian's own kernel package, with an
# emulated FTDI USB serial adapter and a 16550 UART on a hot-pluggable PCI
# slot, each with a simulated card on a host pty at its far end, and runs
# guest-checks.sh inside it on the host's own programs (the host's file
# system is shared read-only over 9p). The guest's drivers (ftdi_sio, 8250),
# udev and hang-ups are real; the host pulls a device out and plugs it in
# again through qemu's monitor when the guest asks. Where the host has
# ModemManager and the D-Bus daemon, the guest runs them beside p42r too.
#
# Usage: scripts/vm/run-vm-tests.sh P42R P42R_CARD [DEVICE ...]
# DEVICE is adapter (its checks, then ModemManager's beside it) or uart;
# without one, both, one after the other in one guest. The test suite runs
# each in a guest of its own, so the two run at once.
# The kernel package and its extracted tree are kept in a cache outside the
# clone (scripts/vm/fetch-kernel.sh says where). Each stage prints its time
# ("=== stage NAME: SECONDS s").
# Exit codes: 0 every check passed, 1 a check failed or the guest did not
# finish, 2 bad usage, 77 skipped (no qemu, no kernel package, no static
# busybox, no jq): "skipped because: REASON".
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
usage() {
  echo "usage: $0 P42R P42R_CARD [adapter|uart ...]" >&2
  exit 2
}
[ $# -ge 2 ] || usage
p42r=$(realpath "$1")
card=$(realpath "$2")
shift 2
chosen=("$@")
[ ${#chosen[@]} -gt 0 ] || chosen=(adapter uart)
declare -A named=()
for device in "${chosen[@]}"; do
  case "$device" in adapter | uart) ;; *) usage ;; esac
  [ -z "${named[$device]:-}" ] || usage
  named[$device]=1
done
skip() {
  echo "skipped because: $*"
  exit 77
}
say() { echo "vm: $*"; }
stage_started=$SECONDS
stage() {
  echo "=== stage $1: $((SECONDS - stage_started)) s"
  stage_started=$SECONDS
}

qemu=$(command -v qemu-system-x86_64) || skip "qemu-system-x86_64 is not installed (package qemu-system-x86)"
busybox=/bin/busybox
[ -x "$busybox" ] && ! ldd "$busybox" >/dev/null 2>&1 ||
  skip "no static busybox for the guest's initramfs (package busybox-static)"
command -v jq >/dev/null || skip "jq is not installed (package jq)"

tree=$(bash "$here/fetch-kernel.sh") || skip "$tree"
version=$(ls "$tree/lib/modules")
kernel=$tree/boot/vmlinuz-$version
stage vm-kernel

work=$(mktemp -d "${TMPDIR:-/tmp}/p42r-vm.XXXXXX")
card_pids=()
qemu_pid=
cleanup() {
  [ -z "$qemu_pid" ] || kill "$qemu_pid" 2>/dev/null
  [ ${#card_pids[@]} -eq 0 ] || kill "${card_pids[@]}" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# The initramfs: busybox, the init script and the drivers that are modules in
# this kernel, in the order they load (a module after what it depends on).
modules_dir=$tree/lib/modules/$version
wanted=(virtio_pci 9pnet_virtio 9p xhci_pci ftdi_sio)
mkdir -p "$work/initramfs/bin" "$work/initramfs/modules" "$work/initramfs/"{proc,sys,dev}
cp "$busybox" "$work/initramfs/bin/busybox"
cp "$here/init" "$work/initramfs/init"
# The guest loads the program over 9p under software emulation, at every
# one of its starts: a copy without the debugging sections (and its
# ModemManager module beside it, where the program looks) loads in a
# fraction of the time. Without objcopy the build's own is used.
# The guest's unprivileged user runs it too: the folders let it in.
guest_p42r=$p42r
mkdir -m 755 "$work/bin"
chmod 755 "$work"
if objcopy --strip-debug "$p42r" "$work/bin/p42r" 2>/dev/null; then
  guest_p42r=$work/bin/p42r
  module=$(dirname "$p42r")/p42r-modemmanager.so
  [ ! -f "$module" ] || objcopy --strip-debug "$module" "$work/bin/p42r-modemmanager.so" ||
    cp "$module" "$work/bin/"
fi
printf '%s\n' "$here/guest-checks.sh" "$guest_p42r" "${chosen[*]}" >"$work/initramfs/checks"
chmod 755 "$work/initramfs/init"
for name in "${wanted[@]}"; do
  pattern=${name//[-_]/[-_]}
  line=$(grep -E "/$pattern\.ko:" "$modules_dir/modules.dep") ||
    { grep -q -E "/$pattern\.ko$" "$modules_dir/modules.builtin" && continue; } ||
    skip "the kernel has no driver $name"
  # modules.dep lists a module, then what it needs, deepest last: load in reverse.
  read -r -a chain <<<"${line/:/}"
  for ((i = ${#chain[@]} - 1; i >= 0; i--)); do
    module=$(basename "${chain[$i]}" .ko)
    grep -qx "$module" "$work/initramfs/modules/order" 2>/dev/null && continue
    cp "$modules_dir/${chain[$i]}" "$work/initramfs/modules/$module.ko"
    echo "$module" >>"$work/initramfs/modules/order"
  done
done
(cd "$work/initramfs" && find . | "$busybox" cpio -o -H newc 2>/dev/null | gzip -1 >"$work/initramfs.cpio.gz")
stage vm-initramfs

# A card on a host pty for each device: the USB serial adapter and the PCI
# UART. Their update notices come every 400 ms, so an update lasts long
# enough to be interrupted. Each card's traffic goes to its .err file.
start_card() {
  mkdir -m 700 "$work/$1"
  "$card" --device-root "$work/$1" --scenario normal --pacing 400 --trace >"$work/$1.out" 2>"$work/$1.err" &
  card_pids+=($!)
  for _ in $(seq 100); do
    [ -s "$work/$1.out" ] && break
    sleep 0.1
  done
  pty=$(awk 'NR == 1 { print $1 }' "$work/$1.out")
  if [ ! -c "$pty" ]; then
    say "the simulated card for the $1 did not start: $(cat "$work/$1.err")"
    exit 1
  fi
  say "the $1's card is on $pty"
}
# The devices as qemu's monitor adds them again after pulling them out.
declare -A devices=(
  [adapter]=usb-serial,bus=xhci.0,chardev=adapter-card,id=adapter
  [uart]=pci-serial,bus=pci.0,chardev=uart-card,id=uart
)
device_options=()
for device in "${chosen[@]}"; do
  start_card "$device"
  device_options+=(-chardev "serial,path=$pty,id=$device-card" -device "${devices[$device]}")
done
monitor_socket=$work/monitor.sock
"$qemu" -machine pc,accel=tcg -cpu max -smp 1 -m 1024 -nodefaults -display none -no-reboot \
  -kernel "$kernel" -initrd "$work/initramfs.cpio.gz" \
  -append "console=ttyS0 quiet panic=-1" \
  -serial "file:$work/console.log" \
  -monitor "unix:$monitor_socket,server=on,wait=off" \
  -fsdev local,id=hostroot,path=/,security_model=none,readonly=on,multidevs=remap \
  -device virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot \
  -device qemu-xhci,id=xhci \
  "${device_options[@]}" >"$work/qemu.log" 2>&1 &
qemu_pid=$!

# A card whose adapter was pulled out mid-update goes on to the update's end,
# as a real one does; a port plugged in meanwhile gets its late notices
# among the answers to the next identification. The checks after a replug
# are of a card that is done: wait (up to 30 s) until each update the card
# was asked for has sent its last notice.
wait_until_card_idle() {
  local trace=$work/$1.err begun=$SECONDS
  while [ $((SECONDS - begun)) -lt 30 ]; do
    if [ "$(grep -c 'card <- AT@KUPSTART' "$trace")" -le "$(grep -c 'card -> .*RSTNOTICPL' "$trace")" ]; then
      say "the $1's card ended its update $((SECONDS - begun)) s after the replug was asked for"
      return 0
    fi
    sleep 0.1
  done
  say "the $1's card did not end its update in 30 s"
}

# One command to qemu's monitor; its answer is printed.
monitor() {
  perl -MIO::Socket::UNIX -e '
    my $socket = IO::Socket::UNIX->new(Peer => $ARGV[0]) or die "cannot reach the monitor: $!\n";
    my ($seen, $answer) = (0, "");
    local $SIG{ALRM} = sub { die "the monitor did not answer\n" };
    alarm 10;
    while (sysread($socket, my $chunk, 4096)) {
      $answer .= $chunk;
      if (!$seen && $answer =~ /\(qemu\) $/) { print $socket "$ARGV[1]\n"; $seen = 1; $answer = ""; next }
      last if $seen && $answer =~ /\(qemu\) $/;
    }
    $answer =~ s/\r//g; $answer =~ s/^.*?\n//; $answer =~ s/\(qemu\) $//;
    print $answer;' "$monitor_socket" "$1"
}

# Follows the guest's console until the guest powers off or time runs out.
limit=${P42R_VM_TIMEOUT:-480}
started=$SECONDS
handled=0
booted=no
while kill -0 "$qemu_pid" 2>/dev/null; do
  if [ $((SECONDS - started)) -ge "$limit" ]; then
    say "the guest did not finish in $limit s"
    kill "$qemu_pid"
    break
  fi
  if [ "$booted" = no ] && grep -q '^vm-init: ready' "$work/console.log" 2>/dev/null; then
    booted=yes
    stage vm-boot
  fi
  mapfile -t requests < <(grep -a '^@@vm ' "$work/console.log" 2>/dev/null)
  while [ "$handled" -lt "${#requests[@]}" ]; do
    request=${requests[$handled]%$'\r'}
    handled=$((handled + 1))
    device=${request#@@vm * }
    if [ -z "${devices[$device]:-}" ]; then
      say "the guest asked for an unknown device: $request"
      continue
    fi
    case "$request" in
      "@@vm unplug "*) say "pulling the $device out"; monitor "device_del $device" ;;
      "@@vm replug "*)
        wait_until_card_idle "$device"
        say "plugging the $device in again"
        monitor "device_add ${devices[$device]}"
        ;;
    esac
  done
  sleep 0.05
done
wait "$qemu_pid" 2>/dev/null
qemu_pid=
stage vm-checks

tr -d '\r' <"$work/console.log" | grep -a -v '^@@vm ' | sed 's/^/guest: /'
if [ -s "$work/qemu.log" ]; then
  sed 's/^/qemu: /' "$work/qemu.log"
fi
summary=$(tr -d '\r' <"$work/console.log" | grep -a -E '^vm-check: [0-9]+ passed, [0-9]+ failed$' | tail -n 1)
if [ -z "$summary" ]; then
  say "the guest's checks did not finish"
  exit 1
fi
read -r passed failed < <(echo "$summary" | sed -E 's/^vm-check: ([0-9]+) passed, ([0-9]+) failed$/\1 \2/')

# The update beside ModemManager was the adapter card's last complete one:
# from its AT@KUPSTART to its last notice the card must have received
# nothing at all, while mmcli's AT+CSQ reached it before and after.
if grep -a -q '^vm-mm: traced' "$work/console.log"; then
  window=$(awk '/card <- AT@KUPSTART/ { inside = 1; got = ""; next }
    inside && /card <- / { got = got "\n  " $0 }
    inside && /card -> .*RSTNOTICPL/ { inside = 0; last = got; complete = 1 }
    END { if (!complete) print "no complete update"; else printf "%s", last }' "$work/adapter.err")
  # What the card received, in order: ModemManager types some commands a
  # character at a time, so a command may come in several pieces.
  received() { sed -n 's/.*card <- //p' | tr -d '\n' | sed 's/<CR>/ /g; s/<LF>//g; s/<NUL>//g'; }
  polled=$(received <"$work/adapter.err" | grep -o 'AT+CSQ' | wc -l)
  # What came after it: ModemManager probing the card again, and its queries.
  after=$(awk '/card -> .*RSTNOTICPL/ { end = NR } END { print end + 1 }' "$work/adapter.err")
  say "after the update the card received: $(tail -n +"$after" "$work/adapter.err" | received | cut -c 1-400)"
  if [ -z "$window" ] && [ "$polled" -gt 0 ]; then
    echo "vm-check: ok mm-quiet: nothing reached the card during the update; mmcli's AT+CSQ reached it $polled times outside it"
    passed=$((passed + 1))
  else
    echo "vm-check: FAIL mm-quiet: during the update the card received:${window:- nothing}; AT+CSQ reached it $polled times"
    failed=$((failed + 1))
  fi
fi
echo "$passed passed, $failed failed"
if [ "$failed" -ne 0 ]; then
  # What each card heard and said last, to read beside the failed check.
  for device in "${chosen[@]}"; do
    tail -n 40 "$work/$device.err" | sed "s/^/$device card: /"
  done
  exit 1
fi
