#!/usr/bin/env bash
# Every test: host unit tests against the simulated Windows, the Windows programs under Wine,
# and each fuzz target for a bounded time.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh || exit 1

failed=0
for preset in host win32 fuzz; do
  echo "== $preset: build"
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" || { failed=1; continue; }
  echo "== $preset: test"
  ctest --preset "$preset" -j"$(nproc)" || failed=1
done
[ "$failed" -eq 0 ] && echo "All test suites passed." || echo "Some test suites FAILED."
exit "$failed"
