#include "modbus/tkxmbchainedtransacls.h"

#include "base/tkxmbresultcodes.h"
#include "registers/tkxregblockcls.h"

#include <chrono>
#include <thread>

TkxMBChainedTransa::TkxMBChainedTransa(TkxDeviceSlave* device, int kind)
    : TkxMBSimpleTransa(device, kind) {
    UpdateName();
}

int TkxMBChainedTransa::EditDlg(std::uint16_t /*options*/) {
    return IsUserDefined() ? 0 : 1;
}

void TkxMBChainedTransa::Pause() const {
    const int delay = FBlockDelay;
    if (delay > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    }
}

std::int32_t TkxMBChainedTransa::Transact(TkxMBServer& server) {
    FChanged = false;
    return WriteChain(server, ReadChain(server));
}

std::int32_t TkxMBChainedTransa::ReadChain(TkxMBServer& server) {
    std::int32_t result = TkxMBResult::Ok;
    for (const TkxRegBlock* block = ReadBlocks();
         block != nullptr && result != TkxMBResult::Timeout; block = block->Next()) {
        if (!block->Valid() || block->Data() == nullptr) {
            continue;
        }
        BuildReadHolding(block->Start(), *block->Data());
        result = Exchange(server);
        if (result == TkxMBResult::Ok) {
            result = ReadBlock(*block);
        }
        Pause();
    }
    return result;
}

std::int32_t TkxMBChainedTransa::WriteChain(TkxMBServer& server, std::int32_t result) {
    for (const TkxRegBlock* block = WriteBlocks();
         block != nullptr && result != TkxMBResult::Timeout; block = block->Next()) {
        if (block->Valid() && block->Data() != nullptr) {
            const bool built = BuildWrite(block->Start(), *block->Data());
            result = built ? Exchange(server) : TkxMBResult::UnexpectedSize;
        }
        Pause();
    }
    return result;
}
