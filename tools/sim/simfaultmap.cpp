#include "sim/simfaultmap.h"

#include "sim/simdrive.h"
#include "sim/simoptions.h"

#include <optional>
#include <string_view>

namespace qxsim {
namespace {

constexpr int kMaxDelayMs = 60000;

// The text after "name:" of a kind such as "delay:20"; none when the kind is not that one.
std::optional<std::string_view> Argument(std::string_view kind, std::string_view name) {
    if (!kind.starts_with(name) || kind.size() == name.size() || kind[name.size()] != ':') {
        return std::nullopt;
    }
    return kind.substr(name.size() + 1);
}

std::uint16_t Word(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

} // namespace

bool SimFaultMap::Add(const std::string& text, std::string& why) {
    const std::size_t equals = text.find('=');
    int address = 0;
    if (equals == std::string::npos ||
        !SimParseInt(std::string_view(text).substr(0, equals), 0, 65535, address)) {
        why = "expected ADDR=KIND with an address from 0 to 65535";
        return false;
    }
    const std::string_view kind = std::string_view(text).substr(equals + 1);
    SimFault fault;
    if (kind == "drop") {
        fault.Kind = SimFaultKind::Drop;
    } else if (kind == "corrupt") {
        fault.Kind = SimFaultKind::Corrupt;
    } else if (const auto code = Argument(kind, "exception")) {
        fault.Kind = SimFaultKind::Exception;
        if (!SimParseInt(*code, 1, 255, fault.Value)) {
            why = "exception takes a code from 1 to 255";
            return false;
        }
    } else if (const auto delay = Argument(kind, "delay")) {
        fault.Kind = SimFaultKind::Delay;
        if (!SimParseInt(*delay, 0, kMaxDelayMs, fault.Value)) {
            why = "delay takes milliseconds from 0 to " + std::to_string(kMaxDelayMs);
            return false;
        }
    } else {
        why = "the kind is drop, corrupt, exception:N or delay:MS";
        return false;
    }
    if (!FFaults.emplace(static_cast<std::uint16_t>(address), fault).second) {
        why = "address " + std::to_string(address) + " has a fault already";
        return false;
    }
    return true;
}

const SimFault* SimFaultMap::For(const std::vector<std::uint8_t>& request) const {
    if (FFaults.empty() || request.size() < 3) {
        return nullptr;
    }
    int count = 0;
    switch (request[0]) {
    case kWriteSingle:
        count = 1;
        break;
    case kReadHolding:
    case kWriteMultiple:
        count = request.size() >= 5 ? Word(request, 3) : 0;
        break;
    default:
        return nullptr;
    }
    const int start = Word(request, 1);
    const auto fault = FFaults.lower_bound(static_cast<std::uint16_t>(start));
    if (fault == FFaults.end() || fault->first >= start + count) {
        return nullptr;
    }
    return &fault->second;
}

} // namespace qxsim
