#pragma once

#include <string>
#include <string_view>

// Conversions between the program's 8-bit text (Windows-1252 bytes) and Unicode. The five
// bytes that Windows-1252 leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1
// control characters of the same value, so every byte has a code point and survives a trip
// through UTF-8 unchanged.

// The character that replaces text that has no Windows-1252 form ("¿").
constexpr char KAnsiReplacementChar = '\xBF';

char32_t AnsiToUnicode(char c);
// The Windows-1252 byte for a code point; false when there is none.
bool UnicodeToAnsi(char32_t codePoint, char& c);
// The byte for a code point, or KAnsiReplacementChar.
char UnicodeToAnsiOrReplacement(char32_t codePoint);

std::string AnsiToUtf8(std::string_view ansi);
// Every well-formed sequence becomes its Windows-1252 byte, or KAnsiReplacementChar when the
// character has none; every malformed sequence (a stray continuation byte, an overlong or
// truncated sequence, a surrogate) becomes one KAnsiReplacementChar.
std::string Utf8ToAnsi(std::string_view utf8);
