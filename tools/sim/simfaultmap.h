#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qxsim {

enum class SimFaultKind { Drop, Corrupt, Exception, Delay };

// What happens to every request whose registers cover a faulted address.
struct SimFault {
    SimFaultKind Kind = SimFaultKind::Drop;
    int Value = 0; // the exception code, or the delay in milliseconds
};

// Faults by register address, given as "ADDR=KIND" with KIND one of drop, corrupt,
// exception:N (N 1..255) or delay:MS (MS 0..60000).
class SimFaultMap {
public:
    // Adds one fault; false with the reason in why when the text is no fault or names an
    // address that already has one.
    bool Add(const std::string& text, std::string& why);
    // The fault of the lowest faulted address among the registers a request (function code
    // and data) reads or writes; null when it covers none or is no register request.
    const SimFault* For(const std::vector<std::uint8_t>& request) const;
    bool Empty() const { return FFaults.empty(); }

private:
    std::map<std::uint16_t, SimFault> FFaults;
};

} // namespace qxsim
