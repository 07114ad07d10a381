#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
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

// Looks at done every few milliseconds until it holds or the bound has passed; true when it
// held. For conditions that another thread or process brings about.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds bound = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
