#!/usr/bin/env bash
# Builds the Debian packages in build/package/: p42r_VERSION_amd64.deb (the
# handheld program, the simulated card, their manual pages, completion and
# documentation; no toolkit), p42r-gui_VERSION_amd64.deb (the window part,
# the desktop entry and icons) and p42r-desktop_VERSION_amd64.deb
# (DeskSetup's Windows builds, its Linux host and stand-in, the example
# package) and p42r-ansible_VERSION_all.deb (the Ansible collection), from an optimised build with Debian's hardening flags in
# build/package-build, then checks them with lintian.
#
# Installs the Debian packages the build needs first
# (scripts/packages/package.txt; as root, see scripts/install-deps.sh).
# Exit codes: 0 the packages were built and lintian reports no error (or
# lintian is not installed, which is said), 1 otherwise.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/install-deps.sh package
. scripts/compiler-cache.sh "$top"
build=$top/build/package-build
out=$top/build/package

# Debian's flags with all its hardening, source paths made relative (no
# build path in a binary), for the Linux build only: the Windows builds'
# linker knows none of them, so they are not put into the environment.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DP42R_BUILD_TESTS=OFF \
  -DCMAKE_C_FLAGS="$(flags CFLAGS) $(flags CPPFLAGS)" -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" -DCMAKE_SHARED_LINKER_FLAGS="$(flags LDFLAGS)" \
  -DCMAKE_MODULE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"
for needed in desktop/bin/DeskSetup.dll desktop/bin/x64/DeskSetup.dll packaging/man/p42r.1.gz; do
  if [ ! -e "$build/$needed" ]; then
    echo "package: $needed was not built (see the warnings of the configure step)" >&2
    exit 1
  fi
done

rm -rf "$out"
(cd "$build" && cpack -B "$out" >/dev/null)
rm -rf "$out/_CPack_Packages"
ls -l "$out"/*.deb
# A headless machine takes p42r alone: neither Qt nor a font may come with it.
depends=$(dpkg-deb -f "$out"/p42r_*.deb Depends)
if grep -qiE 'qt|font' <<<"$depends"; then
  echo "package: p42r depends on a toolkit or a font: $depends" >&2
  exit 1
fi

if ! command -v lintian >/dev/null; then
  echo "package: lintian skipped: it is not installed (scripts/install-deps.sh package installs it)"
  exit 0
fi
# The warnings that stay are explained in the README ("Install").
lintian --fail-on error --info "$out"/*.deb
