#include "support/tkxmemoryslave.h"

#include "base/tkxmbresultcodes.h"

namespace {

int WordAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return bytes[offset] << 8 | bytes[offset + 1];
}

} // namespace

TkxMBScript::Step TkxMemorySlave::Answer(const std::vector<std::uint8_t>& query) {
    if (query.size() < 6) {
        return {TkxMBResult::InvalidResponse, {}, {}};
    }
    const std::lock_guard lock(FMutex);
    TkxMBScript::Step step = Handle(query);
    step.Delay = FDelay;
    return step;
}

TkxMBScript::Step TkxMemorySlave::Handle(const std::vector<std::uint8_t>& query) {
    const int start = WordAt(query, 2);
    switch (query[1]) {
    case 3:
        return Read(query, start, WordAt(query, 4));
    case 6:
        return Write(query, start, 1, 4);
    case 16:
        return Write(query, start, WordAt(query, 4), 7);
    default:
        return {TkxMBResult::IllegalFunction, {}, {}};
    }
}

void TkxMemorySlave::SetReplyDelay(std::chrono::milliseconds delay) {
    const std::lock_guard lock(FMutex);
    FDelay = delay;
}

TkxMBScript::Step TkxMemorySlave::Read(const std::vector<std::uint8_t>& query, int start,
                                       int count) const {
    std::vector<std::uint8_t> reply = {query[0], 3, static_cast<std::uint8_t>(2 * count)};
    for (int i = 0; i < count; ++i) {
        const auto found = FWords.find(static_cast<std::uint16_t>(start + i));
        const std::uint16_t word = found != FWords.end() ? found->second : 0;
        reply.push_back(static_cast<std::uint8_t>(word >> 8));
        reply.push_back(static_cast<std::uint8_t>(word & 0xFF));
    }
    return {0, reply, {}};
}

TkxMBScript::Step TkxMemorySlave::Write(const std::vector<std::uint8_t>& query, int start,
                                        int count, std::size_t dataOffset) {
    if (query.size() < dataOffset + 2 * static_cast<std::size_t>(count)) {
        return {TkxMBResult::IllegalValue, {}, {}};
    }
    bool refused = false;
    for (int i = 0; i < count; ++i) {
        const auto address = static_cast<std::uint16_t>(start + i);
        ++FWriteCounts[address];
        refused = refused || FRefused.contains(address);
    }
    if (refused) {
        return {TkxMBResult::IllegalAddress, {}, {}};
    }
    for (int i = 0; i < count; ++i) {
        FWords[static_cast<std::uint16_t>(start + i)] =
            static_cast<std::uint16_t>(WordAt(query, dataOffset + 2 * static_cast<std::size_t>(i)));
    }
    return {0, {query.begin(), query.begin() + 6}, {}};
}

std::uint16_t TkxMemorySlave::Word(std::uint16_t address) const {
    const std::lock_guard lock(FMutex);
    const auto found = FWords.find(address);
    return found != FWords.end() ? found->second : 0;
}

void TkxMemorySlave::SetWord(std::uint16_t address, std::uint16_t value) {
    const std::lock_guard lock(FMutex);
    FWords[address] = value;
}

void TkxMemorySlave::RefuseWrites(std::uint16_t address) {
    const std::lock_guard lock(FMutex);
    FRefused.insert(address);
}

void TkxMemorySlave::AcceptWrites() {
    const std::lock_guard lock(FMutex);
    FRefused.clear();
}

int TkxMemorySlave::WritesTo(std::uint16_t address) const {
    const std::lock_guard lock(FMutex);
    const auto found = FWriteCounts.find(address);
    return found != FWriteCounts.end() ? found->second : 0;
}
