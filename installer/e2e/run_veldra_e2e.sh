#!/usr/bin/env bash
# Runs the installer's end-to-end tests under Wine in a fresh prefix with a
# Japanese locale, on an Xvfb display of their own.
#
#   run_veldra_e2e.sh WIN_BUILD_DIR NATIVE_BUILD_DIR [test arguments]
#
# The prefix gets one printer, "KVT Vantorelli 7K4R2B-55", whose jobs go
# through sim-portmon to a printer-sim on loopback (NATIVE_BUILD_DIR), so that
# the installed panel program can be tried against it.
# The display is VELDRA_E2E_DISPLAY (default :97). The prefix is made anew in
# WIN_BUILD_DIR/installer/e2e-prefix on every run: an install must start from
# a system that never saw the product.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
winbuild=$(realpath "$1")
native=$(realpath "$2")
shift 2
program=$winbuild/installer/e2e/veldra_e2e_test.exe
display=${VELDRA_E2E_DISPLAY:-:97}

export WINEPREFIX=$winbuild/installer/e2e-prefix
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export KES_WINE_DISPLAY=$display DISPLAY=$display
wine_run=$here/../../scripts/wine-run
source "$here/../../sim/start-printer-sim.sh"
source "$here/../../link/tests/win/spool_port_command.sh"
work=$winbuild/installer/e2e-work
printer="KVT Vantorelli 7K4R2B-55"

xvfb_pid=""
finish() {
  wineserver -k 2>/dev/null || true
  stop_printer_sim
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap finish EXIT

if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  echo "veldra e2e: the locale ja_JP.UTF-8 is missing (run scripts/setup)" >&2
  exit 1
fi
if ! DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1; then
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.05
  done
fi

for f in "$native/sim/printer-sim" "$native/sim/sim-portmon" "$winbuild/link/kes-wine-printer.exe"; do
  [ -e "$f" ] || { echo "veldra e2e: $f is missing (build the native preset and kes-wine-printer)" >&2; exit 1; }
done

wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX" "$work"
mkdir -p "$work"
# The first program of the prefix starts Wine's services, which keep its
# standard streams: give it none.
"$wine_run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || exit 1

start_printer_sim "$native/sim/printer-sim" "$work/printer-sim.log" || exit 1
write_spool_port_command "$work/port-monitor.sh" "$native/sim/sim-portmon" "$sim_port" "$winbuild/link" "$wine_run"
"$wine_run" reg add 'HKCU\Software\Wine\Printing\Spooler' /v VELDRASIM1: /d "|$work/port-monitor.sh \"$printer\"" /f \
  </dev/null >/dev/null 2>&1 || exit 1
# The printer selection takes a port by its description: our test port
# monitor describes the simulated port as a USB port.
(cd "$winbuild/e2e" && "$wine_run" kes-e2e-prefix.exe install-monitor </dev/null >/dev/null 2>&1) || {
  echo "veldra e2e: the test port monitor could not be installed" >&2; exit 1; }
"$wine_run" reg add 'HKLM\Software\Solvena Tests\Port Monitor\Ports' /v VELDRASIM1: /d "Virtual printer port for USB" /f \
  </dev/null >/dev/null 2>&1 || exit 1
(cd "$winbuild/link" && "$wine_run" kes-wine-printer.exe add "$printer" VELDRASIM1: 1 "$printer" </dev/null >/dev/null 2>&1) || {
  echo "veldra e2e: the test printer could not be installed" >&2; exit 1; }

windows_path() { echo "Z:$(echo "$1" | tr / '\\')"; }
export VELDRA_E2E_BUILD=$(windows_path "$winbuild")
export VELDRA_E2E_SIM_LOG=$(windows_path "$work/printer-sim.log")
"$wine_run" "$program" "$@" </dev/null
