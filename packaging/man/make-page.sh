#!/usr/bin/env bash
# Makes a program's manual page with help2man from its own --help and
# --version, so that the page cannot drift from the program; the
# hand-written sections (files, examples, see also) come from an include
# file. Each command the program lists (help-commands.sh) gets a
# subsection of COMMANDS with that command's --help. Writes OUTPUT and
# OUTPUT.gz (gzip -9n, as Debian wants it).
# Usage: make-page.sh PROGRAM DESCRIPTION INCLUDE.h2m OUTPUT
set -euo pipefail
program=$1 description=$2 include=$3 output=$4
here=$(cd "$(dirname "$0")" && pwd)
commands=$(mktemp)
trap 'rm -f "$commands"' EXIT
name=$(basename "$program")
mapfile -t names < <(bash "$here/help-commands.sh" "$program")
if [ ${#names[@]} -gt 0 ]; then
  echo "[COMMANDS]" >"$commands"
  for command in "${names[@]}"; do
    printf '.SS "%s %s"\n.nf\n' "$name" "$command"
    # Shown as written: backslashes and leading dots escaped, minus signs kept as such.
    "$program" "$command" --help | sed -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/" -e 's/-/\\-/g'
    printf '.fi\n'
  done >>"$commands"
fi
includes=(--include="$include")
[ ! -s "$commands" ] || includes+=(--include="$commands")
mkdir -p "$(dirname "$output")"
help2man --no-info --section=1 --name="$description" "${includes[@]}" --output="$output" "$program"
gzip -9n -c "$output" >"$output.gz"
