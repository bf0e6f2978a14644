#!/usr/bin/env bash
# Times the scan's directory walk and the whole program (tallyvol /DIR=T /SCAN /SAVE
# /SAVESUBDIRS: a first scan of a tree never seen, a repeat scan, a scan with the loop check)
# against du, gdu and duc on the same trees: every tool once per round, rounds alternating, the
# median of the rounds reported, plus peak memory.
#
#   bench/scan/compare.sh [--runs N] [--bench PATH] [--program PATH] [--synth DIR] [TREE...]
#
# Without trees it measures the synthetic tree (made first when missing: 1,000,000 files in
# 50,000 directories, about 4 GiB on disk, a minute to build) and /usr. The synthetic tree comes
# from the generator named by $GEN_TREE.
set -euo pipefail

runs=7
bench=""
program=""
synth=/tmp/synth
trees=()
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs=$2; shift 2 ;;
        --bench) bench=$2; shift 2 ;;
        --program) program=$2; shift 2 ;;
        --synth) synth=$2; shift 2 ;;
        *) trees+=("$1"); shift ;;
    esac
done
here=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "$bench" ]; then
    for candidate in "$here/build/release/bin/scan_walk_bench" "$here/build/test/bin/scan_walk_bench"; do
        [ -x "$candidate" ] && bench=$candidate && break
    done
fi
[ -x "$bench" ] || { echo "build scan_walk_bench first (cmake --build <dir> --target scan_walk_bench)" >&2; exit 1; }
if [ -z "$program" ]; then
    for candidate in "$here/build/release/bin/tallyvol" "$here/build/test/bin/tallyvol"; do
        [ -x "$candidate" ] && program=$candidate && break
    done
fi
[ -x "$program" ] || { echo "build tallyvol first (./run.sh --version builds it)" >&2; exit 1; }

if [ ${#trees[@]} -eq 0 ]; then
    if [ ! -d "$synth" ]; then
        gen=${GEN_TREE:-/work/shared/bench/gen_tree.py}
        echo "making $synth with $gen" >&2
        /usr/bin/python3 "$gen" --root "$synth" >&2
    fi
    trees=("$synth" /usr)
fi

ducdb=$(mktemp -d)
homes=$(mktemp -d)
trap 'rm -rf "$ducdb" "$homes"' EXIT

# The program with a home of its own: "first" gets an empty one every time (the tree is
# prepared as never seen), "repeat" and "loopcheck" keep theirs (the tree is in the store).
tallyvol_scan() {
    local mode=$1 tree=$2 home=$homes/$1
    [ "$mode" = first ] && rm -rf "$home"
    mkdir -p "$home/config"
    local extra=()
    [ "$mode" = loopcheck ] && extra=(/DOSYMLINKCHECK)
    TALLYVOL_HOME=$home XDG_CONFIG_HOME=$home/config "$program" "/DIR=$tree" /SCAN /SAVE /SAVESUBDIRS "${extra[@]}"
}

# name, then the command; the tree is appended.
tools=(
    "du|du -s"
    "gdu|gdu -n -p -s"
    "duc|duc index -q -d $ducdb/db"
    "walk-readahead|$bench --mode readahead"
    "walk-sync|$bench --mode sync"
    "walk-loopcheck|$bench --mode loopcheck"
    "walk-prepare|$bench --mode prepare"
    "walk-prepare-sync|$bench --mode prepare-sync"
    "tallyvol-first|tallyvol_scan first"
    "tallyvol-repeat|tallyvol_scan repeat"
    "tallyvol-loopcheck|tallyvol_scan loopcheck"
)

seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" > /dev/null 2>&1 || true
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }' 
}

median() {
    sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

for tree in "${trees[@]}"; do
    echo "== $tree ($runs rounds, $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg))"
    du -s "$tree" > /dev/null 2>&1 || true # warm the caches
    rm -rf "$homes"/*
    tallyvol_scan repeat "$tree" > /dev/null 2>&1 # the repeat scans find the tree stored
    tallyvol_scan loopcheck "$tree" > /dev/null 2>&1
    declare -A times=()
    for ((round = 0; round < runs; ++round)); do
        for entry in "${tools[@]}"; do
            name=${entry%%|*}
            command=${entry#*|}
            rm -f "$ducdb/db"
            # shellcheck disable=SC2086
            times[$name]+="$(seconds $command "$tree") "
        done
    done
    du_median=$(echo "${times[du]}" | tr ' ' '\n' | grep . | median)
    for entry in "${tools[@]}"; do
        name=${entry%%|*}
        m=$(echo "${times[$name]}" | tr ' ' '\n' | grep . | median)
        printf "  %-18s median %6.3f s   %5.2fx du   (runs: %s)\n" "$name" "$m" "$(awk -v a="$m" -v b="$du_median" 'BEGIN { print a / b }')" \
            "${times[$name]% }"
    done
    for mode in readahead sync loopcheck prepare prepare-sync; do
        rss=$(/usr/bin/time -f %M "$bench" --mode "$mode" "$tree" 2>&1 > /dev/null | tail -n 1)
        printf "  peak RSS walk-%-13s %6d KB\n" "$mode" "$rss"
    done
    for mode in first repeat loopcheck; do
        rss=$( { /usr/bin/time -f %M bash -c "$(declare -f tallyvol_scan); homes=$homes program=$program tallyvol_scan $mode '$tree'" > /dev/null; } 2>&1 | tail -n 1)
        printf "  peak RSS tallyvol-%-9s %6d KB\n" "$mode" "$rss"
    done
    unset times
done
