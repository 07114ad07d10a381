#include "registers/tkxregblockcls.h"

#include "modbus/tkxthreadbuffercls.h"
#include "registers/tkxformatcls.h"
#include "registers/tkxregdatabuffercls.h"
#include "registers/tkxregdefslistcmp.h"

namespace {

// A decimal number of 0..65535, blanks around it allowed.
bool ReadAddress(std::string_view text, int& value) {
    const std::size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) {
        return false;
    }
    text = text.substr(begin, text.find_last_not_of(' ') - begin + 1);
    if (text.empty() || text.size() > 5) {
        return false;
    }
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return value <= 0xFFFF;
}

} // namespace

TkxRegBlock::TkxRegBlock(std::string_view text) {
    // Built from the end of the text without recursion, so a long list cannot exhaust the
    // stack.
    std::size_t comma = text.rfind(',');
    Assign(comma == std::string_view::npos ? text : text.substr(comma + 1));
    TkxRegBlock* last = this;
    while (last->Valid() && comma != std::string_view::npos) {
        text = text.substr(0, comma);
        comma = text.rfind(',');
        last->FNext = std::make_unique<TkxRegBlock>(0, 0);
        last = last->FNext.get();
        last->Assign(comma == std::string_view::npos ? text : text.substr(comma + 1));
    }
}

TkxRegBlock::TkxRegBlock(std::uint16_t start, std::uint16_t count,
                         std::unique_ptr<TkxRegBlock> next)
    : FStart(start)
    , FCount(count)
    , FNext(std::move(next)) {}

TkxRegBlock::~TkxRegBlock() {
    FData.reset();
    // Unlinked one by one, so a long list cannot exhaust the stack.
    std::unique_ptr<TkxRegBlock> next = std::move(FNext);
    while (next != nullptr) {
        std::unique_ptr<TkxRegBlock> after = std::move(next->FNext);
        next = std::move(after);
    }
}

bool TkxRegBlock::ParseItem(std::string_view item, std::uint16_t& start, std::uint16_t& count) {
    const std::size_t slash = item.rfind('/');
    int first = 0;
    int last = 0;
    if (slash == std::string_view::npos) {
        if (!ReadAddress(item, first)) {
            return false;
        }
        last = first;
    } else if (!ReadAddress(item.substr(0, slash), first) ||
               !ReadAddress(item.substr(slash + 1), last)) {
        return false;
    }
    // A range that runs backwards, or all 65536 addresses, has no count of 16 bits.
    if (last < first || last - first + 1 > 0xFFFF) {
        return false;
    }
    start = static_cast<std::uint16_t>(first);
    count = static_cast<std::uint16_t>(last - first + 1);
    return true;
}

void TkxRegBlock::Assign(std::string_view item) {
    if (!ParseItem(item, FStart, FCount)) {
        FStart = 0;
        FCount = 0;
    }
}

void TkxRegBlock::SetOwner(TkxRegDataBuffer* owner) {
    // Rebuild may split a block; the walk reaches the new blocks next.
    for (TkxRegBlock* block = this; block != nullptr; block = block->Next()) {
        if (block->FOwner != owner) {
            block->FOwner = owner;
            block->Rebuild();
        }
    }
}

void TkxRegBlock::SetStart(std::uint16_t start) {
    if (start != FStart) {
        FStart = start;
        Rebuild();
    }
}

void TkxRegBlock::Rebuild() {
    FData.reset();
    if (FOwner == nullptr || !Valid() || FOwner->Defs() == nullptr) {
        return;
    }
    TkxRegDefsList& defs = *FOwner->Defs();
    const int limit = defs.MaxBufferSize() - 5;
    while (defs.RangeBytes(FStart, FCount) > limit && Split(2)) {
    }
    FData = FOwner->ViewOf(FStart, FCount);
}

bool TkxRegBlock::Split(int n) {
    if (n < 1) {
        return false;
    }
    const int part = FCount / n;
    if (part == 0) {
        return false;
    }
    if (n == 1) {
        return true;
    }
    FNext =
        std::make_unique<TkxRegBlock>(static_cast<std::uint16_t>(FStart + part),
                                      static_cast<std::uint16_t>(FCount - part), std::move(FNext));
    FCount = static_cast<std::uint16_t>(part);
    if (FData != nullptr) {
        // A view made before the split would still cover the whole old range.
        FData = FOwner->ViewOf(FStart, FCount);
    }
    return n - 1 > 1 ? FNext->Split(n - 1) : true;
}

bool TkxRegBlock::Contains(int address) const {
    for (const TkxRegBlock* block = this; block != nullptr; block = block->Next()) {
        if (block->FStart <= address && address < block->FStart + block->FCount) {
            return true;
        }
    }
    return false;
}

std::string TkxRegBlock::ToText() const {
    std::string text;
    for (const TkxRegBlock* block = this; block != nullptr; block = block->Next()) {
        if (block != this) {
            text += ',';
        }
        text += TkxFormat::Printf("%d", {block->FStart});
        if (block->FCount > 1) {
            text += TkxFormat::Printf("/%d", {block->FStart + block->FCount - 1});
        }
    }
    return text;
}
