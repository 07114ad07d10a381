#!/usr/bin/env bash
# Without arguments: builds the terminal, the command-line tool and the simulator, and starts
# the terminal connected to a simulated drive on COM1. The drive runs on a pseudo-terminal;
# COM1 is mapped to it by the settings file of a temporary working folder, so the user's own
# settings are left alone. The simulator ends with the terminal. Without a display, the same
# drive is shown through the command-line tool instead: identified, and its setup printed.
#
# With arguments: builds the command-line tool and runs it with them (scripts/run.sh defs).
#
# The build's progress goes to standard error so that the programs' own output stays clean.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

"$ROOT/scripts/install-deps.sh" >&2
mkdir -p "$ROOT/build"
BUILD="$ROOT/build/release"
configure "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2

if (($# > 0)); then
    echo "run.sh: building qxdrive in build/release (the first time takes a few minutes)" >&2
    cmake --build "$BUILD" --target qxdrive -j "$JOBS" >&2
    exec "$BUILD/tools/qxdrive" "$@"
fi

echo "run.sh: building the terminal, qxdrive and qxdrive-sim in build/release" \
    "(the first time takes a few minutes)" >&2
cmake --build "$BUILD" --target qxdrive-terminal qxdrive qxdrive-sim -j "$JOBS" >&2

work=$(mktemp -d "${TMPDIR:-/tmp}/qxdrive-run.XXXXXX")
sim_pid=""
stop_simulator() {
    if [[ -n $sim_pid ]]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap stop_simulator EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

drive="$work/drive"
"$BUILD/tools/qxdrive-sim" --demo --link "$drive" >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
    [[ -e $drive ]] && break
    if ! kill -0 "$sim_pid" 2>/dev/null; then
        echo "run.sh: the simulator did not start:" >&2
        cat "$work/sim.log" >&2
        exit 1
    fi
    sleep 0.1
done
[[ -e $drive ]] || { echo "run.sh: the simulator made no port at $drive" >&2; exit 1; }

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    echo "run.sh: no display for the terminal (run 'xvfb-run -a scripts/run.sh', or log in" \
        "with 'ssh -X'); here is the simulated drive through qxdrive:" >&2
    "$BUILD/tools/qxdrive" identify --port "$drive" --dir "$BUILD/tools" | tee "$work/identify"
    definitions=$(sed -n 's/^File: *//p' "$work/identify")
    if [[ -z $definitions || $definitions == none* ]]; then
        exit 1
    fi
    echo
    "$BUILD/tools/qxdrive" setup --defs "$definitions" --port "$drive"
    exit
fi

# The terminal reads its settings and definition files in the folder it starts in; without a
# definition file there it uses those installed beside it.
printf '[Ports]\r\nCOM1=%s\r\n[Setup]\r\nLastPort=1\r\n' "$drive" >"$work/QX_DRIVE_ConfigTerm.ini"
cd "$work"
"$BUILD/terminal/qxdrive-terminal" --connect COM1
