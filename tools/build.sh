#!/usr/bin/env bash
# Configures and builds Lorvanta in build/ (or $LORVANTA_BUILD_DIR).
# Extra CMake arguments come from $LORVANTA_CMAKE_ARGS, e.g.
#   LORVANTA_CMAKE_ARGS=-DLORVANTA_SANITIZE=ON LORVANTA_BUILD_DIR=build-asan tools/build.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build="${LORVANTA_BUILD_DIR:-build}"
# shellcheck disable=SC2086
cmake -S . -B "$build" -G Ninja ${LORVANTA_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j2
