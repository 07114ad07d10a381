#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TkxTextResource;

// The static description of one holding register, or of an array of consecutive registers
// holding one value per element: address, name, type, limits, descriptions and display format.
// Built from a register section of a definition file, following UseDefinition, UseDescr and
// UseFormat redirections within the file and one step along its chain (the built-in set).
// Read-only once loaded, so it may be read from any thread; the one exception is
// SetDescription, for texts a user interface adds and reads on its own thread.
class TkxRegDefinition {
public:
    // Type code: bits 0..2 the element size, bits 4..7 the kind.
    static constexpr std::uint16_t kSizeByte = 0x01;
    static constexpr std::uint16_t kSizeShort = 0x02;
    static constexpr std::uint16_t kSizeLong = 0x04;
    static constexpr std::uint16_t kKindUnsigned = 0x00;
    static constexpr std::uint16_t kKindSigned = 0x10;
    static constexpr std::uint16_t kKindBool = 0x20;
    static constexpr std::uint16_t kKindDate = 0x40;
    static constexpr std::uint16_t kKindTime = 0x80;
    static constexpr std::uint16_t kKindString = 0xC0;

    // One "key=text" line of the description table.
    using Description = std::pair<std::string, std::string>;

    TkxRegDefinition() = default;
    TkxRegDefinition(std::uint16_t address, TkxTextResource* resource);

    void Reset();
    // Loads the register section named after the address; a null resource gives a definition
    // with defaults only. Always true: missing sections, keys or numbers keep the defaults.
    bool Load(std::uint16_t address, TkxTextResource* resource);
    // Copies every field of source; address (when 0 or more) and name (when not empty)
    // replace the source's. False, changing nothing, for a null source.
    bool Assign(const TkxRegDefinition* source, int address = -1, const std::string& name = "");

    // Fill this definition from a section of resource (or, for redirections, of its chain).
    // False when the resource is null, the section is missing, or reaching it again would
    // close a redirection cycle.
    bool LoadDefinition(std::string_view section, TkxTextResource* resource);
    bool LoadDescr(std::string_view section, TkxTextResource* resource);
    bool LoadFormat(std::string_view section, TkxTextResource* resource);

    void SetType(std::uint16_t code);
    void ParseType(std::string_view text);
    std::string TypeToString() const;

    int Size() const { return FType & 0x07; }
    int Kind() const { return FType & 0xF0; }
    bool IsNumeric() const { return (FType & 0xFF) < 64; }
    bool IsSigned() const { return Kind() == kKindSigned; }
    bool IsBool() const { return Kind() == kKindBool; }
    bool IsDate() const { return Kind() == kKindDate; }
    bool IsTime() const { return Kind() == kKindTime; }
    bool IsString() const { return Kind() == kKindString; }
    // Bytes one element takes in a register buffer: 4 for a long, 6 for a date or time,
    // 2 for everything else.
    int ElementBytes() const;
    std::int64_t TotalBytes() const { return std::int64_t{ElementBytes()} * FLength; }

    // Description of an element (index), of one of its bit fields (mask), or, for a negative
    // index, the general one; falls back to "Descr", then to the name. Throws ETkxError for an
    // index not below Length.
    std::string GetDescr(int index, std::uint32_t mask = 0) const;
    // Text of a value (already masked, not shifted) of an element or bit field; without a
    // description the number itself ("1792 (700h)") when showNumber, else "". Throws
    // ETkxError for a negative index or one not below Length.
    std::string GetValueDescr(std::int32_t value, int index, std::uint32_t mask,
                              bool showNumber) const;
    // The values of an element or bit field that have a description of their own under
    // GetValueDescr's key ("Descr[0m3v2]"), ascending; the "v*" key stands for no value.
    // Lets a caller list the described values of a range too wide to ask value by value.
    std::vector<std::int64_t> DescribedValues(int index, std::uint32_t mask) const;
    // The description stored under key (case folded, first match), or "" when absent;
    // the text "(null)" counts as absent.
    std::string DescriptionOf(std::string_view key) const;
    // Stores text under key as a definition file's "Descr..." entry does: it replaces the
    // entry of that key in any spelling, and an empty text removes it.
    void SetDescription(std::string_view key, std::string_view text);

    // The register address a section name stands for: one that begins with a decimal
    // integer, optionally signed, taken as 16 bits. False for any other name.
    static bool SectionAddress(std::string_view sectionName, std::uint16_t& address);

    const std::string& UseDefinition() const { return FUseDefinition; }
    const std::string& UseFormat() const { return FUseFormat; }
    const std::string& UseDescr() const { return FUseDescr; }
    std::uint16_t Address() const { return FAddress; }
    std::uint16_t EEPromCopy() const { return FEEPromCopy; }
    const std::string& Name() const { return FName; }
    std::uint16_t Type() const { return FType; }
    std::uint8_t Length() const { return FLength; }
    bool MaxDefined() const { return FMaxDefined; }
    double MaxValue() const { return FMaxValue; }
    bool MinDefined() const { return FMinDefined; }
    double MinValue() const { return FMinValue; }
    bool DfltDefined() const { return FDfltDefined; }
    double DfltValue() const { return FDfltValue; }
    const std::vector<Description>& Descriptions() const { return FDescriptions; }
    double FormatNorm() const { return FFormatNorm; }
    double FormatOffset() const { return FFormatOffset; }
    const std::string& FormatString() const { return FFormatString; }
    const std::string& FormatPrintf() const { return FFormatPrintf; }

private:
    class Redirections;
    using Loader = bool (TkxRegDefinition::*)(std::string_view, TkxTextResource*, Redirections&);
    // Follows the redirection named by key in section; true when its target was loaded.
    bool FollowRedirection(TkxTextResource& resource, std::string_view section,
                           std::string_view key, std::string& remembered, Loader load,
                           Redirections& path);
    bool LoadDefinition(std::string_view section, TkxTextResource* resource, Redirections& path);
    bool LoadDescr(std::string_view section, TkxTextResource* resource, Redirections& path);
    bool LoadFormat(std::string_view section, TkxTextResource* resource, Redirections& path);
    void LoadLimits(std::string_view section, TkxTextResource& resource);

    std::string FUseDefinition;
    std::string FUseFormat;
    std::string FUseDescr;
    std::uint16_t FAddress = 0;
    std::uint16_t FEEPromCopy = 0;
    std::string FName;
    std::uint16_t FType = 0;
    std::uint8_t FLength = 1;
    bool FMaxDefined = false;
    double FMaxValue = 0.0;
    bool FMinDefined = false;
    double FMinValue = 0.0;
    bool FDfltDefined = false;
    double FDfltValue = 0.0;
    std::vector<Description> FDescriptions;
    double FFormatNorm = 1.0;
    double FFormatOffset = 0.0;
    std::string FFormatString;
    std::string FFormatPrintf;
};
