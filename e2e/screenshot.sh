#!/usr/bin/env bash
# Screenshots of the end-to-end display (Xvfb) as PNG files.
#
#   screenshot.sh DISPLAY FILE.png          one picture of the whole screen
#   screenshot.sh --serve DISPLAY FOLDER    until killed: for every NAME.request
#                                           that appears in FOLDER, writes
#                                           NAME.png there and removes the request
#                                           (the test driver's Screenshot(NAME))
set -euo pipefail

shoot() {
  local display=$1 file=$2
  DISPLAY=$display import -window root "png:$file.part" && mv "$file.part" "$file"
}

if [ "${1:-}" = --serve ]; then
  display=$2 folder=$3
  mkdir -p "$folder"
  while :; do
    for request in "$folder"/*.request; do
      [ -e "$request" ] || continue
      name=$(basename "$request" .request)
      shoot "$display" "$folder/$name.png" || echo "screenshot: $name failed" >&2
      rm -f "$request"
    done
    sleep 0.1
  done
fi

[ $# -eq 2 ] || { echo "usage: screenshot.sh DISPLAY FILE.png | --serve DISPLAY FOLDER" >&2; exit 2; }
shoot "$1" "$2"
