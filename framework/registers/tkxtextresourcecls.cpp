#include "registers/tkxtextresourcecls.h"

#include "base/tkxerror.h"
#include "registers/tkxcodepage.h"
#include "registers/tkxrawresources.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <limits>
#include <ostream>

namespace {

constexpr std::uint64_t kUInt32Max = std::numeric_limits<std::uint32_t>::max();

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// How a text fared in one number form. A form that does not apply lets the next form try;
// a number too wide for 32 bits is refused outright rather than read as some shorter prefix.
enum class NumberForm { Read, NotThisForm, TooWide };

// Only "0" and "1"; no digits at all read as 0.
NumberForm ReadBinary(std::string_view digits, std::uint32_t& value) {
    std::uint64_t acc = 0;
    for (const char c : digits) {
        if (c != '0' && c != '1') {
            return NumberForm::NotThisForm;
        }
        acc = acc * 2 + static_cast<std::uint64_t>(c - '0');
        if (acc > kUInt32Max) {
            return NumberForm::TooWide;
        }
    }
    value = static_cast<std::uint32_t>(acc);
    return NumberForm::Read;
}

// Reads hex digits up to the first other character; at least one digit is needed.
NumberForm ReadHex(std::string_view text, std::uint32_t& value) {
    std::uint64_t acc = 0;
    std::size_t count = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            break;
        }
        acc = acc * 16 + static_cast<std::uint64_t>(digit);
        if (acc > kUInt32Max) {
            return NumberForm::TooWide;
        }
        ++count;
    }
    if (count == 0) {
        return NumberForm::NotThisForm;
    }
    value = static_cast<std::uint32_t>(acc);
    return NumberForm::Read;
}

// The binary or hexadecimal form the text's prefix or suffix asks for, if any.
NumberForm ReadMarkedForm(std::string_view s, std::uint32_t& value) {
    if (s.size() > 2 && s[0] == '0') {
        if (s[1] == 'b') {
            return ReadBinary(s.substr(2), value);
        }
        if (s[1] == 'x') {
            return ReadHex(s.substr(2), value);
        }
    } else if (s.size() > 1) {
        if (s.back() == 'b') {
            return ReadBinary(s.substr(0, s.size() - 1), value);
        }
        if (s.back() == 'h') {
            return ReadHex(s, value);
        }
    }
    return NumberForm::NotThisForm;
}

bool IsScanSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// True when a signed decimal integer starts here (after optional white space), which is what
// a second integer conversion after the decimal point would accept.
bool StartsInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsScanSpace(text[i])) {
        ++i;
    }
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    return i < text.size() && IsDigit(text[i]);
}

// A signed decimal integer prefix; refused when a fraction follows ("12.5" is a float) or when
// it does not fit 32 bits. "12abc" and "12." read as 12.
bool ReadDecimal(std::string_view text, std::uint32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t first = i;
    std::uint64_t acc = 0;
    bool overflow = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        acc = acc * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (acc > kUInt32Max) {
            overflow = true;
            acc = kUInt32Max + 1;
        }
    }
    if (i == first || overflow) {
        return false;
    }
    if (i < text.size() && text[i] == '.' && StartsInteger(text.substr(i + 1))) {
        return false;
    }
    if (negative) {
        if (acc > kUInt32Max / 2 + 1) {
            return false;
        }
        value = static_cast<std::uint32_t>(0 - acc);
    } else {
        value = static_cast<std::uint32_t>(acc);
    }
    return true;
}

bool ReadFloatText(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return false;
        }
    }
    double result = 0.0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), result, std::chars_format::general);
    if (error != std::errc() || end == text.data() || !std::isfinite(result)) {
        return false;
    }
    value = result;
    return true;
}

unsigned char AnsiLower(unsigned char c) {
    if (c >= 'A' && c <= 'Z') {
        return static_cast<unsigned char>(c + 32);
    }
    // Windows-1252: the Latin-1 capitals (without the multiplication sign) and the four
    // capitals placed in the 0x80 block.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) {
        return static_cast<unsigned char>(c + 32);
    }
    switch (c) {
    case 0x8A:
    case 0x8C:
    case 0x8E:
        return static_cast<unsigned char>(c + 16);
    case 0x9F:
        return 0xFF;
    default:
        return c;
    }
}

std::string FileError(const std::string& what, const std::string& fileName, int error) {
    return what + " \"" + fileName + "\": " + std::strerror(error);
}

// A text that starts with the UTF-8 byte-order mark was saved as UTF-8 by an editor: it is
// read as the Windows-1252 text it stands for, without the mark.
std::string WithoutUtf8Mark(std::string data) {
    constexpr std::string_view mark = "\xEF\xBB\xBF";
    if (!std::string_view(data).starts_with(mark)) {
        return data;
    }
    return Utf8ToAnsi(std::string_view(data).substr(mark.size()));
}

std::string ReadStreamBytes(std::istream& in) {
    std::string data;
    char chunk[65536];
    while (in) {
        in.read(chunk, sizeof chunk);
        data.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        throw ETkxError("Cannot read the stream");
    }
    return WithoutUtf8Mark(std::move(data));
}

std::string ReadFileBytes(const std::string& fileName) {
    std::error_code ec;
    if (std::filesystem::is_directory(fileName, ec)) {
        throw ETkxError(FileError("Cannot open file", fileName, EISDIR));
    }
    errno = 0;
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        throw ETkxError(FileError("Cannot open file", fileName, errno ? errno : ENOENT));
    }
    try {
        return ReadStreamBytes(in);
    } catch (const ETkxError&) {
        throw ETkxError(FileError("Cannot read file", fileName, errno ? errno : EIO));
    }
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            continue;
        }
        lines.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < text.size()) {
        lines.emplace_back(text.substr(start));
    }
    return lines;
}

bool IsBracketed(std::string_view line) {
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

} // namespace

bool TextToInt(std::string_view text, std::uint32_t& value) {
    const std::string s = AnsiLowerCase(TrimBlanks(text));
    switch (ReadMarkedForm(s, value)) {
    case NumberForm::Read:
        return true;
    case NumberForm::TooWide:
        return false;
    case NumberForm::NotThisForm:
        break;
    }
    return ReadDecimal(s, value);
}

bool TextToFloat(std::string_view text, double& value) {
    std::uint32_t integer = 0;
    if (TextToInt(text, integer)) {
        value = static_cast<double>(static_cast<std::int32_t>(integer));
        return true;
    }
    return ReadFloatText(AnsiLowerCase(TrimBlanks(text)), value);
}

std::string_view TrimBlanks(std::string_view text) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string AnsiLowerCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = static_cast<char>(AnsiLower(static_cast<unsigned char>(c)));
    }
    return result;
}

bool AnsiSameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AnsiLower(static_cast<unsigned char>(a[i])) !=
            AnsiLower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

TkxTextResource::TkxTextResource(int resourceId) {
    LoadFromResourceID(resourceId);
}

TkxTextResource::TkxTextResource(const std::string& fileName) {
    LoadFromFile(fileName);
}

void TkxTextResource::Reset() {
    FFileName.clear();
    FStream = nullptr;
    FCursor = -1;
    FNext = nullptr;
    Clear();
}

void TkxTextResource::LoadFromFile(const std::string& fileName) {
    ReplaceLines(SplitLines(ReadFileBytes(fileName)));
    FFileName = fileName;
}

void TkxTextResource::LoadFromStream(std::istream& stream) {
    ReplaceLines(SplitLines(ReadStreamBytes(stream)));
    FStream = &stream;
}

bool TkxTextResource::LoadFromResourceID(int id) {
    const auto* resource = tkx::FindRawResource(id);
    ReplaceLines(resource ? SplitLines(resource->Data) : std::vector<std::string>());
    return resource != nullptr;
}

void TkxTextResource::Open(const std::string& fileName) {
    if (!fileName.empty()) {
        // Loading replaces the lines only once the file has been read, so a file that cannot
        // be read leaves the resource as it was.
        LoadFromFile(fileName);
        FStream = nullptr;
        return;
    }
    Clear();
    FFileName.clear();
    FStream = nullptr;
}

bool TkxTextResource::AppendResource(std::string_view name) {
    const auto* resource = tkx::FindRawResource(name);
    if (resource) {
        AppendLines(SplitLines(resource->Data));
    }
    return resource != nullptr;
}

bool TkxTextResource::AppendResourceID(int id) {
    const auto* resource = tkx::FindRawResource(id);
    if (resource) {
        AppendLines(SplitLines(resource->Data));
    }
    return resource != nullptr;
}

void TkxTextResource::AppendFile(const std::string& fileName) {
    if (!fileName.empty()) {
        AppendLines(SplitLines(ReadFileBytes(fileName)));
    }
}

void TkxTextResource::SetText(std::string_view text) {
    ReplaceLines(SplitLines(text));
}

void TkxTextResource::SaveToFile(const std::string& fileName) const {
    errno = 0;
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out) {
        throw ETkxError(FileError("Cannot create file", fileName, errno ? errno : EACCES));
    }
    SaveToStream(out);
    out.close();
    if (!out) {
        throw ETkxError(FileError("Cannot write file", fileName, errno ? errno : EIO));
    }
}

void TkxTextResource::SaveToStream(std::ostream& stream) const {
    for (const auto& line : FLines) {
        stream << line << "\r\n";
    }
    if (!stream) {
        throw ETkxError("Cannot write the stream");
    }
}

std::string TkxTextResource::Text() const {
    std::string text;
    for (const auto& line : FLines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void TkxTextResource::Chain(TkxTextResource* resource) {
    if (!resource || resource == this) {
        return;
    }
    resource->FNext = FNext;
    FNext = resource;
}

bool TkxTextResource::IsSectionHeader(std::string_view line) {
    const auto trimmed = TrimBlanks(line);
    return trimmed.size() > 2 && IsBracketed(trimmed) && !SectionName(trimmed).empty();
}

std::string_view TkxTextResource::SectionName(std::string_view line) {
    const auto trimmed = TrimBlanks(line);
    if (!IsBracketed(trimmed)) {
        return {};
    }
    return TrimBlanks(trimmed.substr(1, trimmed.size() - 2));
}

bool TkxTextResource::ParseEntry(std::string_view line, std::string_view& key,
                                 std::string_view& value) {
    if (line.size() < 2 || line.front() == ';') {
        return false;
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        return false;
    }
    key = TrimBlanks(line.substr(0, equals));
    if (key.empty()) {
        return false;
    }
    value = TrimBlanks(line.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = TrimBlanks(value.substr(1, value.size() - 2));
    }
    return true;
}

int TkxTextResource::FindHeaderLine(std::string_view name) {
    if (!FHeaderIndexValid) {
        FHeaderIndex.clear();
        for (int i = 0; i < Count(); ++i) {
            if (IsBracketed(FLines[i])) {
                FHeaderIndex.try_emplace(AnsiLowerCase(FLines[i]), i);
            }
        }
        FHeaderIndexValid = true;
    }
    std::string wanted = "[";
    wanted += AnsiLowerCase(name);
    wanted += ']';
    const auto it = FHeaderIndex.find(wanted);
    return it == FHeaderIndex.end() ? -1 : it->second;
}

int TkxTextResource::NextHeaderAfter(int index) const {
    for (int i = index + 1; i < Count(); ++i) {
        if (IsSectionHeader(FLines[i])) {
            return i;
        }
    }
    return Count();
}

bool TkxTextResource::FindSection(std::string_view name) {
    FCursor = FindHeaderLine(name);
    return FCursor >= 0 && IsSectionHeader(FLines[FCursor]);
}

bool TkxTextResource::FindKey(std::string_view section, std::string_view key) {
    if (!FindSection(section)) {
        return false;
    }
    for (int i = FCursor + 1; i < Count(); ++i) {
        const std::string& line = FLines[i];
        if (IsSectionHeader(line)) {
            FCursor = i;
            return false;
        }
        std::string_view entryKey;
        std::string_view entryValue;
        if (ParseEntry(line, entryKey, entryValue) && entryKey == key) {
            FCursor = i;
            return true;
        }
    }
    FCursor = -1;
    return false;
}

bool TkxTextResource::FindValue(std::string_view section, std::string_view key,
                                std::string_view& value) {
    if (!FindKey(section, key)) {
        return false;
    }
    std::string_view entryKey;
    return ParseEntry(FLines[FCursor], entryKey, value);
}

std::string TkxTextResource::ReadString(std::string_view section, std::string_view key,
                                        std::string_view defaultValue) {
    std::string_view value;
    return std::string(FindValue(section, key, value) ? value : defaultValue);
}

int TkxTextResource::ReadInteger(std::string_view section, std::string_view key, int defaultValue) {
    std::string_view text;
    std::uint32_t value = 0;
    if (!FindValue(section, key, text) || !TextToInt(text, value)) {
        return defaultValue;
    }
    return static_cast<std::int32_t>(value);
}

int TkxTextResource::ReadRelInteger(std::string_view section, std::string_view key, int base) {
    // A missing key is the base itself; reading the base's own text back would turn a
    // negative base into an offset.
    std::string_view s;
    if (!FindValue(section, key, s)) {
        return base;
    }
    s = TrimBlanks(s);
    int sign = 0;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        sign = s.front() == '+' ? 1 : -1;
        s.remove_prefix(1);
    }
    std::uint32_t number = 0;
    if (s.empty() || s.front() == '+' || s.front() == '-' || !TextToInt(s, number)) {
        return base;
    }
    if (sign == 0) {
        return static_cast<std::int32_t>(number);
    }
    const std::int64_t result = static_cast<std::int64_t>(base) + sign * std::int64_t{number};
    return static_cast<std::int32_t>(result);
}

double TkxTextResource::ReadFloat(std::string_view section, std::string_view key,
                                  double defaultValue) {
    std::string_view text;
    double value = 0.0;
    if (!FindValue(section, key, text) || !TextToFloat(text, value)) {
        return defaultValue;
    }
    return value;
}

void TkxTextResource::ReadSections(std::vector<std::string>& list) {
    for (const auto& line : FLines) {
        if (IsSectionHeader(line)) {
            list.emplace_back(SectionName(line));
        }
    }
}

void TkxTextResource::ReadSectionValues(std::string_view section, std::vector<std::string>& list) {
    if (!FindSection(section)) {
        return;
    }
    const int end = NextHeaderAfter(FCursor);
    for (int i = FCursor + 1; i < end; ++i) {
        std::string_view key;
        std::string_view value;
        if (ParseEntry(FLines[i], key, value)) {
            std::string item(key);
            item += '=';
            item += value;
            list.push_back(std::move(item));
        }
    }
}

void TkxTextResource::WriteString(std::string_view section, std::string_view key,
                                  std::string_view value) {
    // A line break would split the entry on saving and turn the rest into other lines, so
    // such text is refused before anything changes.
    for (const auto text : {section, key, value}) {
        if (text.find_first_of("\r\n") != std::string_view::npos) {
            throw ETkxError("WriteString: a line break cannot be stored in a definition text");
        }
    }
    std::string entry(key);
    entry += "=\"";
    entry += value;
    entry += '"';
    if (FindKey(section, key)) {
        FLines[FCursor] = std::move(entry);
        LinesChanged();
    } else if (FindSection(section)) {
        const int at = FCursor + 1;
        Insert(at, std::move(entry));
        FCursor = at;
    } else {
        std::string header = "[";
        header += section;
        header += ']';
        Add(std::move(header));
        Add(std::move(entry));
    }
}

bool TkxTextResource::IsBlank() const {
    for (const auto& line : FLines) {
        if (!line.empty()) {
            return false;
        }
    }
    return true;
}

const std::string& TkxTextResource::Strings(int index) const {
    if (index < 0 || index >= Count()) {
        throw ETkxError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return FLines[index];
}

void TkxTextResource::Add(std::string line) {
    FLines.push_back(std::move(line));
    LinesChanged();
}

void TkxTextResource::Insert(int index, std::string line) {
    if (index < 0 || index > Count()) {
        throw ETkxError("List index out of bounds (" + std::to_string(index) + ")");
    }
    FLines.insert(FLines.begin() + index, std::move(line));
    LinesChanged();
}

void TkxTextResource::Delete(int index) {
    if (index < 0 || index >= Count()) {
        throw ETkxError("List index out of bounds (" + std::to_string(index) + ")");
    }
    FLines.erase(FLines.begin() + index);
    LinesChanged();
}

void TkxTextResource::Clear() {
    FLines.clear();
    LinesChanged();
}

void TkxTextResource::ReplaceLines(std::vector<std::string> lines) {
    FLines = std::move(lines);
    LinesChanged();
}

void TkxTextResource::AppendLines(std::vector<std::string> lines) {
    FLines.insert(FLines.end(), std::make_move_iterator(lines.begin()),
                  std::make_move_iterator(lines.end()));
    LinesChanged();
}

void TkxTextResource::LinesChanged() {
    FHeaderIndexValid = false;
    FHeaderIndex.clear();
}
