#include "qxdrive/qxdrivelint.h"

#include "qxdrive/qxdrivenames.h"

#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxtextresourcecls.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string_view>

namespace qxdrive {
namespace {

struct Entry {
    int Line;
    std::string Key;
    std::string Value;
};

struct Section {
    int Line;
    std::string Name;
    std::vector<Entry> Entries;

    // The entry the resource reads for a key: the first one.
    const Entry* Find(std::string_view key) const {
        const auto it = std::find_if(Entries.begin(), Entries.end(),
                                     [&](const Entry& e) { return e.Key == key; });
        return it == Entries.end() ? nullptr : &*it;
    }
};

// A register section as the list reads it: its address, header line and definition.
struct RegisterSection {
    const Section* Source;
    std::unique_ptr<TkxRegDefinition> Definition;
};

// One block of a category entry.
struct Block {
    std::string Category;
    std::string Text;
    int Line;
    int First;
    int Last;

    bool Contains(int address) const { return address >= First && address <= Last; }
    std::string Label() const { return Category + " " + Text; }
};

constexpr const char* kRedirections[] = {"UseDefinition", "UseDescr", "UseFormat"};
constexpr std::size_t kNamesShown = 3;

std::string RegisterLabel(const TkxRegDefinition& definition) {
    return std::to_string(definition.Address()) + " " + definition.Name();
}

// "a, b, c and 4 more" of a list of names.
std::string NameList(const std::vector<std::string>& names) {
    std::string text;
    const std::size_t shown = std::min(names.size(), kNamesShown);
    for (std::size_t i = 0; i < shown; ++i) {
        text += (i == 0 ? "" : ", ") + names[i];
    }
    if (names.size() > shown) {
        text += " and " + std::to_string(names.size() - shown) + " more";
    }
    return text;
}

// "a..b, c" of sorted addresses.
std::string RunList(const std::vector<int>& addresses) {
    std::string text;
    for (std::size_t i = 0; i < addresses.size();) {
        std::size_t j = i;
        while (j + 1 < addresses.size() && addresses[j + 1] == addresses[j] + 1) {
            ++j;
        }
        text += (text.empty() ? "" : ", ") + std::to_string(addresses[i]);
        if (j > i) {
            text += ".." + std::to_string(addresses[j]);
        }
        i = j + 1;
    }
    return text;
}

bool ReadNumber(const std::string& text, std::uint32_t& value) {
    return TextToInt(text, value);
}

class Linter {
public:
    explicit Linter(TkxRegDefsList& list)
        : FList(list) {}

    std::vector<LintProblem> Run() {
        FList.Build();
        ScanSections();
        CheckHeadersAndKeys();
        LoadRegisterSections();
        MapCoveredAddresses();
        CheckRegisters();
        CheckRedirections();
        ReadCategories();
        CheckCategoryBlocks();
        CheckMembership();
        CheckSetupOverlaps();
        CheckEEPromCopies();
        CheckParameters();
        std::stable_sort(
            FProblems.begin(), FProblems.end(),
            [](const LintProblem& a, const LintProblem& b) { return a.Line < b.Line; });
        return std::move(FProblems);
    }

private:
    void Report(int line, std::string message) { FProblems.push_back({line, std::move(message)}); }

    void ScanSections() {
        const auto& lines = FList.Lines();
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const int line = static_cast<int>(i) + 1;
            std::string_view key, value;
            if (TkxTextResource::IsSectionHeader(lines[i])) {
                FSections.push_back(
                    {line, std::string(TkxTextResource::SectionName(lines[i])), {}});
            } else if (!FSections.empty() && TkxTextResource::ParseEntry(lines[i], key, value)) {
                FSections.back().Entries.push_back({line, std::string(key), std::string(value)});
            }
        }
    }

    // The section the list reads under a name, or null.
    const Section* Find(std::string_view name) {
        if (!FList.FindSection(name)) {
            return nullptr;
        }
        const int line = FList.Cursor() + 1;
        const auto it = std::find_if(FSections.begin(), FSections.end(),
                                     [&](const Section& s) { return s.Line == line; });
        return it == FSections.end() ? nullptr : &*it;
    }

    void CheckHeadersAndKeys() {
        for (const auto& section : FSections) {
            const Section* read = Find(section.Name);
            if (read == nullptr) {
                Report(section.Line, "section header [" + section.Name +
                                         "] is never found: write it alone on its line, "
                                         "without blanks or a comment");
                continue;
            }
            if (read != &section) {
                Report(section.Line, "section [" + section.Name + "] repeats the one on line " +
                                         std::to_string(read->Line) + "; its keys are never read");
                continue;
            }
            std::map<std::string, int> seen;
            for (const auto& entry : section.Entries) {
                const auto [it, added] = seen.emplace(entry.Key, entry.Line);
                if (!added) {
                    Report(entry.Line, "key " + entry.Key + " repeats the one on line " +
                                           std::to_string(it->second) + "; this one is never read");
                }
            }
        }
    }

    void LoadRegisterSections() {
        // FRegisterAt points into the vector, which must therefore not grow past this.
        FRegisters.reserve(FSections.size());
        for (const auto& section : FSections) {
            std::uint16_t address = 0;
            if (!TkxRegDefinition::SectionAddress(section.Name, address)) {
                continue;
            }
            if (section.Name != std::to_string(address)) {
                Report(section.Line, "section [" + section.Name + "] is read as register " +
                                         std::to_string(address) +
                                         ", whose keys are looked up under [" +
                                         std::to_string(address) + "]");
                continue;
            }
            if (Find(section.Name) != &section) {
                continue; // reported as a repeated or lost header
            }
            FRegisters.push_back({&section, std::make_unique<TkxRegDefinition>(address, &FList)});
            FRegisterAt[address] = &FRegisters.back();
        }
    }

    void MapCoveredAddresses() {
        for (int i = 0; i < FList.Count(); ++i) {
            const TkxRegDefinition& definition = *FList.Items(i);
            const int words =
                static_cast<int>(std::max<std::int64_t>(definition.TotalBytes() / 2, 1));
            for (int w = 0; w < words; ++w) {
                FCovered.insert(definition.Address() + w);
            }
        }
    }

    int LineOf(const RegisterSection& reg, std::string_view key) const {
        const Entry* entry = reg.Source->Find(key);
        return entry != nullptr ? entry->Line : reg.Source->Line;
    }

    void CheckRegisters() {
        for (const auto& reg : FRegisters) {
            const TkxRegDefinition& d = *reg.Definition;
            const std::string label = "register " + RegisterLabel(d);
            if (d.MinDefined() && d.MaxDefined() && d.MinValue() > d.MaxValue()) {
                Report(LineOf(reg, "MinValue"), label + ": minimum " + Number(d.MinValue()) +
                                                    " is above maximum " + Number(d.MaxValue()));
            }
            if (d.DfltDefined() && d.MinDefined() && d.DfltValue() < d.MinValue()) {
                Report(LineOf(reg, "DfltValue"), label + ": default " + Number(d.DfltValue()) +
                                                     " is below minimum " + Number(d.MinValue()));
            }
            if (d.DfltDefined() && d.MaxDefined() && d.DfltValue() > d.MaxValue()) {
                Report(LineOf(reg, "DfltValue"), label + ": default " + Number(d.DfltValue()) +
                                                     " is above maximum " + Number(d.MaxValue()));
            }
            const int copy = FList.ReadRelInteger(reg.Source->Name, "EEPromCopy", d.Address());
            if (copy < 0 || copy > 0xFFFF) {
                Report(LineOf(reg, "EEPromCopy"), label + ": EEPROM copy address " +
                                                      std::to_string(copy) +
                                                      " is outside 0..65535; the copy lands at " +
                                                      std::to_string(d.EEPromCopy()));
            }
            if (d.EEPromCopy() == d.Address()) {
                continue;
            }
            const auto clash = FRegisterAt.find(d.EEPromCopy());
            if (clash != FRegisterAt.end()) {
                Report(LineOf(reg, "EEPromCopy"),
                       label + ": its EEPROM copy at " + std::to_string(d.EEPromCopy()) +
                           " falls on register " + RegisterLabel(*clash->second->Definition) +
                           " (line " + std::to_string(clash->second->Source->Line) +
                           "), which the copy replaces");
            }
        }
    }

    static std::string Number(double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.15g", value);
        return text;
    }

    void CheckRedirections() {
        TkxTextResource* builtIn = FList.Next();
        for (const auto& section : FSections) {
            for (const char* key : kRedirections) {
                const Entry* entry = section.Find(key);
                if (entry == nullptr || entry->Value.empty()) {
                    continue;
                }
                if (FList.FindSection(entry->Value) ||
                    (builtIn != nullptr && builtIn->FindSection(entry->Value))) {
                    continue;
                }
                Report(entry->Line, std::string(key) + "=" + entry->Value +
                                        " is found neither in this file nor in the built-in set");
            }
        }
    }

    void ReadCategories() {
        const Section* categories = Find("Categories");
        if (categories == nullptr) {
            return;
        }
        std::set<std::string> seen;
        for (const auto& entry : categories->Entries) {
            if (!seen.insert(entry.Key).second) {
                continue;
            }
            if (TrimBlanks(entry.Value).empty()) {
                Report(entry.Line, "category " + entry.Key + " is empty");
                continue;
            }
            std::string_view rest = entry.Value;
            while (true) {
                const std::size_t comma = rest.find(',');
                const std::string item(TrimBlanks(rest.substr(0, comma)));
                const TkxRegBlock block(item);
                if (!block.Valid()) {
                    Report(entry.Line, "category " + entry.Key + ": \"" + item +
                                           "\" is no address or first/last range");
                } else {
                    FBlocks.push_back({entry.Key, item, entry.Line, block.Start(),
                                       block.Start() + block.Count() - 1});
                }
                if (comma == std::string_view::npos) {
                    break;
                }
                rest.remove_prefix(comma + 1);
            }
        }
    }

    void CheckCategoryBlocks() {
        for (const auto& block : FBlocks) {
            std::vector<int> missing;
            for (int a = block.First; a <= block.Last; ++a) {
                if (FCovered.count(a) == 0) {
                    missing.push_back(a);
                }
            }
            if (!missing.empty()) {
                Report(block.Line, "category " + block.Label() + " crosses undefined addresses " +
                                       RunList(missing));
            }
        }
    }

    // The line of the section a definition comes from; its source register's for an EEPROM
    // copy.
    int DefinitionLine(const TkxRegDefinition& definition) const {
        const auto it = FRegisterAt.find(definition.Address());
        if (it != FRegisterAt.end() && it->second->Definition->Name() == definition.Name()) {
            return it->second->Source->Line;
        }
        for (const auto& reg : FRegisters) {
            if (reg.Definition->EEPromCopy() == definition.Address() &&
                reg.Definition->EEPromCopy() != reg.Definition->Address()) {
                return LineOf(reg, "EEPromCopy");
            }
        }
        return 0;
    }

    void CheckMembership() {
        for (int i = 0; i < FList.Count(); ++i) {
            const TkxRegDefinition& d = *FList.Items(i);
            const bool listed = std::any_of(FBlocks.begin(), FBlocks.end(), [&](const Block& b) {
                return b.Contains(d.Address());
            });
            if (!listed) {
                Report(DefinitionLine(d), "register " + RegisterLabel(d) +
                                              " is in no category: no transaction reads or "
                                              "writes it");
            }
        }
    }

    static bool IsSetup(const Block& block) {
        return block.Category == "RamSetup" || block.Category == "EEPromSetup";
    }

    void CheckSetupOverlaps() {
        for (std::size_t i = 0; i < FBlocks.size(); ++i) {
            for (std::size_t j = i + 1; j < FBlocks.size(); ++j) {
                const Block& a = FBlocks[i];
                const Block& b = FBlocks[j];
                if (!IsSetup(a) || !IsSetup(b)) {
                    continue;
                }
                std::vector<std::string> names;
                for (int address = std::max(a.First, b.First); address <= std::min(a.Last, b.Last);
                     ++address) {
                    if (const auto* d = FList.FindByAddress(address)) {
                        names.push_back(RegisterLabel(*d));
                    }
                }
                if (!names.empty()) {
                    Report(b.Line, "registers " + NameList(names) + " are in two setup blocks, " +
                                       a.Label() + " (line " + std::to_string(a.Line) + ") and " +
                                       b.Label() + ": the setup writes them twice");
                }
            }
        }
    }

    bool InCategory(std::string_view category, int address) const {
        return std::any_of(FBlocks.begin(), FBlocks.end(), [&](const Block& b) {
            return b.Category == category && b.Contains(address);
        });
    }

    void CheckEEPromCopies() {
        std::set<int> copiesOfSetup;
        for (const auto& reg : FRegisters) {
            const TkxRegDefinition& d = *reg.Definition;
            if (d.EEPromCopy() == d.Address() || !InCategory("RamSetup", d.Address())) {
                continue;
            }
            copiesOfSetup.insert(d.EEPromCopy());
            if (!InCategory("EEPromSetup", d.EEPromCopy())) {
                Report(LineOf(reg, "EEPromCopy"),
                       "register " + RegisterLabel(d) + ": its EEPROM copy at " +
                           std::to_string(d.EEPromCopy()) +
                           " is in no EEPromSetup block; saving never stores it");
            }
        }
        for (const auto& block : FBlocks) {
            if (block.Category != "EEPromSetup") {
                continue;
            }
            std::vector<std::string> strays;
            for (int address = block.First; address <= block.Last; ++address) {
                const auto* d = FList.FindByAddress(address);
                if (d != nullptr && copiesOfSetup.count(address) == 0) {
                    strays.push_back(RegisterLabel(*d));
                }
            }
            if (!strays.empty()) {
                Report(block.Line, "category " + block.Label() + ": " + NameList(strays) +
                                       (strays.size() == 1 ? " is" : " are") +
                                       " the EEPROM copy of no RamSetup register; saving "
                                       "writes a value never read from the drive");
            }
        }
    }

    // The register of a parameter item, or null with the problem reported.
    const TkxRegDefinition* ParameterRegister(const Entry& entry, const std::string& name) {
        const int index = FList.IndexOfName(name);
        if (index >= 0) {
            return FList.Items(index);
        }
        Report(entry.Line, entry.Key + " names register \"" + name + "\", which is not defined" +
                               DidYouMean(RegisterNames(FList), name));
        return nullptr;
    }

    void CheckElement(const Entry& entry, const std::string& text,
                      std::initializer_list<const TkxRegDefinition*> registers) {
        std::uint32_t element = 0;
        if (!ReadNumber(text, element)) {
            Report(entry.Line, entry.Key + ": element \"" + text + "\" is no number");
            return;
        }
        for (const auto* d : registers) {
            if (d != nullptr && element >= d->Length()) {
                Report(entry.Line, entry.Key + ": element " + std::to_string(element) +
                                       " is outside register " + d->Name() + " of " +
                                       std::to_string(d->Length()) + " element" +
                                       (d->Length() == 1 ? "" : "s"));
            }
        }
    }

    void CheckParameters() {
        const Section* parameters = Find("Parameters");
        if (parameters == nullptr) {
            return;
        }
        std::set<std::string> seen;
        for (const auto& entry : parameters->Entries) {
            if (!seen.insert(entry.Key).second) {
                continue;
            }
            const auto items = SplitCommaText(entry.Value);
            if (items.size() != 2 && items.size() != 3) {
                Report(entry.Line, entry.Key + " has " + std::to_string(items.size()) +
                                       " items; a parameter takes register and element, with a "
                                       "second register, a mask or a bit as third item");
                continue;
            }
            const auto* first = ParameterRegister(entry, items[0]);
            if (items.size() == 2) {
                CheckElement(entry, items[1], {first});
                continue;
            }
            std::uint32_t number = 0;
            if (ReadNumber(items[1], number)) {
                // register, element, mask or bit
                CheckElement(entry, items[1], {first});
                if (!ReadNumber(items[2], number)) {
                    Report(entry.Line,
                           entry.Key + ": mask or bit \"" + items[2] + "\" is no number");
                }
                continue;
            }
            const auto* second = ParameterRegister(entry, items[1]);
            CheckElement(entry, items[2], {first, second});
        }
    }

    TkxRegDefsList& FList;
    std::vector<Section> FSections;
    std::vector<RegisterSection> FRegisters;
    std::map<int, const RegisterSection*> FRegisterAt;
    std::set<int> FCovered;
    std::vector<Block> FBlocks;
    std::vector<LintProblem> FProblems;
};

} // namespace

std::vector<LintProblem> LintDefinitions(TkxRegDefsList& list) {
    return Linter(list).Run();
}

} // namespace qxdrive
