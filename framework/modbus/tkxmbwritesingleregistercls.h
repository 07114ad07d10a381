#pragma once

#include "modbus/tkxmbsimpletransacls.h"

// Writes the first block of its write chain with function 6: the buffered bytes of one
// register (four for a long).
class TkxMBWriteSingleRegister : public TkxMBSimpleTransa {
public:
    TkxMBWriteSingleRegister(TkxDeviceSlave* device, int kind, std::uint16_t address);

    std::int32_t Transact(TkxMBServer& server) override;
    std::string ClassName() const override { return "TkxMBWriteSingleRegister"; }
};
