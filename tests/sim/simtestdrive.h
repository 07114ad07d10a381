#pragma once

#include "sim/simdrivemodel.h"
#include "sim/simregistermemory.h"

#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregdefslistcmp.h"

#include <cstdint>
#include <memory>
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

// A shipped definition file of data/ with its register memory and drive model, as the
// simulator lays them out.
class SimShippedDrive {
public:
    explicit SimShippedDrive(const std::string& file = "qx460v4xx.par") {
        FDefs.LoadFromFile(std::string(TKX_SOURCE_DIR) + "/data/" + file);
        FDefs.Chain(&FCollection.Predefined());
        FDefs.Build();
        FMemory = std::make_unique<SimRegisterMemory>(FDefs, nullptr, FLog);
        FModel = SimDriveModel::Create(FDefs, *FMemory);
    }
    SimRegisterMemory& Memory() { return *FMemory; }
    // Null when the file names no drive.
    SimDriveModel* Model() { return FModel.get(); }

private:
    TkxDMCollection FCollection;
    TkxRegDefsList FDefs;
    std::ostringstream FLog;
    std::unique_ptr<SimRegisterMemory> FMemory;
    std::unique_ptr<SimDriveModel> FModel;
};

} // namespace qxsim
