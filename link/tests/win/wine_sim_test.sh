#!/usr/bin/env bash
# Runs kestrion_wine_sim_test.exe under Wine against a native printer-sim on
# loopback: over Winsock directly, and over Wine's own spooler through test
# printers whose port hands each job to a command playing the port monitor
# (sim-portmon, then the reply stored as the printer's data).
#
#   wine_sim_test.sh WIN_LINK_DIR NATIVE_BUILD_DIR WINE_RUN [test arguments]
#
# With KES_WINE_PROGRAM=kestrion-bench.exe the same set-up runs the benchmark
# (arguments --port and --printer are filled in).
#
# WINEPREFIX names a prefix of its own: the test printers must not show up in
# the printer lists that other tests see.
set -euo pipefail
linkdir=$(realpath "$1")
native=$(realpath "$2")
winerun=$(realpath "$3")
shift 3
: "${WINEPREFIX:?}"
portmon=$native/sim/sim-portmon
if [ ! -x "$portmon" ]; then
  echo "wine_sim_test: build the native preset first (needs $portmon)" >&2
  exit 1
fi
source "$(dirname "$0")/../../../sim/start-printer-sim.sh"

work=$(mktemp -d)
cleanup() {
  stop_printer_sim
  rm -rf "$work"
}
trap cleanup EXIT
start_printer_sim "$native/sim/printer-sim" "$work/printer-sim.log" --control-port 0
port=$sim_port
control=$sim_control

# The port monitor: the printer's answer becomes the printer data.
source "$(dirname "$0")/spool_port_command.sh"
write_spool_port_command "$work/port-monitor.sh" "$portmon" "$port" "$linkdir" "$winerun"
# A port whose printer never answers.
cat >"$work/silent.sh" <<'EOF'
#!/bin/sh
cat >/dev/null
EOF
chmod +x "$work/silent.sh"

cd "$linkdir"
spooler='HKCU\Software\Wine\Printing\Spooler'
"$winerun" reg add "$spooler" /v KESSIM1: /d "|$work/port-monitor.sh KesSpoolBidi" /f >/dev/null
"$winerun" reg add "$spooler" /v KESSIM2: /d "|$work/port-monitor.sh KesSpoolPlain" /f >/dev/null
"$winerun" reg add "$spooler" /v KESSIM3: /d "|$work/silent.sh" /f >/dev/null
"$winerun" kes-wine-printer.exe add KesSpoolBidi KESSIM1: 1
"$winerun" kes-wine-printer.exe add KesSpoolPlain KESSIM2: 0
"$winerun" kes-wine-printer.exe add KesSpoolSilent KESSIM3: 1

export KES_SIM_PORT=$port KES_SIM_CONTROL=$control
export KES_SPOOL_PRINTER=KesSpoolBidi KES_SPOOL_PRINTER_NOBIDI=KesSpoolPlain KES_SPOOL_SILENT_PRINTER=KesSpoolSilent
if [ "${KES_WINE_PROGRAM:-}" = kestrion-bench.exe ]; then
  "$winerun" kestrion-bench.exe --port "$port" --printer KesSpoolBidi "$@"
else
  "$winerun" kestrion_wine_sim_test.exe "$@"
fi
