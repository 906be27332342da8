#!/usr/bin/env bash
# The collection with Ansible itself: built and installed as a user would,
# its documentation shown, then a playbook over three local hosts, each a
# simulated card (p42r-card) on its own pty and device root: in check mode
# first (which must change nothing), for real, and again (changing nothing).
# Last, failures against refusing and removed cards and a wrong password.
# Usage: fleet_test.sh P42R P42R_CARD COLLECTION_DIR
set -uo pipefail
if ! command -v ansible-playbook >/dev/null; then
  echo "skipped because: ansible-playbook is not installed (ansible-core)"
  exit 77
fi
program=$1 card=$2 collection=$3 here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d) cards=()
trap 'kill "${cards[@]}" 2>/dev/null; wait; rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }
export ANSIBLE_HOME=$work/home ANSIBLE_LOCAL_TEMP=$work/tmp ANSIBLE_COLLECTIONS_PATH=$work/collections
export ANSIBLE_NOCOLOR=1 ANSIBLE_PYTHON_INTERPRETER=auto_silent ANSIBLE_FORKS=3

ansible-galaxy collection build "$collection" --output-path "$work" >/dev/null || fail "collection build"
ansible-galaxy collection install "$work"/p42r-card-*.tar.gz -p "$work/collections" >/dev/null || fail "collection install"
for module in facts update led app domains; do
  ansible-doc "p42r.card.p42r_$module" | grep -q EXAMPLES || fail "ansible-doc p42r.card.p42r_$module"
done

# The program through a wrapper that keeps every command line it was given.
printf '#!/bin/bash\nprintf "%%s\\n" "$*" >> %q/argv.log\nexec %q "$@"\n' "$work" "$program" > "$work/p42r"
chmod +x "$work/p42r"
# Two cards with domains to replace and an application running; the third
# empty, with an update it does not need.
apps='"applications": [{"code": "1", "name": "Navigator"}, {"code": "2", "name": "Mail", "state": 1}]'
update='"pacingMs": 50, "refuseWhenApplicationRunning": false'
echo "{$apps, \"domains\": [\"old.example.net\", \"example.co.jp\", \"gone.example.org\"],
  \"update\": {$update}}" > "$work/card.json"
echo "{$apps, \"update\": {$update, \"lastNotice\": \"VERCFCPL\", \"outcome\": \"error\", \"reason\": \"FNO\"}}" \
  > "$work/fresh.json"
echo "cards: {hosts: {" > "$work/hosts.yml"
for host in card1 card2 card3; do
  mkdir -m 700 "$work/$host" "$work/$host-sim"
  scenario=$work/card.json
  [ $host = card3 ] && scenario=$work/fresh.json
  exec {out}< <(exec "$card" --device-root "$work/$host" --scenario "$scenario")
  cards+=($!)
  read -r -t 20 -u "$out" _ || fail "$host: p42r-card did not register"
  echo "  $host: {ansible_connection: local, p42r_program: $work/p42r, device_root: $work/$host, sim_root: $work/$host-sim}," >> "$work/hosts.yml"
done
echo "}}" >> "$work/hosts.yml"

play() {  # NAME PLAYBOOK [OPTIONS...]: the run's recap and output go to $work/NAME.log
  local name=$1 book=$2
  shift 2
  ansible-playbook -i "$work/hosts.yml" "$here/$book" "$@" > "$work/$name.log" 2>&1
}
recap() {  # NAME HOST CHANGED: that host's line of the recap
  grep -Eq "^$2 +: ok=[0-9]+ +changed=$3 +unreachable=0 +failed=0 " "$work/$1.log" ||
    fail "$1: $2 should end with changed=$3: $(cat "$work/$1.log")"
}
# Check mode predicts every change; had it made one, the real run would not.
play check fleet.yml --check
for host in card1 card2 card3; do recap check $host 5; done
play first fleet.yml
for host in card1 card2; do recap first $host 5; done
recap first card3 4   # the update was not needed
play second fleet.yml --skip-tags led,update
for host in card1 card2 card3; do recap second $host 0; done
play failures failures.yml
recap failures card1 0
grep -q 'ignored=3' "$work/failures.log" || fail "failures: $(cat "$work/failures.log")"
! grep -E 'Fleet42pw|Wrong42pw|j72n' "$work/argv.log" || fail "a password was on p42r's command line"
echo "fleet: check, first and second runs and the failures as expected"
