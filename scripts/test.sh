#!/usr/bin/env bash
# Builds and runs every test: the debug build, then the AddressSanitizer+UBSan
# and ThreadSanitizer builds. Installs the Debian packages it needs first:
# what the builds compile with before them, the programs only the tests run
# (and the test bed's kernel) beside the first build.
# What each preset runs:
#   debug  every test, the Windows build's Wine tests and the replays of every
#          fuzz target's seeds, corpus and regressions among them.
#   asan   every test of the Linux build (sanitizer builds leave the Windows
#          build out: nothing in it is instrumented). After CI's fuzzing round
#          (P42R_FUZZ_ROUND_RAN=1) the fuzz replays are left out: that round
#          has just run every one of those inputs, whole, under ASan+UBSan.
#   tsan   the threaded parts (handheld and card) and their tests.
# The debug preset runs each GoogleTest case as a test of its own; the two
# sanitizer presets run each test executable whole, one process for all its
# cases (the same cases, without an instrumented start for each).
# Each build and test step prints its time ("=== stage NAME: SECONDS s").
# Usage: scripts/test.sh [PRESET ...]   (default: debug asan tsan)
# Every preset runs even when an earlier one failed; the end says which
# failed and which tests were skipped, and why. Exit code 0 when every
# preset passed, 1 otherwise.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
if ! bash scripts/install-deps.sh build; then
  echo "test: the packages the builds need are not all there (see above)" >&2
  exit 1
fi
# The programs only the tests run (Wine, qemu, Ansible, ModemManager) are
# installed beside the first build, which does not wait for them, and the
# test bed's kernel is fetched after them, off the tests' longest path.
install_for_tests() {
  bash scripts/install-deps.sh test || return
  local tree
  if tree=$(bash scripts/vm/fetch-kernel.sh); then
    echo "test: the test bed's kernel is in $tree"
  else
    echo "test: the test bed's kernel could not be fetched, the vm tests will say why: $tree"
  fi
}
mkdir -p build
install_for_tests >build/install-deps.log 2>&1 &
installing=$!
# Before the first tests: the rest of the packages are there, or the run
# ends. The wait, if any, is the stage packages-wait.
packages_installed() {
  [ -n "$installing" ] || return 0
  local status=0
  wait "$installing" || status=$?
  installing=
  cat build/install-deps.log >&2
  [ $status -eq 0 ] && return 0
  echo "test: the packages the tests need are not all there (see above)" >&2
  return 1
}
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(debug asan tsan)
jobs=$(nproc 2>/dev/null || echo 2)
. scripts/compiler-cache.sh "$top"

# Each step's time goes into the log, so a slow one shows.
timed() {
  local name=$1 started=$SECONDS status=0
  shift
  "$@" || status=$?
  echo "=== stage $name: $((SECONDS - started)) s"
  return $status
}
configure_and_build() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$jobs"
}

failed=()
skipped=()
for preset in "${presets[@]}"; do
  echo "=== $preset: configure and build"
  if ! timed "$preset-build" configure_and_build "$preset"; then
    failed+=("$preset (build)")
    continue
  fi
  if [ -n "$installing" ]; then
    timed packages-wait packages_installed || exit 1
  fi
  echo "=== $preset: test"
  selection=()
  if [ "$preset" = asan ] && [ "${P42R_FUZZ_ROUND_RAN:-}" = 1 ]; then
    selection=(-LE '^fuzz$')
  fi
  # The debug tests wait much of their time (the test bed's guest on its
  # cards, Wine and Ansible on their start): one test more than the cores.
  test_jobs=$jobs
  [ "$preset" != debug ] || test_jobs=$((jobs + 1))
  timed "$preset-test" ctest --preset "$preset" -j "$test_jobs" "${selection[@]}" || failed+=("$preset")
  # A test that cannot run here says why in a line of its output; CTest keeps it in its log.
  log=build/$preset/Testing/Temporary/LastTest.log
  if [ -f "$log" ]; then
    while IFS= read -r line; do
      skipped+=("$line")
    done < <(awk -v preset="$preset" '
      / Testing: / { sub(/^[0-9]+\/[0-9]+ Testing: /, ""); test = $0 }
      /^skipped because: / { sub(/^skipped because: /, ""); print test " (" preset "): " $0 }' "$log")
  fi
done

packages_installed || exit 1
echo "=== summary"
for line in "${skipped[@]}"; do
  echo "skipped: $line"
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "failed: ${failed[*]}"
  exit 1
fi
echo "passed: ${presets[*]}"
