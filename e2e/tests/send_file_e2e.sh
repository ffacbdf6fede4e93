#!/usr/bin/env bash
# Runs tamsel_send_file_e2e_test.exe through e2e/run_e2e.sh with one more
# fixture: a settings file that the system refuses to open for writing, for
# the save scenario that needs "access denied". A missing write permission
# does not stop root, so for root the file is made immutable as well
# (chattr +i); it is removed again at the end.
#
#   send_file_e2e.sh WIN_BUILD_DIR NATIVE_BUILD_DIR [test arguments]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
winbuild=$1
native=$2
shift 2

dir=$(mktemp -d /tmp/kes-e2e-read-only.XXXXXX)
file=$dir/read-only.dat
cleanup() {
  chattr -i "$file" 2>/dev/null
  chmod u+w "$file" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
head -c 300 /dev/zero | tr '\0' '\021' >"$file"
chmod a-w "$file"
[ "$(id -u)" = 0 ] && chattr +i "$file" 2>/dev/null
if [ -w "$file" ]; then
  echo "send_file_e2e: cannot make $file read-only here; the read-only scenario will fail" >&2
else
  export KES_E2E_READ_ONLY_FILE="Z:$(echo "$file" | tr / '\\')"
fi
"$here/../run_e2e.sh" "$winbuild" "$native" tamsel_send_file_e2e_test.exe "$@"
