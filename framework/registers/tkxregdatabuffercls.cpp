#include "registers/tkxregdatabuffercls.h"

#include "base/tkxerror.h"
#include "modbus/tkxthreadbuffercls.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"
#include "registers/tkxtextresourcecls.h"

TkxRegDataBuffer::TkxRegDataBuffer(TkxRegDefsList* defs) {
    if (defs == nullptr) {
        throw ETkxError(
            "You must specify a valid TkxRegDefsList reference to allocate registers buffer!");
    }
    Allocate(defs);
}

TkxRegDataBuffer::~TkxRegDataBuffer() {
    Release();
}

void TkxRegDataBuffer::Allocate(TkxRegDefsList* defs) {
    if (defs == nullptr || IsAllocated()) {
        return;
    }
    try {
        FDefs = defs;
        FBuffer = std::make_unique<TkxThreadBuffer>(defs->BufferSize());
        FRegisters.reserve(static_cast<std::size_t>(defs->Count()));
        for (int i = 0; i < defs->Count(); ++i) {
            FRegisters.push_back(std::make_unique<TkxRegister>(this, defs->Items(i)));
        }
    } catch (...) {
        Release();
        throw;
    }
}

void TkxRegDataBuffer::Release() {
    // The registers' views point into the buffer, so they go first.
    while (!FRegisters.empty()) {
        FRegisters.pop_back();
    }
    FBuffer.reset();
    FDefs = nullptr;
}

std::unique_ptr<TkxThreadBuffer> TkxRegDataBuffer::ViewOf(int address, int count) const {
    if (!IsAllocated()) {
        return nullptr;
    }
    const int offset = FDefs->OffsetOf(address);
    const int size = FDefs->RangeBytes(address, count);
    if (size <= 0 || offset < 0 || offset >= FBuffer->Size() || FBuffer->Size() - offset < size) {
        return nullptr;
    }
    return FBuffer->SubBuffer(offset, size);
}

TkxRegister* TkxRegDataBuffer::RegisterAt(int address) const {
    return IsAllocated() ? Registers(FDefs->IndexOfAddress(address)) : nullptr;
}

TkxRegister* TkxRegDataBuffer::RegisterByName(std::string_view name) const {
    const std::size_t begin = name.find_first_not_of(' ');
    if (!IsAllocated() || begin == std::string_view::npos) {
        return nullptr;
    }
    name = name.substr(begin, name.find_last_not_of(' ') - begin + 1);
    return Registers(FDefs->IndexOfName(name));
}

TkxRegister* TkxRegDataBuffer::Registers(int index) const {
    if (index < 0 || index >= RegisterCount()) {
        return nullptr;
    }
    return FRegisters[static_cast<std::size_t>(index)].get();
}

void TkxRegDataBuffer::SaveBlocks(const TkxRegBlock* blocks, std::string_view section,
                                  TkxTextResource* resource) const {
    if (resource == nullptr) {
        return;
    }
    for (const TkxRegBlock* block = blocks; block != nullptr; block = block->Next()) {
        for (int address = block->Start(); address < block->Start() + block->Count(); ++address) {
            if (const TkxRegister* reg = RegisterAt(address)) {
                reg->SaveToResource(section, resource);
            }
        }
    }
}

std::string TkxRegDataBuffer::LoadFromSection(std::string_view section, TkxTextResource* resource,
                                              const TkxRegBlock* blocks) {
    if (resource == nullptr) {
        return "Source file not defined!";
    }
    std::vector<std::string> entries;
    resource->ReadSectionValues(section, entries);
    std::string report;
    for (const std::string& entry : entries) {
        const std::string key = entry.substr(0, entry.find('='));
        TkxRegister* reg = RegisterByName(key);
        if (reg == nullptr) {
            report += key + "=UNKNOWN!\r\n";
            continue;
        }
        const std::string& name = reg->Definition()->Name();
        if (blocks != nullptr && !blocks->Contains(reg->Definition()->Address())) {
            report += name + "=Excluded!\r\n";
        } else if (reg->LoadFromResource(section, resource)) {
            report += name + "=Found.\r\n";
        } else {
            report += name + "=NOT_FOUND!\r\n";
        }
    }
    return report;
}
