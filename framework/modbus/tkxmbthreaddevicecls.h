#pragma once

#include "modbus/tkxmbtransactionownercls.h"

class TkxMBThread;

// A slave device as its communication thread sees it: the owner of transactions that the
// thread attaches and detaches, and whose transactions it runs in each pass while the device's
// setup is enabled. A device detaches itself before it is destroyed.
class TkxMBThreadDevice : public TkxMBTransactionOwner {
public:
    virtual void SetThread(TkxMBThread* thread) = 0;
    virtual void ClearThread() = 0;
    // Read on the worker in every pass.
    virtual bool IsSetupEnabled() const = 0;
};
