#!/usr/bin/env bash
# The completion of p42r and p42r-card in a bash with bash-completion
# loaded: each case is a command line and words that must (or, after "!",
# must not) be offered for its last word.
# Usage: completion_test.sh COMPLETION_FILE DIR_OF_P42R DIR_OF_P42R_CARD
set -uo pipefail
helpers=/usr/share/bash-completion/bash_completion
if [ ! -r "$helpers" ]; then
  echo "skipped: bash-completion is not installed ($helpers)"
  exit 77
fi
PATH=$2:$3:$PATH
# shellcheck disable=SC1090
source "$helpers"
source "$1"
compopt() { :; }  # only a real completion may change its options
failed=0
offers() {  # offers LINE WORD...
  local line=$1
  shift
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *' ' ]] && COMP_WORDS+=('')
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMP_LINE=$line COMP_POINT=${#line}
  COMPREPLY=()
  _p42r
  local word offered
  for word in "$@"; do
    offered=no
    printf '%s\n' "${COMPREPLY[@]}" | grep -qxF -- "${word#!}" && offered=yes
    if [[ ($word == !* && $offered == yes) || ($word != !* && $offered == no) ]]; then
      echo "FAILED: '$line' offers [${COMPREPLY[*]}], expected $word"
      failed=1
    fi
  done
}
offers 'p42r --po' --port '!--ui='
offers 'p42r --u' --ui=
offers 'p42r --sim=update-f' update-fast
offers 'p42r --entry ad' admin-connection admin-id
offers 'p42r-card --scen' --scenario
offers 'p42r-card --scenario no' normal '!update-fast'
offers 'p42r-card --ver' --version
[ $failed -eq 0 ] && echo "completion: every case passed"
exit $failed
