#pragma once

#include "modbus/tkxthreadbuffercls.h"
#include "registers/tkxregdatabuffercls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// A device buffer laid out from a definition text, with raw access to its bytes.
class TkxRegBufferFixture : public ::testing::Test {
protected:
    void Load(std::string_view text) {
        FDefs.SetText(text);
        FDefs.Build();
        FBuffer = std::make_unique<TkxRegDataBuffer>(&FDefs);
    }

    TkxRegister& Reg(int address) {
        TkxRegister* reg = FBuffer->RegisterAt(address);
        EXPECT_NE(reg, nullptr) << "no register at " << address;
        return *reg;
    }

    bool AllZero() {
        TkxThreadBuffer::Reader reader(*FBuffer->Buffer());
        const int size = FBuffer->Buffer()->Size();
        return std::all_of(reader.Data(), reader.Data() + size, [](auto b) { return b == 0; });
    }

    std::vector<std::uint8_t> Bytes(int address, int count) {
        TkxThreadBuffer::Reader reader(*FBuffer->Buffer());
        const int offset = FDefs.OffsetOf(address);
        return {reader.Data() + offset, reader.Data() + offset + count};
    }

    void Poke(int address, const std::vector<std::uint8_t>& bytes) {
        TkxThreadBuffer::Writer writer(*FBuffer->Buffer());
        std::copy(bytes.begin(), bytes.end(), writer.Data() + FDefs.OffsetOf(address));
    }

    TkxRegDefsList FDefs;
    std::unique_ptr<TkxRegDataBuffer> FBuffer;
};

using ByteList = std::vector<std::uint8_t>;
