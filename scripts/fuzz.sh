#!/usr/bin/env bash
# Runs one fuzz target for a while: scripts/fuzz.sh NAME [SECONDS] [extra libFuzzer flags...]
# The seeds in fuzz/corpus/NAME are read, never written; new inputs go to build/fuzz/corpus/NAME.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

name="$1"
seconds="${2:-60}"
shift $(($# >= 2 ? 2 : 1))
binary="$ROOT/build/fuzz/fuzz/$name"
if [[ ! -x $binary ]]; then
    CXX=clang++ configure_and_build "$ROOT/build/fuzz" -DTKX_FUZZ=ON >/dev/null
fi
work="$ROOT/build/fuzz/corpus/$name"
mkdir -p "$work" "$ROOT/build/fuzz/artifacts"
seeds=()
[[ -d $ROOT/fuzz/corpus/$name ]] && seeds=("$ROOT/fuzz/corpus/$name")
exec "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$ROOT/build/fuzz/artifacts/$name-" "$@" "$work" "${seeds[@]}"
