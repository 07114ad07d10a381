#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TkxRegDataBuffer;
class TkxThreadBuffer;

// A list of register address ranges, written "a/b,c" (first and last address, or a single
// address, joined by commas). Once bound to an owning data buffer every valid block holds a
// view onto exactly the bytes of its range, split so that no block's bytes exceed the
// device's transfer limit. Blocks are created, rebuilt and destroyed on the main thread; their
// views must be released (SetOwner(nullptr) or destruction) before the owner's buffer.
class TkxRegBlock {
public:
    // Parses a block list. The text is read from its end: the item after the last comma is
    // this block, the text before it the next block, so "1,5/7" gives 5..7 then 1. An item
    // that does not read gives an invalid block (start 0, count 0) that ends the list.
    explicit TkxRegBlock(std::string_view text);
    TkxRegBlock(std::uint16_t start, std::uint16_t count,
                std::unique_ptr<TkxRegBlock> next = nullptr);
    ~TkxRegBlock();

    TkxRegBlock(const TkxRegBlock&) = delete;
    TkxRegBlock& operator=(const TkxRegBlock&) = delete;

    // Binds every block of the list whose owner differs to owner and rebuilds its view.
    void SetOwner(TkxRegDataBuffer* owner);
    void SetStart(std::uint16_t start);
    // Renews this block's view, halving the block first while its bytes exceed the owner's
    // transfer limit (MaxBufferSize - 5). A single address that alone exceeds it stays whole.
    void Rebuild();
    // Cuts this block into n parts of Count / n addresses, the last one taking the rest;
    // false when a part would be empty. The new blocks follow this one, without an owner.
    bool Split(int n);
    bool Contains(int address) const;
    // "a" or "a/b" for every block of the list, joined by commas.
    std::string ToText() const;

    std::uint16_t Start() const { return FStart; }
    std::uint16_t Count() const { return FCount; }
    bool Valid() const { return FCount != 0; }
    TkxRegDataBuffer* Owner() const { return FOwner; }
    TkxThreadBuffer* Data() const { return FData.get(); }
    TkxRegBlock* Next() const { return FNext.get(); }

private:
    // Start and count of one "a/b" or "a" item; false when it does not read.
    static bool ParseItem(std::string_view item, std::uint16_t& start, std::uint16_t& count);
    void Assign(std::string_view item);

    std::uint16_t FStart = 0;
    std::uint16_t FCount = 0;
    TkxRegDataBuffer* FOwner = nullptr;
    std::unique_ptr<TkxThreadBuffer> FData;
    std::unique_ptr<TkxRegBlock> FNext;
};
