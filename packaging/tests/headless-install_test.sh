#!/usr/bin/env bash
# Installs the p42r package alone into a minimal Debian chroot (one without
# Qt, X or fonts), runs a whole phone update there against the embedded
# simulated card, then installs p42r-gui and opens the window on an Xvfb
# display of the host. Needs root, a chroot made with
#   debootstrap --variant=minbase bookworm CHROOT MIRROR
# (its apt source reaches the mirror for the dependencies), and Xvfb and
# xwininfo on the host for the window. Skips (77) and says why when
# something is missing; too slow and too networked for every test run.
# Usage: headless-install_test.sh PACKAGE_DIR CHROOT
set -uo pipefail
packages=$1 root=$2
skip() { echo "skipped: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "needs root to use the chroot"
[ -x "$root/usr/bin/apt-get" ] || skip "no chroot at $root (make one with debootstrap --variant=minbase)"
for deb in p42r p42r-gui; do
  compgen -G "$packages/${deb}_*.deb" >/dev/null || skip "no ${deb}_*.deb in $packages (scripts/package.sh makes it)"
done
command -v Xvfb >/dev/null && command -v xwininfo >/dev/null || skip "Xvfb and xwininfo are needed for the window"

. "$(dirname "$0")/check.sh"
mounts=()
cleanup() {
  [ -z "${xvfb:-}" ] || kill "$xvfb" 2>/dev/null
  # What the window started may still hold a device for a moment.
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}"; done
}
trap cleanup EXIT
# The update runs on a pseudo-terminal and the program finds itself in /proc.
for fs in proc dev dev/pts tmp/.X11-unix; do
  mkdir -p "/$fs" "$root/$fs"
  mount --bind "/$fs" "$root/$fs" && mounts+=("$root/$fs")
done
inside() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

rm -rf "$root/tmp/debs" && mkdir -p "$root/tmp/debs" && cp "$packages"/p42r_*.deb "$packages"/p42r-gui_*.deb "$root/tmp/debs/"
core=/tmp/debs/$(basename "$packages"/p42r_*.deb) window=/tmp/debs/$(basename "$packages"/p42r-gui_*.deb)
inside apt-get -qq update
# A run before this one leaves its packages: the check starts from none of them.
inside apt-get -qq -y purge --autoremove p42r-gui p42r >/dev/null 2>&1
inside apt-get -qq -y install "$core" >"$root/tmp/install.log" 2>&1 || cat "$root/tmp/install.log"
qt=$(inside dpkg -l | grep -iE 'libqt|font')
check "p42r alone brings neither Qt nor a font: ${qt:-}" test -z "$qt"
result=$(inside timeout 120 p42r update --yes --sim=update-fast --json | tail -1)
check "the update ends on the success text: $result" grep -qF '"message":"ケータイアップデートが正常に完了しました。"' <<<"$result"
said=$(inside p42r --ui=gui --sim 2>&1)
check "without p42r-gui the window names its package: $said" grep -qF "package p42r-gui" <<<"$said"

inside apt-get -qq -y install "$window" >"$root/tmp/install.log" 2>&1 || cat "$root/tmp/install.log"
display=:$((RANDOM % 400 + 100))
Xvfb "$display" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do xwininfo -root -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
inside env DISPLAY="$display" p42r --ui=gui --sim >"$root/tmp/gui.log" 2>&1 &
gui=$!
for _ in $(seq 300); do
  xwininfo -root -tree -display "$display" 2>/dev/null | grep -qF 'ケータイアップデート' && break
  sleep 0.1
done
check "p42r-gui opens the window on Xvfb ($(cat "$root/tmp/gui.log"))" \
  bash -c "xwininfo -root -tree -display '$display' | grep -qF 'ケータイアップデート'"
kill -TERM "$gui" 2>/dev/null
wait "$gui" 2>/dev/null
[ $failed -eq 0 ] && echo "p42r installs and updates without Qt; p42r-gui opens the window"
exit $failed
