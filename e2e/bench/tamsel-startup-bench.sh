#!/usr/bin/env bash
# Measures Tamsel.exe's start-up under Wine against the printer-sim (not a
# test: prints the times). Needs the native and win64 builds.
#
#   e2e/bench/tamsel-startup-bench.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cmake --build --preset win64 --target tamsel-startup-bench >/dev/null
cmake --build --preset native --target printer-sim sim-portmon >/dev/null
exec "$root/e2e/run_e2e.sh" "$root/build/win64" "$root/build/native" tamsel-startup-bench.exe "$@"
