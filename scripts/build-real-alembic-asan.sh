#!/usr/bin/env bash
# Builds the real Alembic 1.8.6 (the release the engine ships) with AddressSanitizer into PREFIX, from the
# archive ARCHIVE, so that a test built with the sanitizers against it sees a read or a write past a buffer
# inside the library where it happens, not only in the copies the sanitizer intercepts. Only the library:
# no tests, tools, Python or HDF5. Prints PREFIX when done; does nothing if it is already built.
# Usage: build-real-alembic-asan.sh ARCHIVE PREFIX
set -euo pipefail
archive=${1:?usage: build-real-alembic-asan.sh ARCHIVE PREFIX}
prefix=${2:?usage: build-real-alembic-asan.sh ARCHIVE PREFIX}
[ -f "$archive" ] || { echo "build-real-alembic-asan: no archive at $archive" >&2; exit 1; }
# Written last, so a build that stopped half way is built again.
stamp="$prefix/.velmora-asan-build"
if [ -f "$stamp" ] && [ -f "$prefix/lib/libAlembic.so.1.8.6" ] && [ -f "$prefix/include/Alembic/Abc/All.h" ]; then
	echo "$prefix"; exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tar xzf "$archive" -C "$work"
# -O1 and line tables only: a sanitizer's report names the line, and the build takes about as long as
# the plain one (some 5 minutes of one core).
flags="-fsanitize=address -fno-omit-frame-pointer"
cmake -S "$work/alembic-1.8.6" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	-DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
	-DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
	-DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address" \
	-DUSE_TESTS=OFF -DUSE_HDF5=OFF -DUSE_BINARIES=OFF -DUSE_PYALEMBIC=OFF -DALEMBIC_SHARED_LIBS=ON \
	-DCMAKE_INSTALL_PREFIX="$prefix" >"$work/configure.log" 2>&1 || { tail -20 "$work/configure.log" >&2; exit 1; }
cmake --build "$work/build" -j "$(nproc)" >"$work/build.log" 2>&1 || { tail -30 "$work/build.log" >&2; exit 1; }
rm -f "$stamp"
cmake --install "$work/build" >"$work/install.log" 2>&1 || { tail -20 "$work/install.log" >&2; exit 1; }
touch "$stamp"
echo "$prefix"
