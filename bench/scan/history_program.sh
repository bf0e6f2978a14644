#!/usr/bin/env bash
# The whole program's repeat scan (tallyvol /DIR=TREE /SCAN /SAVE /SAVESUBDIRS, as cron runs it:
# process start, store opening and its upgrade checks, the scan, the save) into a store holding
# 1 stored scan of TREE and into stores holding more, rounds alternating, medians reported with
# their ratio to the 1-scan figure. bench_scan_history times the scan inside one process; this
# catches what grows with the history before and after it.
#
#   bench/scan/history_program.sh [--runs N] [--counts 10,365] [--program PATH] TREE
#
# The history is made by copying the first scan's rows under new scan identifiers, one day apart,
# with the sqlite3 shell. Automatic deletion of old scans is switched off in the private homes,
# as a user keeping a year of history has it.
set -euo pipefail

runs=7
counts=10,365
program=""
tree=""
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs=$2; shift 2 ;;
        --counts) counts=$2; shift 2 ;;
        --program) program=$2; shift 2 ;;
        *) tree=$1; shift ;;
    esac
done
here=$(cd "$(dirname "$0")/../.." && pwd)
for build in release test dev; do
    [ -z "$program" ] && [ -x "$here/build/$build/bin/tallyvol" ] && program=$here/build/$build/bin/tallyvol
done
[ -n "$tree" ] || { echo "usage: $0 [--runs N] [--counts 10,365] [--program PATH] TREE" >&2; exit 1; }
[ -x "$program" ] || { echo "build tallyvol first (./run.sh --version builds it)" >&2; exit 1; }
command -v sqlite3 > /dev/null || { echo "sqlite3 is missing (apt-get install sqlite3)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run() { TALLYVOL_HOME=$1 XDG_CONFIG_HOME=$1/config "$program" "/DIR=$tree" /SCAN /SAVE /SAVESUBDIRS; }

mkdir -p "$work/1/config"
run "$work/1" > /dev/null
sed -i 's/"AutomatedAutoDeleteDays"=dword:[0-9a-f]*/"AutomatedAutoDeleteDays"=dword:00000000/' "$work/1/machine.reg"
grep -q '"AutomatedAutoDeleteDays"=dword:00000000' "$work/1/machine.reg" ||
    { echo "could not switch off the automatic deletion in $work/1/machine.reg" >&2; exit 1; }

homes=(1)
IFS=, read -r -a extra <<< "$counts"
for n in "${extra[@]}"; do
    cp -r "$work/1" "$work/$n"
    sed -i "s#$work/1/#$work/$n/#g" "$work/$n/machine.reg"
    sqlite3 "$work/$n/tallyvol3.db" <<SQL
WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE i < $n - 1)
INSERT INTO ScanDefinition (ScanRootDirID, ScanType, ScanDate)
    SELECT ScanRootDirID, ScanType, datetime(ScanDate, '-' || i || ' days') FROM ScanDefinition, k WHERE ScanID = 1 ORDER BY i DESC;
INSERT INTO SizeData (DirID, ScanID, ParentDirID, DirSize)
    SELECT s.DirID, d.ScanID, s.ParentDirID, s.DirSize FROM SizeData s, ScanDefinition d
    WHERE s.ScanID = 1 AND d.ScanID > 1 ORDER BY d.ScanID, s.EntryID;
INSERT INTO ExtensionInfo SELECT e.ExtensionID, d.ScanID, e.NumFound, e.SizeUsed
    FROM ExtensionInfo e, ScanDefinition d WHERE e.ScanID = 1 AND d.ScanID > 1;
ANALYZE;
SQL
    echo "store with $n scans: $(sqlite3 "$work/$n/tallyvol3.db" 'select count(*) from SizeData') size rows, $(du -h "$work/$n/tallyvol3.db" | cut -f1)" >&2
    homes+=("$n")
done

seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" > /dev/null 2>&1 || { echo "a scan failed" >&2; exit 1; }
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
}
median() {
    sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

du -s "$tree" > /dev/null 2>&1 || true # warm the cache
for ((round = 0; round < runs; ++round)); do
    for n in "${homes[@]}"; do
        sleep 1 # a scan of a root started in the second of the last one waits for the next
        seconds run "$work/$n" >> "$work/times-$n"
    done
done
base=$(median < "$work/times-1")
printf '%-14s %10s %8s\n' "stored scans" "repeat" "ratio"
for n in "${homes[@]}"; do
    t=$(median < "$work/times-$n")
    printf '%-14s %9.3fs %7.2fx\n' "$n" "$t" "$(awk -v a="$t" -v b="$base" 'BEGIN { print a / b }')"
done
