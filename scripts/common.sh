# Shared by the build and test scripts.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${TKX_JOBS:-$(nproc)}"

# configure DIR [cmake options...]
configure() {
    local dir="$1"
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1 ||
        { cat "$dir.configure.log"; return 1; }
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
    configure "$@" && cmake --build "$1" -j "$JOBS"
}

# existing_targets DIR NAME...: the names that are targets of the build in DIR.
existing_targets() {
    local dir="$1"
    shift
    local all
    all=$(ninja -C "$dir" -t targets all 2>/dev/null | cut -d: -f1)
    for name in "$@"; do
        if grep -qx "$name" <<<"$all"; then echo "$name"; fi
    done
}
