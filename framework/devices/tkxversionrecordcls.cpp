#include "devices/tkxversionrecordcls.h"

#include <cstdio>
#include <limits>

namespace {

constexpr std::uint8_t kAnyLetter = '*';

bool IsBlank(std::uint8_t c) {
    return c <= ' ';
}

bool IsDigit(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

bool IsLetterOrDigit(std::uint8_t c) {
    return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Version texts are ASCII; bytes above 127 are left as they are.
std::uint8_t UpperCase(std::uint8_t c) {
    return (c >= 'a' && c <= 'z') ? static_cast<std::uint8_t>(c - 'a' + 'A') : c;
}

bool IsPrintable(std::uint8_t c) {
    return c >= ' ' && c < 0x7F;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(static_cast<std::uint8_t>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(static_cast<std::uint8_t>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

// Appends a decimal digit to a 16-bit number; false when the number would no longer fit, so
// that an over-long board or model number is refused instead of wrapping to another model.
bool AppendDigit(std::uint16_t& number, std::uint8_t digit) {
    const unsigned next = number * 10u + (digit - '0');
    if (next > std::numeric_limits<std::uint16_t>::max()) {
        return false;
    }
    number = static_cast<std::uint16_t>(next);
    return true;
}

// The option and suffix rule: letters are compared only when the device states a letter or
// digit, and the second only when the first matched exactly.
bool LettersMatch(const std::array<std::uint8_t, 2>& device,
                  const std::array<std::uint8_t, 2>& pattern) {
    if (!IsLetterOrDigit(device[0]) || pattern[0] == kAnyLetter) {
        return true;
    }
    if (pattern[0] != UpperCase(device[0])) {
        return false;
    }
    return !IsLetterOrDigit(device[1]) || pattern[1] == kAnyLetter ||
           pattern[1] == UpperCase(device[1]);
}

bool DigitsMatch(const TkxVersionRecord& device, const TkxVersionRecord& pattern) {
    if (pattern.Major < 0) {
        return true;
    }
    if (pattern.Minor >= 0 && pattern.Patch >= 0 && pattern.Patch != device.Patch) {
        return false;
    }
    if (pattern.Minor >= 0 && pattern.Minor != device.Minor) {
        return false;
    }
    return pattern.Major == device.Major;
}

std::string LettersText(const std::array<std::uint8_t, 2>& letters) {
    std::string text;
    if (IsPrintable(letters[0])) {
        text += '-';
        text += static_cast<char>(letters[0]);
        if (IsPrintable(letters[1])) {
            text += static_cast<char>(letters[1]);
        }
    }
    return text;
}

// Reads a version text one character at a time. Each state handles the character it is given
// and names the state for the next one; a state that "re-reads" hands the same character on.
class TkxVersionParser {
public:
    explicit TkxVersionParser(TkxVersionRecord& record)
        : FRecord(record) {}

    bool Run(std::string_view text) {
        for (const char ch : text) {
            const std::uint8_t c = UpperCase(static_cast<std::uint8_t>(ch));
            do {
                FReread = false;
                FState = Step(c);
            } while (FReread && FState != State::Fail);
            if (FState == State::Done || FState == State::Fail) {
                break;
            }
        }
        return FState != State::Fail;
    }

private:
    enum class State {
        Scan,
        Q,
        QX,
        BoardStart,
        Board,
        AfterBoard,
        Model,
        Option1,
        Option2,
        BeforeV,
        Version1,
        Version2,
        Version3,
        AfterVersion,
        Suffix1,
        Suffix2,
        Done,
        Fail,
    };

    State Reread(State next) {
        FReread = true;
        return next;
    }

    static bool IsLetterDigitOrAny(std::uint8_t c) { return c == kAnyLetter || IsLetterOrDigit(c); }

    State Step(std::uint8_t c) {
        switch (FState) {
        case State::Scan:
            return c == 'Q' ? State::Q : State::Scan;
        case State::Q:
            return c == 'X' ? State::QX : State::Fail;
        case State::QX:
            return AfterQX(c);
        case State::BoardStart:
            return IsDigit(c) ? Reread(State::Board) : State::Fail;
        case State::Board:
            return InBoard(c);
        case State::AfterBoard:
            return c == 'Q' ? State::Q : State::Fail;
        case State::Model:
            return InModel(c);
        case State::Option1:
            return InOption1(c);
        case State::Option2:
            return InOption2(c);
        case State::BeforeV:
            return c == 'V' ? State::Version1 : State::Fail;
        case State::Version1:
            FRecord.Major = FRecord.Minor = FRecord.Patch = TkxVersionRecord::kAnyDigit;
            return VersionDigit(c, FRecord.Major, State::Version2);
        case State::Version2:
            FRecord.Minor = FRecord.Patch = TkxVersionRecord::kAnyDigit;
            return VersionDigit(c, FRecord.Minor, State::Version3);
        case State::Version3:
            FRecord.Patch = TkxVersionRecord::kAnyDigit;
            return VersionDigit(c, FRecord.Patch, State::AfterVersion);
        case State::AfterVersion:
            return AfterVersion(c);
        case State::Suffix1:
            return InSuffix1(c);
        case State::Suffix2:
            return InSuffix2(c);
        case State::Done:
        case State::Fail:
            break;
        }
        return FState;
    }

    State AfterQX(std::uint8_t c) {
        if (c == 'P') {
            return FRecord.BoardCode != 0 ? State::Fail : State::BoardStart;
        }
        return IsDigit(c) ? Reread(State::Model) : State::Fail;
    }

    State InBoard(std::uint8_t c) {
        if (IsDigit(c)) {
            return AppendDigit(FRecord.BoardCode, c) ? State::Board : State::Fail;
        }
        return c == '_' ? State::AfterBoard : State::Done;
    }

    State InModel(std::uint8_t c) {
        if (IsDigit(c)) {
            return AppendDigit(FRecord.Model, c) ? State::Model : State::Fail;
        }
        if (c == '-') {
            return State::Option1;
        }
        return c == 'V' ? State::Version1 : State::Done;
    }

    State InOption1(std::uint8_t c) {
        if (c == ' ') {
            return State::BeforeV;
        }
        if (!IsLetterDigitOrAny(c)) {
            return State::Fail;
        }
        FRecord.Option[0] = c;
        return State::Option2;
    }

    State InOption2(std::uint8_t c) {
        if (c == 'V') {
            return State::Version1;
        }
        if (!IsLetterDigitOrAny(c)) {
            return State::Fail;
        }
        FRecord.Option[1] = c;
        return State::BeforeV;
    }

    static State VersionDigit(std::uint8_t c, std::int32_t& digit, State next) {
        if (c == kAnyLetter) {
            return State::AfterVersion;
        }
        if (!IsDigit(c)) {
            return State::Fail;
        }
        digit = c - '0';
        return next;
    }

    State AfterVersion(std::uint8_t c) {
        if (FRecord.Major < 0) {
            FRecord.Patch = TkxVersionRecord::kAnyDigit;
        }
        if (c == kAnyLetter) {
            return State::Fail;
        }
        return c == '-' ? State::Suffix1 : State::Done;
    }

    State InSuffix1(std::uint8_t c) {
        if (!IsLetterDigitOrAny(c)) {
            return State::Fail;
        }
        FRecord.Suffix[0] = c;
        return State::Suffix2;
    }

    State InSuffix2(std::uint8_t c) {
        if (IsLetterOrDigit(c)) {
            FRecord.Suffix[1] = c;
        }
        return State::Done;
    }

    TkxVersionRecord& FRecord;
    State FState = State::Scan;
    bool FReread = false;
};

} // namespace

TkxVersionRecord::TkxVersionRecord(std::string_view text) {
    Parse(text);
}

bool TkxVersionRecord::Parse(std::string_view text) {
    *this = TkxVersionRecord();
    return TkxVersionParser(*this).Run(Trimmed(text));
}

bool TkxVersionRecord::Matches(std::string_view pattern) const {
    TkxVersionRecord parsed;
    return parsed.Parse(pattern) && Matches(parsed);
}

bool TkxVersionRecord::Matches(const TkxVersionRecord& pattern) const {
    if (pattern.BoardCode != 0 && pattern.BoardCode != BoardCode) {
        return false;
    }
    return pattern.Model == Model && LettersMatch(Option, pattern.Option) &&
           DigitsMatch(*this, pattern) && LettersMatch(Suffix, pattern.Suffix);
}

bool TkxVersionRecord::LoadFromReply(std::span<const std::uint8_t> reply) {
    if (reply.size() < kReplySize) {
        return false;
    }
    const auto word = [&](std::size_t at) {
        return static_cast<std::uint16_t>((reply[at] << 8) | reply[at + 1]);
    };
    BoardCode = word(2);
    Model = word(4);
    Option = {reply[7], reply[6]};
    SetNumber(word(8));
    Suffix = {reply[11], reply[10]};
    return true;
}

std::uint16_t TkxVersionRecord::GetNumber() const {
    // An open digit (a version chosen as "QX440v30x") counts as 0, so the record prints as
    // the family's base version rather than as a number that wrapped below zero.
    const auto digit = [](std::int32_t d) { return d < 0 ? 0 : d; };
    return static_cast<std::uint16_t>(digit(Major) * 100 + digit(Minor) * 10 + digit(Patch));
}

void TkxVersionRecord::SetNumber(std::uint16_t number) {
    Major = number / 100;
    Minor = (number % 100) / 10;
    Patch = number % 10;
}

std::string TkxVersionRecord::GetBoardText() const {
    return BoardCode == 0 ? std::string() : "QXP" + std::to_string(BoardCode);
}

std::string TkxVersionRecord::GetModelText() const {
    return std::string(Trimmed("QX" + std::to_string(Model) + LettersText(Option)));
}

std::string TkxVersionRecord::GetVersionText(bool decimal) const {
    std::string number;
    if (decimal) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.2f", GetNumber() * 0.01);
        number = buffer;
    } else {
        number = std::to_string(GetNumber());
    }
    return number + LettersText(Suffix);
}

std::string TkxVersionRecord::GetText() const {
    std::string board = GetBoardText();
    if (!board.empty()) {
        board += '_';
    }
    return board + GetModelText() + "v" + GetVersionText(false);
}
