#!/usr/bin/env bash
# Runs an end-to-end test program under Wine in the prepared prefix
# (e2e/wine_prefix.sh): Japanese locale, Xvfb, test printers, printer-sim.
#
#   run_e2e.sh WIN_BUILD_DIR NATIVE_BUILD_DIR PROGRAM.exe [test arguments]
#
# PROGRAM.exe is taken from WIN_BUILD_DIR/e2e and runs there. Screenshots
# that the test asks for land in WIN_BUILD_DIR/e2e/screenshots; their paths
# are printed at the end.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
winbuild=$(realpath "$1")
native=$2
program=$3
shift 3
source "$here/wine_prefix.sh"

watcher=""
finish() {
  [ -n "$watcher" ] && { kill "$watcher" 2>/dev/null; wait "$watcher" 2>/dev/null; }
  e2e_end
}
trap finish EXIT

e2e_begin "$winbuild" "$native" || exit 1

shots=$E2E_DIR/screenshots
mkdir -p "$shots"
"$here/screenshot.sh" --serve "$DISPLAY" "$shots" &
watcher=$!

windows_path() { echo "Z:$(realpath "$1" | tr / '\\')"; }
export KES_E2E_SHOTS=$(windows_path "$shots")
export KES_E2E_LINK_DIR=$(windows_path "$winbuild/link")
export KES_E2E_BUILD_DIR=$(windows_path "$winbuild")

cd "$E2E_DIR"
e2e_wine "$program" "$@"
status=$?
for picture in "$shots"/*.png; do
  [ -e "$picture" ] && echo "screenshot: $picture"
done
exit $status
