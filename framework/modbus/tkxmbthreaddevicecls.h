#pragma once

#include "modbus/tkxthreadsafelistcls.h"

class TkxMBThread;
class TkxMBTransaction;

// A slave device as its communication thread sees it: attached and detached by the thread,
// and walked in each pass for its own transactions.
class TkxMBThreadDevice {
public:
    virtual ~TkxMBThreadDevice() = default;

    virtual void SetThread(TkxMBThread* thread) = 0;
    virtual void ClearThread() = 0;
    // Read on the worker in every pass.
    virtual bool IsSetupEnabled() const = 0;
    virtual TkxThreadSafeList<TkxMBTransaction>& DeviceTransactions() = 0;
};
