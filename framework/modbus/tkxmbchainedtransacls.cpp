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

// A failed block does not stop the chain, but the run reports the first failure: a setup that
// was only partly read or written must not count as read or sent because a later block went
// through. A time-out stops both chains, so no write follows a read that got no answer.
std::int32_t TkxMBChainedTransa::ReadChain(TkxMBServer& server) {
    std::int32_t result = TkxMBResult::Ok;
    for (const TkxRegBlock* block = ReadBlocks();
         block != nullptr && result != TkxMBResult::Timeout; block = block->Next()) {
        if (!block->Valid() || block->Data() == nullptr) {
            continue;
        }
        BuildReadHolding(block->Start(), *block->Data());
        std::int32_t blockResult = Exchange(server);
        if (blockResult == TkxMBResult::Ok) {
            blockResult = ReadBlock(*block);
        }
        result = FirstFailure(result, blockResult);
        Pause();
    }
    return result;
}

std::int32_t TkxMBChainedTransa::WriteChain(TkxMBServer& server, std::int32_t result) {
    for (const TkxRegBlock* block = WriteBlocks();
         block != nullptr && result != TkxMBResult::Timeout; block = block->Next()) {
        if (block->Valid() && block->Data() != nullptr) {
            const bool built = BuildWrite(block->Start(), *block->Data());
            result = FirstFailure(result, built ? Exchange(server) : TkxMBResult::UnexpectedSize);
        }
        Pause();
    }
    return result;
}

std::int32_t TkxMBChainedTransa::FirstFailure(std::int32_t sofar, std::int32_t latest) {
    // A time-out ends the run, so it is reported even after another failure.
    if (latest == TkxMBResult::Timeout) {
        return latest;
    }
    return sofar != TkxMBResult::Ok ? sofar : latest;
}
