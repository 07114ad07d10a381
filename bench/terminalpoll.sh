#!/usr/bin/env bash
# CPU and memory of the terminal while it polls a simulated drive: the terminal runs under a
# virtual X server, connected at start-up to the simulator's demo drive (mapped to COM1 by the
# settings file of a temporary working folder). After the connection has settled, its CPU time
# (user + system, from /proc/PID/stat) is taken over SECONDS of wall time, then its resident
# memory now and at its peak (VmRSS, VmHWM).
#   bench/terminalpoll.sh [BUILD_DIR] [SECONDS]    (defaults: build/release, 60)
# Needs qxdrive-terminal and qxdrive-sim built in BUILD_DIR, and xvfb-run.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build/release}" && pwd)"
SECONDS_MEASURED="${2:-60}"
SETTLE=5

work=$(mktemp -d "${TMPDIR:-/tmp}/terminalpoll.XXXXXX")
pids=()
finish() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap finish EXIT

"$BUILD/tools/qxdrive-sim" --demo --link "$work/drive" >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [[ -e $work/drive ]] && break
    sleep 0.1
done
[[ -e $work/drive ]] || { cat "$work/sim.log" >&2; exit 1; }
printf '[Ports]\r\nCOM1=%s\r\n' "$work/drive" >"$work/QX_DRIVE_ConfigTerm.ini"

(cd "$work" && QT_QPA_PLATFORM=xcb exec xvfb-run -a -s "-screen 0 1280x1024x24" \
    sh -c 'echo $$ >terminal.pid; exec "$0" --connect COM1' "$BUILD/terminal/qxdrive-terminal" \
    >"$work/terminal.log" 2>&1) &
pids+=($!)
for _ in $(seq 100); do
    [[ -s $work/terminal.pid ]] && break
    sleep 0.1
done
terminal=$(cat "$work/terminal.pid")
sleep "$SETTLE"
kill -0 "$terminal" || { cat "$work/terminal.log" >&2; exit 1; }
# Connected: the terminal holds the simulator's pseudo-terminal open.
port=$(readlink -f "$work/drive")
if ! find "/proc/$terminal/fd" -lname "$port" | grep -q .; then
    echo "terminalpoll: the terminal did not open $port" >&2
    cat "$work/terminal.log" >&2
    exit 1
fi

ticks() { awk '{ print $14 + $15 }' "/proc/$terminal/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
start=$(date +%s.%N)
sleep "$SECONDS_MEASURED"
after=$(ticks)
end=$(date +%s.%N)
rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$terminal/status")
hwm=$(awk '/^VmHWM/ { print $2 }' "/proc/$terminal/status")
kill -0 "$terminal"

awk -v t="$((after - before))" -v hz="$hz" -v s="$start" -v e="$end" -v rss="$rss" \
    -v hwm="$hwm" 'BEGIN {
    wall = e - s; cpu = t / hz
    printf "terminal polling a simulated drive for %.1f s: CPU %.2f s = %.2f %% of one core\n",
           wall, cpu, 100 * cpu / wall
    printf "memory: VmRSS %.1f MB, VmHWM %.1f MB\n", rss / 1024, hwm / 1024
}'
