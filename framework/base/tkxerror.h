#pragma once

#include <stdexcept>
#include <string>

// Raised when the framework is used wrongly (a missing owner, setup or buffer, a typed access
// that does not fit the register). Outcomes of Modbus work are never reported this way.
class ETkxError : public std::runtime_error {
public:
    explicit ETkxError(const std::string& message)
        : std::runtime_error(message) {}
};
