# A private CUPS server for the tests labelled "print" (./test.sh only). Sourced, not run.
# kadrion_start_cups starts cupsd from the cups-daemon package with a configuration of its own in
# a temporary folder, listening only on a local socket there (the machine's CUPS and its
# configuration are never touched), with two queues, "kadry" (the default) and "buhgalteria",
# whose backend writes each job as a file into a folder. It exports KADRION_TEST_CUPS (the
# socket) and KADRION_TEST_CUPS_OUT (the folder of printed jobs, <queue>-<job>.out); the print
# tests skip when KADRION_TEST_CUPS is not set. kadrion_stop_cups stops that server only.
KADRION_CUPSD_PID=""
KADRION_CUPS_DIR=""
kadrion_start_cups() {
  [ -x /usr/sbin/cupsd ] && command -v lpadmin >/dev/null || {
    echo "cupsd or lpadmin missing: print tests skip"
    return 0
  }
  local d i
  d=$(mktemp -d /tmp/kadrion-cups.XXXXXX) || return 0
  # The server runs its backends as user lp: the folders must let it in.
  chmod 755 "$d"
  mkdir -p "$d/spool" "$d/cache" "$d/state" "$d/log" "$d/bin/backend" "$d/out" "$d/tmp"
  chmod 1777 "$d/out" "$d/tmp"
  # The system's filters and tools, and one backend of our own.
  for i in /usr/lib/cups/*; do [ "${i##*/}" = backend ] || ln -s "$i" "$d/bin/"; done
  for i in /usr/lib/cups/backend/*; do ln -s "$i" "$d/bin/backend/"; done
  cat >"$d/bin/backend/kadrionfile" <<'BACKEND'
#!/bin/sh
# kadrionfile:<folder>: writes each job to <folder>/<queue>-<job>.out (renamed when complete).
[ $# -eq 0 ] && { echo 'direct kadrionfile "Unknown" "Jobs written to files"'; exit 0; }
umask 022
out=${DEVICE_URI#kadrionfile:}/$PRINTER-$1
if [ -n "$6" ]; then cat "$6"; else cat; fi >"$out.part" && mv "$out.part" "$out.out"
BACKEND
  chmod 755 "$d/bin/backend/kadrionfile"
  cat >"$d/cupsd.conf" <<CONF
Listen $d/cups.sock
LogLevel warn
Browsing No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
  cat >"$d/cups-files.conf" <<CONF
ServerRoot $d
ServerBin $d/bin
RequestRoot $d/spool
TempDir $d/tmp
CacheDir $d/cache
StateDir $d/state
ErrorLog $d/log/error_log
AccessLog $d/log/access_log
PageLog $d/log/page_log
FileDevice Yes
SystemGroup root
CONF
  /usr/sbin/cupsd -f -c "$d/cupsd.conf" -s "$d/cups-files.conf" >/dev/null 2>&1 &
  KADRION_CUPSD_PID=$!
  KADRION_CUPS_DIR=$d
  for i in $(seq 1 50); do [ -S "$d/cups.sock" ] && break; sleep 0.1; done
  if ! CUPS_SERVER="$d/cups.sock" lpstat -r >/dev/null 2>&1; then
    echo "the private CUPS server did not start: print tests skip"
    kadrion_stop_cups
    return 0
  fi
  for i in kadry buhgalteria; do
    CUPS_SERVER="$d/cups.sock" lpadmin -p "$i" -E -v "kadrionfile:$d/out" -m raw 2>/dev/null
  done
  CUPS_SERVER="$d/cups.sock" lpadmin -d kadry
  export KADRION_TEST_CUPS="$d/cups.sock" KADRION_TEST_CUPS_OUT="$d/out"
  echo "private CUPS server for the print tests on $d/cups.sock (pid $KADRION_CUPSD_PID)"
}
kadrion_stop_cups() {
  if [ -n "$KADRION_CUPSD_PID" ]; then
    kill "$KADRION_CUPSD_PID" 2>/dev/null || true
    wait "$KADRION_CUPSD_PID" 2>/dev/null || true
  fi
  [ -n "$KADRION_CUPS_DIR" ] && rm -rf "$KADRION_CUPS_DIR"
  KADRION_CUPSD_PID=""
  KADRION_CUPS_DIR=""
  unset KADRION_TEST_CUPS KADRION_TEST_CUPS_OUT
}
