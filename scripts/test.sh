#!/usr/bin/env bash
# Builds and runs every test: the debug build, then the AddressSanitizer+UBSan
# and ThreadSanitizer builds. Installs the Debian packages it needs first.
# Usage: scripts/test.sh [PRESET ...]   (default: debug asan tsan)
# Every preset runs even when an earlier one failed; the end says which
# failed and which tests were skipped, and why. Exit code 0 when every
# preset passed, 1 otherwise.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
if ! bash scripts/install-deps.sh test; then
  echo "test: the packages the tests need are not all there (see above)" >&2
  exit 1
fi
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(debug asan tsan)
jobs=$(nproc 2>/dev/null || echo 2)

failed=()
skipped=()
for preset in "${presets[@]}"; do
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -j "$jobs"; then
    failed+=("$preset (build)")
    continue
  fi
  echo "=== $preset: test"
  ctest --preset "$preset" -j "$jobs" || failed+=("$preset")
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

echo "=== summary"
for line in "${skipped[@]}"; do
  echo "skipped: $line"
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "failed: ${failed[*]}"
  exit 1
fi
echo "passed: ${presets[*]}"
