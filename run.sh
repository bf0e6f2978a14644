#!/usr/bin/env bash
# Sets up, builds (Release) and runs Tallyvol with the options given, e.g.
#   ./run.sh /DIR=/srv/data /SCAN /SAVE
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-packages.sh build
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALLYVOL_BUILD_TESTS=OFF >/dev/null
cmake --build build/release >/dev/null
exec build/release/bin/tallyvol "$@"
