#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

// One argument of TkxFormat::Printf: a signed or unsigned integer, a real or a text.
class TkxFormatArg {
public:
    enum class EKind { Signed, Unsigned, Real, Text };

    template <typename T>
    requires std::is_integral_v<T>
    TkxFormatArg(T value) // NOLINT: implicit on purpose, arguments are written inline
        : FKind(std::is_signed_v<T> ? EKind::Signed : EKind::Unsigned)
        , FSigned(static_cast<std::int64_t>(value))
        , FUnsigned(static_cast<std::uint64_t>(value)) {}
    TkxFormatArg(double value) // NOLINT
        : FKind(EKind::Real)
        , FReal(value) {}
    TkxFormatArg(std::string_view value) // NOLINT
        : FKind(EKind::Text)
        , FText(value) {}
    TkxFormatArg(const char* value) // NOLINT
        : TkxFormatArg(std::string_view(value == nullptr ? "" : value)) {}
    TkxFormatArg(const std::string& value) // NOLINT
        : TkxFormatArg(std::string_view(value)) {}

    EKind Kind() const { return FKind; }
    // The argument as each conversion wants it; texts are read as numbers where they can be.
    std::int64_t AsSigned() const;
    std::uint64_t AsUnsigned() const;
    double AsReal() const;
    std::string AsText() const;

private:
    EKind FKind;
    std::int64_t FSigned = 0;
    std::uint64_t FUnsigned = 0;
    double FReal = 0.0;
    std::string FText;
};

// The fields of a date-time value.
struct TkxDateTimeParts {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int MSec = 0;
};

// The display formatting of the whole framework, with the number format fixed for every
// locale: decimal separator ".", thousands separator "'", date separator "/", time separator
// ":". Date-times are day numbers: whole days since 30 December 1899, the fraction the time of
// day. Pictures and formats usually come from definition files, so every function here
// accepts any text and prints something readable for malformed input; none of them passes a
// caller's format to the C library.
class TkxFormat {
public:
    static constexpr char DecimalSeparator = '.';
    static constexpr char ThousandSeparator = '\'';
    static constexpr char DateSeparator = '/';
    static constexpr char TimeSeparator = ':';

    // A value by a float picture of up to three sections "positive;negative;zero": "0" is a
    // digit always printed, "#" one printed only when significant, the first "." places the
    // decimal separator, a "," among the integer digits groups them by thousands, text in
    // single or double quotes is copied unchanged and so is any other character. An empty
    // picture gives FloatToStr.
    static std::string FormatFloat(std::string_view picture, double value);
    // The shortest general form, up to 15 significant digits ("0.5", "1E20").
    static std::string FloatToStr(double value);

    // A date-time by a picture of "d", "dd", "m", "mm" (minutes right after an hour), "yy",
    // "yyyy", "h", "hh", "n", "nn", "s", "ss", "z", "zzz", "/", ":" and quoted literals. An
    // empty picture gives DateTimeToStr. A value that is no date prints as "".
    static std::string FormatDateTime(std::string_view picture, double dateTime);
    // "dd/mm/yyyy hh:mm:ss"; the time is left out at midnight and the date for a pure time.
    static std::string DateTimeToStr(double dateTime);
    // Reads "d/m/y", "h:m[:s]" or both separated by blanks; a two-digit year up to 50 is in
    // 2000..2050, above in 1951..1999. False for anything else.
    static bool TryStrToDateTime(std::string_view text, double& dateTime);
    // As TryStrToDateTime; throws ETkxError naming the text when it does not read.
    static double StrToDateTime(std::string_view text);

    static bool TryEncodeDate(int year, int month, int day, double& dateTime);
    static bool TryEncodeTime(int hour, int minute, int second, int msec, double& dateTime);
    // False for a value outside the years 1..9999, an infinity or a NaN.
    static bool TryDecodeDateTime(double dateTime, TkxDateTimeParts& parts);
    static double Now();

    // printf-style formatting of conversions "%[flags][width][.precision][length]conv" with
    // the flags "-+ 0#", widths and precisions as numbers or "*", the lengths "hh", "h", "l",
    // "ll", "L", "j", "z", "t" and the conversions d i u o x X c s f F e E g G and "%%".
    // Integers are 32 bits wide unless "ll", "j", "z" or "t" asks for 64; "h" and "hh" cut
    // to 16 and 8. A conversion without an argument left, or one that is not understood, is
    // copied as written; widths and precisions are capped at MaxWidth.
    static std::string Printf(std::string_view format, std::span<const TkxFormatArg> args);
    static std::string Printf(std::string_view format, std::initializer_list<TkxFormatArg> args) {
        return Printf(format, std::span<const TkxFormatArg>(args.begin(), args.size()));
    }

    static constexpr int MaxWidth = 1000;
};
