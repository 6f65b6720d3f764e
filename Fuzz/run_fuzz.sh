#!/bin/sh
# Builds the reader fuzzer with clang and runs it for a while, seeded with the shared fixtures.
# Usage: Fuzz/run_fuzz.sh [seconds]   (default 45)
set -eu
SECONDS_TO_RUN="${1:-45}"
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$ROOT/build-fuzz"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
	-DVELMORA_FUZZ=ON -DVELMORA_TESTS=ON -DVELMORA_BENCHMARKS=OFF -DVELMORA_FUZZ_SECONDS="$SECONDS_TO_RUN" >/dev/null
cmake --build "$BUILD" -j2 --target velmora_fuzz_alembic_reader
ctest --test-dir "$BUILD" -L fuzz --output-on-failure
