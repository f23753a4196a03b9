#!/usr/bin/env bash
# Installs what is missing, builds, and starts the launcher.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/build.sh
exec "${LORVANTA_BUILD_DIR:-build}/bin/lorvanta" "$@"
