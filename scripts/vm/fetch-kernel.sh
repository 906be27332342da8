#!/usr/bin/env bash
# The test bed's kernel: the version Debian's linux-image-amd64 depends on,
# downloaded and unpacked once into a cache outside the clone
# ($P42R_VM_CACHE, or /var/cache/p42r-vm when writable, or
# ${XDG_CACHE_HOME:-~/.cache}/p42r-vm), with its modules' dependencies
# worked out by the static busybox. When that version cannot be had, the
# newest one already in the cache. The test command runs this beside its
# first build, so the test bed finds the kernel there.
#
# Usage: scripts/vm/fetch-kernel.sh
# Prints the unpacked package's folder. Exit codes: 0 done, 1 no kernel
# (the reason is printed instead of the folder), 2 bad usage.
set -uo pipefail
if [ $# -ne 0 ]; then
  echo "usage: $0" >&2
  exit 2
fi
none() {
  echo "$*"
  exit 1
}
busybox=/bin/busybox
[ -x "$busybox" ] && ! ldd "$busybox" >/dev/null 2>&1 ||
  none "no static busybox to work out the kernel modules' dependencies (package busybox-static)"

if [ -n "${P42R_VM_CACHE:-}" ]; then
  cache=$P42R_VM_CACHE
elif [ -w /var/cache ]; then
  cache=/var/cache/p42r-vm
else
  cache=${XDG_CACHE_HOME:-$HOME/.cache}/p42r-vm
fi
mkdir -p "$cache" || none "cannot create the cache $cache"

package=$(apt-cache depends linux-image-amd64 2>/dev/null |
  awk '$1 == "Depends:" && $2 ~ /^linux-image-[0-9]/ { print $2; exit }')
why="linux-image-amd64 is not in the package lists (apt-get update)"
if [ -n "$package" ] && [ ! -d "$cache/$package/boot" ]; then
  echo "vm: downloading $package into $cache" >&2
  # Each run downloads and unpacks in a folder of its own, so that two runs
  # at once do not trip over each other; the first to finish is kept.
  download=$(mktemp -d "$cache/download.XXXXXX")
  if ! log=$(cd "$download" && apt-get download "$package" 2>&1); then
    why="apt-get download $package failed: $(echo "$log" | grep -E '^(E|W):' | head -n 1)"
  elif ! dpkg-deb -x "$download"/"$package"_*.deb "$download/tree" ||
    ! "$busybox" depmod -b "$download/tree" "$(ls "$download/tree/lib/modules")"; then
    why="$package could not be unpacked"
  else
    mv -T "$download/tree" "$cache/$package" 2>/dev/null || [ -d "$cache/$package/boot" ] ||
      why="$package could not be moved into $cache"
  fi
  rm -rf "$download"
fi
if [ -z "$package" ] || [ ! -d "$cache/$package/boot" ]; then
  package=$(cd "$cache" && ls -d linux-image-*/boot 2>/dev/null | sort -V | tail -n 1)
  package=${package%/boot}
  [ -n "$package" ] || none "no kernel package: $why, and none is cached in $cache"
  echo "vm: using the cached $package ($why)" >&2
fi
tree=$cache/$package
version=$(ls "$tree/lib/modules")
[ -f "$tree/boot/vmlinuz-$version" ] || none "the kernel package $package has no kernel image"
if [ ! -f "$tree/lib/modules/$version/modules.dep" ]; then
  "$busybox" depmod -b "$tree" "$version" || none "cannot work out the kernel modules' dependencies"
fi
echo "$tree"
