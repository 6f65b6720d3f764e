#!/bin/sh
# Builds the fuzzers with clang and runs each for a while: the Alembic reader seeded with the shared
# fixtures (when they exist), mesh import and the groom record seeded by make_seeds.sh.
# Usage: Fuzz/run_fuzz.sh [seconds]   (default 45; the reader's run, the other two are shorter)
set -eu
SECONDS_TO_RUN="${1:-45}"
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$ROOT/build-fuzz"
LAUNCHER=""
if command -v ccache >/dev/null 2>&1; then
	LAUNCHER="-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
fi
# shellcheck disable=SC2086
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 $LAUNCHER \
	-DVELMORA_FUZZ=ON -DVELMORA_TESTS=ON -DVELMORA_BENCHMARKS=OFF -DVELMORA_FUZZ_SECONDS="$SECONDS_TO_RUN" >/dev/null
cmake --build "$BUILD" -j2 --target velmora_fuzz_alembic_reader velmora_fuzz_mesh_import velmora_fuzz_groom_json
ctest --test-dir "$BUILD" -L fuzz --output-on-failure
