#!/usr/bin/env bash
# Builds one test package from its IDT sources.
# Usage: build-package.sh [--platform x64] SOURCE_DIR OUTPUT.msi WORK_DIR [BINARY_FILE ...]
# The package is for 32-bit x86 ("Intel") unless --platform names another
# summary platform.
# The IDT files and Binary/ of SOURCE_DIR are copied to WORK_DIR, each
# BINARY_FILE (a build product such as the custom-action DLL) is copied
# into Binary/ under its own name, the package's generate.sh (if any) makes
# the rest of Binary/ there (cabinets, icons, streams of given sizes), and
# msibuild imports every table.
set -euo pipefail
platform=Intel
if [ "${1:-}" = --platform ]; then
  platform=$2
  shift 2
fi
source_dir=$(cd "$1" && pwd)
output=$(realpath -m "$2")
work=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)
shift 3

rm -rf "$work"
mkdir -p "$work/Binary"
cp "$source_dir"/*.idt "$work/"
if [ -d "$source_dir/Binary" ]; then
  cp "$source_dir"/Binary/* "$work/Binary/"
fi
for file in "$@"; do
  cp "$file" "$work/Binary/"
done
if [ -f "$source_dir/generate.sh" ]; then
  (cd "$work/Binary" && PAYLOAD_HELPERS="$here/payload.sh" bash "$source_dir/generate.sh")
fi

rm -f "$output"
tables=()
for table in "$work"/*.idt; do
  tables+=(-i "$(basename "$table")")
done
(cd "$work" && msibuild "$output" "${tables[@]}")
(cd "$work" && msibuild "$output" -s "P42R Desktop Setup test package" "P42R" "$platform;1033" \
  "{5C1D2E3F-9999-4A5B-9C8D-1E2F3A4B5C6D}")
