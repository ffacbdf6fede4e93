#!/usr/bin/env bash
# kestrion.exe under Wine with the real Kestrion.dll beside it, against a
# native printer-sim on loopback: status, read, show, a verified send, a
# target list of six printers for send, diff and read (the library's
# operations on several threads, one printer ignoring what it is sent) and
# the exit status for a missing library.
#
#   wine_cli_test.sh KESTRION_EXE KESTRION_DLL NATIVE_BUILD_DIR WINE_RUN
set -euo pipefail
exe=$(realpath "$1")
dll=$(realpath "$2")
native=$(realpath "$3")
winerun=$(realpath "$4")
: "${WINEPREFIX:?}"
source "$(dirname "$0")/../../../sim/start-printer-sim.sh"

work=$(mktemp -d)
cleanup() {
  stop_printer_sim
  rm -rf "$work"
}
trap cleanup EXIT
# Six printers on consecutive ports; printer 5 ignores every set command.
start_printer_sim "$native/sim/printer-sim" "$work/printer-sim.log" --status 7 --dip 1000000001 \
  --count 6 --fault 5:ignoresets,n=-1
port=$sim_port

mkdir "$work/bin" "$work/nodll"
cp "$exe" "$dll" "$work/bin/"
cp "$exe" "$work/nodll/"
failures=0
passes=0
check() {  # check NAME EXPECTED_STATUS PATTERN -- command...
  local name=$1 want=$2 pattern=$3
  shift 4
  local got=0
  "$@" >"$work/out" 2>&1 || got=$?
  if [ "$got" -ne "$want" ] || ! grep -q -- "$pattern" "$work/out"; then
    echo "FAIL $name: exit $got (wanted $want), output:" >&2
    cat "$work/out" >&2
    failures=$((failures + 1))
  else
    echo "ok   $name"
    passes=$((passes + 1))
  fi
}
kes() { (cd "$work/bin" && "$winerun" kestrion.exe "$@"); }
target=(--ip 127.0.0.1 --port "$port")

check status 0 '^status 7' -- kes status "${target[@]}"
check read 0 'read the printer' -- kes read "${target[@]}" -o "$work/printer.dat"
check size 0 '^228$' -- stat -c %s "$work/printer.dat"
check show 0 'DIPSW  10      : 本体USB接続有効' -- kes show "$work/printer.dat"
kes show "$work/printer.dat" --json >"$work/printer.json"
# Backfeed speed 4 ips: the fourth choice of its group.
python3 - "$work/printer.json" <<'PY'
import json, sys
s = json.load(open(sys.argv[1], encoding="utf-8"))
s["parameters"]["backFeedSpeed"]["value"] = 3
json.dump(s, open(sys.argv[1], "w", encoding="utf-8"), ensure_ascii=False)
PY
check import 0 'wrote' -- kes import "$work/printer.json" -o "$work/changed.dat"
check send 0 'プリンタに設定値を送信しました。' -- kes send "$work/changed.dat" --param "${target[@]}"
check printer-log 0 'backfeed speed 4 ips' -- cat "$work/printer-sim.log"
check diff-after-send 0 'no differences' -- kes diff "$work/changed.dat" "${target[@]}"
# The first printer named, with a character Windows refuses in file names.
{ echo "127.0.0.1:$port = 左 hall:1"; for i in 1 2 3 4 5; do echo "127.0.0.1:$((port + i))"; done; } \
  >"$work/printers.txt"
check fleet 4 "^5 of 6 printer(s) succeeded; failed: 127.0.0.1:$((port + 5))" -- \
  kes send "$work/changed.dat" --param --targets "$work/printers.txt" --jobs 6
check fleet-held 0 'no differences' -- kes diff "$work/changed.dat" --ip 127.0.0.1 --port $((port + 3))
check fleet-dry-run 0 "^127.0.0.1:$((port + 5)): ok: 1 setting(s) would change" -- \
  kes send "$work/changed.dat" --param --targets "$work/printers.txt" --dry-run
check fleet-diff 1 "^127.0.0.1:$((port + 5)) *パラメータ設定1 / バックフィード速度: 4ips → 6ips" -- \
  kes diff "$work/changed.dat" --targets "$work/printers.txt"
check fleet-read 0 "^6 of 6 printer(s) read" -- kes read --targets "$work/printers.txt" -o "$work/hall"
cp "$work/out" "$work/out.read"
check fleet-read-file 0 '^228$' -- stat -c %s "$work/hall/127.0.0.1_$((port + 2)).dat"
check fleet-read-named 0 '^228$' -- stat -c %s "$work/hall/左 hall_1.dat"
check fleet-read-summary 0 "^左 hall:1: ok: wrote .*hall/左 hall_1.dat" -- cat "$work/out.read"
check no-dll 4 'Kestrion.dll cannot be loaded' -- bash -c "cd '$work/nodll' && '$winerun' kestrion.exe status --ip 127.0.0.1"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
