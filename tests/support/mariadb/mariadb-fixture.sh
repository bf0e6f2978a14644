#!/usr/bin/env bash
# A private MariaDB server for the tests of one build tree.
#   mariadb-fixture.sh start DIR   creates DIR, starts the server on 127.0.0.1 and a free port,
#                                  creates the test account, writes DIR/connection.env
#   mariadb-fixture.sh stop DIR    stops the server started there (by the PID it recorded)
# connection.env holds shell-style NAME=VALUE lines: TALLYVOL_TEST_MARIADB_HOST, _PORT,
# _SOCKET, _USER, _PASSWORD. Tests create and drop their own databases with that account.
# TALLYVOL_MARIADB_BUFFER_POOL sets the server's InnoDB buffer pool (32M unless given).
set -euo pipefail

command=${1:-}
dir=${2:-}
[ -n "$command" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

pidfile="$dir/mariadbd.pid"
socket="$dir/mariadbd.sock"
envfile="$dir/connection.env"
user=tallyvol_test
password='tv-Test-pw1'

stop_server() {
    [ -f "$pidfile" ] || return 0
    local pid
    pid=$(cat "$pidfile" 2>/dev/null || true)
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 1 100); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$pid" 2>/dev/null; then
            kill -9 "$pid" 2>/dev/null || true
        fi
    fi
    rm -f "$pidfile"
}

free_port() {
    # Ask the kernel for a port nobody holds; the server may still lose a race for it, which
    # the start loop below handles by trying again.
    if [ -x /usr/bin/python3 ]; then
        /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
    else
        echo $((20000 + RANDOM % 20000))
    fi
}

case "$command" in
stop)
    stop_server
    rm -f "$envfile"
    ;;
start)
    for tool in mariadb-install-db mariadbd mariadb-admin mariadb; do
        command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] || { echo "$tool is missing (mariadb-server)" >&2; exit 1; }
    done
    PATH="$PATH:/usr/sbin"
    # A server left behind by an interrupted run of this build tree goes first.
    stop_server
    rm -rf "$dir"
    mkdir -p "$dir"
    # Making the system tables takes seconds; a fresh data directory made once per build tree
    # is kept beside it and copied for every start.
    pristine="$dir.pristine"
    if [ ! -f "$pristine/.complete" ]; then
        rm -rf "$pristine"
        mkdir -p "$pristine/data"
        mariadb-install-db --no-defaults --datadir="$pristine/data" --user="$(id -un)" \
            --auth-root-authentication-method=socket --skip-test-db >"$dir/install.log" 2>&1 \
            || { cat "$dir/install.log" >&2; rm -rf "$pristine"; exit 1; }
        touch "$pristine/.complete"
    fi
    cp -a "$pristine/data" "$dir/data"
    started=0
    for attempt in 1 2 3 4 5; do
        port=$(free_port)
        setsid mariadbd --no-defaults --datadir="$dir/data" --socket="$socket" --port="$port" \
            --bind-address=127.0.0.1 --pid-file="$pidfile" --user="$(id -un)" \
            --skip-log-bin --innodb-buffer-pool-size="${TALLYVOL_MARIADB_BUFFER_POOL:-32M}" --innodb-log-file-size=16M \
            --innodb-flush-log-at-trx-commit=2 --log-error="$dir/server.log" </dev/null >/dev/null 2>&1 &
        server=$!
        for _ in $(seq 1 200); do
            if mariadb-admin --no-defaults --socket="$socket" -uroot ping >/dev/null 2>&1; then
                started=1
                break
            fi
            kill -0 "$server" 2>/dev/null || break
            sleep 0.05
        done
        [ "$started" -eq 1 ] && break
        kill "$server" 2>/dev/null || true
        wait "$server" 2>/dev/null || true
    done
    if [ "$started" -ne 1 ]; then
        echo "the MariaDB server did not start:" >&2
        tail -20 "$dir/server.log" >&2 || true
        exit 1
    fi
    # The pid file may lag the socket by a moment; the stop step needs it.
    for _ in $(seq 1 100); do [ -s "$pidfile" ] && break; sleep 0.05; done
    [ -s "$pidfile" ] || echo "$server" >"$pidfile"
    mariadb --no-defaults --socket="$socket" -uroot <<SQL
CREATE USER '$user'@'127.0.0.1' IDENTIFIED BY '$password';
CREATE USER '$user'@'localhost' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON *.* TO '$user'@'127.0.0.1';
GRANT ALL PRIVILEGES ON *.* TO '$user'@'localhost';
SQL
    cat >"$envfile" <<ENV
TALLYVOL_TEST_MARIADB_HOST=127.0.0.1
TALLYVOL_TEST_MARIADB_PORT=$port
TALLYVOL_TEST_MARIADB_SOCKET=$socket
TALLYVOL_TEST_MARIADB_USER=$user
TALLYVOL_TEST_MARIADB_PASSWORD=$password
ENV
    ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
