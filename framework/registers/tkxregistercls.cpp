#include "registers/tkxregistercls.h"

#include "base/tkxerror.h"
#include "modbus/tkxthreadbuffercls.h"
#include "registers/tkxformatcls.h"
#include "registers/tkxregdatabuffercls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxtextresourcecls.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr std::int64_t kUInt32Max = std::numeric_limits<std::uint32_t>::max();
constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();

[[noreturn]] void Fail(const char* operation, const char* problem) {
    throw ETkxError(std::string(operation) + ": " + problem);
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

// trunc(x) toward zero, saturated to the 64-bit range; none for a NaN.
std::optional<std::int64_t> TruncSaturated(double x) {
    if (std::isnan(x)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(std::trunc(std::clamp(x, -9.2e18, 9.2e18)));
}

// The 32 bits of a value read in the range of either int32 or uint32.
std::int32_t Low32(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Reads a number the way "%ld" (signed) or "%lu" scans one: blanks, an optional sign and at
// least one digit, anything after the digits ignored. Out-of-range values saturate; "%lu"
// turns a minus sign into the two's complement.
bool ScanInteger(std::string_view text, bool isSigned, std::int32_t& value) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    const bool negative = pos < text.size() && text[pos] == '-';
    pos += pos < text.size() && (text[pos] == '-' || text[pos] == '+') ? 1 : 0;
    if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') {
        return false;
    }
    std::int64_t magnitude = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        magnitude = std::min<std::int64_t>(magnitude * 10 + (text[pos++] - '0'), kUInt32Max);
    }
    if (isSigned) {
        const std::int64_t signedValue = negative ? -magnitude : magnitude;
        value = static_cast<std::int32_t>(std::clamp<std::int64_t>(
            signedValue, kInt32Min, std::numeric_limits<std::int32_t>::max()));
    } else {
        const auto bits = static_cast<std::uint32_t>(magnitude);
        value = static_cast<std::int32_t>(negative ? 0U - bits : bits);
    }
    return true;
}

// An item of a comma list, quoted when the comma-text split would otherwise cut it.
std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

std::string QuotedWhenNeeded(std::string_view text) {
    return text.empty() || text.find_first_of(" \t,\"") != std::string_view::npos
               ? Quoted(text)
               : std::string(text);
}

// A decimal number as the display shows one: an optional sign, digits with an optional "'"
// between groups, an optional "." and more digits; no exponent, nothing else around it.
std::optional<double> StrictDecimal(std::string_view text) {
    std::string digits;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        digits += text[i++];
    }
    bool seenDigit = false;
    bool seenPoint = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits += c;
            seenDigit = true;
        } else if (c == '.' && !seenPoint) {
            digits += c;
            seenPoint = true;
        } else if (c == '\'' && seenDigit && !seenPoint && i + 1 < text.size() &&
                   text[i + 1] >= '0' && text[i + 1] <= '9') {
            continue;
        } else {
            return std::nullopt;
        }
    }
    if (!seenDigit) {
        return std::nullopt;
    }
    const char* first = digits.data() + (digits.front() == '+' ? 1 : 0);
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(first, digits.data() + digits.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// Hexadecimal or binary as definition files write integers: "0x1F", "1Fh", "0b101", "101b".
// Only these go to TextToInt, which would also read the leading digits of "12,5".
bool IsMarkedInteger(std::string_view text) {
    const auto lower = [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    };
    if (text.size() > 2 && text[0] == '0' && (lower(text[1]) == 'x' || lower(text[1]) == 'b')) {
        return true;
    }
    return text.size() > 1 && std::isxdigit(static_cast<unsigned char>(text.front())) &&
           (lower(text.back()) == 'h' || lower(text.back()) == 'b');
}

// The text the display puts after the number, such as "V" of "#0.0'V'".
std::string UnitOf(const std::string& picture) {
    const std::string shown = TkxFormat::FormatFloat(picture, 1.0);
    const std::size_t lastDigit = shown.find_last_of("0123456789");
    if (lastDigit == std::string::npos) {
        return "";
    }
    return std::string(Trimmed(std::string_view(shown).substr(lastDigit + 1)));
}

// The raw value a display value stands for, when the register can hold it exactly (up to the
// rounding of the scaling itself, so that 2.3 at a norm of 10 is 23, not 22).
std::optional<std::int64_t> ExactRaw(double raw) {
    const double nearest = std::round(raw);
    if (std::abs(raw - nearest) > 1e-9 * std::max(1.0, std::abs(raw))) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(std::clamp(nearest, -9.2e18, 9.2e18));
}

std::string NumberText(double value) {
    return TkxFormat::Printf("%.10g", {value});
}

} // namespace

TkxRegister::TkxRegister(TkxRegDataBuffer* owner, const TkxRegDefinition* definition)
    : FOwner(owner)
    , FDefinition(definition) {
    if (definition == nullptr) {
        throw ETkxError("You must specify a valid TkxRegDefinition to create a register!");
    }
    if (owner != nullptr) {
        FData = owner->ViewOf(definition->Address(), 1);
    }
    if (definition->MaxDefined()) {
        FMaxBound = std::make_unique<TkxRegBound>(TkxRegBound::KindMaximum, definition->MaxValue());
    }
    if (definition->MinDefined()) {
        FMinBound = std::make_unique<TkxRegBound>(TkxRegBound::KindMinimum, definition->MinValue());
    }
    if (definition->DfltDefined()) {
        FDfltBound =
            std::make_unique<TkxRegBound>(TkxRegBound::KindDefault, definition->DfltValue());
    }
    FHasLimits = definition->MaxDefined() || definition->MinDefined();
}

TkxRegister::~TkxRegister() = default;

// ---- checks and raw element access ---------------------------------------------------------

bool TkxRegister::HasElement(int index) const {
    if (FData == nullptr || index < 0 || index >= FDefinition->Length()) {
        return false;
    }
    const std::int64_t storage = std::min<std::int64_t>(FDefinition->TotalBytes(), FData->Size());
    return std::int64_t{index + 1} * FDefinition->ElementBytes() <= storage;
}

void TkxRegister::CheckIndex(int index, const char* operation, const char* ending) const {
    if (!HasElement(index)) {
        throw ETkxError(std::string(operation) + ": Index out of range" + ending);
    }
}

void TkxRegister::CheckBit(int bit, const char* operation) const {
    if (bit < 0 || bit >= FDefinition->ElementBytes() * 8) {
        Fail(operation, "Bit index out of range.");
    }
}

std::uint32_t TkxRegister::ReadElement(const std::uint8_t* data, int index) const {
    const std::uint8_t* p = data + static_cast<std::ptrdiff_t>(index) * FDefinition->ElementBytes();
    if (FDefinition->ElementBytes() == 4) {
        return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
               p[3];
    }
    if (FDefinition->Size() == TkxRegDefinition::kSizeByte) {
        return p[1];
    }
    return std::uint32_t{p[0]} << 8 | p[1];
}

bool TkxRegister::WriteElement(std::uint8_t* data, int index, std::uint32_t raw) const {
    const int bytes = FDefinition->ElementBytes();
    std::uint8_t* p = data + static_cast<std::ptrdiff_t>(index) * bytes;
    std::uint8_t stored[4] = {0, 0, 0, 0};
    if (bytes == 4) {
        stored[0] = static_cast<std::uint8_t>(raw >> 24);
        stored[1] = static_cast<std::uint8_t>(raw >> 16);
        stored[2] = static_cast<std::uint8_t>(raw >> 8);
        stored[3] = static_cast<std::uint8_t>(raw);
    } else if (FDefinition->Size() == TkxRegDefinition::kSizeByte) {
        stored[1] = static_cast<std::uint8_t>(raw);
    } else {
        stored[0] = static_cast<std::uint8_t>(raw >> 8);
        stored[1] = static_cast<std::uint8_t>(raw);
    }
    const bool changed = !std::equal(stored, stored + bytes, p);
    std::copy(stored, stored + bytes, p);
    return changed;
}

std::uint32_t TkxRegister::ReadRaw(int index) const {
    TkxThreadBuffer::Reader reader(*FData);
    return ReadElement(reader.Data(), index);
}

void TkxRegister::StoreRaw(int index, std::uint32_t raw) {
    bool changed = false;
    {
        TkxThreadBuffer::Writer writer(*FData);
        changed = WriteElement(writer.Data(), index, raw);
    }
    Changed(changed);
}

bool TkxRegister::Accepts(double value) {
    bool accept = true;
    if (OnBeforeChange) {
        OnBeforeChange(this, accept, value);
    }
    return accept;
}

void TkxRegister::Changed(bool changed) {
    FLastChanged = changed;
    if (OnChange) {
        OnChange(this, changed);
    }
}

// ---- reading -------------------------------------------------------------------------------

std::int32_t TkxRegister::GetValueInteger(int index) const {
    if (FDefinition->IsDate() || FDefinition->IsTime()) {
        Fail("GetValueInteger", "Wrong data type!");
    }
    CheckIndex(index, "GetValueInteger", "!");
    const std::uint32_t raw = ReadRaw(index);
    if (!FDefinition->IsSigned()) {
        return static_cast<std::int32_t>(raw);
    }
    if (FDefinition->ElementBytes() == 4) {
        return static_cast<std::int32_t>(raw);
    }
    if (FDefinition->Size() == TkxRegDefinition::kSizeByte) {
        return static_cast<std::int8_t>(raw);
    }
    return static_cast<std::int16_t>(raw);
}

double TkxRegister::GetValueDouble(int index) const {
    if (FDefinition->IsString()) {
        Fail("GetValueDouble", "Wrong data type!");
    }
    CheckIndex(index, "GetValueDouble", "!");
    double raw = 0.0;
    if (FDefinition->IsDate() || FDefinition->IsTime()) {
        raw = GetValueDateTime(index);
    } else if (FDefinition->IsSigned()) {
        raw = GetValueInteger(index);
    } else {
        raw = static_cast<std::uint32_t>(GetValueInteger(index));
    }
    return raw / FDefinition->FormatNorm() + FDefinition->FormatOffset();
}

double TkxRegister::GetValueDateTime(int index) const {
    if (!FDefinition->IsDate() && !FDefinition->IsTime()) {
        Fail("GetValueDateTime", "Wrong data type!");
    }
    CheckIndex(index, "GetValueDateTime", ".");
    int fields[3] = {0, 0, 0};
    {
        TkxThreadBuffer::Reader reader(*FData);
        const std::uint8_t* p = reader.Data() + static_cast<std::ptrdiff_t>(index) * 6;
        fields[0] = p[1];
        fields[1] = p[3];
        fields[2] = p[5];
    }
    double value = 0.0;
    const bool valid = FDefinition->IsTime()
                           ? TkxFormat::TryEncodeTime(fields[2], fields[1], fields[0], 0, value)
                           : TkxFormat::TryEncodeDate(fields[2] + (fields[2] <= 50 ? 2000 : 1900),
                                                      fields[1], fields[0], value);
    return valid ? value : TkxFormat::Now();
}

bool TkxRegister::GetValueBit(int index, int bit) const {
    CheckBit(bit, "GetValueBit");
    return (static_cast<std::uint32_t>(GetValueInteger(index)) >> bit & 1U) != 0;
}

std::int32_t TkxRegister::GetValueMasked(int index, std::uint32_t mask) const {
    if (!FDefinition->IsNumeric()) {
        Fail("GetValueMasked", "Wrong data type!");
    }
    const std::int32_t value = GetValueInteger(index);
    return mask != 0 ? static_cast<std::int32_t>(static_cast<std::uint32_t>(value) & mask) : value;
}

std::string TkxRegister::GetValueText(int index, std::uint32_t mask) const {
    if (FDefinition->IsBool()) {
        return FDefinition->GetValueDescr(GetValueMasked(index, mask), index, mask, true);
    }
    if (FDefinition->IsDate() || FDefinition->IsTime()) {
        // Without a picture a time of 00:00:00 would otherwise show as the zero date.
        const bool timeOnly = FDefinition->IsTime() && FDefinition->FormatString().empty();
        return TkxFormat::FormatDateTime(timeOnly ? "hh:nn:ss" : FDefinition->FormatString(),
                                         GetValueDateTime(index));
    }
    if (FDefinition->IsString()) {
        return StringText();
    }
    return TkxFormat::FormatFloat(FDefinition->FormatString(), GetValueDouble(index));
}

std::string TkxRegister::StringText() const {
    std::string text;
    if (FData == nullptr) {
        return text;
    }
    TkxThreadBuffer::Reader reader(*FData);
    const int registers = std::min<int>(FDefinition->Length(), FData->Size() / 2);
    for (int k = 0; k < registers; ++k) {
        const char c = static_cast<char>(reader.Data()[2 * k + 1]);
        if (c == '\0') {
            break;
        }
        text += c;
    }
    return text;
}

// ---- writing -------------------------------------------------------------------------------

std::int32_t TkxRegister::ClampToType(std::int32_t value) const {
    if (FDefinition->ElementBytes() == 4) {
        return value;
    }
    if (FDefinition->IsSigned()) {
        return std::clamp<std::int32_t>(value, -32768, 32767);
    }
    return static_cast<std::int32_t>(
        std::min<std::uint32_t>(static_cast<std::uint32_t>(value), 0xFFFF));
}

// The limits are converted to raw values and kept inside the type range, so that a limit
// beyond it cannot make the store wrap around.
std::int32_t TkxRegister::ClampToLimits(int index, std::int32_t value) const {
    if (!FHasLimits) {
        return value;
    }
    const bool isSigned = FDefinition->IsSigned();
    const int bits = FDefinition->ElementBytes() * 8;
    const std::int64_t typeLow = isSigned ? -(std::int64_t{1} << (bits - 1)) : 0;
    const std::int64_t typeHigh =
        isSigned ? (std::int64_t{1} << (bits - 1)) - 1 : (std::int64_t{1} << bits) - 1;
    const auto rawLimit = [&](const TkxRegBound* bound, std::int64_t fallback) {
        if (bound == nullptr) {
            return fallback;
        }
        const double display = bound->GetValue(index);
        const auto raw =
            TruncSaturated((display - FDefinition->FormatOffset()) * FDefinition->FormatNorm());
        return raw ? std::clamp(*raw, typeLow, typeHigh) : fallback;
    };
    const std::int64_t lower = rawLimit(FMinBound.get(), typeLow);
    const std::int64_t upper = rawLimit(FMaxBound.get(), typeHigh);
    std::int64_t wide = isSigned ? std::int64_t{value} : static_cast<std::uint32_t>(value);
    wide = std::max(wide, lower);
    wide = std::min(wide, upper);
    return Low32(wide);
}

void TkxRegister::SetValueInteger(int index, std::int32_t value) {
    if (FDefinition->IsDate() || FDefinition->IsTime()) {
        Fail("SetValueInteger", "Wrong data type!");
    }
    CheckIndex(index, "SetValueInteger", "!");
    if (!Accepts(static_cast<double>(static_cast<std::uint32_t>(value)))) {
        return;
    }
    const std::int32_t clamped = ClampToLimits(index, ClampToType(value));
    StoreRaw(index, static_cast<std::uint32_t>(clamped));
}

// The raw value of a display value, truncated toward zero and saturated to what a register
// can hold (read as int32 or as uint32).
std::int32_t TkxRegister::RawFromDisplay(double display) const {
    const auto raw =
        TruncSaturated((display - FDefinition->FormatOffset()) * FDefinition->FormatNorm());
    return Low32(std::clamp<std::int64_t>(raw.value_or(0), kInt32Min, kUInt32Max));
}

void TkxRegister::SetValueDouble(int index, double value) {
    if (FDefinition->IsString()) {
        Fail("SetValueDouble", "Wrong data type!");
    }
    if (std::isnan(value)) {
        return;
    }
    if (FDefinition->IsDate() || FDefinition->IsTime()) {
        SetValueDateTime(index, (value - FDefinition->FormatOffset()) * FDefinition->FormatNorm());
    } else {
        SetValueInteger(index, RawFromDisplay(value));
    }
}

void TkxRegister::SetValueDateTime(int index, double dateTime) {
    if (!FDefinition->IsDate() && !FDefinition->IsTime()) {
        Fail("SetValueDateTime", "Wrong data type!");
    }
    CheckIndex(index, "SetValueDateTime", ".");
    if (!Accepts(dateTime)) {
        return;
    }
    TkxDateTimeParts parts;
    bool changed = false;
    if (TkxFormat::TryDecodeDateTime(dateTime, parts)) {
        const int fields[3] = {
            FDefinition->IsTime() ? parts.Second : parts.Day,
            FDefinition->IsTime() ? parts.Minute : parts.Month,
            FDefinition->IsTime() ? parts.Hour : parts.Year % 100,
        };
        TkxThreadBuffer::Writer writer(*FData);
        std::uint8_t* p = writer.Data() + static_cast<std::ptrdiff_t>(index) * 6;
        for (int k = 0; k < 3; ++k) {
            const auto field = static_cast<std::uint8_t>(fields[k]);
            changed = changed || p[2 * k] != 0 || p[2 * k + 1] != field;
            p[2 * k] = 0;
            p[2 * k + 1] = field;
        }
    }
    Changed(changed);
}

void TkxRegister::SetValueBit(int index, int bit, bool on) {
    if (FDefinition->IsDate() || FDefinition->IsTime()) {
        Fail("SetValueBit", "Wrong data type!");
    }
    CheckIndex(index, "SetValueBit", "!");
    CheckBit(bit, "SetValueBit");
    if (!Accepts(on ? 1.0 : 0.0)) {
        return;
    }
    bool changed = false;
    {
        // One write lock around read, change and store, so no transfer slips in between.
        TkxThreadBuffer::Writer writer(*FData);
        std::uint32_t raw = ReadElement(writer.Data(), index);
        raw = on ? raw | 1U << bit : raw & ~(1U << bit);
        changed = WriteElement(writer.Data(), index, raw);
    }
    Changed(changed);
}

void TkxRegister::SetValueMasked(int index, std::int32_t value, std::uint32_t mask) {
    if (!FDefinition->IsNumeric()) {
        Fail("SetValueMasked", "Wrong data type!");
    }
    if (mask != 0) {
        const auto current = static_cast<std::uint32_t>(GetValueInteger(index));
        value = static_cast<std::int32_t>((current & ~mask) |
                                          (static_cast<std::uint32_t>(value) & mask));
    }
    SetValueInteger(index, value);
}

void TkxRegister::StoreString(std::string_view text) {
    bool changed = false;
    if (FData != nullptr) {
        TkxThreadBuffer::Writer writer(*FData);
        std::uint8_t* p = writer.Data();
        // Characters beyond the register's own registers are cut, never written past them.
        const int registers = std::min<int>(FDefinition->Length(), FData->Size() / 2);
        for (int k = 0; k < registers; ++k) {
            const auto c = static_cast<std::size_t>(k) < text.size()
                               ? static_cast<std::uint8_t>(text[static_cast<std::size_t>(k)])
                               : std::uint8_t{0};
            changed = changed || p[2 * k] != 0 || p[2 * k + 1] != c;
            p[2 * k] = 0;
            p[2 * k + 1] = c;
        }
    }
    Changed(changed);
}

void TkxRegister::SetValueText(std::string_view text, int index, std::uint32_t mask) {
    if (FDefinition->IsBool()) {
        std::uint32_t value = 0;
        if (TextToInt(text, value)) {
            SetValueMasked(index, static_cast<std::int32_t>(value), mask);
        }
    } else if (FDefinition->IsDate() || FDefinition->IsTime()) {
        SetValueDateTime(index, TkxFormat::StrToDateTime(Trimmed(text)));
    } else if (FDefinition->IsString()) {
        StoreString(Trimmed(text));
    } else if (const auto display = NumberOfText(text)) {
        if (const auto raw = ExactRaw(ScaledRaw(*display))) {
            SetValueInteger(index, Low32(std::clamp<std::int64_t>(*raw, kInt32Min, kUInt32Max)));
        } else {
            SetValueDouble(index, *display);
        }
    }
}

std::string TkxRegister::RefusalOfText(std::string_view text, int index) const {
    if (FDefinition->IsString()) {
        return text.size() > static_cast<std::size_t>(FDefinition->Length())
                   ? "a text of at most " + std::to_string(FDefinition->Length()) + " characters"
                   : "";
    }
    if (FDefinition->IsDate() || FDefinition->IsTime()) {
        double ignored = 0.0;
        return TkxFormat::TryStrToDateTime(text, ignored) ? "" : "a date or time";
    }
    const auto display = NumberOfText(text);
    if (!display) {
        const std::string unit = UnitOf(FDefinition->FormatString());
        return unit.empty() ? "a number" : "a number in " + unit;
    }
    return RefusalOfDisplay(*display, index);
}

std::optional<double> TkxRegister::NumberOfText(std::string_view text) const {
    std::string_view number = Trimmed(text);
    const std::string unit = UnitOf(FDefinition->FormatString());
    if (!unit.empty() && number.size() > unit.size() &&
        AnsiSameText(number.substr(number.size() - unit.size()), unit)) {
        number = Trimmed(number.substr(0, number.size() - unit.size()));
    }
    if (const auto decimal = StrictDecimal(number)) {
        return decimal;
    }
    std::uint32_t bits = 0;
    if (!IsMarkedInteger(number) || !TextToInt(number, bits)) {
        return std::nullopt;
    }
    return FDefinition->IsSigned() ? static_cast<double>(static_cast<std::int32_t>(bits))
                                   : static_cast<double>(bits);
}

double TkxRegister::ScaledRaw(double display) const {
    return (display - FDefinition->FormatOffset()) * FDefinition->FormatNorm();
}

double TkxRegister::DisplayOfRaw(double raw) const {
    return raw / FDefinition->FormatNorm() + FDefinition->FormatOffset();
}

std::string TkxRegister::RefusalOfDisplay(double display, int index) const {
    const double raw = ScaledRaw(display);
    const int bits =
        (FDefinition->Size() > 0 ? FDefinition->Size() : FDefinition->ElementBytes()) * 8;
    const double low = FDefinition->IsSigned() ? -std::ldexp(1.0, bits - 1) : 0.0;
    const double high =
        FDefinition->IsSigned() ? std::ldexp(1.0, bits - 1) - 1 : std::ldexp(1.0, bits) - 1;
    const auto exact = ExactRaw(raw);
    const double held = exact ? static_cast<double>(*exact) : std::trunc(raw);
    if (held < low || held > high) {
        const double first = DisplayOfRaw(low);
        const double last = DisplayOfRaw(high);
        return "a value the register's type can hold, from " + NumberText(std::min(first, last)) +
               " to " + NumberText(std::max(first, last));
    }
    if (FMinBound != nullptr && display < FMinBound->GetValue(index)) {
        return "at least " + TkxFormat::Printf("%g", {FMinBound->GetValue(index)});
    }
    if (FMaxBound != nullptr && display > FMaxBound->GetValue(index)) {
        return "at most " + TkxFormat::Printf("%g", {FMaxBound->GetValue(index)});
    }
    if (!exact) {
        const double below = DisplayOfRaw(std::floor(raw));
        const double above = DisplayOfRaw(std::ceil(raw));
        return "a value it can hold exactly, such as " + NumberText(std::min(below, above)) +
               " or " + NumberText(std::max(below, above));
    }
    return "";
}

void TkxRegister::AssignDefault(int index, std::uint32_t mask) {
    if (FDefinition->IsString()) {
        Fail("AssignDefault", "Wrong data type!");
    }
    if (FDfltBound == nullptr) {
        return;
    }
    const int first = index < 0 ? 0 : index;
    const int last = index < 0 ? FDefinition->Length() - 1 : index;
    for (int i = first; i <= last; ++i) {
        const double dflt = FDfltBound->GetValue(i);
        if (FDefinition->IsBool()) {
            SetValueMasked(i, RawFromDisplay(dflt), mask);
        } else {
            SetValueDouble(i, dflt);
        }
    }
}

// ---- bounds --------------------------------------------------------------------------------

TkxRegBound& TkxRegister::Bound(std::unique_ptr<TkxRegBound>& bound, std::uint8_t kind) {
    if (bound == nullptr) {
        bound = std::make_unique<TkxRegBound>(kind, 0.0);
    }
    return *bound;
}

void TkxRegister::SetLimits(double minValue, double maxValue, double minOffset, double maxOffset) {
    TkxRegBound& lower = Bound(FMinBound, TkxRegBound::KindMinimum);
    lower.SetReference(nullptr);
    lower.SetValue(minValue);
    lower.SetOffset(minOffset);
    TkxRegBound& upper = Bound(FMaxBound, TkxRegBound::KindMaximum);
    upper.SetReference(nullptr);
    upper.SetValue(maxValue);
    upper.SetOffset(maxOffset);
}

void TkxRegister::SetLimitRegisters(TkxRegister* minRegister, TkxRegister* maxRegister,
                                    double minOffset, double maxOffset) {
    SetMinRegister(minRegister, minOffset);
    SetMaxRegister(maxRegister, maxOffset);
}

void TkxRegister::SetMaxRegister(TkxRegister* reference, double offset) {
    TkxRegBound& upper = Bound(FMaxBound, TkxRegBound::KindMaximum);
    upper.SetReference(reference);
    upper.SetOffset(offset);
}

void TkxRegister::SetMinRegister(TkxRegister* reference, double offset) {
    TkxRegBound& lower = Bound(FMinBound, TkxRegBound::KindMinimum);
    lower.SetReference(reference);
    lower.SetOffset(offset);
}

// ---- persistence ---------------------------------------------------------------------------

// The elements as a comma list. Arrays get no extra pair of quotes around the list, so the
// reader, which removes only the line's own pair, finds every element at its index.
std::string TkxRegister::ElementsText() const {
    const bool dateTime = FDefinition->IsDate() || FDefinition->IsTime();
    std::string text;
    for (int i = 0; HasElement(i); ++i) {
        if (i > 0) {
            text += ',';
        }
        if (dateTime) {
            const std::string value = GetValueText(i, 0);
            text += i == 0 ? QuotedWhenNeeded(value) : Quoted(value);
        } else {
            const char* format = FDefinition->IsSigned() ? "%ld" : "%lu";
            text += Quoted(TkxFormat::Printf(format, {GetValueInteger(i)}));
        }
    }
    return text;
}

void TkxRegister::SaveToResource(std::string_view section, TkxTextResource* resource) const {
    if (resource == nullptr) {
        return;
    }
    const std::string value = FDefinition->IsString() ? StringText() : ElementsText();
    resource->WriteString(section, FDefinition->Name(), value);
}

bool TkxRegister::LoadFromResource(std::string_view section, TkxTextResource* resource) {
    if (resource == nullptr) {
        return false;
    }
    if (!FDefinition->IsString()) {
        AssignDefault(-1, 0);
    }
    if (!resource->FindKey(section, FDefinition->Name())) {
        return false;
    }
    const std::string stored = resource->ReadString(section, FDefinition->Name(), "");
    if (FDefinition->IsString()) {
        SetValueText(stored, -1, 0);
        return true;
    }
    std::string_view value = Trimmed(stored);
    if (value.empty()) {
        return false;
    }
    // Files of earlier versions put arrays in one more pair of quotes.
    if (value.size() >= 4 && value.starts_with("\"\"") && value.ends_with("\"\"")) {
        value = value.substr(1, value.size() - 2);
    }
    const std::vector<std::string> items = SplitCommaText(value);
    const bool dateTime = FDefinition->IsDate() || FDefinition->IsTime();
    for (int i = 0; i < static_cast<int>(items.size()) && HasElement(i); ++i) {
        const std::string& item = items[static_cast<std::size_t>(i)];
        if (dateTime) {
            double parsed = 0.0;
            if (TkxFormat::TryStrToDateTime(Trimmed(item), parsed)) {
                SetValueDateTime(i, parsed);
            }
            continue;
        }
        std::int32_t number = 0;
        if (ScanInteger(item, FDefinition->IsSigned(), number)) {
            SetValueInteger(i, number);
        }
    }
    return true;
}

void TkxRegister::Dump(std::vector<std::string>& lines) const {
    if (FDefinition->IsString()) {
        lines.push_back(FDefinition->GetDescr(-1, 0) + ":");
        lines.push_back('\t' + StringText());
        return;
    }
    for (int i = 0; HasElement(i); ++i) {
        if (!FDefinition->IsBool()) {
            lines.push_back(
                TkxFormat::Printf("%-25s: %s", {FDefinition->GetDescr(i, 0), GetValueText(i, 0)}));
            continue;
        }
        lines.push_back(TkxFormat::Printf("%-25s:", {FDefinition->GetDescr(i, 0)}));
        // Only bits with a description of their own: GetDescr falls back to the register's
        // general description, which would list every bit.
        for (int bit = 0; bit < FDefinition->ElementBytes() * 8; ++bit) {
            const std::uint32_t mask = 1U << bit;
            const std::string key = TkxFormat::Printf("Descr[%dm%X]", {i, mask});
            if (FDefinition->DescriptionOf(key).empty()) {
                continue;
            }
            lines.push_back(
                TkxFormat::Printf("\t[%02d] %-25s: %s",
                                  {bit, FDefinition->GetDescr(i, mask), GetValueText(i, mask)}));
        }
    }
}
