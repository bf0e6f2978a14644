#!/usr/bin/env bash
# Times the whole program (tallyvol /DIR=T /SCAN /SAVE /SAVESUBDIRS into its default SQLite
# store: a first scan of a tree never seen, a repeat scan, a repeat scan with the loop check) and
# the scan's directory walk against du, ncdu, gdu and duc on the same trees: every tool once per
# round, rounds alternating, the median of the rounds reported with its ratio to du, plus peak
# memory. With --before, a second tallyvol (an older build) runs in the same rounds, so both
# builds meet the same load.
#
#   bench/scan/compare.sh [--runs N] [--bench PATH] [--program PATH] [--before PATH] [--synth DIR]
#                         [--no-walk] [TREE...]
#
# Without trees it measures the synthetic tree (made first when missing: 1,000,000 files in
# 50,000 directories, about 4 GiB on disk, a minute to build) and /usr. The synthetic tree comes
# from the generator named by $GEN_TREE. --program and --before may name wrapper scripts.
set -euo pipefail

runs=7
bench=""
program=""
before=""
synth=/tmp/synth
walk=1
trees=()
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs=$2; shift 2 ;;
        --bench) bench=$2; shift 2 ;;
        --program) program=$2; shift 2 ;;
        --before) before=$2; shift 2 ;;
        --synth) synth=$2; shift 2 ;;
        --no-walk) walk=0; shift ;;
        *) trees+=("$1"); shift ;;
    esac
done
here=$(cd "$(dirname "$0")/../.." && pwd)
for build in release test dev; do
    [ -z "$bench" ] && [ -x "$here/build/$build/bin/scan_walk_bench" ] && bench=$here/build/$build/bin/scan_walk_bench
    [ -z "$program" ] && [ -x "$here/build/$build/bin/tallyvol" ] && program=$here/build/$build/bin/tallyvol
done
[ "$walk" = 0 ] || [ -x "$bench" ] || { echo "build scan_walk_bench first (cmake --build <dir> --target scan_walk_bench)" >&2; exit 1; }
[ -x "$program" ] || { echo "build tallyvol first (./run.sh --version builds it)" >&2; exit 1; }
for tool in du ncdu gdu duc; do
    command -v "$tool" > /dev/null || { echo "$tool is missing (apt-get install ncdu gdu duc)" >&2; exit 1; }
done

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

# A program with a home of its own per build and mode: "first" gets an empty one every time (the
# tree is prepared as never seen), "repeat" and "loopcheck" keep theirs (the tree is stored).
tallyvol_scan() {
    local build=$1 mode=$2 tree=$3 home=$homes/$1-$2 binary=$program
    [ "$build" = before ] && binary=$before
    [ "$mode" = first ] && rm -rf "$home"
    mkdir -p "$home/config"
    local extra=()
    [ "$mode" = loopcheck ] && extra=(/DOSYMLINKCHECK)
    TALLYVOL_HOME=$home XDG_CONFIG_HOME=$home/config "$binary" "/DIR=$tree" /SCAN /SAVE /SAVESUBDIRS "${extra[@]}"
}

# name, then the command; the tree is appended.
tools=(
    "du|du -s"
    "ncdu|ncdu -0 -o /dev/null"
    "gdu|gdu -n -p -s"
    "duc|duc index -q -d $ducdb/db"
)
if [ "$walk" = 1 ]; then
    tools+=("walk-readahead|$bench --mode readahead" "walk-loopcheck|$bench --mode loopcheck")
fi
builds=(after)
[ -n "$before" ] && builds=(before after)
for build in "${builds[@]}"; do
    for mode in first repeat loopcheck; do
        tools+=("$build-$mode|tallyvol_scan $build $mode")
    done
done

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
    echo "== $tree ($runs rounds, $(nproc) processors, load before $(cut -d' ' -f1-3 /proc/loadavg))"
    du -s "$tree" > /dev/null 2>&1 || true # warm the caches
    rm -rf "${homes:?}"/*
    for build in "${builds[@]}"; do # the repeat scans find the tree stored
        for mode in repeat loopcheck; do
            tallyvol_scan "$build" "$mode" "$tree" > /dev/null 2>&1 ||
                { echo "the $build build's $mode scan of $tree failed" >&2; exit 1; }
        done
    done
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
    echo "  load after $(cut -d' ' -f1-3 /proc/loadavg)"
    for build in "${builds[@]}"; do
        for mode in first repeat loopcheck; do
            rss=$( { /usr/bin/time -f %M bash -c "$(declare -f tallyvol_scan); homes=$homes program=$program before=$before tallyvol_scan $build $mode '$tree'" > /dev/null; } 2>&1 | tail -n 1)
            printf "  peak RSS %-6s %-9s %7d KB\n" "$build" "$mode" "$rss"
        done
    done
    unset times
done
