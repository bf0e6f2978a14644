#!/usr/bin/env bash
# Sets up, builds and runs every test: once in a normal build, once with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-packages.sh test

jobs=$(nproc)
for config in test asan; do
    flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLYVOL_WERROR=ON)
    [ "$config" = asan ] && flags+=(-DTALLYVOL_SANITIZE=ON)
    cmake -S . -B "build/$config" -G Ninja "${flags[@]}" >/dev/null
    cmake --build "build/$config" -j "$jobs"
done

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for config in test asan; do
    echo "== ctest ($config)"
    (cd "build/$config" && ctest --output-on-failure -j "$jobs" --timeout 600) || status=1
done
exit $status
