#pragma once

#include "sim/simregistermemory.h"

#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregdefslistcmp.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace qxsim {

// Hex text ("01 03 00 64") as bytes; blanks are ignored.
inline std::vector<std::uint8_t> Hex(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::string digits;
    for (const char c : text) {
        if (c != ' ')
            digits += c;
    }
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// The definitions of tests/data/sim/drive.par, built on the built-in set.
class SimTestDefinitions {
public:
    SimTestDefinitions() {
        FDefs.LoadFromFile(std::string(TKX_TEST_DATA_DIR) + "/sim/drive.par");
        FDefs.Chain(&FCollection.Predefined());
        FDefs.Build();
    }
    const TkxRegDefsList& Defs() const { return FDefs; }
    TkxRegDefsList& Defs() { return FDefs; }

private:
    TkxDMCollection FCollection;
    TkxRegDefsList FDefs;
};

} // namespace qxsim
