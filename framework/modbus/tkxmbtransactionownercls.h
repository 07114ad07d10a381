#pragma once

#include <cstdint>

class TkxMBThread;
class TkxMBTransaction;

// The owner of a transaction: a communication thread or a slave device. A transaction adds
// itself when it is made and removes itself when it is destroyed, and hands its results and
// notifications to the owner on the main thread.
class TkxMBTransactionOwner {
public:
    virtual ~TkxMBTransactionOwner() = default;

    // The thread the transaction runs on: the owner itself, or the device's thread (or null).
    virtual TkxMBThread* OwnerThread() = 0;
    virtual void AddTransaction(TkxMBTransaction* transaction) = 0;
    virtual void RemoveTransaction(TkxMBTransaction* transaction) = 0;
    virtual void PerformTransaError(TkxMBTransaction* transaction) = 0;
    virtual void PerformTransaResponse(TkxMBTransaction* transaction) = 0;
    virtual void PerformStateChange(TkxMBTransaction* transaction) = 0;
    virtual void PerformSetupChange(TkxMBTransaction* transaction) = 0;

    // A device imposes its address and fault limit on its transactions; a thread does not.
    virtual bool ImposesAddress() const { return false; }
    virtual std::uint8_t ImposedAddress() const { return 0; }
    virtual int ImposedMaxFault() const { return 0; }
    // The repeat time, in passes, that a new function transaction of the owner starts with;
    // 0 leaves the transaction's own.
    virtual int DefaultRepeatTime() const { return 0; }
};
