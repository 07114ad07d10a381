#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qxsim {

// The drive's non-volatile memory: the bytes of each EEPROM-copy register by address, kept in a
// text file of "address=hex bytes" lines. Saving writes a new file and renames it over the old
// one, so a crash in the middle never leaves a half-written memory behind.
class SimNvState {
public:
    using Bytes = std::vector<std::uint8_t>;

    explicit SimNvState(std::string path);

    // Reads the file; a missing file is a fresh memory. Returns false with a reason naming the
    // file and line when it cannot be read or holds anything but well-formed lines; the memory
    // is then left as it was.
    bool Load(std::string& error);
    bool Save(std::string& error) const;

    const Bytes* Find(std::uint16_t address) const;
    void Store(std::uint16_t address, Bytes bytes);
    std::size_t Count() const { return FValues.size(); }
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
    std::map<std::uint16_t, Bytes> FValues;
};

} // namespace qxsim
