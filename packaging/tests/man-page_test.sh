#!/usr/bin/env bash
# Fails when an option is in PROGRAM's --help (or one of its commands'
# --help) and not in its manual page, or in the page and not in any --help.
# Usage: man-page_test.sh PROGRAM PAGE
set -uo pipefail
program=$1 page=$2
here=$(cd "$(dirname "$0")" && pwd)
options() { grep -oE '(^|[[:space:],[(|=])--?[A-Za-z][-A-Za-z0-9]*' | sed -E 's/^[^-]*//' | sort -u; }
helps=$("$program" --help)
for command in $(bash "$here/../man/help-commands.sh" "$program"); do
  helps+=$'\n'$("$program" "$command" --help)
done
# The page as text: roff minus signs, font changes and comments undone.
in_help=$(options <<<"$helps")
in_page=$(grep -v '^\.\\"' "$page" | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' -e 's/\\[,\/&]//g' | options)
only_help=$(comm -23 <(echo "$in_help") <(echo "$in_page"))
only_page=$(comm -13 <(echo "$in_help") <(echo "$in_page"))
[ -z "$only_help" ] || echo "in --help but not in $page:" $only_help
[ -z "$only_page" ] || echo "in $page but in no --help:" $only_page
[ -z "$only_help$only_page" ] && echo "$(wc -l <<<"$in_help") options, the same in --help and the page"
