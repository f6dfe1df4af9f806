#!/usr/bin/env bash
# Builds everything the demo needs (Linux release: the driver, the host services stand-in, the
# transport library, the simulator and zanhost) and runs the demo without waiting for Enter: about
# 20 seconds of values, a write, a cache block and a master/backup switchover against simulated
# PLCs on 127.0.0.1 to 127.0.0.3 at a free port (QUAXNET_PORT is used when set). Extra arguments go
# to `zanhost demo` (for example --pace 0, --plain, --keep).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh demo

# Quiet while it works; the whole output when the build fails.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { cmake --preset linux-release && cmake --build --preset linux-release -j "$(nproc)"; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "demo.sh: the build failed (output above)" >&2
  exit 1
fi

build/linux-release/bin/zanhost demo --batch "$@"
