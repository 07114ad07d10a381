#pragma once

#include "registers/tkxtextresourcecls.h"

#include <string>
#include <string_view>

// The program's settings file in the start-up folder: read once when opened (a missing or
// unreadable file reads as empty, so every key gives its default), changed in memory, written
// back whole by Save. Keys the program does not write are kept as they were.
class TTermSettings {
public:
    static constexpr const char* FileName = "QX_DRIVE_ConfigTerm.ini";

    // appPath ends with a path delimiter.
    explicit TTermSettings(const std::string& appPath);

    const std::string& Path() const { return FPath; }
    // Why the file could not be read, or "" (a missing file is no problem).
    const std::string& Problem() const { return FProblem; }

    int ReadInteger(std::string_view section, std::string_view key, int defaultValue);
    // Any non-zero integer is true.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue);
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue);
    // The text after "=" as it stands, quotes included: values read as comma text keep the
    // quotes that group their items.
    std::string ReadRawString(std::string_view section, std::string_view key);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    // The file's text, for readers that take a text resource.
    TkxTextResource& Text() { return FText; }
    // Writes the file; false, with the reason in Problem(), when it cannot be written.
    bool Save();

private:
    // Replaces the key's line, else adds it at the end of its section, else adds the section.
    void WriteValue(std::string_view section, std::string_view key, std::string_view value);

    std::string FPath;
    std::string FProblem;
    TkxTextResource FText;
};
