#pragma once

#include "modbus/tkxmbsimpletransacls.h"

#include <atomic>

// Reads every block of its read chain, then writes every block of its write chain (function 6
// for one 16-bit register, 16 for more), pausing BlockDelay ms after each block. A time-out ends
// the run, so nothing is written after a read that got no answer; other errors do not, but the
// run's result is the first of them.
class TkxMBChainedTransa : public TkxMBSimpleTransa {
public:
    TkxMBChainedTransa(TkxDeviceSlave* device, int kind);

    std::int32_t Transact(TkxMBServer& server) override;
    // Only user-made transactions can be edited; no dialog is offered for them yet, which
    // counts as cancelled.
    int EditDlg(std::uint16_t options) override;
    std::string ClassName() const override { return "TkxMBChainedTransa"; }

    int GetBlockDelay() const { return FBlockDelay; }
    void SetBlockDelay(int milliseconds) { FBlockDelay = milliseconds; }

private:
    std::int32_t ReadChain(TkxMBServer& server);
    std::int32_t WriteChain(TkxMBServer& server, std::int32_t result);
    void Pause() const;
    static std::int32_t FirstFailure(std::int32_t sofar, std::int32_t latest);

    std::atomic<int> FBlockDelay{0};
};
