#!/usr/bin/env bash
# Tests of scripts/install-deps.sh against stand-ins for apt-get, dpkg,
# dpkg-query and id on PATH: a registry whose update fails for one index,
# packages that cannot be installed, and the package lists as they are.
# Nothing is installed for real. Prints "N passed, N failed"; exits 1 on a
# failure.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED: %s\n' "$what"
    printf '  script output:\n%s\n' "$(sed -e 's/^/    /' "$case_dir/output")"
  fi
}

# The stand-ins keep the machine's state in $STANDIN: installed (one
# package a line), foreign (architectures), calls (every apt-get call),
# unavailable (packages apt cannot install) and update-fails (a flag).
make_standins() {
  local bin=$1
  mkdir -p "$bin"
  cat >"$bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STANDIN/calls"
case "$1" in
  update)
    if [ -e "$STANDIN/update-fails" ]; then
      echo "Fetched 8930 kB in 1s (6929 kB/s)"
      echo "E: Failed to fetch http://registry.invalid/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
      exit 100
    fi
    exit 0 ;;
  install)
    shift
    names=()
    for arg in "$@"; do
      case "$arg" in -*) ;; *) names+=("$arg") ;; esac
    done
    for name in "${names[@]}"; do
      if grep -qx "$name" "$STANDIN/unavailable" 2>/dev/null; then
        echo "E: Unable to correct problems, you have held broken packages."
        exit 100
      fi
    done
    printf '%s\n' "${names[@]}" >>"$STANDIN/installed"
    exit 0 ;;
esac
exit 1
EOF
  cat >"$bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
name=${!#}
grep -qx "$name" "$STANDIN/installed" 2>/dev/null || exit 1
printf 'install ok installed'
EOF
  cat >"$bin/dpkg" <<'EOF'
#!/usr/bin/env bash
case "$1" in
  --print-architecture) echo amd64 ;;
  --print-foreign-architectures) cat "$STANDIN/foreign" 2>/dev/null ;;
  --add-architecture) echo "$2" >>"$STANDIN/foreign" ;;
  *) exit 1 ;;
esac
EOF
  printf '#!/usr/bin/env bash\necho 0\n' >"$bin/id"
  chmod +x "$bin"/*
}

# A copy of the script with package lists of the test's own.
make_tree() {
  local tree=$1
  mkdir -p "$tree/scripts/packages"
  cp "$top/scripts/install-deps.sh" "$tree/scripts/"
  printf '# building\nbuild-essential\ncmake\n' >"$tree/scripts/packages/run.txt"
  printf 'libgtest-dev\nmsitools\n' >"$tree/scripts/packages/test.txt"
  printf 'wine\nwine32:i386 optional\n' >"$tree/scripts/packages/windows.txt"
}

# run_case NAME TREE PURPOSE: a fresh machine state in $case_dir; sets $status.
run_case() {
  case_dir=$work/$1
  export STANDIN=$case_dir/state
  mkdir -p "$STANDIN"
  make_standins "$case_dir/bin"
  : >"$STANDIN/installed"
  eval "${SETUP:-true}"
  PATH="$case_dir/bin:$PATH" bash "$2/scripts/install-deps.sh" $3 >"$case_dir/output" 2>&1
  status=$?
}

is_installed() { grep -qx "$1" "$STANDIN/installed"; }
output_has() { grep -qF -- "$1" "$case_dir/output"; }
equals() { [ "$1" = "$2" ]; }
not() { ! "$@"; }

tree=$work/tree
make_tree "$tree"

# An update that fails for one index still installs everything else.
SETUP='touch $STANDIN/update-fails' run_case failed-index "$tree" test
check "a failed index does not stop the script" equals "$status" 0
check "the needed packages are installed after a failed update" is_installed cmake
check "the optional package is still tried" is_installed 'wine32:i386'
check "the failed index is named" output_has 'binary-i386/Packages.xz'
check "the i386 architecture is added for wine32" grep -qx i386 "$STANDIN/foreign"
check "apt-get update runs once" equals "$(grep -c '^apt-get update' "$STANDIN/calls")" 1

# An optional package that cannot be installed does not stop the others.
SETUP='echo wine32:i386 >$STANDIN/unavailable' run_case optional-missing "$tree" test
check "an uninstallable optional package leaves the exit code 0" equals "$status" 0
check "the needed packages are installed beside it" is_installed msitools
check "the optional package is not installed" not is_installed 'wine32:i386'
check "the missing optional package is named with what follows" output_has 'optional package wine32:i386 could not be installed'
check "apt's reason is given" output_has 'held broken packages'

# A needed package that cannot be installed fails the script, naming it.
SETUP='echo msitools >$STANDIN/unavailable' run_case needed-missing "$tree" test
check "an uninstallable needed package fails the script" equals "$status" 1
check "the needed package is named" output_has 'cannot install the needed package msitools'
check "the other needed packages are installed one by one" is_installed libgtest-dev

# Everything there: silent, and the registry is not asked.
SETUP='printf "%s\n" build-essential cmake libgtest-dev msitools wine wine32:i386 >$STANDIN/installed' \
  run_case all-there "$tree" test
check "nothing missing: exit code 0" equals "$status" 0
check "nothing missing: nothing printed" equals "$(cat "$case_dir/output")" ""
check "nothing missing: apt-get is not called" not test -e "$STANDIN/calls"

# A user who is not root is told what to run as root, and nothing is tried.
SETUP='printf "#!/usr/bin/env bash\necho 1000\n" >$case_dir/bin/id' run_case not-root "$tree" run
check "a missing package without root is an error" equals "$status" 1
check "the user is told what to run as root" output_has "as root, run: bash $tree/scripts/install-deps.sh run"
check "nothing is installed without root" not test -e "$STANDIN/calls"

# The real lists: running p42r needs neither Wine nor mingw-w64 nor i386.
SETUP= run_case real-run-list "$top" run
check "the run list installs" equals "$status" 0
check "the run list installs cmake" is_installed cmake
check "the run list installs no Wine" not grep -q '^wine' "$STANDIN/installed"
check "the run list installs no mingw-w64" not grep -q 'mingw' "$STANDIN/installed"
check "the run list adds no architecture" not test -s "$STANDIN/foreign"

# The real lists: the test purpose brings both Windows tool chains and wine32 as optional.
SETUP='echo wine32:i386 >$STANDIN/unavailable' run_case real-test-list "$top" test
check "the test list installs without wine32" equals "$status" 0
check "the test list installs the x86-64 cross compiler" is_installed g++-mingw-w64-x86-64
check "the test list installs wine64" is_installed wine64

# The real lists: the builds compile without the programs only the tests run,
# which the whole test list then brings.
SETUP= run_case real-build-list "$top" build
check "the build list installs" equals "$status" 0
check "the build list installs the i686 cross compiler" is_installed g++-mingw-w64-i686
check "the build list installs no Wine and no qemu" not grep -qE '^(wine|qemu)' "$STANDIN/installed"
check "the build list adds no architecture" not test -s "$STANDIN/foreign"

# A purpose the script does not know.
SETUP= run_case bad-usage "$tree" frobnicate
check "an unknown purpose is a usage error" equals "$status" 2

printf '%d passed, %d failed\n' "$passed" "$failed"
[ "$failed" -eq 0 ]
