#!/usr/bin/env bash
# Builds and runs every test: the debug build, then the AddressSanitizer+UBSan
# and ThreadSanitizer builds. Installs the Debian packages it needs first.
# Usage: scripts/test.sh [PRESET ...]   (default: debug asan tsan)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/install-deps.sh
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(debug asan tsan)
jobs=$(nproc 2>/dev/null || echo 2)
for preset in "${presets[@]}"; do
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== $preset: test"
  ctest --preset "$preset" -j "$jobs"
done
