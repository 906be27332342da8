#!/usr/bin/env bash
# Installs the Debian packages that a purpose needs and that are missing.
#
# Usage: scripts/install-deps.sh [run|build|test|package]
#   run      building and running p42r (scripts/packages/run.txt)
#   test     the whole test suite, with the Windows build and its Wine runs
#            (run.txt, test.txt and windows.txt); the default
#   build    what the test builds compile with: test's packages without
#            those marked "tests-only", the programs only the tests run
#            (the test command installs those beside its first build)
#   package  building the Debian packages (run.txt and package.txt)
#
# Prints nothing when everything is there. Otherwise it runs apt-get update
# once and goes on when some of the registry's indexes fail (it names them):
# what can be installed from the lists it has is installed. It fails only
# when a needed package cannot be installed, and names that package. A
# package marked "optional" in a list is tried on its own; when it cannot be
# installed the script says so and goes on (the tests that need it report
# themselves skipped). A package written NAME:ARCH (wine32:i386) needs that
# foreign architecture, which is added to dpkg first.
#
# Exit codes: 0 done (perhaps without some optional packages), 1 a needed
# package is missing and could not be installed, 2 bad usage.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
lists=$here/packages

say() { printf 'install-deps: %s\n' "$*" >&2; }

builds_only=0
case "${1:-test}" in
  run) purposes=(run) ;;
  test) purposes=(run test windows) ;;
  build) purposes=(run test windows) builds_only=1 ;;
  package) purposes=(run package) ;;
  -h | --help)
    awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"
    exit 0
    ;;
  *)
    say "unknown purpose '$1' (run, build, test or package)"
    exit 2
    ;;
esac

needed=()
optional=()
for purpose in "${purposes[@]}"; do
  while read -r name marks; do
    case "$name" in '' | '#'*) continue ;; esac
    case " $marks " in *" tests-only "*) [ $builds_only = 0 ] || continue ;; esac
    case " $marks " in *" optional "*) optional+=("$name") ;; *) needed+=("$name") ;; esac
  done <"$lists/$purpose.txt"
done

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing_needed=()
missing_optional=()
for name in "${needed[@]}"; do installed "$name" || missing_needed+=("$name"); done
for name in "${optional[@]}"; do installed "$name" || missing_optional+=("$name"); done
if [ ${#missing_needed[@]} -eq 0 ] && [ ${#missing_optional[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  [ ${#missing_needed[@]} -eq 0 ] || say "missing packages: ${missing_needed[*]}"
  [ ${#missing_optional[@]} -eq 0 ] || say "missing optional packages: ${missing_optional[*]}"
  say "as root, run: bash $here/install-deps.sh ${1:-test}"
  say "(or: apt-get install ${missing_needed[*]} ${missing_optional[*]})"
  [ ${#missing_needed[@]} -eq 0 ] && exit 0
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive

# Foreign architectures first, so that the one update below fetches their indexes.
native=$(dpkg --print-architecture)
for name in "${missing_needed[@]}" "${missing_optional[@]}"; do
  case "$name" in *:*) ;; *) continue ;; esac
  arch=${name##*:}
  case "$arch" in "$native" | all | any) continue ;; esac
  if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    say "adding the $arch architecture to dpkg (for $name)"
    dpkg --add-architecture "$arch" || say "could not add the $arch architecture"
  fi
done

say "updating the package lists"
update_log=$(apt-get update 2>&1)
update_status=$?
if [ $update_status -ne 0 ]; then
  failed=$(printf '%s\n' "$update_log" | grep -E '^(E|W): Failed to fetch' | sed -e 's/^[EW]: Failed to fetch //')
  if [ -n "$failed" ]; then
    say "some package indexes could not be fetched (the registry may be syncing); going on with the lists that were:"
    printf '%s\n' "$failed" | sed -e 's/^/install-deps:   /' >&2
  else
    say "apt-get update failed (exit $update_status); going on with the lists there are:"
    printf '%s\n' "$update_log" | tail -n 5 | sed -e 's/^/install-deps:   /' >&2
  fi
fi

# The reason apt gives for a failed install, in one line.
apt_reason() { printf '%s\n' "$1" | grep -E '^E: ' | tail -n 1 | sed -e 's/^E: //'; }

install_quietly() {
  apt_log=$(apt-get install -y -q --no-install-recommends "$@" 2>&1)
}

status=0
if [ ${#missing_needed[@]} -gt 0 ]; then
  say "installing ${missing_needed[*]}"
  if ! install_quietly "${missing_needed[@]}"; then
    # Find out which of them cannot be had: each alone.
    unavailable=()
    for name in "${missing_needed[@]}"; do
      installed "$name" && continue
      if ! install_quietly "$name"; then
        unavailable+=("$name")
        say "cannot install the needed package $name: $(apt_reason "$apt_log")"
      fi
    done
    if [ ${#unavailable[@]} -gt 0 ]; then
      say "needed packages could not be installed: ${unavailable[*]}"
      status=1
    fi
  fi
fi

for name in "${missing_optional[@]}"; do
  say "installing the optional package $name"
  if ! install_quietly "$name"; then
    say "the optional package $name could not be installed ($(apt_reason "$apt_log")); the tests that need it will be skipped"
  fi
done
exit $status
