#!/usr/bin/env bash
# Prints the commands that PROGRAM's --help lists, one a line: the first
# word of each entry under a heading that ends in "commands:" (such as
# "Commands:" or "SUBCOMMANDS:"), up to the next heading or blank line.
# Lines indented deeper than the first entry continue a description.
# Usage: help-commands.sh PROGRAM
set -euo pipefail
"$1" --help | awk '
  tolower($0) ~ /^[a-z ]*commands:[[:space:]]*$/ { inside = 1; indent = -1; next }
  inside && (/^[^[:space:]]/ || /^[[:space:]]*$/) { inside = 0 }
  inside && match($0, /^[[:space:]]+/) {
    if (indent < 0) indent = RLENGTH
    if (RLENGTH == indent && $1 ~ /^[a-z][-a-z0-9]*$/) print $1
  }'
