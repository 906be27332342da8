#!/usr/bin/env bash
# Builds p42r (the handheld parts only, optimised, in build/run) and runs it.
# Extra arguments go to p42r, for example --sim (see: scripts/run.sh --help).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/install-deps.sh run
cmake -S . -B build/run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DP42R_BUILD_TESTS=OFF \
  -DP42R_PARTS="resources;handheld" >/dev/null
cmake --build build/run -j "$(nproc 2>/dev/null || echo 2)" --target p42r >&2
exec "$top/build/run/handheld/p42r" "$@"
