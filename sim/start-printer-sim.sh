# Sourced by scripts that need a printer-sim on loopback.
#
#   start_printer_sim PRINTER_SIM LOG [printer-sim options...]
#
# Starts PRINTER_SIM on a free port of 127.0.0.1 with its output in LOG and
# waits until it listens. Sets sim_pid and sim_port, and sim_control when
# --control-port was given. stop_printer_sim ends it.
start_printer_sim() {
  local program=$1 log=$2
  shift 2
  if [ ! -x "$program" ]; then
    echo "start_printer_sim: $program is missing (build the native preset first)" >&2
    return 1
  fi
  "$program" --port 0 "$@" >"$log" 2>&1 &
  sim_pid=$!
  sim_port="" sim_control=""
  local wants_control=""
  case " $* " in *" --control-port "*) wants_control=1 ;; esac
  for _ in $(seq 200); do
    sim_port=$(sed -n 's/^printer-sim listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$log" | head -n 1)
    sim_control=$(sed -n 's/^printer-sim control on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$log" | head -n 1)
    if [ -n "$sim_port" ] && { [ -z "$wants_control" ] || [ -n "$sim_control" ]; }; then
      return 0
    fi
    sleep 0.05
  done
  echo "start_printer_sim: printer-sim did not start:" >&2
  cat "$log" >&2
  return 1
}

stop_printer_sim() {
  [ -n "${sim_pid:-}" ] || return 0
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=""
}
