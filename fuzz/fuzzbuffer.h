#pragma once

#include "modbus/tkxthreadbuffercls.h"
#include "registers/tkxregdatabuffercls.h"
#include "registers/tkxregdefslistcmp.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

// A copy of every byte of the buffer, to compare with after a step.
inline std::vector<std::uint8_t> Snapshot(TkxThreadBuffer& buffer) {
    TkxThreadBuffer::Reader reader(buffer);
    return {reader.Data(), reader.Data() + buffer.Size()};
}

// The start of an input shared by the register targets: a definition file, then the bytes of
// the device buffer laid out from it.
inline std::unique_ptr<TkxRegDataBuffer> FuzzedBuffer(FuzzedDataProvider& input,
                                                      TkxRegDefsList& defs) {
    defs.SetText(input.ConsumeRandomLengthString(4000));
    defs.Build();
    auto buffer = std::make_unique<TkxRegDataBuffer>(&defs);
    const std::vector<std::uint8_t> bytes =
        input.ConsumeBytes<std::uint8_t>(static_cast<std::size_t>(buffer->Buffer()->Size()));
    TkxThreadBuffer::Writer writer(*buffer->Buffer());
    std::copy(bytes.begin(), bytes.end(), writer.Data());
    return buffer;
}
