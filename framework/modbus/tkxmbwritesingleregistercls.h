#pragma once

#include "modbus/tkxmbsimpletransacls.h"

// Writes the first block of its write chain, the buffered bytes of one register: with function
// 6 for a register of one word, with function 16 for a wider one (a long's two words, a date's
// three).
class TkxMBWriteSingleRegister : public TkxMBSimpleTransa {
public:
    TkxMBWriteSingleRegister(TkxDeviceSlave* device, int kind, std::uint16_t address);

    std::int32_t Transact(TkxMBServer& server) override;
    std::string ClassName() const override { return "TkxMBWriteSingleRegister"; }
};
