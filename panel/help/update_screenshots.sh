#!/usr/bin/env bash
# Refreshes the help's screenshots in images/ from the end-to-end harness's
# screenshots (e2e/screenshot.sh writes them during ctest e2e_tamsel and
# e2e_tamsel_print_help under build/<preset>/e2e/screenshots). Each picture
# is cut to the windows on the screen and reduced to a small palette.
#
#   update_screenshots.sh [BUILD_DIR]      default: build/win64
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build/win64}
shots=$build/e2e/screenshots

# help picture = harness screenshot
pictures=(
  main.png=tamsel_e2e_test/main-window.png
  select.png=tamsel_e2e_test/printer-selection.png
  address.png=tamsel_e2e_test/address-dialog.png
  page_param1.png=tamsel_e2e_test/main-tab-0.png
  page_param2.png=tamsel_e2e_test/main-tab-1.png
  page_adjust.png=tamsel_e2e_test/main-tab-2.png
  page_ip.png=tamsel_e2e_test/main-tab-3.png
  page_dipsw.png=tamsel_e2e_test/main-tab-4.png
  testprint.png=tamsel_print_help_e2e_test/test-print-question.png
)
status=0
for entry in "${pictures[@]}"; do
  target=${entry%%=*} source=$shots/${entry#*=}
  if [ ! -f "$source" ]; then
    echo "update_screenshots: missing $source (run the end-to-end tests first)" >&2
    status=1
    continue
  fi
  # The Xvfb screen is black around the windows: trim it away.
  convert "$source" -trim +repage -colors 64 -strip "png8:$here/images/$target"
  echo "$target <- ${entry#*=}"
done
exit $status
