#!/usr/bin/env bash
# Installs the build with DESTDIR into a temporary tree, moves the tree and
# runs the installed programs from where it went: nothing may depend on the
# build folder or on where the tree was first put.
# Usage: installed-tree_test.sh BUILD_DIR SOURCE_DIR VERSION
set -uo pipefail
build=$1 top=$2 version=$3
work=$(mktemp -d)
trap "rm -rf \"$work\"" EXIT
. "$(dirname "$0")/check.sh"
DESTDIR=$work/staged cmake --install "$build" --prefix /usr --strip >"$work/install.log" || { cat "$work/install.log"; exit 1; }
mv "$work/staged" "$work/moved"
usr=$work/moved/usr
export HOME=$work/home XDG_DATA_HOME=$work/home/data
mkdir -p "$HOME"
cd "$work"

for program in p42r p42r-card desksetup-host; do
  check "$program --version prints $version" test "$("$usr/bin/$program" --version)" = "$program $version"
  check "$program has a manual page" test -s "$usr/share/man/man1/$program.1.gz"
done
newest=$(grep -m1 -oE '^## \[[0-9][^]]*\]' "$top/CHANGELOG.md" | tr -d '#[] ')
check "the newest CHANGELOG.md entry is $version, not $newest" test "$newest" = "$version"
check "the completion is where bash-completion looks" test -s "$usr/share/bash-completion/completions/p42r-card"
check "the desktop entry is where menus look" test -s "$usr/share/applications/p42r.desktop"
check "p42r-gui has p42r's manual page" test -s "$usr/share/man/man1/p42r-gui.1.gz"
qt=$(ldd "$usr/bin/p42r" | grep -i qt)
check "p42r links no Qt library: ${qt:-}" test -z "$qt"
glib=$(ldd "$usr/bin/p42r" | grep -i glib)
check "p42r links no GLib: ${glib:-}" test -z "$glib"
# `p42r ports` asks ModemManager through the module in the private folder,
# found from the moved program (the loader names each object it opens).
loaded=$(LD_DEBUG=files timeout 30 "$usr/bin/p42r" ports 2>&1 | grep -o 'file=[^[:space:]]*/p42r-modemmanager\.so' |
  head -n 1 | sed 's/^file=//')
loaded=$(realpath -m "${loaded:-none}")
check "the moved p42r loads its ModemManager module from the tree: $loaded" test "${loaded#"$usr"/lib/}" != "$loaded"
# A PNG starts with its signature, then the header chunk's width and height.
for size in 32 64 128; do
  icon=$usr/share/icons/hicolor/${size}x$size/apps/p42r.png
  header=$(od -An -tx1 -N24 "$icon" 2>&1 | tr -d ' \n')
  printf -v expected '89504e470d0a1a0a0000000d49484452%08x%08x' "$size" "$size"
  check "the ${size}x$size icon is a PNG of that size" test "$header" = "$expected"
done

# Script mode with the embedded card reaches the consumer menu (screen 15).
reply=$(printf 'wait screen 15 60000\nclose\n' | timeout 90 "$usr/bin/p42r" --ui=script --sim 2>&1)
check "p42r --ui=script --sim reaches the consumer menu" grep -qF '{"reply":"ok","screen":15}' <<<"$reply"

# A window asked of p42r is handed over to the window part beside it: the
# process becomes p42r-gui, the same process with the same arguments.
QT_QPA_PLATFORM=offscreen "$usr/bin/p42r" --ui=gui --sim >gui.out 2>&1 &
pid=$!
for _ in $(seq 300); do
  [ "$(readlink "/proc/$pid/exe")" != "$usr/bin/p42r-gui" ] || break
  sleep 0.1
done
check "p42r --ui=gui hands over to p42r-gui" test "$(readlink "/proc/$pid/exe")" = "$usr/bin/p42r-gui"
kill -TERM "$pid"
wait "$pid"

# Without the window part, the rest works as before and a window asked for
# names the package that brings it; the default choice is the terminal.
mv "$usr/bin/p42r-gui" "$work/p42r-gui.away"
reply=$(printf 'wait screen 15 60000\nclose\n' | timeout 90 "$usr/bin/p42r" --ui=script --sim 2>&1)
check "without p42r-gui, script mode reaches the consumer menu" grep -qF '{"reply":"ok","screen":15}' <<<"$reply"
check "without p42r-gui, p42r signal --sim works" timeout 90 "$usr/bin/p42r" signal --sim --json >signal.out 2>&1
said=$(timeout 30 "$usr/bin/p42r" --ui=gui --sim 2>&1)
status=$?
check "without p42r-gui, --ui=gui ends with 1, not $status" test $status -eq 1
check "without p42r-gui, --ui=gui names its package: $said" grep -qF "the window is not installed: it comes with the package p42r-gui" <<<"$said"
said=$(QT_QPA_PLATFORM=offscreen timeout 30 "$usr/bin/p42r" --sim </dev/null 2>&1)
check "without p42r-gui, the default with a display is the terminal: $said" grep -qF "cannot use this terminal" <<<"$said"
mv "$work/p42r-gui.away" "$usr/bin/p42r-gui"

# The example package, built from the installed sources with the installed
# 32-bit library, installed and removed in a scratch root by the installed host.
private=$(dirname "$(find "$usr/lib" -name DeskSetup.so)")
bash "$usr/share/p42r/build-package.sh" "$usr/share/p42r/example" example.msi package-work \
  "$usr/share/p42r/windows/x86/DeskSetup.dll" >/dev/null
check "the x64 library is installed" test -s "$usr/share/p42r/windows/x64/DeskSetup.dll"
root=$work/root
mkdir -p "$root/Program Files/App Manager"
ln -s "$private/ceappmgr" "$root/Program Files/App Manager/ceappmgr.exe"
"$usr/bin/desksetup-host" install example.msi --root "$root" >install.out 2>&1
check "desksetup-host installs the example package" grep -q 'install "P42R Update"' install.out
check "the example's files are written" test -s "$root/Program Files/P42R/Desktop Setup/Update/P42RUpdate.ARM.cab"
for action in remove cleanup; do
  "$usr/bin/desksetup-host" "$action" example.msi --root "$root" >"$action.out" 2>&1 || cat "$action.out"
done
check "remove and cleanup leave nothing of the example" test ! -e "$root/Program Files/P42R"

# Ansible finds the installed collection where it looks for system-wide ones.
if command -v ansible-doc >/dev/null; then
  ANSIBLE_COLLECTIONS_PATH=$usr/share/ansible/collections ansible-doc p42r.card.p42r_update >doc.out 2>&1
  check "ansible-doc shows the installed p42r.card.p42r_update" grep -qF "Runs the card's phone update" doc.out
fi

# Nothing installed names the build or source folder (RUNPATH, scripts,
# pages). The Windows builds are left out: cmake cannot strip them, and a
# debug build keeps their debug information (the packages' are release builds).
leaks=$(grep -rlF --exclude=DeskSetup.dll -e "$build" -e "$top" "$work/moved")
check "no installed file names a build path: ${leaks:-}" test -z "$leaks"
[ $failed -eq 0 ] && echo "the moved tree works: $(find "$work/moved" -type f | wc -l) files"
exit $failed
