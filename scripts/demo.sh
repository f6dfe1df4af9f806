#!/usr/bin/env bash
# Builds the driver (Linux release) and runs the demo: the command-line host loads the driver,
# prints its information and initialises an instance from the example configuration.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh demo

cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$(nproc)"

host=build/linux-release/bin/zanhost
"$host" info
"$host" init --instance 1 --directory examples
