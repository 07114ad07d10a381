#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Number readers shared by the whole register data model. TextToInt reads decimal, "0x"/"h"
// hexadecimal and "0b"/"b" binary text as an unsigned 32-bit value (a negative decimal keeps
// its two's complement bits); TextToFloat reads what TextToInt reads, else a decimal float.
// Both leave value untouched and return false for text that is not a number, including numbers
// that do not fit 32 bits and non-finite floats.
bool TextToInt(std::string_view text, std::uint32_t& value);
bool TextToFloat(std::string_view text, double& value);

// Windows-1252 text helpers: blanks are every byte up to and including the space character.
std::string_view TrimBlanks(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
bool AnsiSameText(std::string_view a, std::string_view b);

// An INI-like text held as an ordered list of lines (Windows-1252 bytes, duplicates allowed)
// that answers section and key questions. A section is found by its exact stored header line
// "[name]" (case folded); a key is searched, case-sensitively, from that header to the next
// header. Lookups never throw: a missing section, key or number gives the caller's default.
// The resource is a scratch-cursor object and not safe for concurrent use.
class TkxTextResource {
public:
    TkxTextResource() = default;
    explicit TkxTextResource(int resourceId);
    explicit TkxTextResource(const std::string& fileName);
    virtual ~TkxTextResource() = default;

    TkxTextResource(const TkxTextResource&) = delete;
    TkxTextResource& operator=(const TkxTextResource&) = delete;

    // Empties the lines and forgets file, stream, cursor and chain.
    void Reset();

    // Loading replaces the lines; the Append... forms add after them. File and stream errors
    // throw ETkxError and leave the lines as they were. Text is split at CR LF, LF or CR; NUL
    // bytes are kept as ordinary characters.
    void LoadFromFile(const std::string& fileName);
    void LoadFromStream(std::istream& stream);
    // A missing resource leaves the resource empty (and returns false); it never throws.
    bool LoadFromResourceID(int id);
    // Loads the file, or empties the resource when the name is empty.
    void Open(const std::string& fileName);
    bool AppendResource(std::string_view name);
    bool AppendResourceID(int id);
    void AppendFile(const std::string& fileName);
    // Replaces the lines by those of an in-memory text.
    void SetText(std::string_view text);

    // Every line followed by CR LF; nothing else is added. Errors throw ETkxError.
    void SaveToFile(const std::string& fileName) const;
    void SaveToStream(std::ostream& stream) const;
    std::string Text() const;

    // Inserts resource right behind this one in the redirection chain. Null, or this resource
    // itself (which would make the chain endless), changes nothing.
    void Chain(TkxTextResource* resource);

    bool FindSection(std::string_view name);
    bool FindKey(std::string_view section, std::string_view key);
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue);
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue);
    // "+n" and "-n" are relative to base, a plain number is absolute, anything else is base.
    int ReadRelInteger(std::string_view section, std::string_view key, int base);
    double ReadFloat(std::string_view section, std::string_view key, double defaultValue);
    // Appends the name of every section header in file order, duplicates included.
    void ReadSections(std::vector<std::string>& list);
    // Appends "key=value" for every entry of the section, values unquoted.
    void ReadSectionValues(std::string_view section, std::vector<std::string>& list);
    // Stores key="value": replaces the key's line, else becomes the section's first entry,
    // else the section is appended at the end. Text with a line break throws ETkxError and
    // changes nothing.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool IsBlank() const;

    // Plain line-list access.
    int Count() const { return static_cast<int>(FLines.size()); }
    // Index checks throw ETkxError.
    const std::string& Strings(int index) const;
    const std::vector<std::string>& Lines() const { return FLines; }
    void Add(std::string line);
    void Insert(int index, std::string line);
    void Delete(int index);
    void Clear();

    const std::string& FileName() const { return FFileName; }
    std::istream* Stream() const { return FStream; }
    int Cursor() const { return FCursor; }
    TkxTextResource* Next() const { return FNext; }

    // Line classification, usable on any line.
    static bool IsSectionHeader(std::string_view line);
    // The trimmed text between the brackets of a header line.
    static std::string_view SectionName(std::string_view line);
    // Splits an entry line into key and (unquoted) value; false when the line is no entry.
    static bool ParseEntry(std::string_view line, std::string_view& key, std::string_view& value);

private:
    void ReplaceLines(std::vector<std::string> lines);
    void AppendLines(std::vector<std::string> lines);
    void LinesChanged();
    int FindHeaderLine(std::string_view name);
    // The value of the key's entry, pointing into the stored line.
    bool FindValue(std::string_view section, std::string_view key, std::string_view& value);
    int NextHeaderAfter(int index) const;

    std::vector<std::string> FLines;
    std::string FFileName;
    std::istream* FStream = nullptr;
    int FCursor = -1;
    TkxTextResource* FNext = nullptr;
    // Folded bracketed lines to their first index, rebuilt after the lines change, so that
    // finding a section does not scan the whole text each time.
    std::unordered_map<std::string, int> FHeaderIndex;
    bool FHeaderIndexValid = false;
};
