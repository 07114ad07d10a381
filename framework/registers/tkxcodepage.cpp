#include "registers/tkxcodepage.h"

#include <array>
#include <cstdint>

namespace {

// Code points of the bytes 0x80 to 0x9F; the other bytes equal their code point.
constexpr std::array<char16_t, 32> KHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsContinuation(std::uint8_t b) {
    return (b & 0xC0) == 0x80;
}

// Length and allowed range of the second byte for a lead byte; 0 for a byte that never
// starts a sequence. The narrowed ranges exclude overlong forms, surrogates and code points
// above U+10FFFF.
struct LeadInfo {
    int Length;
    std::uint8_t SecondLow;
    std::uint8_t SecondHigh;
};

LeadInfo InfoOfLead(std::uint8_t lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return {2, 0x80, 0xBF};
    if (lead == 0xE0)
        return {3, 0xA0, 0xBF};
    if (lead == 0xED)
        return {3, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF)
        return {3, 0x80, 0xBF};
    if (lead == 0xF0)
        return {4, 0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3)
        return {4, 0x80, 0xBF};
    if (lead == 0xF4)
        return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

// Decodes the sequence at pos. Returns the number of bytes taken (at least one) and sets
// codePoint, or sets valid to false for a malformed sequence, which then spans its longest
// prefix that could still have been well-formed.
std::size_t DecodeAt(std::string_view text, std::size_t pos, char32_t& codePoint, bool& valid) {
    const auto lead = static_cast<std::uint8_t>(text[pos]);
    const LeadInfo info = InfoOfLead(lead);
    valid = false;
    if (info.Length == 0)
        return 1;
    std::size_t taken = 1;
    char32_t cp = lead & (0xFF >> (info.Length + 1));
    for (int i = 1; i < info.Length; ++i, ++taken) {
        if (pos + taken >= text.size())
            return taken;
        const auto b = static_cast<std::uint8_t>(text[pos + taken]);
        const bool inRange =
            i == 1 ? (b >= info.SecondLow && b <= info.SecondHigh) : IsContinuation(b);
        if (!inRange)
            return taken;
        cp = (cp << 6) | (b & 0x3F);
    }
    valid = true;
    codePoint = cp;
    return taken;
}

} // namespace

char32_t AnsiToUnicode(char c) {
    const auto b = static_cast<std::uint8_t>(c);
    if (b >= 0x80 && b < 0xA0)
        return KHighControlRange[b - 0x80];
    return b;
}

bool UnicodeToAnsi(char32_t codePoint, char& c) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        c = static_cast<char>(codePoint);
        return true;
    }
    for (std::size_t i = 0; i < KHighControlRange.size(); ++i) {
        if (KHighControlRange[i] == codePoint) {
            c = static_cast<char>(0x80 + i);
            return true;
        }
    }
    return false;
}

char UnicodeToAnsiOrReplacement(char32_t codePoint) {
    char c = KAnsiReplacementChar;
    return UnicodeToAnsi(codePoint, c) ? c : KAnsiReplacementChar;
}

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 4);
    for (const char c : ansi)
        AppendUtf8(AnsiToUnicode(c), out);
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        if (static_cast<std::uint8_t>(utf8[pos]) < 0x80) {
            out += utf8[pos++];
            continue;
        }
        char32_t cp = 0;
        bool valid = false;
        pos += DecodeAt(utf8, pos, cp, valid);
        out += valid ? UnicodeToAnsiOrReplacement(cp) : KAnsiReplacementChar;
    }
    return out;
}
