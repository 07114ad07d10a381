#include "ttermsettingscls.h"

#include "base/tkxerror.h"

#include <filesystem>
#include <string>

TTermSettings::TTermSettings(const std::string& appPath)
    : FPath(appPath + FileName) {
    std::error_code ec;
    if (!std::filesystem::exists(FPath, ec)) {
        return;
    }
    try {
        FText.LoadFromFile(FPath);
    } catch (const ETkxError& error) {
        FProblem = error.what();
    }
}

int TTermSettings::ReadInteger(std::string_view section, std::string_view key, int defaultValue) {
    return FText.ReadInteger(section, key, defaultValue);
}

bool TTermSettings::ReadBool(std::string_view section, std::string_view key, bool defaultValue) {
    return FText.ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::string TTermSettings::ReadString(std::string_view section, std::string_view key,
                                      std::string_view defaultValue) {
    return FText.ReadString(section, key, defaultValue);
}

std::string TTermSettings::ReadRawString(std::string_view section, std::string_view key) {
    if (!FText.FindKey(section, key)) {
        return {};
    }
    const std::string_view line = FText.Strings(FText.Cursor());
    const std::size_t equals = line.find('=');
    return equals == std::string_view::npos ? std::string()
                                            : std::string(TrimBlanks(line.substr(equals + 1)));
}

void TTermSettings::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteValue(section, key, std::to_string(value));
}

void TTermSettings::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteValue(section, key, value ? "1" : "0");
}

void TTermSettings::WriteValue(std::string_view section, std::string_view key,
                               std::string_view value) {
    std::string line = std::string(key) + "=" + std::string(value);
    if (FText.FindKey(section, key)) {
        const int at = FText.Cursor();
        FText.Delete(at);
        FText.Insert(at, std::move(line));
        return;
    }
    if (FText.FindSection(section)) {
        const int first = FText.Cursor() + 1;
        int end = first;
        while (end < FText.Count() && !TrimBlanks(FText.Strings(end)).starts_with('[')) {
            ++end;
        }
        while (end > first && TrimBlanks(FText.Strings(end - 1)).empty()) {
            --end;
        }
        FText.Insert(end, std::move(line));
        return;
    }
    FText.Add("[" + std::string(section) + "]");
    FText.Add(std::move(line));
}

bool TTermSettings::Save() {
    // A file that could not be read is not replaced by what little was read of it.
    if (!FProblem.empty()) {
        return false;
    }
    try {
        FText.SaveToFile(FPath);
    } catch (const ETkxError& error) {
        FProblem = error.what();
        return false;
    }
    return true;
}
