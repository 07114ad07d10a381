#!/usr/bin/env bash
# Builds and runs every test: the warning-clean build, the ASan+UBSan build, the ThreadSanitizer
# run of the threaded tests (base, modbus and devices), and a short smoke run of every fuzz target.
#   TKX_FUZZ_SECONDS   seconds per fuzz target (default 5)
#   TKX_SKIP_SANITIZERS=1  only the plain build (quick local loop)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

"$ROOT/scripts/install-deps.sh" || exit 1
mkdir -p "$ROOT/build"
cd "$ROOT"

passed=0
failed=0
record() { # record STAGE OK
    if [[ $2 == 0 ]]; then
        echo "== $1: ok"
    else
        echo "== $1: FAILED"
        failed=$((failed + 1))
    fi
}

# ctest_stage NAME BUILD_DIR [ctest args...]: runs ctest and adds its counts to the totals.
ctest_stage() {
    local name="$1" dir="$2"
    shift 2
    local log="$dir.ctest.log"
    (cd "$dir" && ctest --output-on-failure -j "$JOBS" --timeout 600 "$@") 2>&1 | tee "$log"
    local rc=${PIPESTATUS[0]}
    local counts
    counts=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
    if [[ -n $counts ]]; then
        local total bad
        bad=$(echo "$counts" | awk '{print $1}')
        total=$(echo "$counts" | awk '{print $NF}')
        passed=$((passed + total - bad))
        failed=$((failed + bad))
        [[ $bad == 0 && $rc != 0 ]] && failed=$((failed + 1))
    else
        record "$name" 1
    fi
}

echo "== format check"
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if ((${#sources[@]})) && ! clang-format --dry-run --Werror "${sources[@]}"; then
    record "format" 1
else
    passed=$((passed + 1))
fi

echo "== release build (warnings are errors)"
if configure_and_build build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTKX_WERROR=ON; then
    ctest_stage release build/release
else
    record "release build" 1
fi

if [[ ${TKX_SKIP_SANITIZERS:-0} != 1 ]]; then
    echo "== address and undefined-behaviour sanitizer build"
    if configure_and_build build/asan -DCMAKE_BUILD_TYPE=Debug -DTKX_WERROR=ON \
        "-DTKX_SANITIZE=address;undefined" -DTKX_BENCH=OFF; then
        ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest_stage asan build/asan
    else
        record "asan build" 1
    fi

    echo "== thread sanitizer run of the threaded tests"
    if configure build/tsan -DCMAKE_BUILD_TYPE=Debug -DTKX_WERROR=ON -DTKX_SANITIZE=thread \
        -DTKX_BENCH=OFF; then
        threaded=$(existing_targets build/tsan tkx_base_tests tkx_modbus_tests tkx_devices_tests)
        if [[ -z $threaded ]]; then
            echo "no threaded tests yet"
        elif cmake --build build/tsan -j "$JOBS" --target $threaded; then
            TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
                ctest_stage tsan build/tsan -L 'base|modbus|devices'
        else
            record "tsan build" 1
        fi
    else
        record "tsan configure" 1
    fi

    echo "== fuzz smoke"
    if CXX=clang++ configure_and_build build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTKX_FUZZ=ON; then
        for target in build/fuzz/fuzz/*_fuzz; do
            [[ -x $target ]] || continue
            if "$ROOT/scripts/fuzz.sh" "$(basename "$target")" "${TKX_FUZZ_SECONDS:-5}" >"$target.log" 2>&1; then
                echo "fuzz $(basename "$target"): ok ($(grep -Eo 'Done [0-9]+ runs' "$target.log" | tail -1))"
                passed=$((passed + 1))
            else
                tail -40 "$target.log"
                record "fuzz $(basename "$target")" 1
            fi
        done
    else
        record "fuzz build" 1
    fi
fi

echo
echo "total: $passed passed, $failed failed"
[[ $failed == 0 ]]
