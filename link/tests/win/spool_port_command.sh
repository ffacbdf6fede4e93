# Sourced by the scripts that put test printers into Wine's spooler.
#
#   write_spool_port_command FILE SIM_PORTMON SIM_PORT LINK_DIR WINE_RUN
#
# Writes FILE, the command a spooler port is mapped to (under
# HKCU\Software\Wine\Printing\Spooler, data "|FILE PRINTER"): it plays the
# printer's port monitor. The job arrives on standard input and goes to the
# printer-sim on 127.0.0.1:SIM_PORT through sim-portmon; the printer's answer
# (8-byte envelope + reply) becomes the printer data "GetDevRes,PRINTER,",
# stored by kes-wine-printer.exe from LINK_DIR.
write_spool_port_command() {
  local file=$1 portmon=$2 port=$3 linkdir=$4 winerun=$5
  cat >"$file" <<EOF2
#!/bin/sh
out=\$(mktemp)
"$portmon" --port $port --out "\$out" || true
if [ -s "\$out" ]; then
  cd "$linkdir" && "$winerun" kes-wine-printer.exe setdata "\$1" "Z:\$out" >/dev/null
fi
rm -f "\$out"
EOF2
  chmod +x "$file"
}
