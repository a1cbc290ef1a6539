#!/bin/sh
# Configures and builds one preset (default: linux). Usage: build.sh [preset]
set -e
cd "$(dirname "$0")/.."
preset="${1:-linux}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
