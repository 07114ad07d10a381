#include "modbus/tkxmbsimpletransacls.h"

#include "base/tkxmbresultcodes.h"
#include "devices/tkxdeviceslavecls.h"
#include "modbus/tkxthreadbuffercls.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefslistcmp.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::string_view SetupChild = "setup";
constexpr std::uint8_t ReadHoldingCode = 3;
constexpr std::uint8_t WriteSingleCode = 6;
constexpr std::uint8_t WriteMultipleCode = 16;
// Bytes around the data of a reply to a read (address, function, count, CRC) and of a
// write-multiple request (address, function, start, count, byte count, CRC).
constexpr int ReadFrameBytes = 5;
constexpr int WriteFrameBytes = 8;

void PushWord(std::vector<std::uint8_t>& frame, std::uint16_t word) {
    frame.push_back(static_cast<std::uint8_t>(word >> 8));
    frame.push_back(static_cast<std::uint8_t>(word & 0xFF));
}

// Halves every valid block while its bytes reach the limit or it holds more 16-bit registers
// than one request may carry; a block of one address stays whole.
void SplitChain(TkxRegBlock* chain, TkxRegDefsList& defs, int limitBytes, int maxRegisters) {
    for (TkxRegBlock* block = chain; block != nullptr; block = block->Next()) {
        if (!block->Valid()) {
            continue;
        }
        while (true) {
            const int bytes = defs.RangeBytes(block->Start(), block->Count());
            if ((bytes < limitBytes && bytes / 2 <= maxRegisters) || !block->Split(2)) {
                break;
            }
        }
    }
}

} // namespace

TkxMBSimpleTransa::TkxMBSimpleTransa(TkxDeviceSlave* device, int kind)
    : TkxMBTransaction(device, kind,
                       "You must specify a valid TkxDeviceSlave to allocate a new transaction!")
    , FDevice(device) {
    const int repeatTime = device->DefaultRepeatTime();
    if (repeatTime != 0) {
        SetRepeatTime(repeatTime);
        TerminateIf.reset(Always);
    }
}

TkxMBSimpleTransa::~TkxMBSimpleTransa() = default;

void TkxMBSimpleTransa::AnalyzeContent() {
    const std::string readText = GetValue(SetupChild, "readblocks", "");
    const std::string writeText = GetValue(SetupChild, "writeblocks", "");
    SetReadBlocks(readText.empty() ? nullptr : std::make_unique<TkxRegBlock>(readText));
    SetWriteBlocks(writeText.empty() ? nullptr : std::make_unique<TkxRegBlock>(writeText));
    TkxMBTransaction::AnalyzeContent();
}

void TkxMBSimpleTransa::SetChain(std::unique_ptr<TkxRegBlock>& field,
                                 std::unique_ptr<TkxRegBlock> chain, std::string_view key,
                                 bool forWriting) {
    // The thread may be walking the old chain: blocks change only under the list's lock.
    {
        TkxMBTransactionOwner::TransactionList::Locked locked(FDevice->Transactions());
        field = std::move(chain);
        if (field != nullptr && FDevice->Defs() != nullptr) {
            TkxRegDefsList& defs = *FDevice->Defs();
            const int frameBytes = forWriting ? WriteFrameBytes : ReadFrameBytes;
            SplitChain(field.get(), defs, defs.MaxBufferSize() - frameBytes,
                       forWriting ? MaxWriteRegisters : MaxReadRegisters);
            field->SetOwner(FDevice);
        }
    }
    SetValue(SetupChild, key, field != nullptr ? field->ToText() : "");
    PerformSetupChange();
}

void TkxMBSimpleTransa::SetReadBlocks(std::unique_ptr<TkxRegBlock> chain) {
    SetChain(FReadBlocks, std::move(chain), "readblocks", false);
}

void TkxMBSimpleTransa::SetWriteBlocks(std::unique_ptr<TkxRegBlock> chain) {
    SetChain(FWriteBlocks, std::move(chain), "writeblocks", true);
}

void TkxMBSimpleTransa::SetReadBlocksText(std::string_view category) {
    TkxRegDefsList* defs = FDevice->Defs();
    SetReadBlocks(defs != nullptr ? defs->CategoryBlocks(category) : nullptr);
}

void TkxMBSimpleTransa::SetWriteBlocksText(std::string_view category) {
    TkxRegDefsList* defs = FDevice->Defs();
    SetWriteBlocks(defs != nullptr ? defs->CategoryBlocks(category) : nullptr);
}

void TkxMBSimpleTransa::SetReadBlock(std::uint16_t start, std::uint16_t count) {
    SetReadBlocks(std::make_unique<TkxRegBlock>(start, count));
}

void TkxMBSimpleTransa::SetWriteBlock(std::uint16_t start, std::uint16_t count) {
    SetWriteBlocks(std::make_unique<TkxRegBlock>(start, count));
}

void TkxMBSimpleTransa::MoveChain(std::unique_ptr<TkxRegBlock>& field, std::uint16_t address,
                                  bool forWriting) {
    if (field == nullptr) {
        if (forWriting) {
            SetWriteBlock(address, 1);
        } else {
            SetReadBlock(address, 1);
        }
        return;
    }
    if (field->Start() != address) {
        TkxMBTransactionOwner::TransactionList::Locked locked(FDevice->Transactions());
        field->SetStart(address);
    }
}

void TkxMBSimpleTransa::SetReadAddress(std::uint16_t address) {
    MoveChain(FReadBlocks, address, false);
}

void TkxMBSimpleTransa::SetWriteAddress(std::uint16_t address) {
    MoveChain(FWriteBlocks, address, true);
}

void TkxMBSimpleTransa::UpdateName() {
    SetDefaultName();
    std::string name = GetTransaName();
    if (FReadBlocks != nullptr) {
        name += "(" + std::to_string(FReadBlocks->Start()) + "r" +
                std::to_string(FReadBlocks->Count()) + ")";
    }
    if (FWriteBlocks != nullptr) {
        name += "(" + std::to_string(FWriteBlocks->Start()) + "w" +
                std::to_string(FWriteBlocks->Count()) + ")";
    }
    SetTransaName(name);
}

void TkxMBSimpleTransa::BuildReadHolding(std::uint16_t start, const TkxThreadBuffer& view) {
    FQuery.clear();
    FQuery.reserve(6);
    FQuery.push_back(GetSlaveAddress());
    FQuery.push_back(ReadHoldingCode);
    PushWord(FQuery, start);
    PushWord(FQuery, static_cast<std::uint16_t>(view.Size() / 2));
}

bool TkxMBSimpleTransa::BuildWrite(std::uint16_t start, TkxThreadBuffer& view) {
    return BuildWrite(start, view.Copy());
}

bool TkxMBSimpleTransa::BuildWrite(std::uint16_t start, const std::vector<std::uint8_t>& data) {
    const auto words = static_cast<int>(data.size() / 2);
    if (words < 1 || words > MaxWriteRegisters) {
        return false;
    }
    FQuery.clear();
    FQuery.reserve(data.size() + 7);
    FQuery.push_back(GetSlaveAddress());
    FQuery.push_back(words == 1 ? WriteSingleCode : WriteMultipleCode);
    PushWord(FQuery, start);
    if (words > 1) {
        PushWord(FQuery, static_cast<std::uint16_t>(words));
        FQuery.push_back(static_cast<std::uint8_t>(data.size()));
    }
    FQuery.insert(FQuery.end(), data.begin(), data.end());
    return true;
}

std::int32_t TkxMBSimpleTransa::ReadBlock(const TkxRegBlock& block) {
    TkxThreadBuffer* view = block.Data();
    if (view == nullptr) {
        return TkxMBResult::NoBuffer;
    }
    if (FResponse.size() < 3 || FResponse[0] != GetSlaveAddress() ||
        FResponse[1] != ReadHoldingCode) {
        return TkxMBResult::InvalidResponse;
    }
    const auto size = static_cast<std::size_t>(view->Size());
    if (FResponse[2] != size || FResponse.size() != size + 3) {
        return TkxMBResult::UnexpectedSize;
    }
    const std::uint8_t* data = FResponse.data() + 3;
    TkxThreadBuffer::Writer writer(*view);
    if (std::memcmp(writer.Data(), data, size) != 0) {
        std::memcpy(writer.Data(), data, size);
        FChanged = true;
    }
    return TkxMBResult::Ok;
}
