#include "modbus/tkxmbwritesingleregistercls.h"

#include "base/tkxmbresultcodes.h"
#include "registers/tkxregblockcls.h"

TkxMBWriteSingleRegister::TkxMBWriteSingleRegister(TkxDeviceSlave* device, int kind,
                                                   std::uint16_t address)
    : TkxMBSimpleTransa(device, kind) {
    SetWriteBlock(address, 1);
    UpdateName();
}

std::int32_t TkxMBWriteSingleRegister::Transact(TkxMBServer& server) {
    const TkxRegBlock* block = WriteBlocks();
    if (block == nullptr || block->Data() == nullptr) {
        return TkxMBResult::NoBuffer;
    }
    if (!BuildWrite(block->Start(), *block->Data())) {
        return TkxMBResult::UnexpectedSize;
    }
    return Exchange(server);
}
