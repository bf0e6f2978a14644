#!/usr/bin/env bash
# The growth benchmark against SQLite and a private MariaDB server started for the run (the
# test fixture's script, with a larger buffer pool), which is stopped and removed afterwards.
#   bench/growth/run.sh [bench_growth options]      BUILD=build/dev, POOL=512M by default
# STORE=FILE keeps the SQLite store for later runs (filling it takes about ten minutes).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-$root/build/dev}
work=$(mktemp -d "${TMPDIR:-/tmp}/tallyvol-growth-bench.XXXXXX")
fixture="$root/tests/support/mariadb/mariadb-fixture.sh"
trap '"$fixture" stop "$work/mariadb" || true; rm -rf "$work"' EXIT
TALLYVOL_MARIADB_BUFFER_POOL=${POOL:-512M} "$fixture" start "$work/mariadb"
TALLYVOL_TEST_MARIADB_ENV="$work/mariadb/connection.env" \
    "$build/bin/bench_growth" --store "${STORE:-$work/store.db}" "$@"
