#pragma once

#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxtextresourcecls.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TkxVersionRecord;

// A whole definition file in memory: its text (sections "Versions", "DataModel", "Categories",
// "Parameters" and one section per register address) and, once built, the register
// definitions of its register sections in ascending address order. It answers the layout
// questions of a device's register buffer: every definition takes its TotalBytes, placed one
// after the other in address order.
class TkxRegDefsList : public TkxTextResource {
public:
    TkxRegDefsList() = default;

    // Creates the definitions, with an "EE" twin for each register that names an EEPROM copy
    // at another address. Does nothing once they exist.
    void Build();
    bool IsBuilt() const { return FBuilt; }

    // The number of definitions (TkxTextResource::Count is the number of lines).
    int Count() const { return static_cast<int>(FDefinitions.size()); }
    // The definition at index, or null for an index outside 0..Count-1.
    const TkxRegDefinition* Items(int index) const;
    // Searched from the highest address down, so of duplicated addresses the later one wins.
    int IndexOfAddress(int address) const;
    const TkxRegDefinition* FindByAddress(int address) const;
    // Exact, case-sensitive name comparison; -1 when absent.
    int IndexOfName(std::string_view name) const;
    // Stores a description in one of this list's definitions (TkxRegDefinition::
    // SetDescription); false, changing nothing, for a definition the list does not hold.
    bool SetDescription(const TkxRegDefinition* definition, std::string_view key,
                        std::string_view text);

    std::string GetVersions();
    std::string GetVersionDescr();
    std::string GetCategory(std::string_view name);
    // A new block list read from the category's text, or null when the category is missing
    // or empty.
    std::unique_ptr<TkxRegBlock> CategoryBlocks(std::string_view name);
    // The version patterns of "Versions", split by comma-text rules: items separated by commas
    // or blanks, an item in double quotes may contain both ("" stands for one quote).
    std::vector<std::string> VersionPatterns();
    // True when any of the version patterns covers the record; false for a null record.
    bool SupportsVersion(const TkxVersionRecord* version);

    // The block-transfer limit of "DataModel", clamped to 20..256.
    int MaxBufferSize();

    // The layout is the wire image: a definition's bytes are its 16-bit registers high byte
    // first, so a long at 10 takes the words of 10 and 11 and the definition at 12 follows it.

    // Bytes of a buffer holding every definition and a view of any range up to the last
    // definition; 0 without definitions.
    int BufferSize() const;
    // Where the definition at address starts: the bytes of all definitions below it. An
    // address on a further word of a wider definition below it, where no definition starts,
    // is that word inside the definition.
    int OffsetOf(int address) const;
    // Bytes of the registers start..start+count-1 as they go on the wire: the whole bytes of
    // every definition starting in the range (a long at its last address included), two for
    // every other address not covered by them.
    int RangeBytes(int start, int count) const;

private:
    // The "EE" copy of a register that names an EEPROM copy at another address, else null.
    static std::unique_ptr<TkxRegDefinition> EEPromTwin(const TkxRegDefinition& source);

    std::vector<std::unique_ptr<TkxRegDefinition>> FDefinitions;
    bool FBuilt = false;
};

// Splits a text by the comma-text rules described at TkxRegDefsList::VersionPatterns.
std::vector<std::string> SplitCommaText(std::string_view text);
