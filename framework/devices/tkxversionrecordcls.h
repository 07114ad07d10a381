#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Who a device is: board code, model, two option letters, three version digits and two suffix
// letters. The same record holds a version a device reported, a version typed by the user and
// a pattern ("QX440-2*v1*"), where "*" letters and digits of -1 stand for "any".
//
// Text form: [QXP<board>_]QX<model>[-<opt><opt>]v<d><d><d>[-<suf><suf>], for example
// "QX440v123" or "QXP610_QX430v1*-ST".
class TkxVersionRecord {
public:
    // Marks an option or suffix letter that is not set.
    static constexpr std::uint8_t kNoLetter = 0xFF;
    // A version digit that stands for any digit.
    static constexpr int kAnyDigit = -1;
    // Bytes of a device-version reply: address, function, then five 16-bit values.
    static constexpr std::size_t kReplySize = 12;

    TkxVersionRecord() = default;
    // Parses the text; a text that does not parse leaves what was read before the fault.
    explicit TkxVersionRecord(std::string_view text);

    // Resets the record, then reads the text. False when the text breaks the syntax; the
    // fields then keep what they received up to the offending character.
    bool Parse(std::string_view text);

    // True when this record (a device's version) is covered by the pattern; a pattern that
    // does not parse covers nothing.
    bool Matches(std::string_view pattern) const;
    bool Matches(const TkxVersionRecord& pattern) const;

    // Fills the record from a device-version reply (16-bit values high byte first, letters in
    // swapped byte order). False, and nothing changed, for a reply shorter than kReplySize.
    bool LoadFromReply(std::span<const std::uint8_t> reply);

    // Major * 100 + Minor * 10 + Patch; a digit left open counts as 0.
    std::uint16_t GetNumber() const;
    void SetNumber(std::uint16_t number);

    // "QXP<board>", or "" without a board part.
    std::string GetBoardText() const;
    // "QX<model>" with "-" and the printable option letters, trimmed at both ends.
    std::string GetModelText() const;
    // The version number ("%d", or "%.2f" of number / 100 when decimal) and suffix letters.
    std::string GetVersionText(bool decimal) const;
    // The full version string, for example "QXP610_QX430v123-ST".
    std::string GetText() const;

    friend bool operator==(const TkxVersionRecord&, const TkxVersionRecord&) = default;

    std::uint16_t BoardCode = 0;
    std::uint16_t Model = 0;
    std::array<std::uint8_t, 2> Option{kNoLetter, kNoLetter};
    std::int32_t Major = kAnyDigit;
    std::int32_t Minor = kAnyDigit;
    std::int32_t Patch = 0;
    std::array<std::uint8_t, 2> Suffix{kNoLetter, kNoLetter};
};
