#include "registers/tkxregdefinitioncls.h"

#include "base/tkxerror.h"
#include "registers/tkxtextresourcecls.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>

namespace {

// Deeper redirection chains than this are taken as broken; real files use two or three.
constexpr std::size_t kMaxRedirectionDepth = 32;

const char* const kIndexOutOfRange = "SetValueDescr: Index out of range!";

std::string Hex(std::uint32_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 0x0F]);
        value >>= 4;
    } while (value != 0);
    return text;
}

bool Contains(std::string_view text, std::string_view word) {
    return text.find(word) != std::string_view::npos;
}

} // namespace

// The sections being loaded right now, per redirection key. Reaching one of them again closes
// a cycle; it is then treated as not found, like a redirection to a missing section.
class TkxRegDefinition::Redirections {
public:
    enum Kind { Definition, Descr, Format, KindCount };

    class Scope {
    public:
        Scope(Redirections& path, Kind kind, const TkxTextResource* resource, int headerLine)
            : FActive(path.FActive[kind]) {
            const Link link{resource, headerLine};
            FEntered = FActive.size() < kMaxRedirectionDepth &&
                       std::find(FActive.begin(), FActive.end(), link) == FActive.end();
            if (FEntered) {
                FActive.push_back(link);
            }
        }
        ~Scope() {
            if (FEntered) {
                FActive.pop_back();
            }
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        bool Entered() const { return FEntered; }

    private:
        std::vector<std::pair<const TkxTextResource*, int>>& FActive;
        bool FEntered = false;
    };

private:
    using Link = std::pair<const TkxTextResource*, int>;
    std::array<std::vector<Link>, KindCount> FActive;
};

TkxRegDefinition::TkxRegDefinition(std::uint16_t address, TkxTextResource* resource) {
    Load(address, resource);
}

void TkxRegDefinition::Reset() {
    *this = TkxRegDefinition();
}

bool TkxRegDefinition::Load(std::uint16_t address, TkxTextResource* resource) {
    Reset();
    FAddress = address;
    FEEPromCopy = address;
    FName = "Reg" + std::to_string(address);
    if (!resource) {
        return true;
    }
    const std::string section = std::to_string(address);
    FEEPromCopy =
        static_cast<std::uint16_t>(resource->ReadRelInteger(section, "EEPromCopy", address));
    LoadDefinition(section, resource);
    return true;
}

bool TkxRegDefinition::Assign(const TkxRegDefinition* source, int address,
                              const std::string& name) {
    if (!source) {
        return false;
    }
    const std::string newName = name.empty() ? source->FName : name;
    const std::uint16_t newAddress =
        address >= 0 ? static_cast<std::uint16_t>(address) : source->FAddress;
    if (source != this) {
        *this = *source;
    }
    FAddress = newAddress;
    FName = newName;
    return true;
}

bool TkxRegDefinition::LoadDefinition(std::string_view section, TkxTextResource* resource) {
    Redirections path;
    return LoadDefinition(section, resource, path);
}

bool TkxRegDefinition::LoadDescr(std::string_view section, TkxTextResource* resource) {
    Redirections path;
    return LoadDescr(section, resource, path);
}

bool TkxRegDefinition::LoadFormat(std::string_view section, TkxTextResource* resource) {
    Redirections path;
    return LoadFormat(section, resource, path);
}

// The target is searched first in the same resource, then one step along its chain, and is
// remembered only when it was found.
bool TkxRegDefinition::FollowRedirection(TkxTextResource& resource, std::string_view section,
                                         std::string_view key, std::string& remembered, Loader load,
                                         Redirections& path) {
    const std::string target = resource.ReadString(section, key, "");
    if (target.empty()) {
        return false;
    }
    if ((this->*load)(target, &resource, path) || (this->*load)(target, resource.Next(), path)) {
        remembered = target;
        return true;
    }
    return false;
}

bool TkxRegDefinition::LoadDefinition(std::string_view section, TkxTextResource* resource,
                                      Redirections& path) {
    if (!resource || !resource->FindSection(section)) {
        return false;
    }
    const Redirections::Scope scope(path, Redirections::Definition, resource, resource->Cursor());
    if (!scope.Entered()) {
        return false;
    }
    FollowRedirection(*resource, section, "UseDefinition", FUseDefinition,
                      &TkxRegDefinition::LoadDefinition, path);
    FName = resource->ReadString(section, "Name", FName);
    ParseType(resource->ReadString(section, "Type", TypeToString()));
    // Only the low 8 bits count; a count of zero elements would give the register no storage
    // at all, so it keeps the length it had.
    const auto length =
        static_cast<std::uint8_t>(resource->ReadInteger(section, "Length", FLength));
    if (length > 0) {
        FLength = length;
    }
    if (IsNumeric()) {
        LoadLimits(section, *resource);
    }
    LoadDescr(section, resource, path);
    LoadFormat(section, resource, path);
    return true;
}

void TkxRegDefinition::LoadLimits(std::string_view section, TkxTextResource& resource) {
    struct Limit {
        const char* Key;
        bool& Defined;
        double& Value;
    };
    const Limit limits[] = {{"MaxValue", FMaxDefined, FMaxValue},
                            {"MinValue", FMinDefined, FMinValue},
                            {"DfltValue", FDfltDefined, FDfltValue}};
    for (const auto& limit : limits) {
        // A limit is defined only by a readable number; "MaxValue=abc" would otherwise become
        // a limit of 0.
        double value = 0.0;
        if (resource.FindKey(section, limit.Key) &&
            TextToFloat(resource.ReadString(section, limit.Key, ""), value)) {
            limit.Defined = true;
            limit.Value = value;
        }
    }
}

bool TkxRegDefinition::LoadDescr(std::string_view section, TkxTextResource* resource,
                                 Redirections& path) {
    if (!resource || !resource->FindSection(section)) {
        return false;
    }
    const Redirections::Scope scope(path, Redirections::Descr, resource, resource->Cursor());
    if (!scope.Entered()) {
        return false;
    }
    FollowRedirection(*resource, section, "UseDescr", FUseDescr, &TkxRegDefinition::LoadDescr,
                      path);
    std::vector<std::string> entries;
    resource->ReadSectionValues(section, entries);
    for (const auto& entry : entries) {
        if (entry.starts_with("Descr")) {
            const auto equals = entry.find('=');
            SetDescription(std::string_view(entry).substr(0, equals),
                           std::string_view(entry).substr(equals + 1));
        }
    }
    return true;
}

void TkxRegDefinition::SetDescription(std::string_view key, std::string_view text) {
    // Keys are looked up case folded, so an entry replaces any earlier spelling of its key.
    const auto it =
        std::find_if(FDescriptions.begin(), FDescriptions.end(),
                     [key](const Description& d) { return AnsiSameText(d.first, key); });
    if (text.empty()) {
        if (it != FDescriptions.end()) {
            FDescriptions.erase(it);
        }
    } else if (it != FDescriptions.end()) {
        *it = Description(key, text);
    } else {
        FDescriptions.emplace_back(key, text);
    }
}

bool TkxRegDefinition::LoadFormat(std::string_view section, TkxTextResource* resource,
                                  Redirections& path) {
    if (!resource || !resource->FindSection(section)) {
        return false;
    }
    const Redirections::Scope scope(path, Redirections::Format, resource, resource->Cursor());
    if (!scope.Entered()) {
        return false;
    }
    if (!FollowRedirection(*resource, section, "UseFormat", FUseFormat,
                           &TkxRegDefinition::LoadFormat, path)) {
        FFormatPrintf = IsNumeric() ? "%d" : "%s";
    }
    // A scale of zero would show every value as infinite and write every edit as 0.
    const double norm = resource->ReadFloat(section, "FormatNorm", FFormatNorm);
    if (norm != 0.0) {
        FFormatNorm = norm;
    }
    FFormatOffset = resource->ReadFloat(section, "FormatOffset", FFormatOffset);
    FFormatString = resource->ReadString(section, "FormatString", FFormatString);
    FFormatPrintf = resource->ReadString(section, "FormatPrintf", FFormatPrintf);
    return true;
}

void TkxRegDefinition::SetType(std::uint16_t code) {
    const int kind = code & 0xF0;
    if (kind == kKindDate || kind == kKindTime || kind == kKindString) {
        code = static_cast<std::uint16_t>((code & ~0x07) | kSizeByte);
    }
    FType = code;
}

void TkxRegDefinition::ParseType(std::string_view text) {
    const std::string s = AnsiLowerCase(TrimBlanks(text));
    if (Contains(s, "date")) {
        SetType(kKindDate | kSizeByte);
    } else if (Contains(s, "time")) {
        SetType(kKindTime | kSizeByte);
    } else if (Contains(s, "string")) {
        SetType(kKindString | kSizeByte);
    } else {
        std::uint16_t kind = kKindUnsigned;
        if (Contains(s, "bool")) {
            kind = kKindBool;
        } else if (Contains(s, "signed") && !Contains(s, "unsigned")) {
            kind = kKindSigned;
        }
        std::uint16_t size = kSizeShort;
        if (Contains(s, "long")) {
            size = kSizeLong;
        } else if (Contains(s, "byte")) {
            size = kSizeByte;
        }
        SetType(kind | size);
    }
}

std::string TkxRegDefinition::TypeToString() const {
    std::string sizeText;
    switch (Size()) {
    case kSizeByte:
        sizeText = "byte";
        break;
    case kSizeShort:
        sizeText = "short";
        break;
    case kSizeLong:
        sizeText = "long";
        break;
    default:
        return "none";
    }
    switch (Kind()) {
    case kKindUnsigned:
        return "unsigned " + sizeText;
    case kKindSigned:
        return "signed " + sizeText;
    case kKindBool:
        return "bool " + sizeText;
    case kKindDate:
        return "date";
    case kKindTime:
        return "time";
    case kKindString:
        return "string";
    default:
        return "none";
    }
}

int TkxRegDefinition::ElementBytes() const {
    if (IsDate() || IsTime()) {
        return 6;
    }
    return Size() == kSizeLong ? 4 : 2;
}

std::string TkxRegDefinition::DescriptionOf(std::string_view key) const {
    const auto it =
        std::find_if(FDescriptions.begin(), FDescriptions.end(),
                     [key](const Description& d) { return AnsiSameText(d.first, key); });
    if (it == FDescriptions.end() || it->second == "(null)") {
        return "";
    }
    return it->second;
}

std::string TkxRegDefinition::GetDescr(int index, std::uint32_t mask) const {
    if (index >= FLength) {
        throw ETkxError(kIndexOutOfRange);
    }
    std::string result;
    if (index >= 0) {
        std::string key = "Descr[" + std::to_string(index);
        if (mask != 0) {
            key += "m" + Hex(mask);
        }
        result = DescriptionOf(key + "]");
    }
    if (result.empty()) {
        result = DescriptionOf("Descr");
    }
    return result.empty() ? FName : result;
}

std::string TkxRegDefinition::GetValueDescr(std::int32_t value, int index, std::uint32_t mask,
                                            bool showNumber) const {
    if (index < 0 || index >= FLength) {
        throw ETkxError(kIndexOutOfRange);
    }
    const std::string field = "Descr[" + std::to_string(index) + "m" + Hex(mask) + "v";
    const std::string number =
        IsSigned() ? std::to_string(value) : std::to_string(static_cast<std::uint32_t>(value));
    std::string result = DescriptionOf(field + number + "]");
    if (result.empty()) {
        result = DescriptionOf(field + "*]");
    }
    if (!result.empty()) {
        return result;
    }
    return showNumber ? number + " (" + Hex(static_cast<std::uint32_t>(value)) + "h)" : "";
}

std::vector<std::int64_t> TkxRegDefinition::DescribedValues(int index, std::uint32_t mask) const {
    const std::string field = "Descr[" + std::to_string(index) + "m" + Hex(mask) + "v";
    std::vector<std::int64_t> values;
    for (const auto& [key, text] : FDescriptions) {
        if (key.size() <= field.size() + 1 || key.back() != ']' ||
            !AnsiSameText(std::string_view(key).substr(0, field.size()), field)) {
            continue;
        }
        const std::string_view number =
            std::string_view(key).substr(field.size(), key.size() - field.size() - 1);
        std::int64_t value = 0;
        const auto [end, error] =
            std::from_chars(number.data(), number.data() + number.size(), value);
        if (error != std::errc() || end != number.data() + number.size()) {
            continue;
        }
        // Only a value written the way GetValueDescr writes it is ever looked up.
        const bool held = IsSigned() ? value >= INT32_MIN && value <= INT32_MAX
                                     : value >= 0 && value <= UINT32_MAX;
        if (held && std::to_string(value) == number &&
            !DescriptionOf(field + std::string(number) + "]").empty()) {
            values.push_back(value);
        }
    }
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

bool TkxRegDefinition::SectionAddress(std::string_view sectionName, std::uint16_t& address) {
    std::size_t i = 0;
    bool negative = false;
    if (i < sectionName.size() && (sectionName[i] == '+' || sectionName[i] == '-')) {
        negative = sectionName[i] == '-';
        ++i;
    }
    const std::size_t first = i;
    std::uint64_t acc = 0;
    for (; i < sectionName.size() && sectionName[i] >= '0' && sectionName[i] <= '9'; ++i) {
        acc = acc * 10 + static_cast<std::uint64_t>(sectionName[i] - '0');
        if (acc > 0xFFFFFFFFu) {
            return false;
        }
    }
    if (i == first) {
        return false;
    }
    address = static_cast<std::uint16_t>(negative ? 0 - acc : acc);
    return true;
}
