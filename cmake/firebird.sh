#!/usr/bin/env bash
# A private Firebird server for the tests labelled "server": its own configuration, security
# database, lock and temporary folders in a folder of its own, listening on a free port of
# 127.0.0.1 only, run as the calling user. The machine's Firebird server, its configuration and
# its security database are never touched.
#   cmake/firebird.sh start <folder>   prepares <folder> on first use, starts the server there
#                                      and prints "<port> <pid>" once it answers
#   cmake/firebird.sh stop <folder>    stops the server started there
# The folder's server knows SYSDBA with the application's fixed password. ./test.sh starts one
# for the server tests; a test that kills or pauses a server starts one of its own.
# Exit status 3: no Firebird server package here (the tests skip).
set -eu
action=${1:-}
root=${2:-}
if [ -z "$action" ] || [ -z "$root" ]; then
    echo "usage: $0 start|stop <folder>" >&2
    exit 2
fi
mkdir -p "$root"
root=$(cd "$root" && pwd)

answers() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

case "$action" in
stop)
    if [ -s "$root/pid" ]; then
        pid=$(cat "$root/pid")
        kill -CONT "$pid" 2>/dev/null || true
        kill "$pid" 2>/dev/null || true
        i=0
        while kill -0 "$pid" 2>/dev/null && [ $i -lt 50 ]; do
            sleep 0.1
            i=$((i + 1))
        done
        kill -KILL "$pid" 2>/dev/null || true
        rm -f "$root/pid"
    fi
    exit 0
    ;;
start) ;;
*)
    echo "usage: $0 start|stop <folder>" >&2
    exit 2
    ;;
esac

server=/usr/sbin/firebird
lib=$(dirname "$(readlink -f /usr/lib/*/firebird/3.0/firebird.msg 2>/dev/null | head -n 1)")
if [ ! -x "$server" ] || [ ! -f "$lib/firebird.msg" ] || ! command -v isql-fb >/dev/null; then
    echo "no Firebird server here" >&2
    exit 3
fi

export FIREBIRD="$root" FIREBIRD_LOCK="$root/lock" FIREBIRD_TMP="$root/tmp"
if [ ! -f "$root/firebird.conf" ]; then
    mkdir -p "$root/lock" "$root/tmp"
    # The character sets are copied, not linked: through a link WIN1251 reads as not installed.
    cp -r "$lib/intl" "$root/intl"
    rm -f "$root/intl/fbintl.conf"
    cp "$(readlink -f "$lib/intl/fbintl.conf")" "$root/intl/fbintl.conf"
    ln -s "$lib/plugins" "$root/plugins"
    cp "$lib/firebird.msg" "$root/"
    cp "$(readlink -f "$lib/plugins.conf")" "$root/plugins.conf"
    port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    cat >"$root/firebird.conf" <<CONF
RemoteServicePort = $port
RemoteBindAddress = 127.0.0.1
IpcName = kadrion$port
ServerMode = Super
SecurityDatabase = $root/security3.fdb
AuthServer = Srp
UserManager = Srp
WireCrypt = Enabled
DatabaseAccess = Full
CONF
    : >"$root/databases.conf"
    # The security database, made with the embedded engine, and SYSDBA in it.
    printf "create database '%s';\ncreate user SYSDBA password 'quartzfen' using plugin Srp;\ncommit;\n" \
        "$root/security3.fdb" >"$root/make.sql"
    isql-fb -q -user SYSDBA -i "$root/make.sql" >"$root/make.log" 2>&1
fi
port=$(sed -n 's/^RemoteServicePort = //p' "$root/firebird.conf")
if answers "$port"; then
    echo "port $port is taken" >&2
    exit 1
fi
"$server" >>"$root/server.log" 2>&1 &
pid=$!
echo "$pid" >"$root/pid"
i=0
until answers "$port"; do
    i=$((i + 1))
    if [ $i -gt 100 ] || ! kill -0 "$pid" 2>/dev/null; then
        echo "the private Firebird server did not start (see $root/server.log)" >&2
        exit 1
    fi
    sleep 0.1
done
echo "$port $pid"
