#include "qxdrive/qxdrivecommands.h"
#include "qxdrive/qxdrivenames.h"
#include "qxdrive/qxdrivesession.h"
#include "qxdrive/qxdrivetext.h"

#include "base/tkxmbresultcodes.h"
#include "devices/tkxdeviceqxdrivecls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparvaluecls.h"
#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qxdrive {
namespace {

constexpr const char* kSetupUsage = "setup --defs FILE.par (--port PATH | --tcp HOST:PORT)";

// One printed line of a parameter.
struct SetupLine {
    std::string Description;
    std::string Value;
    std::string Limits;
};

// The number of characters of UTF-8 text, which is what the terminal aligns.
std::size_t Width(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string Padded(const std::string& text, std::size_t width) {
    return text + std::string(width - std::min(width, Width(text)), ' ');
}

SetupLine LineOf(const TkxParValue& parameter, std::string_view name) {
    SetupLine line;
    line.Description = TerminalText(parameter.GetDescription());
    if (line.Description.empty()) {
        line.Description = std::string(name);
    }
    line.Value = TerminalText(parameter.GetValueString());
    // A choice is named by its text; the range of its codes says nothing to the reader.
    if (dynamic_cast<const TkxParEncoded*>(&parameter) == nullptr &&
        (parameter.HasMin() || parameter.HasMax())) {
        line.Limits = "[" + TerminalText(parameter.GetMinText()) + " .. " +
                      TerminalText(parameter.GetMaxText()) + "]";
    }
    return line;
}

// A published parameter of the drive that has a register.
struct Published {
    std::string_view Name;
    const TkxParValue* Parameter;
};

// The visible and enabled parameters of the drive, in the order their classes publish them,
// base classes first.
std::vector<Published> PublishedParameters(const TkxDeviceQXDrive& drive) {
    std::vector<const TkxPropertyTable*> tables;
    for (const TkxPropertyTable* table = &drive.Properties(); table != nullptr;
         table = table->Base()) {
        tables.insert(tables.begin(), table);
    }
    std::vector<Published> published;
    for (const TkxPropertyTable* table : tables) {
        for (const TkxProperty& property : table->Own()) {
            const TkxParValue* parameter =
                property.GetParameter != nullptr ? property.GetParameter(drive) : nullptr;
            if (parameter != nullptr && parameter->Register() != nullptr && parameter->Visible() &&
                parameter->Enabled()) {
                published.push_back({property.Name, parameter});
            }
        }
    }
    return published;
}

// The parameters by the first category of the file that holds their register, categories in
// file order; parameters of no category come last under "Other".
void PrintSetup(std::ostream& out, const std::vector<Published>& published, TkxRegDefsList& defs) {
    const std::vector<std::string> categories = CategoryNames(defs);
    std::vector<std::unique_ptr<TkxRegBlock>> blocks;
    blocks.reserve(categories.size());
    for (const std::string& name : categories) {
        blocks.push_back(defs.CategoryBlocks(name));
    }
    std::map<std::size_t, std::vector<SetupLine>> groups; // by category index
    std::size_t descriptionWidth = 0;
    std::size_t valueWidth = 0;
    for (const Published& entry : published) {
        const int address = entry.Parameter->Register()->Definition()->Address();
        std::size_t group = 0;
        while (group < blocks.size() && !Holds(blocks[group].get(), address)) {
            ++group;
        }
        SetupLine line = LineOf(*entry.Parameter, entry.Name);
        descriptionWidth = std::max(descriptionWidth, Width(line.Description));
        valueWidth = std::max(valueWidth, Width(line.Value));
        groups[group].push_back(std::move(line));
    }
    bool first = true;
    for (const auto& [group, lines] : groups) {
        out << (first ? "" : "\n")
            << (group < categories.size() ? TerminalText(categories[group]) : "Other") << "\n";
        first = false;
        for (const SetupLine& line : lines) {
            out << "  " << Padded(line.Description + ":", descriptionWidth + 1) << " "
                << (line.Limits.empty() ? line.Value
                                        : Padded(line.Value, valueWidth) + "  " + line.Limits)
                << "\n";
        }
    }
}

} // namespace

int CmdSetup(const CommandArgs& args, std::ostream& out, std::ostream& err) {
    return Guarded("setup", kSetupUsage, err, [&] {
        const MasterOptions options = ParseOptions(args);
        if (!options.Operands.empty()) {
            throw UsageError("unexpected '" + options.Operands[0] + "'");
        }
        if (options.Start || options.Count) {
            throw UsageError("the setup is read whole; --start and --count do not apply");
        }
        TkxDMCollection collection;
        const std::unique_ptr<TkxRegDefsList> defs = LoadDefinitions(options.Defs, collection);
        MasterSession session(options, err);
        session.Open();
        TkxDeviceQXDrive& drive = session.AddDevice<TkxDeviceQXDrive>(*defs);
        TkxMBChainedTransa* const reads[] = {drive.ReadState, drive.ReadAlarm, drive.ReadSetup};
        if (const std::int32_t result = FirstReads(session, drive, reads);
            result != TkxMBResult::Ok) {
            return Failed("setup", err, result, options, session.Retries());
        }
        const std::vector<Published> published = PublishedParameters(drive);
        std::vector<const TkxRegister*> registers;
        registers.reserve(published.size());
        for (const Published& entry : published) {
            registers.push_back(entry.Parameter->Register());
        }
        // Every value printed comes from the drive.
        if (const std::int32_t result = ReadUncovered(drive, reads, registers); result != 0) {
            return Failed("setup", err, result, options, session.Retries());
        }
        PrintSetup(out, published, *defs);
        return 0;
    });
}

} // namespace qxdrive
