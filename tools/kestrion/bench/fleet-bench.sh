#!/usr/bin/env bash
# How long 'kestrion send --targets' takes for many printers against the time for one
# (figures to read, not a test). A printer-sim --count N on loopback; each
# run sends the parameters verified (set, read back, restart) to the list.
# Two rounds: printers that answer at once, and printers that take DELAY ms
# before each answer (the read-back), as a printer across a network would.
#
#   tools/kestrion/bench/fleet-bench.sh [PRINTERS] [RUNS] [DELAY]   (default 20 printers, 5 runs, 50 ms)
#
# Needs the native build (kestrion-cli, printer-sim); KES_NATIVE_BUILD_DIR
# names another build folder than build/native.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
bin=${KES_NATIVE_BUILD_DIR:-$root/build/native}
count=${1:-20}
runs=${2:-5}
delay=${3:-50}
kes=$bin/tools/kestrion/kestrion
[ -x "$kes" ] || { echo "fleet-bench: $kes is missing (cmake --build --preset native --target kestrion-cli printer-sim)" >&2; exit 1; }
source "$root/sim/start-printer-sim.sh"

work=$(mktemp -d)
cleanup() {
  stop_printer_sim
  rm -rf "$work"
}
trap cleanup EXIT

# The median of RUNS runs of one send to a target list, in milliseconds.
measure() {  # measure LIST JOBS
  local list=$1 jobs=$2 times=() start end
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$kes" send "$work/settings.dat" --param --targets "$list" --jobs "$jobs" >"$work/report" ||
      { cat "$work/report" >&2; exit 1; }
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{t[NR] = $1} END {print t[int((NR + 1) / 2)]}'
}

round() {  # round DELAY_MS
  local pause=$1 faults=()
  [ "$pause" -gt 0 ] && faults=(--fault "delay,pause=$pause,n=-1")
  start_printer_sim "$bin/sim/printer-sim" "$work/printer-sim.log" --count "$count" "${faults[@]}"
  for i in $(seq 0 $((count - 1))); do echo "127.0.0.1:$((sim_port + i))"; done >"$work/all.txt"
  head -n 1 "$work/all.txt" >"$work/one.txt"
  "$kes" read --ip 127.0.0.1 --port "$sim_port" -o "$work/settings.dat" >/dev/null

  local one t
  one=$(measure "$work/one.txt" 1)
  printf '\n%d printers on 127.0.0.1:%d-%d answering after %d ms; median of %d runs of a verified --param send\n' \
    "$count" "$sim_port" "$((sim_port + count - 1))" "$pause" "$runs"
  printf '  %-28s %6d ms\n' "1 printer" "$one"
  printf '  %-28s %6d ms\n' "$count x the time for 1" "$((count * one))"
  for jobs in 1 8 "$count"; do
    t=$(measure "$work/all.txt" "$jobs")
    printf '  %-28s %6d ms   (%.0f%% of %d x 1)\n' "$count printers, --jobs $jobs" "$t" \
      "$(echo "100 * $t / ($count * $one)" | bc -l)" "$count"
  done
  stop_printer_sim
}

echo "load average: $(cut -d ' ' -f 1-3 /proc/loadavg) on $(nproc) cores (each run includes the start of the process)"
round 0
[ "$delay" -gt 0 ] && round "$delay"
exit 0
