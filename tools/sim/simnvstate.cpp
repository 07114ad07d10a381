#include "sim/simnvstate.h"

#include "sim/simhex.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>

namespace qxsim {
namespace {

constexpr std::size_t kMaxRegisterBytes = 512;

std::optional<SimNvState::Bytes> ParseHex(const std::string& text) {
    if (text.empty() || text.size() % 2 != 0 || text.size() / 2 > kMaxRegisterBytes) {
        return std::nullopt;
    }
    SimNvState::Bytes bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

std::optional<std::uint16_t> ParseAddress(const std::string& text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != text.npos) {
        return std::nullopt;
    }
    const unsigned long value = std::stoul(text);
    if (value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

std::string StripLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.pop_back();
    }
    return line;
}

} // namespace

SimNvState::SimNvState(std::string path)
    : FPath(std::move(path)) {}

bool SimNvState::Load(std::string& error) {
    std::ifstream in(FPath, std::ios::binary);
    if (!in) {
        if (errno == ENOENT) {
            return true;
        }
        error = FPath + ": " + std::strerror(errno);
        return false;
    }
    std::map<std::uint16_t, Bytes> values;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        line = StripLineEnd(line);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const auto equals = line.find('=');
        const auto address = ParseAddress(line.substr(0, equals));
        const auto bytes = equals == line.npos ? std::nullopt : ParseHex(line.substr(equals + 1));
        if (!address || !bytes) {
            error = FPath + ":" + std::to_string(number) + ": not an \"address=hex bytes\" line";
            return false;
        }
        values[*address] = *bytes;
    }
    FValues = std::move(values);
    return true;
}

bool SimNvState::Save(std::string& error) const {
    const std::string temporary = FPath + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << "# qxdrive-sim EEPROM copies: register address = register bytes\r\n";
        for (const auto& [address, bytes] : FValues) {
            out << address << '=';
            for (const auto byte : bytes) {
                static const char kDigits[] = "0123456789ABCDEF";
                out << kDigits[byte >> 4] << kDigits[byte & 15];
            }
            out << "\r\n";
        }
        out.flush();
        if (!out) {
            error = "cannot write " + temporary + ": " + std::strerror(errno);
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), FPath.c_str()) != 0) {
        error = "cannot replace " + FPath + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

const SimNvState::Bytes* SimNvState::Find(std::uint16_t address) const {
    const auto it = FValues.find(address);
    return it == FValues.end() ? nullptr : &it->second;
}

void SimNvState::Store(std::uint16_t address, Bytes bytes) {
    FValues[address] = std::move(bytes);
}

} // namespace qxsim
