#include "sim/simlinewriter.h"

#include <cerrno>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace qxsim {
namespace {

constexpr int kBitsPerCharacter = 11; // start, 8 data, parity, stop
constexpr int kWriteTimeoutMs = 2000;

} // namespace

std::chrono::nanoseconds SimLineWriter::CharacterTime() const {
    if (FBaud <= 0) {
        return std::chrono::nanoseconds(0);
    }
    return std::chrono::nanoseconds(1'000'000'000LL * kBitsPerCharacter / FBaud);
}

bool SimLineWriter::Write(int fd, const std::vector<std::uint8_t>& bytes) const {
    const auto characterTime = CharacterTime();
    if (characterTime.count() == 0) {
        return WriteSome(fd, bytes.data(), bytes.size());
    }
    // Each byte leaves when the line would have finished the one before it.
    auto due = std::chrono::steady_clock::now();
    for (const auto byte : bytes) {
        std::this_thread::sleep_until(due);
        if (!WriteSome(fd, &byte, 1)) {
            return false;
        }
        due += characterTime;
    }
    std::this_thread::sleep_until(due);
    return true;
}

bool SimLineWriter::WriteSome(int fd, const std::uint8_t* data, std::size_t size) const {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written > 0) {
            data += written;
            size -= static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno != EAGAIN) {
            return false;
        }
        pollfd waiting{fd, POLLOUT, 0};
        if (::poll(&waiting, 1, kWriteTimeoutMs) <= 0) {
            return false;
        }
    }
    return true;
}

} // namespace qxsim
