#pragma once

#include "modbus/tkxmbsimpletransacls.h"

// Reads the first block of its read chain with function 3.
class TkxMBReadHoldRegisters : public TkxMBSimpleTransa {
public:
    TkxMBReadHoldRegisters(TkxDeviceSlave* device, int kind, std::uint16_t count,
                           std::uint16_t start);

    std::int32_t Transact(TkxMBServer& server) override;
    std::string ClassName() const override { return "TkxMBReadHoldRegisters"; }
};
