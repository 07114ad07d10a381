#pragma once

#include "modbus/tkxmbtransactioncls.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class TkxDeviceSlave;
class TkxRegBlock;
class TkxThreadBuffer;

// A transaction of a device that moves register blocks: a chain of blocks to read and a chain
// to write, each block holding a view onto the device's register data. Chains are split so
// that no request or reply exceeds the device's transfer limit ("MaxBufferSize" of its
// definitions) nor the protocol's 125 registers per read and 123 per write. The chains are
// stored as block-list texts in "readblocks" and "writeblocks".
class TkxMBSimpleTransa : public TkxMBTransaction {
public:
    static constexpr int MaxReadRegisters = 125;
    static constexpr int MaxWriteRegisters = 123;

    // A periodic transaction of the device when its setup has a repeat time; throws
    // ETkxError without a device.
    TkxMBSimpleTransa(TkxDeviceSlave* device, int kind);
    ~TkxMBSimpleTransa() override;

    // Reads the block chains, then the base settings.
    void AnalyzeContent() override;
    std::string ClassName() const override { return "TkxMBSimpleTransa"; }

    // Replace the chain (null for none), split and bind it to the device, store its text.
    void SetReadBlocks(std::unique_ptr<TkxRegBlock> chain);
    void SetWriteBlocks(std::unique_ptr<TkxRegBlock> chain);
    // The blocks of a category of the device's definitions; an unknown one gives no chain.
    void SetReadBlocksText(std::string_view category);
    void SetWriteBlocksText(std::string_view category);
    void SetReadBlock(std::uint16_t start, std::uint16_t count);
    void SetWriteBlock(std::uint16_t start, std::uint16_t count);
    // Moves the first block to start at address (keeping its count), or sets a one-register
    // chain there when there is none.
    void SetReadAddress(std::uint16_t address);
    void SetWriteAddress(std::uint16_t address);
    // The default name, then "(<start>r<count>)" and "(<start>w<count>)" of the first blocks.
    void UpdateName();

    TkxRegBlock* ReadBlocks() const { return FReadBlocks.get(); }
    TkxRegBlock* WriteBlocks() const { return FWriteBlocks.get(); }
    TkxDeviceSlave* Device() const { return FDevice; }
    // The last run read data that differ from what the device buffer held.
    bool IsChanged() const { return FChanged; }

protected:
    // Request builders: slave address, function and data, stored in the query, for as many
    // registers from start as the view holds 16-bit words (a long takes two, a date or a time
    // three), as the layout of the buffer is that of the wire.
    void BuildReadHolding(std::uint16_t start, const TkxThreadBuffer& view);
    // Function 6 for a view of one word, else function 16; the data bytes come from the view
    // under its read lock. False, with nothing stored, when they cannot go in one request.
    bool BuildWrite(std::uint16_t start, TkxThreadBuffer& view);
    // The same for data bytes already taken from a view.
    bool BuildWrite(std::uint16_t start, const std::vector<std::uint8_t>& data);
    // Copies a function 3 reply into the block's view. A reply from another slave or function,
    // or whose byte count or length does not fit the view, leaves the view untouched.
    std::int32_t ReadBlock(const TkxRegBlock& block);

    std::atomic<bool> FChanged{false};

private:
    void SetChain(std::unique_ptr<TkxRegBlock>& field, std::unique_ptr<TkxRegBlock> chain,
                  std::string_view key, bool forWriting);
    void MoveChain(std::unique_ptr<TkxRegBlock>& field, std::uint16_t address, bool forWriting);

    TkxDeviceSlave* FDevice;
    std::unique_ptr<TkxRegBlock> FReadBlocks;
    std::unique_ptr<TkxRegBlock> FWriteBlocks;
};
