#!/usr/bin/env bash
# Builds the program and runs it; arguments go to the program.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

"$ROOT/scripts/install-deps.sh"
mkdir -p "$ROOT/build"
configure_and_build "$ROOT/build/release" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
exec "$ROOT/build/release/tools/qxdrive" "$@"
