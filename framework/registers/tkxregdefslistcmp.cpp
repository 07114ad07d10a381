#include "registers/tkxregdefslistcmp.h"

#include "devices/tkxversionrecordcls.h"

#include <algorithm>
#include <iterator>

namespace {

bool IsBlankChar(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// Reads a double-quoted item from pos (on the opening quote); "" stands for one quote and a
// missing closing quote ends the item at the end of the text.
std::string QuotedItem(std::string_view text, std::size_t& pos) {
    std::string item;
    for (++pos; pos < text.size(); ++pos) {
        if (text[pos] != '"') {
            item += text[pos];
        } else if (pos + 1 < text.size() && text[pos + 1] == '"') {
            item += '"';
            ++pos;
        } else {
            ++pos;
            break;
        }
    }
    return item;
}

std::string PlainItem(std::string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    while (pos < text.size() && !IsBlankChar(text[pos]) && text[pos] != ',') {
        ++pos;
    }
    return std::string(text.substr(start, pos - start));
}

void SkipBlanks(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && IsBlankChar(text[pos])) {
        ++pos;
    }
}

// The 16-bit registers a definition takes on the wire, one per two bytes.
std::int64_t WordsOf(const TkxRegDefinition& definition) {
    return definition.TotalBytes() / 2;
}

} // namespace

std::vector<std::string> SplitCommaText(std::string_view text) {
    std::vector<std::string> items;
    std::size_t pos = 0;
    SkipBlanks(text, pos);
    while (pos < text.size()) {
        items.push_back(text[pos] == '"' ? QuotedItem(text, pos) : PlainItem(text, pos));
        SkipBlanks(text, pos);
        if (pos < text.size() && text[pos] == ',') {
            // A comma at the very end still separates an empty last item.
            if (pos + 1 == text.size()) {
                items.emplace_back();
            }
            ++pos;
            SkipBlanks(text, pos);
        }
    }
    return items;
}

void TkxRegDefsList::Build() {
    if (FBuilt) {
        return;
    }
    FBuilt = true;
    std::vector<std::string> names;
    ReadSections(names);
    std::vector<std::unique_ptr<TkxRegDefinition>> twins;
    for (const auto& name : names) {
        std::uint16_t address = 0;
        if (!TkxRegDefinition::SectionAddress(name, address)) {
            continue;
        }
        auto definition = std::make_unique<TkxRegDefinition>(address, this);
        if (auto twin = EEPromTwin(*definition)) {
            twins.push_back(std::move(twin));
        }
        FDefinitions.push_back(std::move(definition));
    }
    // The twins follow all register sections; the stable sort keeps that order among equal
    // addresses, so a twin wins over a register section at its address.
    std::move(twins.begin(), twins.end(), std::back_inserter(FDefinitions));
    std::stable_sort(FDefinitions.begin(), FDefinitions.end(),
                     [](const auto& a, const auto& b) { return a->Address() < b->Address(); });
}

std::unique_ptr<TkxRegDefinition> TkxRegDefsList::EEPromTwin(const TkxRegDefinition& source) {
    if (source.EEPromCopy() == source.Address()) {
        return nullptr;
    }
    auto twin = std::make_unique<TkxRegDefinition>();
    twin->Assign(&source, source.EEPromCopy(), "EE" + source.Name());
    return twin;
}

const TkxRegDefinition* TkxRegDefsList::Items(int index) const {
    return index >= 0 && index < Count() ? FDefinitions[index].get() : nullptr;
}

int TkxRegDefsList::IndexOfAddress(int address) const {
    for (int i = Count() - 1; i >= 0; --i) {
        if (FDefinitions[i]->Address() == address) {
            return i;
        }
    }
    return -1;
}

const TkxRegDefinition* TkxRegDefsList::FindByAddress(int address) const {
    return Items(IndexOfAddress(address));
}

int TkxRegDefsList::IndexOfName(std::string_view name) const {
    for (int i = Count() - 1; i >= 0; --i) {
        if (FDefinitions[i]->Name() == name) {
            return i;
        }
    }
    return -1;
}

bool TkxRegDefsList::SetDescription(const TkxRegDefinition* definition, std::string_view key,
                                    std::string_view text) {
    const auto held = std::find_if(FDefinitions.begin(), FDefinitions.end(),
                                   [definition](const std::unique_ptr<TkxRegDefinition>& own) {
                                       return own.get() == definition;
                                   });
    if (definition == nullptr || held == FDefinitions.end()) {
        return false;
    }
    (*held)->SetDescription(key, text);
    return true;
}

std::string TkxRegDefsList::GetVersions() {
    return ReadString("Versions", "Versions", "");
}

std::string TkxRegDefsList::GetVersionDescr() {
    return ReadString("Versions", "VerDescr", "");
}

std::string TkxRegDefsList::GetCategory(std::string_view name) {
    return ReadString("Categories", name, "");
}

std::unique_ptr<TkxRegBlock> TkxRegDefsList::CategoryBlocks(std::string_view name) {
    const std::string text = GetCategory(name);
    return text.empty() ? nullptr : std::make_unique<TkxRegBlock>(text);
}

std::vector<std::string> TkxRegDefsList::VersionPatterns() {
    return SplitCommaText(GetVersions());
}

bool TkxRegDefsList::SupportsVersion(const TkxVersionRecord* version) {
    if (version == nullptr) {
        return false;
    }
    const auto patterns = VersionPatterns();
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string& pattern) { return version->Matches(pattern); });
}

int TkxRegDefsList::MaxBufferSize() {
    return std::clamp(ReadInteger("DataModel", "MaxBufferSize", 0), 20, 256);
}

int TkxRegDefsList::BufferSize() const {
    if (FDefinitions.empty()) {
        return 0;
    }
    // Every address from 0 to the last definition. A duplicated address counts once on the
    // wire but each of its definitions takes its own bytes in OffsetOf, so the buffer is never
    // smaller than all definitions together.
    std::int64_t total = 0;
    for (const auto& definition : FDefinitions) {
        total += definition->TotalBytes();
    }
    return static_cast<int>(
        std::max<std::int64_t>(RangeBytes(0, FDefinitions.back()->Address() + 1), total));
}

int TkxRegDefsList::OffsetOf(int address) const {
    std::int64_t offset = 0;
    // The bytes of the address's word inside a wider definition that starts below it.
    std::int64_t inside = -1;
    for (const auto& definition : FDefinitions) {
        if (definition->Address() >= address) {
            return static_cast<int>(definition->Address() == address || inside < 0 ? offset
                                                                                   : inside);
        }
        const std::int64_t word = address - definition->Address();
        inside = word < WordsOf(*definition) ? offset + 2 * word : -1;
        offset += definition->TotalBytes();
    }
    return static_cast<int>(inside < 0 ? offset : inside);
}

int TkxRegDefsList::RangeBytes(int start, int count) const {
    const std::int64_t end = std::int64_t{start} + count;
    std::int64_t bytes = 0;
    // The first address whose word is not counted yet: an address where no definition starts
    // takes two bytes, unless it is a further word of a wider definition starting in the
    // range, which is in that definition's bytes. A definition on an address taken by another
    // one adds only its further words.
    std::int64_t next = start;
    int previous = -1;
    for (const auto& definition : FDefinitions) {
        const int address = definition->Address();
        if (address < start) {
            continue;
        }
        if (address >= end) {
            break;
        }
        bytes += address == previous
                     ? definition->TotalBytes() - 2
                     : 2 * std::max<std::int64_t>(address - next, 0) + definition->TotalBytes();
        next = std::max(next, address + WordsOf(*definition));
        previous = address;
    }
    return static_cast<int>(bytes + 2 * std::max<std::int64_t>(end - next, 0));
}
