#!/bin/sh
# Installs what is missing, builds, and starts the tool.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux
cmake --preset windows >/dev/null
cmake --build --preset windows
echo "Built the portable core and its tests for Linux and Windows; no application target exists yet."
