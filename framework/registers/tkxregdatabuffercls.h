#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TkxRegBlock;
class TkxRegDefsList;
class TkxRegister;
class TkxTextResource;
class TkxThreadBuffer;

// The current register values of one device: one byte buffer laid out from the device's
// definitions list, in Modbus word order, under one multi-reader, single-writer lock, and one
// TkxRegister per definition. Registers and register blocks reach the bytes through views of
// the buffer that share its lock; nothing is copied.
class TkxRegDataBuffer {
public:
    // Throws ETkxError for a null list.
    explicit TkxRegDataBuffer(TkxRegDefsList* defs);
    virtual ~TkxRegDataBuffer();

    TkxRegDataBuffer(const TkxRegDataBuffer&) = delete;
    TkxRegDataBuffer& operator=(const TkxRegDataBuffer&) = delete;

    // Lays the buffer out once; does nothing for a null list or when already allocated.
    void Allocate(TkxRegDefsList* defs);
    // Destroys the registers, last first, then the buffer.
    void Release();
    bool IsAllocated() const { return FBuffer != nullptr; }

    // A view of the registers address..address+count-1, or null when it would be empty or
    // reach outside the buffer. The caller owns it and releases it before the buffer.
    std::unique_ptr<TkxThreadBuffer> ViewOf(int address, int count) const;
    TkxRegister* RegisterAt(int address) const;
    // By exact name, blanks around it ignored; null when absent.
    TkxRegister* RegisterByName(std::string_view name) const;
    int RegisterCount() const { return static_cast<int>(FRegisters.size()); }
    // The register of definition index (the list's address order), or null.
    TkxRegister* Registers(int index) const;

    // Writes every defined register of the blocks, in block order, to section of resource.
    void SaveBlocks(const TkxRegBlock* blocks, std::string_view section,
                    TkxTextResource* resource) const;
    // Loads the registers named by the entries of section and reports each entry on its own
    // line: found, not found, unknown, or outside blocks (null blocks accept every register).
    std::string LoadFromSection(std::string_view section, TkxTextResource* resource,
                                const TkxRegBlock* blocks);

    TkxRegDefsList* Defs() const { return FDefs; }
    TkxThreadBuffer* Buffer() const { return FBuffer.get(); }

private:
    TkxRegDefsList* FDefs = nullptr;
    std::unique_ptr<TkxThreadBuffer> FBuffer;
    std::vector<std::unique_ptr<TkxRegister>> FRegisters;
};
