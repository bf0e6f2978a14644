#!/usr/bin/env bash
# How fast can this machine walk a tree on all its processors? Splits a tree's top-level entries
# into as many groups as there are processors, balanced by inode count (counted once, untimed),
# and times per round: `du -s TREE`, one `du -s` per group one after the other, and one `du -s`
# per group all at once. The last is the floor of any walk that sizes every file with one stat
# call, however it shares the work: separate processes share no lock of their own, only the
# kernel's. Medians of the rounds, with their ratio to `du -s`.
#
#   bench/scan/floor.sh [--runs N] [--jobs N] TREE...
set -euo pipefail

runs=7
jobs=$(nproc)
trees=()
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs=$2; shift 2 ;;
        --jobs) jobs=$2; shift 2 ;;
        *) trees+=("$1"); shift ;;
    esac
done
[ ${#trees[@]} -gt 0 ] || { echo "usage: $0 [--runs N] [--jobs N] TREE..." >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -n | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
seconds() {
    local t0 t1
    t0=$(date +%s.%N); "$@" > /dev/null 2>&1 || true; t1=$(date +%s.%N)
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f\n", b - a }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { print a / b }'; }

# Groups as NUL-separated lists of absolute paths, the largest entries dealt out first, each to
# the group holding the fewest inodes so far.
split_tree() {
    local tree=$1
    find "$tree" -mindepth 1 -maxdepth 1 -print0 |
        xargs -0 -r du -s --inodes -- 2> /dev/null |
        sort -rn |
        awk -v jobs="$jobs" -v dir="$work" -F '\t' '
            { best = 0; for (g = 1; g < jobs; g++) if (n[g] < n[best]) best = g
              n[best] += $1; printf "%s%c", $2, 0 > (dir "/group" best) }
            END { for (g = 0; g < jobs; g++) printf "group %d: %d inodes\n", g, n[g] > "/dev/stderr" }'
}

sequential() { for g in "$work"/group*; do xargs -0 -r du -s -- < "$g"; done; }
parallel() { for g in "$work"/group*; do xargs -0 -r du -s -- < "$g" > /dev/null & done; wait; }

printf '%-28s %10s %18s %18s\n' tree "du -s" "groups in turn" "groups at once"
for tree in "${trees[@]}"; do
    rm -f "$work"/group*
    split_tree "$tree"
    du -s "$tree" > /dev/null 2>&1 || true # warm the cache
    : > "$work/whole"; : > "$work/seq"; : > "$work/par"
    for _ in $(seq "$runs"); do
        seconds du -s "$tree" >> "$work/whole"
        seconds sequential >> "$work/seq"
        seconds parallel >> "$work/par"
    done
    whole=$(median < "$work/whole"); seq_t=$(median < "$work/seq"); par_t=$(median < "$work/par")
    printf '%-28s %9.3fs %9.3fs (%.2fx) %9.3fs (%.2fx)\n' "$tree" "$whole" \
        "$seq_t" "$(ratio "$seq_t" "$whole")" "$par_t" "$(ratio "$par_t" "$whole")"
done
