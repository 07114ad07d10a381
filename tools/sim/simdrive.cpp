#include "sim/simdrive.h"

namespace qxsim {
namespace {

enum : std::uint8_t {
    kIllegalFunction = 1,
    kIllegalAddress = 2,
    kIllegalValue = 3,
    kDeviceBusy = 6,
};

constexpr int kMaxReadCount = 125;
constexpr int kMaxWriteCount = 123;

std::vector<std::uint8_t> Exception(std::uint8_t function, std::uint8_t code) {
    return {static_cast<std::uint8_t>(function | 0x80), code};
}

// Head and data in one reply. Built by pushing onto a reserved vector: inserting into a vector
// made from a list trips a false array-bounds warning of GCC 12 at -O2.
std::vector<std::uint8_t> Reply(std::initializer_list<std::uint8_t> head,
                                const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> reply;
    reply.reserve(head.size() + data.size());
    reply.insert(reply.end(), head.begin(), head.end());
    reply.insert(reply.end(), data.begin(), data.end());
    return reply;
}

std::uint16_t Word(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

} // namespace

std::vector<std::uint8_t> SimDrive::Answer(const std::vector<std::uint8_t>& request) {
    if (request.empty()) {
        return {};
    }
    switch (request[0]) {
    case kReadHolding:
        return ReadHolding(request);
    case kWriteSingle:
        return WriteSingle(request);
    case kWriteMultiple:
        return WriteMultiple(request);
    case kDeviceVersion:
        return request.size() == 1 ? Version() : Exception(kDeviceVersion, kIllegalValue);
    default:
        return Exception(request[0], kIllegalFunction);
    }
}

std::vector<std::uint8_t> SimDrive::Busy(const std::vector<std::uint8_t>& request) {
    return Refusal(request, kDeviceBusy);
}

std::vector<std::uint8_t> SimDrive::Refusal(const std::vector<std::uint8_t>& request,
                                            std::uint8_t code) {
    return Exception(request.empty() ? 0 : request[0], code);
}

std::vector<std::uint8_t> SimDrive::ReadHolding(const std::vector<std::uint8_t>& request) const {
    if (request.size() != 5) {
        return Exception(kReadHolding, kIllegalValue);
    }
    const std::uint16_t start = Word(request, 1);
    const int count = Word(request, 3);
    if (count < 1 || count > kMaxReadCount) {
        return Exception(kReadHolding, kIllegalValue);
    }
    if (!FMemory.Covers(start, count)) {
        return Exception(kReadHolding, kIllegalAddress);
    }
    return Reply({kReadHolding, static_cast<std::uint8_t>(2 * count)}, FMemory.Read(start, count));
}

// One word; a wider register changes in that word only, checked with its other words.
std::vector<std::uint8_t> SimDrive::WriteSingle(const std::vector<std::uint8_t>& request) {
    if (request.size() != 5) {
        return Exception(kWriteSingle, kIllegalValue);
    }
    const std::uint16_t address = Word(request, 1);
    if (!FMemory.Covers(address, 1)) {
        return Exception(kWriteSingle, kIllegalAddress);
    }
    if (!FMemory.Accepts(address, 1, request.data() + 3)) {
        return Exception(kWriteSingle, kIllegalValue);
    }
    FMemory.Write(address, 1, request.data() + 3);
    return request;
}

std::vector<std::uint8_t> SimDrive::WriteMultiple(const std::vector<std::uint8_t>& request) {
    if (request.size() < 6) {
        return Exception(kWriteMultiple, kIllegalValue);
    }
    const std::uint16_t start = Word(request, 1);
    const int count = Word(request, 3);
    if (count < 1 || count > kMaxWriteCount || request[5] != 2 * count ||
        request.size() != 6 + 2 * std::size_t(count)) {
        return Exception(kWriteMultiple, kIllegalValue);
    }
    if (!FMemory.Covers(start, count)) {
        return Exception(kWriteMultiple, kIllegalAddress);
    }
    if (!FMemory.Accepts(start, count, request.data() + 6)) {
        return Exception(kWriteMultiple, kIllegalValue);
    }
    FMemory.Write(start, count, request.data() + 6);
    return {request.begin(), request.begin() + 5};
}

std::vector<std::uint8_t> SimDrive::Version() const {
    return Reply({kDeviceVersion}, {FVersion.begin(), FVersion.end()});
}

} // namespace qxsim
