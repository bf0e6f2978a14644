#!/usr/bin/env bash
# Installs the tallyvol package into a scratch root (dpkg -x) and runs an automated scan from
# the installed files alone, proving the install tree is complete: the program finds its
# private libraries through its run path, its data (the empty store template) relative to
# itself, and needs neither Qt nor the build tree. Usage: installed_package_test.sh PACKAGE_DIR
set -euo pipefail

packages=$1
program_deb=$(ls "$packages"/tallyvol_*.deb)
desktop_deb=$(ls "$packages"/tallyvol-desktop_*.deb)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

root=$scratch/root
dpkg -x "$program_deb" "$root"
program=$root/usr/bin/tallyvol
[ -x "$program" ] || fail "no /usr/bin/tallyvol in the package"
gzip -t "$root/usr/share/man/man1/tallyvol.1.gz" || fail "no manual page"

# Every library of ours resolves inside the scratch root; nothing of Qt is needed.
libraries=$(ldd "$program")
if grep -q 'not found' <<<"$libraries"; then fail "unresolved libraries: $libraries"; fi
if grep -q -i 'qt' <<<"$libraries"; then fail "the program needs Qt: $libraries"; fi
while read -r line; do
    case $line in
    *libtallyvol-*|*libbrand*|*libnetkit*)
        [[ $line == *"$root/usr/"*"lib/tallyvol/"* ]] || fail "library from outside the package: $line" ;;
    esac
done <<<"$libraries"
program_control=$(dpkg-deb -I "$program_deb")
desktop_control=$(dpkg-deb -I "$desktop_deb")
if grep -q '^ Depends:.*libqt' <<<"$program_control"; then fail "tallyvol depends on Qt"; fi
grep -q '^ Depends:.*tallyvol (= ' <<<"$desktop_control" || fail "tallyvol-desktop does not depend on tallyvol"

# A tree of known size, scanned and stored by the installed program in a fresh home.
tree=$scratch/tree
mkdir -p "$tree/a/b" "$tree/c"
head -c 10000 /dev/zero >"$tree/a/one.dat"
head -c 5000 /dev/zero >"$tree/a/b/two.txt"
home=$scratch/home
mkdir -p "$home"
run() {
    env -i PATH=/usr/bin:/bin HOME="$home" TALLYVOL_HOME="$home/tallyvol" XDG_CONFIG_HOME="$home/config" \
        TMPDIR="$scratch" LANG=C.UTF-8 "$program" "$@"
}
run "/DIR=$tree" /SCAN /SAVESUBDIRS || fail "the automated scan failed with status $?"
store=$home/tallyvol/tallyvol3.db
[ -s "$store" ] || fail "no store was made from the installed template"
scans=$(sqlite3 "$store" "select count(*) from ScanDefinition where ScanType = 2")
[ "$scans" = 1 ] || fail "expected one automated scan, found $scans"
total=$(sqlite3 "$store" "select DirSize from SizeData join DirNames using (DirID) where Path like '%/tree'")
[ "$total" = 20480 ] || fail "the tree's stored size is $total, not 20480 (two files in 4096-byte units)"

# Without the desktop package an interactive start says so, and does nothing else.
out=$(run 2>&1) || true
grep -q "window" <<<"$out" || fail "an interactive start without the window library said: $out"

echo "ok: the installed program scanned and stored the tree"
