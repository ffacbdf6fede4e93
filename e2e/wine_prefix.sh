# Sourced by the end-to-end scripts: a Wine prefix in the build folder with a
# Japanese locale, an Xvfb display of its own, the test port monitor, and the
# printer-sim that the test printers' ports hand their jobs to.
#
#   e2e_begin WIN_BUILD_DIR NATIVE_BUILD_DIR [DISPLAY]
#       Starts Xvfb (or uses a server already answering on DISPLAY), prepares
#       the prefix WIN_BUILD_DIR/e2e/wineprefix, starts the printer-sim with a
#       control port, maps the simulator's ports to it and installs the
#       printer set "one-usb". Exports WINEPREFIX, DISPLAY, KES_WINE_DISPLAY,
#       LANG, LC_ALL, KES_SIM_PORT, KES_SIM_CONTROL, E2E_WINE_RUN, E2E_DIR.
#   e2e_wine PROGRAM [ARGS]   runs a Wine program of the prefix
#   e2e_end                   stops the wineserver, the printer-sim and Xvfb
#
# DISPLAY defaults to KES_E2E_DISPLAY, else :96.

e2e_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$e2e_here/../sim/start-printer-sim.sh"
source "$e2e_here/../link/tests/win/spool_port_command.sh"

e2e_xvfb_pid=""

# The printer's own settings at the start of every run, unlike the factory
# values so that a page showing them proves the read (e2e/fixture/sim_values.h
# holds the same values for the tests).
e2e_sim_values=(--dip 1011000001 --ip 10.0.0.1 --mask 255.255.255.0 --gateway 10.0.0.254
  --socket-port 2560 --dhcp off --rarp on --param 27=2
  --adjust 0=-3 --adjust 2=57 --adjust 3=-57 --adjust 7=-1057)

e2e_display_answers() {
  DISPLAY=$1 xdotool getdisplaygeometry >/dev/null 2>&1
}

e2e_start_xvfb() {
  local display=$1
  if e2e_display_answers "$display"; then
    return 0
  fi
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$E2E_DIR/xvfb.log" 2>&1 &
  e2e_xvfb_pid=$!
  for _ in $(seq 100); do
    e2e_display_answers "$display" && return 0
    sleep 0.05
  done
  echo "e2e: Xvfb did not start on $display:" >&2
  cat "$E2E_DIR/xvfb.log" >&2
  return 1
}

e2e_wine() {
  "$E2E_WINE_RUN" "$@"
}

e2e_begin() {
  local winbuild native display
  winbuild=$(realpath "$1")
  native=$(realpath "$2")
  display=${3:-${KES_E2E_DISPLAY:-:96}}
  export E2E_DIR=$winbuild/e2e
  export E2E_WINE_RUN=$e2e_here/../scripts/wine-run
  export WINEPREFIX=$E2E_DIR/wineprefix
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  export KES_WINE_DISPLAY=$display DISPLAY=$display
  mkdir -p "$E2E_DIR/work"
  if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    echo "e2e: the locale ja_JP.UTF-8 is missing (run scripts/setup)" >&2
    return 1
  fi
  local portmon=$native/sim/sim-portmon simulator=$native/sim/printer-sim
  if [ ! -x "$portmon" ] || [ ! -x "$simulator" ]; then
    echo "e2e: build the native preset first (needs $simulator and $portmon)" >&2
    return 1
  fi

  e2e_start_xvfb "$display" || return 1
  # The first Wine program after the wineserver starts fixes the desktop's
  # display: begin with a server of our own, on our display.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  # Its services keep the standard streams of that first program: give it none.
  e2e_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || return 1
  # The dialogs ask for "ＭＳ Ｐゴシック" and "ＭＳ ゴシック": the IPA fonts stand in.
  e2e_wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "ＭＳ Ｐゴシック" /d IPAPGothic /f >/dev/null || return 1
  e2e_wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "ＭＳ ゴシック" /d IPAGothic /f >/dev/null || return 1
  (cd "$E2E_DIR" && e2e_wine kes-e2e-prefix.exe install-monitor) || return 1

  start_printer_sim "$simulator" "$E2E_DIR/printer-sim.log" --control-port 0 "${e2e_sim_values[@]}" || return 1
  export KES_SIM_PORT=$sim_port KES_SIM_CONTROL=$sim_control
  write_spool_port_command "$E2E_DIR/port-monitor.sh" "$portmon" "$sim_port" "$winbuild/link" "$E2E_WINE_RUN"
  (cd "$E2E_DIR" && e2e_wine kes-e2e-prefix.exe map-ports "$E2E_DIR/port-monitor.sh") || return 1
  (cd "$E2E_DIR" && e2e_wine kes-e2e-prefix.exe printers one-usb) || return 1
}

e2e_end() {
  wineserver -k 2>/dev/null || true
  stop_printer_sim
  if [ -n "$e2e_xvfb_pid" ]; then
    kill "$e2e_xvfb_pid" 2>/dev/null || true
    wait "$e2e_xvfb_pid" 2>/dev/null || true
    e2e_xvfb_pid=""
  fi
}
