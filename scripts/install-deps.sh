#!/usr/bin/env bash
# Installs the Debian packages of scripts/debian-packages.txt that are missing.
# A package written NAME:ARCH (wine32:i386) needs that foreign architecture;
# it is added to dpkg once, only when it is not there yet. Runs apt-get
# update once, and only when something has to be installed; prints nothing
# when everything is present.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t wanted < <(grep -v -E '^\s*(#|$)' "$here/debian-packages.txt" | sed -e 's/[[:space:]]*$//')
missing=()
for pkg in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages: ${missing[*]}" >&2
  echo "install-deps: run this script as root (or install them with apt-get)" >&2
  exit 1
fi

native=$(dpkg --print-architecture)
foreign=()
for pkg in "${missing[@]}"; do
  case "$pkg" in
    *:*)
      arch=${pkg##*:}
      if [ "$arch" != "$native" ] && [ "$arch" != all ] && [ "$arch" != any ] &&
        ! dpkg --print-foreign-architectures | grep -qx "$arch" &&
        ! printf '%s\n' "${foreign[@]}" | grep -qx "$arch"; then
        foreign+=("$arch")
      fi
      ;;
  esac
done
for arch in "${foreign[@]}"; do
  echo "install-deps: adding the $arch architecture to dpkg" >&2
  dpkg --add-architecture "$arch"
done

echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
