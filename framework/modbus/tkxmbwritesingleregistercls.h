#pragma once

#include "modbus/tkxmbsimpletransacls.h"

#include <cstdint>
#include <vector>

// Writes the first block of its write chain, the buffered bytes of one register: with function
// 6 for a register of one word, with function 16 for a wider one (a long's two words, a date's
// three).
class TkxMBWriteSingleRegister : public TkxMBSimpleTransa {
public:
    TkxMBWriteSingleRegister(TkxDeviceSlave* device, int kind, std::uint16_t address);

    // Takes the register's bytes as they are now for the next run to send. A periodic read of
    // the same register may land between the start of the write and its turn on the line; it
    // would bring the device's old value back into the buffer, and a write sending the buffer
    // would then send that old value. Without a taken value, the run sends the buffer. Once the
    // device has taken the value, the buffer holds it again.
    void TakeValue();

    std::int32_t Transact(TkxMBServer& server) override;
    std::string ClassName() const override { return "TkxMBWriteSingleRegister"; }

private:
    static void RestoreInBuffer(TkxThreadBuffer& view, const std::vector<std::uint8_t>& value);

    std::vector<std::uint8_t> FTakenValue;
};
