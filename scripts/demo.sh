#!/usr/bin/env bash
# Builds everything the demo needs (Linux release: the driver, the host services stand-in, the
# transport library, the simulator and zanhost) and runs the demo without waiting for Enter: about
# 20 seconds of values, a write, a cache block and a master/backup switchover against simulated
# PLCs on 127.0.0.1 to 127.0.0.3 at a free port (QUAXNET_PORT is used when set). Extra arguments go
# to `zanhost demo` (for example --pace 0, --plain, --keep).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh demo

cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$(nproc)" >/dev/null

exec build/linux-release/bin/zanhost demo --batch "$@"
