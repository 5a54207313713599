#!/bin/sh
# A CUPS server of the tests' own: cups-server.sh start DIR | stop DIR.
# It listens on DIR/cups.sock only (clients reach it with CUPS_SERVER set to
# that socket), keeps every file under DIR, and serves two queues that print
# into nothing: quillet_ps with CUPS's generic PostScript driver and
# quillet_pdf with a driver that is no PostScript device.
set -e
action="$1"
dir="$2"
[ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

stop() {
  if [ -f "$dir/cupsd.pid" ]; then
    pid="$(cat "$dir/cupsd.pid")"
    kill "$pid" 2>/dev/null || true
    i=0
    while kill -0 "$pid" 2>/dev/null && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
    rm -f "$dir/cupsd.pid"
  fi
}

case "$action" in
  stop) stop; exit 0 ;;
  start) ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac

command -v cupsd >/dev/null || PATH="$PATH:/usr/sbin"
command -v cupsd >/dev/null || { echo "cupsd is not installed (Debian package cups-daemon)" >&2; exit 1; }
stop
rm -rf "$dir"
mkdir -p "$dir/spool" "$dir/cache" "$dir/state" "$dir/log" "$dir/tmp" "$dir/ppd"
cat >"$dir/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel warn
Browsing No
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
CONF
cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $dir/tmp
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
Printcap $dir/printcap
FileDevice Yes
CONF
# The daemon outlives this script: it keeps none of the caller's descriptors
# (a lock the caller holds would be held until the server stops).
setsid cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 </dev/null \
  3>&- 4>&- 5>&- 6>&- 7>&- 8>&- 9>&- &
echo $! >"$dir/cupsd.pid"
export CUPS_SERVER="$dir/cups.sock"
i=0
until [ -S "$dir/cups.sock" ] && lpstat -r 2>/dev/null | grep -q "is running"; do
  i=$((i + 1))
  if [ $i -gt 100 ]; then echo "the tests' CUPS server did not start" >&2; cat "$dir/log/error_log" >&2 || true; exit 1; fi
  sleep 0.1
done
# (lpadmin warns that drivers are deprecated.)
lpadmin -p quillet_ps -D "PostScript test queue" -v file:/dev/null -m drv:///sample.drv/generic.ppd -E 2>/dev/null
lpadmin -p quillet_pdf -D "PDF test queue" -v file:/dev/null -P /usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd -E \
  2>/dev/null
