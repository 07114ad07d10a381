#!/usr/bin/env bash
# Builds the program and runs it; arguments go to the program. Only the program itself is
# built (not the tests or benchmarks), and the build's progress goes to standard error so that
# the program's own output stays clean.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

"$ROOT/scripts/install-deps.sh" >&2
mkdir -p "$ROOT/build"
echo "run.sh: building qxdrive in build/release (the first time takes a few minutes)" >&2
configure "$ROOT/build/release" -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
cmake --build "$ROOT/build/release" --target qxdrive -j "$JOBS" >&2
exec "$ROOT/build/release/tools/qxdrive" "$@"
