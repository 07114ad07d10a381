#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace qxsim {

// Writes replies to a non-blocking descriptor. With a baud rate it paces the bytes as a serial
// line at 8E1 (11 bits per character) would carry them, so that whoever reads them sees real
// wire timing; without one it writes them at once.
class SimLineWriter {
public:
    explicit SimLineWriter(int baud)
        : FBaud(baud) {}

    // Time one character takes on the line; zero without pacing.
    std::chrono::nanoseconds CharacterTime() const;
    // Writes all bytes; false when the peer has gone.
    bool Write(int fd, const std::vector<std::uint8_t>& bytes) const;

private:
    bool WriteSome(int fd, const std::uint8_t* data, std::size_t size) const;

    int FBaud;
};

} // namespace qxsim
