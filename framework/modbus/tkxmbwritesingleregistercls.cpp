#include "modbus/tkxmbwritesingleregistercls.h"

#include "base/tkxmbresultcodes.h"
#include "modbus/tkxthreadbuffercls.h"
#include "registers/tkxregblockcls.h"

#include <algorithm>
#include <utility>

TkxMBWriteSingleRegister::TkxMBWriteSingleRegister(TkxDeviceSlave* device, int kind,
                                                   std::uint16_t address)
    : TkxMBSimpleTransa(device, kind) {
    SetWriteBlock(address, 1);
    UpdateName();
}

void TkxMBWriteSingleRegister::TakeValue() {
    const TkxRegBlock* block = WriteBlocks();
    FTakenValue = block != nullptr && block->Data() != nullptr ? block->Data()->Copy()
                                                               : std::vector<std::uint8_t>{};
}

std::int32_t TkxMBWriteSingleRegister::Transact(TkxMBServer& server) {
    const TkxRegBlock* block = WriteBlocks();
    if (block == nullptr || block->Data() == nullptr) {
        return TkxMBResult::NoBuffer;
    }
    // A taken value goes once: a later run without one sends the buffer again.
    const std::vector<std::uint8_t> value = std::exchange(FTakenValue, {});
    const bool built = value.empty() ? BuildWrite(block->Start(), *block->Data())
                                     : BuildWrite(block->Start(), value);
    if (!built) {
        return TkxMBResult::UnexpectedSize;
    }
    const std::int32_t result = Exchange(server);
    if (result == 0 && !value.empty()) {
        RestoreInBuffer(*block->Data(), value);
    }
    return result;
}

void TkxMBWriteSingleRegister::RestoreInBuffer(TkxThreadBuffer& view,
                                               const std::vector<std::uint8_t>& value) {
    // A read that was on the line when the write was started has landed by now with the
    // device's old value; what the device holds after the write is the value sent.
    const TkxThreadBuffer::Writer writer(view);
    std::copy(value.begin(), value.end(), writer.Data());
}
