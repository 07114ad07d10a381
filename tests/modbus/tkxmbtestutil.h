#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Makes a transaction of type T for its owner (a thread or a device) and hands it over.
template <typename T, typename Owner, typename... Args>
T& MakeFor(Owner* owner, Args&&... args) {
    return *owner->Adopt(std::make_unique<T>(owner, std::forward<Args>(args)...));
}

// Frames in tests are written as hex text: "01 03 00 10", blanks ignored.
inline std::vector<std::uint8_t> Hex(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::string digits;
    for (char c : text) {
        if (c != ' ') {
            digits += c;
        }
    }
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

inline std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}
