#pragma once

// A device model on the scripted line, its definitions from one of the model files of the test
// data folder, the line answered by a slave that keeps its registers in memory.

#include "devices/tkxdevicelinefixture.h"
#include "devices/tkxdeviceqxslavecls.h"
#include "devices/tkxpropertytablecls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "support/tkxboundproperties.h"
#include "support/tkxmemoryslave.h"

#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TkxDeviceModelFixture : public TkxDeviceLineFixture {
protected:
    explicit TkxDeviceModelFixture(std::string fileName)
        : FFileName(std::move(fileName)) {}

    void SetUp() override {
        Script->SetResponder([this](const auto& query) { return FSlave.Answer(query); });
        UseDefinitionFile(FFileName);
        TkxDeviceLineFixture::SetUp();
    }

    // The model file with the entries of some keys replaced by whole lines ("Key=value"), or
    // dropped where the line given is empty: a file lacking or changing those entries.
    using Replacements = std::vector<std::pair<std::string, std::string>>;
    void UseDefinitionFileWith(const Replacements& replacements) {
        std::ifstream file(std::string(TKX_TEST_DATA_DIR) + "/" + FFileName);
        std::ostringstream kept;
        std::string line;
        while (std::getline(file, line)) {
            for (const auto& [key, replacement] : replacements) {
                if (line.starts_with(key + "=")) {
                    line = replacement;
                }
            }
            kept << line << '\n';
        }
        UseDefinitions(kept.str());
    }
    void UseDefinitionFileWithout(std::initializer_list<std::string> keys) {
        Replacements dropped;
        dropped.reserve(keys.size());
        for (const std::string& key : keys) {
            dropped.emplace_back(key, "");
        }
        UseDefinitionFileWith(dropped);
    }

    // Waits until a transaction has ended its one run.
    bool Finished(const TkxMBChainedTransa* transaction) {
        return PumpUntil([&] { return !transaction->IsEnabled() && !transaction->IsPending(); });
    }

    TkxMemorySlave FSlave;

private:
    std::string FFileName;
};
