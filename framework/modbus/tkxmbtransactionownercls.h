#pragma once

#include "modbus/tkxthreadsafelistcls.h"

#include <cstdint>
#include <memory>

class TkxMBThread;
class TkxMBTransaction;

// The owner of transactions: a communication thread or a slave device. It holds them in a
// thread-safe list that the thread walks in each pass. A transaction is made for its owner and
// handed over with Adopt; it ends when its owner destroys it, on the main thread. The
// transaction hands its results and notifications to the owner on the main thread.
class TkxMBTransactionOwner {
public:
    using TransactionList = TkxThreadSafeList<TkxMBTransaction, std::unique_ptr<TkxMBTransaction>>;

    TkxMBTransactionOwner() = default;
    // An owner destroys its transactions in its own destructor (DestroyTransactions), while it
    // still hears their notifications; any left by then go without telling it.
    virtual ~TkxMBTransactionOwner();
    TkxMBTransactionOwner(const TkxMBTransactionOwner&) = delete;
    TkxMBTransactionOwner& operator=(const TkxMBTransactionOwner&) = delete;

    // Takes over a transaction made for this owner, reports it added and returns it; null is
    // ignored. Throws ETkxError for a transaction made for another owner.
    template <typename T>
    T* Adopt(std::unique_ptr<T> transaction) {
        T* adopted = transaction.get();
        AdoptTransaction(std::move(transaction));
        return adopted;
    }
    // Takes the transaction out of the list, reports it removed, then destroys it, which
    // reports its state change. False, touching nothing, when it is not the owner's.
    bool DestroyTransaction(const TkxMBTransaction* transaction);
    // The same, but only while the transaction has ended for good (IsDueForDestroy): the
    // thread picks such a transaction, the main thread destroys it a moment later.
    bool DestroyIfDue(const TkxMBTransaction* transaction);
    // Destroys every transaction, first to last.
    void DestroyTransactions();
    bool HasTransaction(const TkxMBTransaction* transaction) {
        return FTransactions.Contains(transaction);
    }
    TransactionList& Transactions() { return FTransactions; }

    // The thread the transactions run on: the owner itself, or the device's thread (or null).
    virtual TkxMBThread* OwnerThread() = 0;
    virtual void PerformTransaError(TkxMBTransaction* transaction) = 0;
    virtual void PerformTransaResponse(TkxMBTransaction* transaction) = 0;
    virtual void PerformStateChange(TkxMBTransaction* transaction) = 0;
    virtual void PerformSetupChange(TkxMBTransaction* transaction) = 0;
    // A transaction was enabled: its thread should run it at once rather than a pass later.
    virtual void RunSoon() {}

    // A device imposes its address and fault limit on its transactions; a thread does not.
    virtual bool ImposesAddress() const { return false; }
    virtual std::uint8_t ImposedAddress() const { return 0; }
    virtual int ImposedMaxFault() const { return 0; }
    // The repeat time, in passes, that a new function transaction of the owner starts with;
    // 0 leaves the transaction's own.
    virtual int DefaultRepeatTime() const { return 0; }

protected:
    // Reports a transaction that has joined the list, and one that has left it and is about to
    // be destroyed.
    virtual void TransactionAdded(TkxMBTransaction* transaction) = 0;
    virtual void TransactionRemoved(TkxMBTransaction* transaction) = 0;

private:
    void AdoptTransaction(std::unique_ptr<TkxMBTransaction> transaction);
    bool Destroy(std::unique_ptr<TkxMBTransaction> taken);

    TransactionList FTransactions;
};
