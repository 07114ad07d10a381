#include "sim/simrequestframer.h"

#include "sim/simhex.h"

#include "modbus/tkxmbframecls.h"

#include <algorithm>

namespace qxsim {
namespace {

constexpr std::size_t kMaxRtuFrame = 256;
constexpr std::size_t kMaxAsciiFrame = 513;

std::optional<std::vector<std::uint8_t>> CheckedRtu(const std::vector<std::uint8_t>& frame) {
    if (frame.size() < 4) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> body(frame.data(), frame.size() - 2);
    const std::uint16_t crc = TkxMBFrame::Crc16(body);
    if (frame[frame.size() - 2] != (crc & 0xFF) || frame[frame.size() - 1] != (crc >> 8)) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(body.begin(), body.end());
}

// Hex pairs between ':' and CR LF, the last pair being the LRC of the others.
std::optional<std::vector<std::uint8_t>> CheckedAscii(const std::vector<std::uint8_t>& hex) {
    if (hex.size() < 6 || hex.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    const std::uint8_t lrc = bytes.back();
    bytes.pop_back();
    if (TkxMBFrame::Lrc(bytes) != lrc) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace

int RtuRequestLength(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 2) {
        return -1;
    }
    switch (bytes[1]) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
        return 8;
    case 15:
    case 16:
        return bytes.size() < 7 ? -1 : 9 + bytes[6];
    case 65:
        return 4;
    default:
        return 0;
    }
}

void SimRequestFramer::Feed(const std::uint8_t* data, std::size_t size, Clock::time_point now) {
    if (size == 0) {
        return;
    }
    FBuffer.insert(FBuffer.end(), data, data + size);
    FLastByte = now;
}

std::optional<std::vector<std::uint8_t>> SimRequestFramer::Next(Clock::time_point now) {
    return FAscii ? NextAscii() : NextRtu(now);
}

std::optional<std::vector<std::uint8_t>> SimRequestFramer::NextRtu(Clock::time_point now) {
    const int length = RtuRequestLength(FBuffer);
    const bool silent = now - FLastByte >= FSilentInterval;
    std::size_t frameSize = 0;
    if (length > 0 && FBuffer.size() >= std::size_t(length)) {
        frameSize = std::size_t(length);
    } else if (silent && !FBuffer.empty()) {
        frameSize = FBuffer.size(); // unknown function, or a frame cut short
    } else if (FBuffer.size() > kMaxRtuFrame) {
        frameSize = FBuffer.size();
    }
    if (frameSize == 0) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t> frame(FBuffer.begin(), FBuffer.begin() + frameSize);
    auto request = CheckedRtu(frame);
    if (!request) {
        Drop(FBuffer.size()); // nothing after a broken frame can be trusted to start a new one
        return std::nullopt;
    }
    FBuffer.erase(FBuffer.begin(), FBuffer.begin() + frameSize);
    return request;
}

std::optional<std::vector<std::uint8_t>> SimRequestFramer::NextAscii() {
    while (true) {
        const auto colon = std::find(FBuffer.begin(), FBuffer.end(), ':');
        FBuffer.erase(FBuffer.begin(), colon);
        if (FBuffer.empty()) {
            return std::nullopt;
        }
        const auto lineFeed = std::find(FBuffer.begin(), FBuffer.end(), '\n');
        if (lineFeed == FBuffer.end()) {
            if (FBuffer.size() > kMaxAsciiFrame) {
                Drop(FBuffer.size());
            }
            return std::nullopt;
        }
        const std::size_t frameSize = std::size_t(lineFeed - FBuffer.begin()) + 1;
        const bool hasReturn = frameSize >= 3 && FBuffer[frameSize - 2] == '\r';
        const std::vector<std::uint8_t> hex(FBuffer.begin() + 1,
                                            FBuffer.begin() + frameSize - (hasReturn ? 2 : 1));
        auto request = hasReturn ? CheckedAscii(hex) : std::nullopt;
        if (request) {
            FBuffer.erase(FBuffer.begin(), FBuffer.begin() + frameSize);
            return request;
        }
        Drop(frameSize);
    }
}

void SimRequestFramer::Drop(std::size_t count) {
    FBuffer.erase(FBuffer.begin(), FBuffer.begin() + std::min(count, FBuffer.size()));
    ++FDropped;
}

} // namespace qxsim
