#!/usr/bin/env bash
# Builds p42r and runs it against the embedded simulated card.
# Extra arguments go to p42r (see: scripts/run.sh --help).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/install-deps.sh
cmake --preset debug >/dev/null
cmake --build --preset debug -j "$(nproc 2>/dev/null || echo 2)" --target p42r >&2
exec "$top/build/debug/handheld/p42r" "$@"
