#!/usr/bin/env bash
# The desktop entry as desktop-file-validate sees it: an error fails, and so
# does a warning or hint, since menus may drop or misfile such an entry.
# Usage: desktop-entry_test.sh DESKTOP_FILE
set -uo pipefail
if ! command -v desktop-file-validate >/dev/null; then
  echo "skipped: desktop-file-validate is not installed (desktop-file-utils)"
  exit 77
fi
report=$(desktop-file-validate "$1" 2>&1)
status=$?
if [ $status -ne 0 ] || [ -n "$report" ]; then
  echo "FAILED: desktop-file-validate $1 (exit $status):"
  echo "$report"
  exit 1
fi
echo "desktop-file-validate: $1 is clean"
