#!/usr/bin/env bash
# Writes the packages' changelog.gz, in the form Debian's tools read, from
# CHANGELOG.md: one entry per released version ("## [X.Y.Z] - YYYY-MM-DD"),
# each list item of its sections an item of the entry, prefixed with the
# section's name ("Added: ...") and wrapped to 78 columns.
# Usage: debian-changelog.sh CHANGELOG.md "NAME <ADDRESS>" OUTPUT.gz
set -euo pipefail
source=$1 maintainer=$2 output=$3
LC_ALL=C.UTF-8 awk -v maintainer="$maintainer" '
  function flush_item(   count, words, i, line) {
    if (item == "") return
    count = split(item, words, " ")
    line = "  *"
    for (i = 1; i <= count; i++) {
      if (length(line) + 1 + length(words[i]) > 78) { print line; line = "   " }
      line = line " " words[i]
    }
    print line
    item = ""
  }
  function close_entry() {
    flush_item()
    if (version != "") printf "\n -- %s  %s\n\n", maintainer, stamp
    version = ""
  }
  /^## \[[0-9][^]]*\]/ {
    close_entry()
    version = $2; gsub(/[][]/, "", version)
    cmd = "date -u -R -d " $4 " 2>/dev/null"; stamp = ""; cmd | getline stamp; close(cmd)
    if (stamp == "") { print "no date in: " $0 > "/dev/stderr"; exit 1 }
    printf "p42r (%s) unstable; urgency=medium\n\n", version
    next
  }
  /^## / { close_entry(); next }
  version == "" { next }
  /^### / { flush_item(); section = substr($0, 5); next }
  /^- / { flush_item(); item = section ": " substr($0, 3); next }
  /^ +[^ ]/ && item != "" { sub(/^ +/, ""); item = item " " $0; next }
  { flush_item() }
  END { close_entry() }
' "$source" | gzip -9n >"$output"
