#include "modbus/tkxmbreadholdregisterscls.h"

#include "base/tkxmbresultcodes.h"
#include "registers/tkxregblockcls.h"

TkxMBReadHoldRegisters::TkxMBReadHoldRegisters(TkxDeviceSlave* device, int kind,
                                               std::uint16_t count, std::uint16_t start)
    : TkxMBSimpleTransa(device, kind) {
    SetReadBlock(start, count);
    UpdateName();
}

std::int32_t TkxMBReadHoldRegisters::Transact(TkxMBServer& server) {
    const TkxRegBlock* block = ReadBlocks();
    if (block == nullptr || block->Data() == nullptr) {
        return TkxMBResult::NoBuffer;
    }
    FChanged = false;
    BuildReadHolding(block->Start(), *block->Data());
    const std::int32_t result = Exchange(server);
    return result != TkxMBResult::Ok ? result : ReadBlock(*block);
}
