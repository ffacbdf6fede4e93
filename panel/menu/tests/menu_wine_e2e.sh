#!/usr/bin/env bash
# End to end under Wine: opens the pull-down menus of the running Tamsel.exe
# with the keyboard, checks the menu characters, and takes screenshots of
# each pull-down menu, normal and with an item highlighted, at 96 and 144 DPI.
#
#   panel/menu/tests/menu_wine_e2e.sh
#
# Needs the win64 build (Tamsel.exe, Kestrion.dll, kes-wine-printer.exe,
# menu-probe.exe) and the native printer-sim and sim-portmon; exits 77 when
# they are missing. The printers "KVT Vantorelli 7K4R2B-55" (and for the
# two-printer runs "KVT Vantorelli 7K4R2B-55 #2") sit on spooler ports whose
# jobs go through sim-portmon to a printer-sim on loopback. The screenshots
# are written to build/win64/screenshots/menu. Xvfb runs on
# KES_MENU_DISPLAY (default :98). Exit status 0 when every check passed.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
win=$root/build/win64
native=$root/build/native
probe_exe=$win/panel/menu/menu-probe.exe
for f in "$win/panel/app/Tamsel.exe" "$win/panel/app/Kestrion.dll" "$win/link/kes-wine-printer.exe" "$win/e2e/kes-e2e-prefix.exe" \
         "$probe_exe" "$native/sim/printer-sim" "$native/sim/sim-portmon"; do
  [ -e "$f" ] || { echo "menu_wine_e2e: $f is missing" >&2; exit 77; }
done
source "$root/sim/start-printer-sim.sh"

export WINEPREFIX=$win/menu-prefix
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
export DISPLAY=${KES_MENU_DISPLAY:-:98}
shots=$win/screenshots/menu
work=$(mktemp -d)
xvfb_pid="" tamsel_pid=""
cleanup() {
  [ -n "$tamsel_pid" ] && kill "$tamsel_pid" 2>/dev/null
  wineserver -k 2>/dev/null || true
  stop_printer_sim || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
sleep 1

start_printer_sim "$native/sim/printer-sim" "$work/printer-sim.log"
cat >"$work/port-monitor.sh" <<SH
#!/bin/sh
out=\$(mktemp)
"$native/sim/sim-portmon" --port $sim_port --out "\$out" || true
if [ -s "\$out" ]; then
  cd "$win/link" && wine kes-wine-printer.exe setdata "\$1" "Z:\$out" >/dev/null 2>&1
fi
rm -f "\$out"
SH
chmod +x "$work/port-monitor.sh"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
printer1="KVT Vantorelli 7K4R2B-55"
printer2="KVT Vantorelli 7K4R2B-55 #2"
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "ＭＳ Ｐゴシック" /d IPAPGothic /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "ＭＳ ゴシック" /d IPAGothic /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Printing\Spooler' /v TAMSIM1: /d "|$work/port-monitor.sh \"$printer1\"" /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Printing\Spooler' /v TAMSIM2: /d "|$work/port-monitor.sh \"$printer2\"" /f >/dev/null 2>&1
wine reg delete 'HKLM\System\CurrentControlSet\Control\Print\Printers\'"$printer2" /f >/dev/null 2>&1 || true
# The printer selection takes a port by its description: our test port
# monitor describes the simulated ports as USB ports.
(cd "$win/e2e" && wine kes-e2e-prefix.exe install-monitor >/dev/null 2>&1) || true
for port in TAMSIM1: TAMSIM2:; do
  wine reg add 'HKLM\Software\Solvena Tests\Port Monitor\Ports' /v "$port" /d "Virtual printer port for USB" /f >/dev/null 2>&1
done
(cd "$win/link" && wine kes-wine-printer.exe add "$printer1" TAMSIM1: 1 "$printer1" >/dev/null 2>&1) || true
(cd "$win/link" && wine kes-wine-printer.exe deldata "$printer1" >/dev/null 2>&1) || true
mkdir -p "$shots"

failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
probe() { wine "$probe_exe" "$@" 2>/dev/null; }
shot() { import -window root "$shots/$1.png"; echo "screenshot: $shots/$1.png"; }
same_picture() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" = "0" ]; }

# Pixels of a colour inside the open pull-down menu of a screenshot.
popup_rect=""
count_colour() {
  local picture=$1 colour=$2 l t r b
  read -r l t r b <<<"$popup_rect"
  convert "$picture" -crop "$((r - l))x$((b - t))+$l+$t" +repage -fill black +opaque "$colour" \
    -fill white -opaque "$colour" -format "%[fx:round(mean*w*h)]" info:
}
# Greyed texts are found in a marker colour that nothing else uses: the
# grey text colour of the session is set to it for a run of the program
# that only counts, and restored afterwards.
marker="#ff00ff"
saved_grey=""
marker_on() {
  saved_grey=$(probe syscolor 17 | tr -d '\r')  # COLOR_GRAYTEXT
  wine reg add 'HKCU\Control Panel\Colors' /v GrayText /d "255 0 255" /f >/dev/null 2>&1
}
marker_off() {
  local hex=${saved_grey#\#}
  wine reg add 'HKCU\Control Panel\Colors' /v GrayText \
    /d "$((16#${hex:0:2})) $((16#${hex:2:2})) $((16#${hex:4:2}))" /f >/dev/null 2>&1
}
greyed_pixels() {  # KEY [MORE KEYS]: opens that pull-down menu, counts marker pixels in it
  probe keys "alt+$1" "${@:2}"
  popup_rect=$(probe popup | tr -d '\r')
  import -window root "$work/greyed.png"
  probe keys esc esc
  if [ -z "$popup_rect" ]; then echo -1; return; fi
  count_colour "$work/greyed.png" "$marker"
}
greyed_in_menu() { local n; n=$(greyed_pixels "$@"); echo "  greyed text pixels: $n"; [ "$n" -gt 20 ]; }
nothing_greyed_in_menu() { local n; n=$(greyed_pixels "$@"); echo "  greyed text pixels: $n"; [ "$n" -eq 0 ]; }

main_title="KVT Vantorelli 7K4R2B-55 ソルベナ"
select_title="プリンタの選択"
printer_count=1
# The program runs from a folder of its own with no help file beside it, so
# that the help item starts greyed (the build puts Tamsel.chm next to
# Tamsel.exe).
app=$work/app
mkdir -p "$app"
cp "$win/panel/app/Tamsel.exe" "$win/panel/app/Kestrion.dll" "$app/"
start_program() {
  (cd "$app" && exec wine Tamsel.exe >"$work/tamsel.log" 2>&1) &
  tamsel_pid=$!
  if [ "$printer_count" -gt 1 ]; then
    # With more than one printer the selection dialog asks first: take the
    # preselected row.
    probe window "$select_title" || { echo "the printer selection did not show" >&2; return 1; }
    probe foreground "$select_title" || true
    probe keys enter
  fi
  probe window "$main_title" || { echo "Tamsel.exe did not show its window" >&2; return 1; }
  sleep 3  # the first read from the printer
  probe foreground "$main_title" || true
}
stop_program() {
  kill "$tamsel_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  tamsel_pid=""
}
set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

# --- One printer: "プリンタの選択" greyed; its mnemonic runs nothing ------------------
set_dpi 96
start_program
probe keys alt+f
check "alt+F opens the file menu" probe popup
popup_rect=$(probe popup | tr -d '\r')
shot file-menu-one-printer
# The system closes the menu for the found item but does not run a greyed one.
probe keys c
check "c on the greyed printer selection runs nothing" probe nowindow "$select_title"
probe keys esc esc
stop_program
marker_on
start_program
check "with one printer the printer selection is drawn greyed" greyed_in_menu f
# The keyboard opens the menu on its first item, the help item: greyed and
# highlighted, its text takes the menu colour. Down moves on to the next one.
check "without help file the help item is drawn greyed" greyed_in_menu h down
stop_program
marker_off

# --- Two printers, 96 and 144 DPI -------------------------------------------------
(cd "$win/link" && wine kes-wine-printer.exe add "$printer2" TAMSIM2: 1 "$printer1" >/dev/null 2>&1) || true
printer_count=2
for dpi in 96 144; do
  set_dpi "$dpi"
  start_program
  shot "main-$dpi"
  for m in f m h; do
    probe keys "alt+$m"
    check "alt+$m opens its pull-down menu at $dpi DPI" probe popup
    popup_rect=$(probe popup | tr -d '\r')
    shot "menu-$m-$dpi"
    probe keys down
    shot "menu-$m-$dpi-hot"
    probe keys esc esc
  done
  if [ "$dpi" = 96 ]; then
    # A character that is no mnemonic in the menu changes nothing.
    probe keys alt+f
    shot before-z
    probe keys z
    check "z is no mnemonic: the menu stays open" probe popup
    shot after-z
    check "z is no mnemonic: nothing changes on the screen" same_picture "$shots/before-z.png" "$shots/after-z.png"
    check "z is no mnemonic: no message" probe nowindow "ソルベナ"
    # c runs "プリンタの選択(&C)...\tCtrl+C" at once: the selection
    # dialog opens.
    probe keys c
    check "c runs the printer selection at once" probe window "$select_title"
    shot after-c
    stop_program
    start_program
    probe keys alt+f C
    check "C (upper case) runs the printer selection at once" probe window "$select_title"
  fi
  stop_program
done
marker_on
set_dpi 96
start_program
check "with two printers nothing in the file menu is greyed" nothing_greyed_in_menu f
stop_program
marker_off

echo "$failures failed check(s)"
[ "$failures" -eq 0 ]
