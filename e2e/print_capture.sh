#!/bin/sh
# The port of a PostScript test printer: Wine's spooler runs it with the job
# on standard input and waits for it before the document counts as printed.
#
#   print_capture.sh FOLDER FORWARD PRINTER DPI
#
# A PostScript job (the test print through Wine's PostScript driver) is kept
# as FOLDER/print-N.ps and rendered by Ghostscript at the printer's
# resolution into print-N.pgm (and print-N.png to look at); print-N.printer
# names the printer. Any other job (the panel program's exchanges with the
# printer) goes on to FORWARD "PRINTER", the simulated printer's port command.
folder=$1 forward=$2 printer=$3 dpi=$4
mkdir -p "$folder"
job=$(mktemp "$folder/job.XXXXXX")
cat >"$job"
if [ "$(head -c 4 "$job")" != "%!PS" ]; then
  "$forward" "$printer" <"$job"
  rm -f "$job"
  exit 0
fi
n=1
while [ -e "$folder/print-$n.ps" ]; do n=$((n + 1)); done
base=$folder/print-$n
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r"$dpi" -sOutputFile="$base.png" "$job" >"$base.gs.log" 2>&1
# The picture the test compares comes last: its appearance means done.
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pgmraw -r"$dpi" -sOutputFile="$base.pgm.part" "$job" >>"$base.gs.log" 2>&1
echo "$printer" >"$base.printer"
mv "$job" "$base.ps"
mv "$base.pgm.part" "$base.pgm"
exit 0
