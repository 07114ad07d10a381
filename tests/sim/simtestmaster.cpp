#include "simtestmaster.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace qxsim {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kAnswerTime = std::chrono::seconds(2);

// Reads until the buffer holds the wanted bytes or the deadline passes.
bool ReadAtLeast(int fd, std::string& buffer, std::size_t wanted, Clock::time_point deadline) {
    while (buffer.size() < wanted) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, int(left.count())) <= 0) {
            return false;
        }
        char chunk[512];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0) {
            return false;
        }
        buffer.append(chunk, std::size_t(got));
    }
    return true;
}

bool SendAll(int fd, const void* data, std::size_t size) {
    return ::send(fd, data, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
}

void PutWord(std::vector<std::uint8_t>& bytes, int value) {
    bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

} // namespace

SimTestMaster::SimTestMaster(int port)
    : FSocket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (FSocket.Valid() &&
        ::connect(FSocket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        FSocket.Reset();
    }
}

std::optional<std::vector<std::uint8_t>> SimTestMaster::Ask(const std::vector<std::uint8_t>& pdu) {
    if (!Connected()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> frame;
    frame.reserve(7 + pdu.size());
    PutWord(frame, ++FTransaction);
    PutWord(frame, 0);
    PutWord(frame, int(pdu.size()) + 1);
    frame.push_back(1);
    frame.insert(frame.end(), pdu.begin(), pdu.end());
    if (!SendAll(FSocket.Get(), frame.data(), frame.size())) {
        return std::nullopt;
    }
    const auto deadline = Clock::now() + kAnswerTime;
    std::string reply;
    if (!ReadAtLeast(FSocket.Get(), reply, 7, deadline)) {
        return std::nullopt;
    }
    const auto length = std::size_t(std::uint8_t(reply[4]) << 8 | std::uint8_t(reply[5]));
    if (length < 2 || !ReadAtLeast(FSocket.Get(), reply, 6 + length, deadline)) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(reply.begin() + 7, reply.begin() + 6 + std::ptrdiff_t(length));
}

std::optional<std::vector<std::uint16_t>> SimTestMaster::Read(int start, int count) {
    std::vector<std::uint8_t> pdu{3};
    PutWord(pdu, start);
    PutWord(pdu, count);
    const auto answer = Ask(pdu);
    if (!answer || answer->size() != 2 + 2 * std::size_t(count) || (*answer)[0] != 3) {
        return std::nullopt;
    }
    std::vector<std::uint16_t> words;
    for (int i = 0; i < count; ++i) {
        words.push_back(
            static_cast<std::uint16_t>((*answer)[2 + 2 * i] << 8 | (*answer)[3 + 2 * i]));
    }
    return words;
}

int SimTestMaster::Get(int address) {
    const auto words = Read(address, 1);
    return words ? int(words->front()) : -1;
}

bool SimTestMaster::Write(int address, const std::vector<std::uint16_t>& values) {
    std::vector<std::uint8_t> pdu{static_cast<std::uint8_t>(values.size() == 1 ? 6 : 16)};
    PutWord(pdu, address);
    if (values.size() != 1) {
        PutWord(pdu, int(values.size()));
        pdu.push_back(static_cast<std::uint8_t>(2 * values.size()));
    }
    for (const std::uint16_t value : values) {
        PutWord(pdu, value);
    }
    const auto answer = Ask(pdu);
    return answer && !answer->empty() && (*answer)[0] == pdu[0];
}

bool SimTestMaster::WriteLong(int low, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return Write(
        low, {static_cast<std::uint16_t>(bits & 0xFFFF), static_cast<std::uint16_t>(bits >> 16)});
}

bool SimTestMaster::WaitFor(int address, const std::function<bool(int)>& test,
                            std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (true) {
        const int value = Get(address);
        if (value >= 0 && test(value)) {
            return true;
        }
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

SimTestControl::SimTestControl(const std::string& path)
    : FSocket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (FSocket.Valid() &&
        ::connect(FSocket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        FSocket.Reset();
    }
}

std::string SimTestControl::Send(const std::string& line) {
    const std::string sent = line + "\n";
    if (!Connected() || !SendAll(FSocket.Get(), sent.data(), sent.size())) {
        return "";
    }
    const auto deadline = Clock::now() + kAnswerTime;
    while (FPending.find('\n') == std::string::npos) {
        if (!ReadAtLeast(FSocket.Get(), FPending, FPending.size() + 1, deadline)) {
            return "";
        }
    }
    const std::size_t end = FPending.find('\n');
    std::string answer = FPending.substr(0, end);
    FPending.erase(0, end + 1);
    return answer;
}

} // namespace qxsim
