#include "registers/tkxformatcls.h"

#include "base/tkxerror.h"
#include "registers/tkxtextresourcecls.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

constexpr double kMsPerDay = 86400000.0;
// Day numbers of 1 January 0001 and 31 December 9999, the range a date-time can take.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958465.0;
// Digits after the point a double can carry meaningfully; more placeholders print zeros.
constexpr int kMaxFractionDigits = 18;

// ---- shared helpers --------------------------------------------------------------------

bool IsQuote(char c) {
    return c == '\'' || c == '"';
}

// The quoted text starting at text[pos] (a quote character); pos moves past the closing quote,
// or to the end when the quote is never closed.
std::string_view TakeQuoted(std::string_view text, std::size_t& pos) {
    const char quote = text[pos];
    const std::size_t begin = pos + 1;
    const std::size_t end = text.find(quote, begin);
    if (end == std::string_view::npos) {
        pos = text.size();
        return text.substr(begin);
    }
    pos = end + 1;
    return text.substr(begin, end - begin);
}

// snprintf with a format built by this unit, never one taken from a caller.
template <typename... Args>
std::string CFormat(const char* format, Args... args) {
    const int size = std::snprintf(nullptr, 0, format, args...);
    if (size <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.resize(static_cast<std::size_t>(size));
    return text;
}

std::string TwoDigits(int value) {
    return CFormat("%02d", value);
}

// ---- float pictures --------------------------------------------------------------------

// The sections of a picture, split at every ";" outside quotes; only the first three count.
std::vector<std::string_view> SplitSections(std::string_view picture) {
    std::vector<std::string_view> sections;
    std::size_t begin = 0;
    std::size_t pos = 0;
    while (pos < picture.size()) {
        if (IsQuote(picture[pos])) {
            TakeQuoted(picture, pos);
        } else if (picture[pos] == ';') {
            sections.push_back(picture.substr(begin, pos - begin));
            begin = ++pos;
        } else {
            ++pos;
        }
    }
    sections.push_back(picture.substr(begin));
    sections.resize(std::min<std::size_t>(sections.size(), 3));
    return sections;
}

struct TPictureLayout {
    int IntPlaceholders = 0;
    int IntMandatory = 0; // placeholders from the first "0" up to the decimal point
    int FracPlaceholders = 0;
    int FracMandatory = 0; // placeholders after the point up to the last "0"
    bool Grouping = false;

    bool HasDigits() const { return IntPlaceholders + FracPlaceholders > 0; }
};

TPictureLayout ScanSection(std::string_view section) {
    TPictureLayout layout;
    bool afterPoint = false;
    bool seenZero = false;
    std::size_t pos = 0;
    while (pos < section.size()) {
        const char c = section[pos];
        if (IsQuote(c)) {
            TakeQuoted(section, pos);
            continue;
        }
        ++pos;
        if (c == '.' && !afterPoint) {
            afterPoint = true;
        } else if ((c == '0' || c == '#') && afterPoint) {
            ++layout.FracPlaceholders;
            if (c == '0') {
                layout.FracMandatory = layout.FracPlaceholders;
            }
        } else if (c == '0' || c == '#') {
            seenZero = seenZero || c == '0';
            ++layout.IntPlaceholders;
            layout.IntMandatory += seenZero ? 1 : 0;
        } else if (c == ',' && !afterPoint) {
            layout.Grouping = true;
        }
    }
    return layout;
}

struct TDigits {
    std::string Int;  // without leading zeros beyond the mandatory ones
    std::string Frac; // trailing zeros beyond the mandatory ones removed
    bool Zero = true; // the value rounds to zero
};

// The decimal digits of magnitude rounded half away from zero to precision places after the
// point, taken from its first 15 significant digits as the general form shows them, so that a
// value stored as 0.285 rounds to 0.29 whatever its binary approximation.
void RoundedDigits(double magnitude, int precision, std::string& intDigits,
                   std::string& fracDigits) {
    intDigits.clear();
    fracDigits.assign(static_cast<std::size_t>(precision), '0');
    if (magnitude == 0.0) {
        return;
    }
    // "d.dddddddddddddde+XXX" always fits.
    char scientific[32];
    std::snprintf(scientific, sizeof scientific, "%.14e", magnitude);
    std::string digits(1, scientific[0]);
    digits.append(scientific + 2, 14);
    int pointPos = std::atoi(scientific + 17) + 1;
    const int keep = pointPos + precision;
    if (keep < 0) {
        return;
    }
    if (keep < static_cast<int>(digits.size())) {
        const bool roundUp = digits[static_cast<std::size_t>(keep)] >= '5';
        digits.resize(static_cast<std::size_t>(keep));
        if (roundUp) {
            int index = keep - 1;
            while (index >= 0 && digits[static_cast<std::size_t>(index)] == '9') {
                digits[static_cast<std::size_t>(index--)] = '0';
            }
            if (index < 0) {
                digits.insert(0, 1, '1');
                ++pointPos;
            } else {
                ++digits[static_cast<std::size_t>(index)];
            }
        }
    } else {
        digits.append(static_cast<std::size_t>(keep) - digits.size(), '0');
    }
    if (pointPos <= 0) {
        fracDigits = std::string(static_cast<std::size_t>(-pointPos), '0') + digits;
    } else {
        intDigits = digits.substr(0, static_cast<std::size_t>(pointPos));
        fracDigits = digits.substr(static_cast<std::size_t>(pointPos));
    }
}

TDigits MakeDigits(double magnitude, const TPictureLayout& layout) {
    TDigits digits;
    RoundedDigits(magnitude, std::min(layout.FracPlaceholders, kMaxFractionDigits), digits.Int,
                  digits.Frac);
    digits.Zero = digits.Int.empty() && digits.Frac.find_first_not_of('0') == std::string::npos;

    const auto mandatoryFrac = static_cast<std::size_t>(layout.FracMandatory);
    if (digits.Frac.size() < mandatoryFrac) {
        digits.Frac.append(mandatoryFrac - digits.Frac.size(), '0');
    }
    while (digits.Frac.size() > mandatoryFrac && digits.Frac.back() == '0') {
        digits.Frac.pop_back();
    }
    const auto mandatoryInt = static_cast<std::size_t>(layout.IntMandatory);
    if (digits.Int.size() < mandatoryInt) {
        digits.Int.insert(0, mandatoryInt - digits.Int.size(), '0');
    }
    return digits;
}

// Writes one section with its digits; the sign goes right before the first digit.
class TSectionWriter {
public:
    TSectionWriter(const TPictureLayout& layout, const TDigits& digits, bool negative)
        : FLayout(layout)
        , FDigits(digits)
        , FSignPending(negative) {}

    std::string Write(std::string_view section) {
        std::size_t pos = 0;
        while (pos < section.size()) {
            if (IsQuote(section[pos])) {
                FOut += TakeQuoted(section, pos);
                continue;
            }
            WriteChar(section[pos++]);
        }
        if (FSignPending) {
            FOut.insert(0, 1, '-');
        }
        return FOut;
    }

private:
    void WriteChar(char c) {
        const bool placeholder = c == '0' || c == '#';
        if (FAfterPoint) {
            if (placeholder) {
                WriteFracDigit();
            } else {
                FOut += c;
            }
        } else if (placeholder) {
            WriteSign();
            WriteIntPlaceholder();
        } else if (c == '.') {
            FAfterPoint = true;
            WriteSign();
            if (FLayout.IntPlaceholders == 0) {
                WriteIntDigits(0, static_cast<int>(FDigits.Int.size()) - 1);
            }
            if (!FDigits.Frac.empty()) {
                FOut += TkxFormat::DecimalSeparator;
            }
        } else if (c != ',') {
            FOut += c;
        }
    }

    void WriteSign() {
        if (FSignPending) {
            FOut += '-';
            FSignPending = false;
        }
    }

    // The integer digits are right-aligned on the placeholders; the leftmost placeholder
    // takes every digit that has no placeholder of its own.
    void WriteIntPlaceholder() {
        const int excess = static_cast<int>(FDigits.Int.size()) - FLayout.IntPlaceholders;
        const int last = FIntIndex + excess;
        const int first = FIntIndex == 0 ? 0 : last;
        ++FIntIndex;
        WriteIntDigits(std::max(first, 0), last);
    }

    void WriteIntDigits(int first, int last) {
        const int count = static_cast<int>(FDigits.Int.size());
        for (int index = first; index <= last && index < count; ++index) {
            FOut += FDigits.Int[static_cast<std::size_t>(index)];
            const int remaining = count - 1 - index;
            if (FLayout.Grouping && remaining > 0 && remaining % 3 == 0) {
                FOut += TkxFormat::ThousandSeparator;
            }
        }
    }

    void WriteFracDigit() {
        if (FFracIndex < FDigits.Frac.size()) {
            FOut += FDigits.Frac[FFracIndex];
        }
        ++FFracIndex;
    }

    const TPictureLayout& FLayout;
    const TDigits& FDigits;
    bool FSignPending;
    bool FAfterPoint = false;
    int FIntIndex = 0;
    std::size_t FFracIndex = 0;
    std::string FOut;
};

std::string WriteSection(std::string_view section, double magnitude, bool negative) {
    const TPictureLayout layout = ScanSection(section);
    const TDigits digits = MakeDigits(magnitude, layout);
    return TSectionWriter(layout, digits, negative && !digits.Zero).Write(section);
}

// ---- date-time -------------------------------------------------------------------------

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1 January 1970 to a civil date (proleptic Gregorian calendar).
long long DaysFromCivil(long long year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(long long days, int& year, int& month, int& day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long mp = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

const long long kUnixEpochDay = -DaysFromCivil(1899, 12, 30);

class TDateTimeWriter {
public:
    explicit TDateTimeWriter(const TkxDateTimeParts& parts)
        : FParts(parts) {}

    std::string Write(std::string_view picture) {
        std::size_t pos = 0;
        while (pos < picture.size()) {
            const char c = picture[pos];
            if (IsQuote(c)) {
                FOut += TakeQuoted(picture, pos);
                continue;
            }
            const char letter = static_cast<char>(c | 0x20);
            std::size_t run = 1;
            while (pos + run < picture.size() && (picture[pos + run] | 0x20) == letter) {
                ++run;
            }
            pos += WriteToken(c, letter, run);
        }
        return FOut;
    }

private:
    // Writes the token that starts with c (repeated run times); returns the characters used.
    std::size_t WriteToken(char c, char letter, std::size_t run) {
        switch (letter) {
        case 'y':
            FOut += run <= 2 ? TwoDigits(FParts.Year % 100) : CFormat("%04d", FParts.Year);
            return run;
        case 'z':
            FOut += run >= 3 ? CFormat("%03d", FParts.MSec) : std::to_string(FParts.MSec);
            return std::min<std::size_t>(run, 3);
        case 'd':
            return WriteField(FParts.Day, run, letter);
        case 'm':
            return WriteField(FLastLetter == 'h' ? FParts.Minute : FParts.Month, run, letter);
        case 'h':
            return WriteField(FParts.Hour, run, letter);
        case 'n':
            return WriteField(FParts.Minute, run, letter);
        case 's':
            return WriteField(FParts.Second, run, letter);
        default:
            break;
        }
        if (c == '/') {
            FOut += TkxFormat::DateSeparator;
        } else if (c == ':') {
            FOut += TkxFormat::TimeSeparator;
        } else {
            FOut += c;
        }
        return 1;
    }

    std::size_t WriteField(int value, std::size_t run, char letter) {
        FOut += run >= 2 ? TwoDigits(value) : std::to_string(value);
        FLastLetter = letter;
        return std::min<std::size_t>(run, 2);
    }

    const TkxDateTimeParts& FParts;
    char FLastLetter = 0;
    std::string FOut;
};

// Reads 1 to 4 decimal digits as a whole token.
bool ReadField(std::string_view text, int& value) {
    if (text.empty() || text.size() > 4) {
        return false;
    }
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return true;
}

std::vector<std::string_view> SplitAt(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t begin = 0;
    for (std::size_t end = text.find(separator); end != std::string_view::npos;
         end = text.find(separator, begin)) {
        parts.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    parts.push_back(text.substr(begin));
    return parts;
}

bool ReadFields(std::string_view text, char separator, std::size_t minCount, std::size_t maxCount,
                int (&fields)[3]) {
    const std::vector<std::string_view> parts = SplitAt(text, separator);
    if (parts.size() < minCount || parts.size() > maxCount) {
        return false;
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!ReadField(parts[i], fields[i])) {
            return false;
        }
    }
    return true;
}

int CurrentYear() {
    TkxDateTimeParts now;
    TkxFormat::TryDecodeDateTime(TkxFormat::Now(), now);
    return now.Year;
}

bool ReadDate(std::string_view text, double& date) {
    int fields[3] = {0, 0, 0};
    if (!ReadFields(text, TkxFormat::DateSeparator, 2, 3, fields)) {
        return false;
    }
    const std::vector<std::string_view> parts = SplitAt(text, TkxFormat::DateSeparator);
    int year = parts.size() == 3 ? fields[2] : CurrentYear();
    if (parts.size() == 3 && parts[2].size() <= 2) {
        year += year <= 50 ? 2000 : 1900;
    }
    return TkxFormat::TryEncodeDate(year, fields[1], fields[0], date);
}

bool ReadTime(std::string_view text, double& time) {
    int fields[3] = {0, 0, 0};
    return ReadFields(text, TkxFormat::TimeSeparator, 2, 3, fields) &&
           TkxFormat::TryEncodeTime(fields[0], fields[1], fields[2], 0, time);
}

std::vector<std::string_view> SplitBlanks(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t begin = text.find_first_not_of(" \t", pos);
        if (begin == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(text.find_first_of(" \t", begin), text.size());
        words.push_back(text.substr(begin, end - begin));
        pos = end;
    }
    return words;
}

// ---- printf ----------------------------------------------------------------------------

struct TConversion {
    std::string Flags;
    int Width = 0;
    int Precision = -1;
    int Bits = 32;
    char Conv = 0;
};

class TPrintfWriter {
public:
    TPrintfWriter(std::string_view format, std::span<const TkxFormatArg> args)
        : FFormat(format)
        , FArgs(args) {}

    std::string Write() {
        while (FPos < FFormat.size()) {
            const std::size_t percent = FFormat.find('%', FPos);
            FOut += FFormat.substr(FPos, percent - FPos);
            if (percent == std::string_view::npos) {
                break;
            }
            WriteConversion(percent);
        }
        return FOut;
    }

private:
    // Reads the conversion that starts at the "%" at start and writes it, or, when it cannot
    // be printed, copies it as written.
    void WriteConversion(std::size_t start) {
        FPos = start + 1;
        const std::size_t firstArg = FArg;
        TConversion conversion;
        if (FPos < FFormat.size() && FFormat[FPos] == '%') {
            FOut += '%';
            ++FPos;
            return;
        }
        if (!ReadConversion(conversion) || !Print(conversion)) {
            FArg = firstArg;
            FOut += FFormat.substr(start, FPos - start);
        }
    }

    bool ReadConversion(TConversion& conversion) {
        ReadFlags(conversion);
        if (!ReadWidth(conversion) || !ReadPrecision(conversion)) {
            return false;
        }
        ReadLength(conversion);
        if (FPos >= FFormat.size()) {
            return false;
        }
        conversion.Conv = FFormat[FPos++];
        return std::string_view("diuoxXcsfFeEgG").find(conversion.Conv) != std::string_view::npos;
    }

    void ReadFlags(TConversion& conversion) {
        while (FPos < FFormat.size() &&
               std::string_view("-+ 0#").find(FFormat[FPos]) != std::string_view::npos) {
            if (conversion.Flags.find(FFormat[FPos]) == std::string::npos) {
                conversion.Flags += FFormat[FPos];
            }
            ++FPos;
        }
    }

    // A number written in the format, or one taken from the arguments for "*".
    bool ReadCount(int& value) {
        if (FPos < FFormat.size() && FFormat[FPos] == '*') {
            ++FPos;
            if (FArg >= FArgs.size()) {
                return false;
            }
            const std::int64_t taken = FArgs[FArg++].AsSigned();
            value = static_cast<int>(
                std::clamp<std::int64_t>(taken, -TkxFormat::MaxWidth, TkxFormat::MaxWidth));
            return true;
        }
        value = 0;
        while (FPos < FFormat.size() && FFormat[FPos] >= '0' && FFormat[FPos] <= '9') {
            value = std::min(value * 10 + (FFormat[FPos++] - '0'), TkxFormat::MaxWidth);
        }
        return true;
    }

    bool ReadWidth(TConversion& conversion) {
        if (!ReadCount(conversion.Width)) {
            return false;
        }
        if (conversion.Width < 0) {
            conversion.Flags += '-';
            conversion.Width = -conversion.Width;
        }
        return true;
    }

    bool ReadPrecision(TConversion& conversion) {
        if (FPos >= FFormat.size() || FFormat[FPos] != '.') {
            return true;
        }
        ++FPos;
        if (!ReadCount(conversion.Precision)) {
            return false;
        }
        conversion.Precision = std::max(conversion.Precision, -1);
        return true;
    }

    void ReadLength(TConversion& conversion) {
        const auto next = [this](char c) {
            if (FPos < FFormat.size() && FFormat[FPos] == c) {
                ++FPos;
                return true;
            }
            return false;
        };
        if (next('h')) {
            conversion.Bits = next('h') ? 8 : 16;
        } else if (next('l')) {
            conversion.Bits = next('l') ? 64 : 32;
        } else if (next('j') || next('z') || next('t')) {
            conversion.Bits = 64;
        } else {
            next('L');
        }
    }

    bool Print(const TConversion& conversion) {
        if (FArg >= FArgs.size()) {
            return false;
        }
        const TkxFormatArg& arg = FArgs[FArg++];
        switch (conversion.Conv) {
        case 'd':
        case 'i':
            PrintSigned(conversion, arg.AsSigned());
            break;
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            PrintUnsigned(conversion, arg.AsUnsigned());
            break;
        case 'c':
            Pad(conversion, std::string(1, static_cast<char>(arg.AsSigned())));
            break;
        case 's':
            PrintText(conversion, arg.AsText());
            break;
        default:
            PrintReal(conversion, arg.AsReal());
            break;
        }
        return true;
    }

    // The flags that C defines for the conversion, so the built format is always well formed.
    static std::string CleanFlags(const TConversion& conversion) {
        const bool alternate =
            std::string_view("oxXfFeEgG").find(conversion.Conv) != std::string_view::npos;
        std::string flags;
        for (const char flag : conversion.Flags) {
            if (flag != '#' || alternate) {
                flags += flag;
            }
        }
        return flags;
    }

    std::string BuiltFormat(const TConversion& conversion, const char* length) const {
        std::string format(1, '%');
        format += CleanFlags(conversion);
        format += "*.*";
        format += length;
        format += conversion.Conv;
        return format;
    }

    void PrintSigned(const TConversion& conversion, std::int64_t value) {
        if (conversion.Bits == 8) {
            value = static_cast<std::int8_t>(value);
        } else if (conversion.Bits == 16) {
            value = static_cast<std::int16_t>(value);
        } else if (conversion.Bits == 32) {
            value = static_cast<std::int32_t>(value);
        }
        const std::string format = BuiltFormat(conversion, "ll");
        FOut += CFormat(format.c_str(), conversion.Width, conversion.Precision,
                        static_cast<long long>(value));
    }

    void PrintUnsigned(const TConversion& conversion, std::uint64_t value) {
        if (conversion.Bits < 64) {
            value &= (std::uint64_t{1} << conversion.Bits) - 1;
        }
        const std::string format = BuiltFormat(conversion, "ll");
        FOut += CFormat(format.c_str(), conversion.Width, conversion.Precision,
                        static_cast<unsigned long long>(value));
    }

    void PrintReal(const TConversion& conversion, double value) {
        const std::string format = BuiltFormat(conversion, "");
        FOut += CFormat(format.c_str(), conversion.Width, conversion.Precision, value);
    }

    void PrintText(const TConversion& conversion, std::string text) {
        if (conversion.Precision >= 0 &&
            text.size() > static_cast<std::size_t>(conversion.Precision)) {
            text.resize(static_cast<std::size_t>(conversion.Precision));
        }
        Pad(conversion, text);
    }

    void Pad(const TConversion& conversion, const std::string& text) {
        const std::size_t width = static_cast<std::size_t>(conversion.Width);
        const std::size_t fill = text.size() < width ? width - text.size() : 0;
        const bool left = conversion.Flags.find('-') != std::string::npos;
        FOut.append(left ? 0 : fill, ' ');
        FOut += text;
        FOut.append(left ? fill : 0, ' ');
    }

    std::string_view FFormat;
    std::span<const TkxFormatArg> FArgs;
    std::size_t FPos = 0;
    std::size_t FArg = 0;
    std::string FOut;
};

} // namespace

// ---- TkxFormatArg ----------------------------------------------------------------------

std::int64_t TkxFormatArg::AsSigned() const {
    switch (FKind) {
    case EKind::Signed:
        return FSigned;
    case EKind::Unsigned:
        return static_cast<std::int64_t>(FUnsigned);
    case EKind::Real:
        if (std::isnan(FReal)) {
            return 0;
        }
        // Outside the range of int64 the conversion would be undefined.
        return static_cast<std::int64_t>(std::clamp(FReal, -9.2e18, 9.2e18));
    case EKind::Text:
        break;
    }
    std::uint32_t integer = 0;
    if (TextToInt(FText, integer)) {
        return static_cast<std::int32_t>(integer);
    }
    double real = 0.0;
    return TextToFloat(FText, real) ? TkxFormatArg(real).AsSigned() : 0;
}

std::uint64_t TkxFormatArg::AsUnsigned() const {
    return FKind == EKind::Unsigned ? FUnsigned : static_cast<std::uint64_t>(AsSigned());
}

double TkxFormatArg::AsReal() const {
    switch (FKind) {
    case EKind::Signed:
        return static_cast<double>(FSigned);
    case EKind::Unsigned:
        return static_cast<double>(FUnsigned);
    case EKind::Real:
        return FReal;
    case EKind::Text:
        break;
    }
    double real = 0.0;
    return TextToFloat(FText, real) ? real : 0.0;
}

std::string TkxFormatArg::AsText() const {
    switch (FKind) {
    case EKind::Signed:
        return std::to_string(FSigned);
    case EKind::Unsigned:
        return std::to_string(FUnsigned);
    case EKind::Real:
        return TkxFormat::FloatToStr(FReal);
    case EKind::Text:
        break;
    }
    return FText;
}

// ---- TkxFormat -------------------------------------------------------------------------

std::string TkxFormat::FormatFloat(std::string_view picture, double value) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-INF" : "INF";
    }
    if (picture.empty()) {
        return FloatToStr(value);
    }
    const std::vector<std::string_view> sections = SplitSections(picture);
    std::string_view section = sections[0];
    bool negative = value < 0;
    if (negative && sections.size() >= 2 && !sections[1].empty()) {
        section = sections[1];
        negative = false;
    }
    if (section.empty()) {
        return FloatToStr(value);
    }
    if (sections.size() == 3 && !sections[2].empty() &&
        MakeDigits(std::fabs(value), ScanSection(section)).Zero) {
        return WriteSection(sections[2], 0.0, false);
    }
    return WriteSection(section, std::fabs(value), negative);
}

std::string TkxFormat::FloatToStr(double value) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-INF" : "INF";
    }
    std::string text = CFormat("%.15g", value);
    const std::size_t exponent = text.find('e');
    if (exponent == std::string::npos) {
        return text;
    }
    // "1e+20" reads "1E20", "1.5e-05" reads "1.5E-5".
    std::string mantissa = text.substr(0, exponent);
    const int power = std::stoi(text.substr(exponent + 1));
    return mantissa + "E" + std::to_string(power);
}

std::string TkxFormat::FormatDateTime(std::string_view picture, double dateTime) {
    TkxDateTimeParts parts;
    if (!TryDecodeDateTime(dateTime, parts)) {
        return {};
    }
    if (picture.empty()) {
        return DateTimeToStr(dateTime);
    }
    return TDateTimeWriter(parts).Write(picture);
}

std::string TkxFormat::DateTimeToStr(double dateTime) {
    TkxDateTimeParts parts;
    if (!TryDecodeDateTime(dateTime, parts)) {
        return {};
    }
    const bool hasTime = parts.Hour != 0 || parts.Minute != 0 || parts.Second != 0;
    const bool hasDate = std::trunc(dateTime) != 0.0 || !hasTime;
    std::string text;
    if (hasDate) {
        text = TDateTimeWriter(parts).Write("dd/mm/yyyy");
    }
    if (hasTime) {
        if (hasDate) {
            text += ' ';
        }
        text += TDateTimeWriter(parts).Write("hh:nn:ss");
    }
    return text;
}

bool TkxFormat::TryStrToDateTime(std::string_view text, double& dateTime) {
    const std::vector<std::string_view> words = SplitBlanks(text);
    if (words.empty() || words.size() > 2) {
        return false;
    }
    double date = 0.0;
    double time = 0.0;
    bool ok = false;
    if (words.size() == 2) {
        ok = ReadDate(words[0], date) && ReadTime(words[1], time);
    } else if (words[0].find(DateSeparator) != std::string_view::npos) {
        ok = ReadDate(words[0], date);
    } else {
        ok = ReadTime(words[0], time);
    }
    if (ok) {
        // A day number before 1899 keeps its time of day as a positive fraction.
        dateTime = date < 0 ? date - time : date + time;
    }
    return ok;
}

double TkxFormat::StrToDateTime(std::string_view text) {
    double dateTime = 0.0;
    if (!TryStrToDateTime(text, dateTime)) {
        throw ETkxError("'" + std::string(text) + "' is not a valid date and time");
    }
    return dateTime;
}

bool TkxFormat::TryEncodeDate(int year, int month, int day, double& dateTime) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month)) {
        return false;
    }
    dateTime = static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDay);
    return true;
}

bool TkxFormat::TryEncodeTime(int hour, int minute, int second, int msec, double& dateTime) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        msec < 0 || msec > 999) {
        return false;
    }
    dateTime = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / kMsPerDay;
    return true;
}

bool TkxFormat::TryDecodeDateTime(double dateTime, TkxDateTimeParts& parts) {
    if (!std::isfinite(dateTime) || dateTime < kFirstDay || dateTime >= kLastDay + 1.0) {
        return false;
    }
    const double day = std::trunc(dateTime);
    const double msOfDay =
        std::min(std::round(std::fabs(dateTime - day) * kMsPerDay), kMsPerDay - 1.0);
    CivilFromDays(static_cast<long long>(day) - kUnixEpochDay, parts.Year, parts.Month, parts.Day);
    auto ms = static_cast<long long>(msOfDay);
    parts.MSec = static_cast<int>(ms % 1000);
    ms /= 1000;
    parts.Second = static_cast<int>(ms % 60);
    ms /= 60;
    parts.Minute = static_cast<int>(ms % 60);
    parts.Hour = static_cast<int>(ms / 60);
    return true;
}

double TkxFormat::Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    double date = 0.0;
    double time = 0.0;
    TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
    TryEncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), 0, time);
    return date + time;
}

std::string TkxFormat::Printf(std::string_view format, std::span<const TkxFormatArg> args) {
    return TPrintfWriter(format, args).Write();
}
