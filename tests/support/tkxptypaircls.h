#pragma once

#include <filesystem>
#include <string>

// Two connected pseudo-terminals made by socat: a line under test opens one end, its peer the
// other. The ends are symbolic links in a fresh temporary folder, which goes with the object;
// socat is ended with SIGTERM.
class TkxPtyPair {
public:
    // Starts socat and waits, at most 5 s, until both ends exist.
    TkxPtyPair();
    ~TkxPtyPair();
    TkxPtyPair(const TkxPtyPair&) = delete;
    TkxPtyPair& operator=(const TkxPtyPair&) = delete;

    // True when socat is on PATH.
    static bool Available();

    // Both ends are there.
    bool Ready() const;
    std::string LinkEnd() const { return (FDir / "a").string(); }
    std::string PeerEnd() const { return (FDir / "b").string(); }
    // Ends socat now, as a pulled cable: both ends hang up.
    void Kill();

private:
    std::filesystem::path FDir;
    int FPid = -1;
};
