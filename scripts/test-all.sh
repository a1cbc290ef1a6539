#!/bin/sh
# Does all set-up, then builds and passes every test: the native tests, the
# address/undefined-behaviour sanitizer build, the thread sanitizer build of
# every test, and the Windows build under wine.
set -e
cd "$(dirname "$0")/.."
./scripts/setup.sh
jobs="$(nproc)"
for preset in linux asan tsan windows; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
echo "all tests passed"
