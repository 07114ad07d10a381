#include "sim/simregistermemory.h"

#include "registers/tkxregdefslistcmp.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qxsim {
namespace {

constexpr int kAddresses = 65536;

// The wire addresses a definition takes, one per 16-bit word.
int WordsOf(const TkxRegDefinition& definition) {
    return static_cast<int>(definition.TotalBytes() / 2);
}

// True when the definition's words and the range start..end-1 share an address.
bool Touches(const TkxRegDefinition& definition, int start, int end) {
    return definition.Address() < end && definition.Address() + WordsOf(definition) > start;
}
// Limits come from text in display units; allow for the rounding of the scaled raw value.
constexpr double kLimitSlack = 1e-9;

void PutRaw(std::uint8_t* out, std::int64_t raw, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out[i] = static_cast<std::uint8_t>(raw & 0xFF);
        raw >>= 8;
    }
}

// The range of raw values a definition's type holds.
std::pair<std::int64_t, std::int64_t> RawRange(const TkxRegDefinition& definition) {
    const int bits = definition.Size() == 4 ? 32 : (definition.Size() == 1 ? 8 : 16);
    if (definition.IsSigned()) {
        return {-(std::int64_t{1} << (bits - 1)), (std::int64_t{1} << (bits - 1)) - 1};
    }
    return {0, (std::int64_t{1} << bits) - 1};
}

} // namespace

std::int64_t SimRawOf(const TkxRegDefinition& definition, const std::uint8_t* bytes) {
    if (definition.Size() == 4) {
        const std::uint32_t value = std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
                                    std::uint32_t(bytes[2]) << 8 | bytes[3];
        return definition.IsSigned() ? std::int64_t(std::int32_t(value)) : std::int64_t(value);
    }
    const auto word = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
    return definition.IsSigned() ? std::int64_t(std::int16_t(word)) : std::int64_t(word);
}

namespace {

bool FitsType(const TkxRegDefinition& definition, std::int64_t raw) {
    if (definition.Size() != 1) {
        return true;
    }
    return definition.IsSigned() ? raw >= -128 && raw <= 127 : raw <= 255;
}

bool WithinLimits(const TkxRegDefinition& definition, std::int64_t raw) {
    const double display =
        static_cast<double>(raw) / definition.FormatNorm() + definition.FormatOffset();
    const double slack = kLimitSlack * std::max(1.0, std::fabs(display));
    if (definition.MinDefined() && display < definition.MinValue() - slack) {
        return false;
    }
    return !(definition.MaxDefined() && display > definition.MaxValue() + slack);
}

} // namespace

bool SimValueAllowed(const TkxRegDefinition& definition, const std::uint8_t* bytes) {
    if (!definition.IsNumeric() || definition.IsBool()) {
        return true;
    }
    const int step = definition.ElementBytes();
    for (int element = 0; element < definition.Length(); ++element) {
        const std::int64_t raw = SimRawOf(definition, bytes + element * step);
        if (!FitsType(definition, raw) || !WithinLimits(definition, raw)) {
            return false;
        }
    }
    return true;
}

SimRegisterMemory::SimRegisterMemory(const TkxRegDefsList& defs, SimNvState* state,
                                     std::ostream& log)
    : FDefs(defs)
    , FState(state)
    , FLog(log)
    , FCovered(kAddresses, false) {
    std::size_t widest = 0;
    for (int i = 0; i < defs.Count(); ++i) {
        const TkxRegDefinition& definition = *defs.Items(i);
        const int end = std::min(definition.Address() + WordsOf(definition), kAddresses);
        std::fill(FCovered.begin() + definition.Address(), FCovered.begin() + end, true);
        widest = std::max(widest, std::size_t(definition.TotalBytes()));
        if (definition.EEPromCopy() != definition.Address()) {
            FNonVolatile.insert(definition.EEPromCopy());
        }
    }
    // A register at the last addresses keeps its further words, which no request reaches.
    FBytes.assign(2 * std::size_t(kAddresses) + widest, 0);
    PowerUp();
}

void SimRegisterMemory::PowerUp() {
    for (int i = 0; i < FDefs.Count(); ++i) {
        StoreDefault(*FDefs.Items(i));
    }
    for (int i = 0; i < FDefs.Count(); ++i) {
        const TkxRegDefinition& definition = *FDefs.Items(i);
        if (definition.EEPromCopy() != definition.Address()) {
            RestoreCopy(definition);
        }
    }
}

void SimRegisterMemory::StoreDefault(const TkxRegDefinition& definition) {
    if (!definition.IsNumeric() || !definition.DfltDefined()) {
        return;
    }
    const double raw =
        (definition.DfltValue() - definition.FormatOffset()) * definition.FormatNorm();
    const auto value = static_cast<std::int64_t>(std::clamp(raw, -2147483648.0, 4294967295.0));
    std::uint8_t* storage = Storage(definition.Address());
    const int step = definition.ElementBytes();
    for (int element = 0; element < definition.Length(); ++element) {
        PutRaw(storage + element * step, value, step);
    }
}

// The register and its copy both take the stored bytes of the copy, when there are any that fit.
void SimRegisterMemory::RestoreCopy(const TkxRegDefinition& source) {
    const TkxRegDefinition* copy = FDefs.FindByAddress(source.EEPromCopy());
    if (!copy) {
        return;
    }
    const auto size = std::size_t(copy->TotalBytes());
    const SimNvState::Bytes* stored = FState ? FState->Find(copy->Address()) : nullptr;
    if (stored && stored->size() == size && size == std::size_t(source.TotalBytes())) {
        std::memcpy(Storage(copy->Address()), stored->data(), size);
        std::memcpy(Storage(source.Address()), stored->data(), size);
    }
}

bool SimRegisterMemory::Covers(std::uint16_t start, int count) const {
    if (count < 1 || start + count > kAddresses) {
        return false;
    }
    return std::all_of(FCovered.begin() + start, FCovered.begin() + start + count,
                       [](bool covered) { return covered; });
}

std::vector<std::uint8_t> SimRegisterMemory::Read(std::uint16_t start, int count) const {
    return {Storage(start), Storage(start + count)};
}

// Each register the words touch is checked whole: its bytes as stored, with the new words laid
// over them.
bool SimRegisterMemory::Accepts(std::uint16_t start, int count, const std::uint8_t* bytes) const {
    const int end = start + count;
    std::vector<std::uint8_t> value;
    for (int i = 0; i < FDefs.Count(); ++i) {
        const TkxRegDefinition& definition = *FDefs.Items(i);
        if (!Touches(definition, start, end)) {
            continue;
        }
        const int first = definition.Address();
        value.assign(Storage(first), Storage(first) + definition.TotalBytes());
        const int from = std::max(first, int(start));
        const int to = std::min(first + WordsOf(definition), end);
        std::memcpy(value.data() + 2 * (from - first), bytes + 2 * (from - start),
                    2 * std::size_t(to - from));
        if (!SimValueAllowed(definition, value.data())) {
            return false;
        }
    }
    return true;
}

void SimRegisterMemory::Write(std::uint16_t start, int count, const std::uint8_t* bytes) {
    std::memcpy(Storage(start), bytes, 2 * std::size_t(count));
    Persist(start, count);
}

void SimRegisterMemory::Persist(std::uint16_t start, int count) {
    if (!FState) {
        return;
    }
    bool changed = false;
    for (const std::uint16_t address : FNonVolatile) {
        const TkxRegDefinition* copy = FDefs.FindByAddress(address);
        if (copy && Touches(*copy, start, start + count)) {
            const std::uint8_t* storage = Storage(address);
            FState->Store(address, {storage, storage + copy->TotalBytes()});
            changed = true;
        }
    }
    std::string error;
    if (changed && !FState->Save(error)) {
        FLog << "qxdrive-sim: " << error << "\n" << std::flush;
    }
}

std::int64_t SimRegisterMemory::RawValue(const TkxRegDefinition& definition, int element) const {
    return SimRawOf(definition,
                    Storage(definition.Address()) + element * definition.ElementBytes());
}

void SimRegisterMemory::StoreRaw(const TkxRegDefinition& definition, int element,
                                 std::int64_t raw) {
    const auto [low, high] = RawRange(definition);
    const int step = definition.ElementBytes();
    PutRaw(Storage(definition.Address()) + element * step, std::clamp(raw, low, high),
           std::min(step, 4));
}

} // namespace qxsim
