#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace qxsim {

// Cuts the byte stream a master sends into requests: slave address, function code and data,
// checked and stripped of their checksum (RTU) or of the ':' ... LRC CR LF envelope (ASCII).
// Frames with a bad checksum are dropped, as a slave on a shared line must.
class SimRequestFramer {
public:
    using Clock = std::chrono::steady_clock;

    SimRequestFramer(bool ascii, std::chrono::milliseconds silentInterval)
        : FAscii(ascii)
        , FSilentInterval(silentInterval) {}

    void Feed(const std::uint8_t* data, std::size_t size, Clock::time_point now);
    // The next whole request, if one is in; a request whose length its function does not tell
    // ends once the line has been silent for the silent interval.
    std::optional<std::vector<std::uint8_t>> Next(Clock::time_point now);
    void Clear() { FBuffer.clear(); }
    std::size_t Pending() const { return FBuffer.size(); }
    // Requests dropped so far for a bad checksum or a malformed envelope.
    int Dropped() const { return FDropped; }

private:
    std::optional<std::vector<std::uint8_t>> NextRtu(Clock::time_point now);
    std::optional<std::vector<std::uint8_t>> NextAscii();
    void Drop(std::size_t count);

    bool FAscii;
    std::chrono::milliseconds FSilentInterval;
    std::vector<std::uint8_t> FBuffer;
    Clock::time_point FLastByte{};
    int FDropped = 0;
};

// The length of an RTU request (with its CRC) that its function code tells: the length, 0 when
// only the silent interval ends it, -1 when more bytes are needed to tell.
int RtuRequestLength(const std::vector<std::uint8_t>& bytes);

} // namespace qxsim
