#include "modbus/tkxmbtransactionownercls.h"

#include "base/tkxerror.h"
#include "modbus/tkxmbtransactioncls.h"

TkxMBTransactionOwner::~TkxMBTransactionOwner() {
    while (std::unique_ptr<TkxMBTransaction> left = FTransactions.Take(FTransactions.First())) {
        left->FOwner = nullptr;
    }
}

void TkxMBTransactionOwner::AdoptTransaction(std::unique_ptr<TkxMBTransaction> transaction) {
    if (transaction == nullptr) {
        return;
    }
    if (transaction->GetOwner() != this) {
        throw ETkxError("A transaction can only be adopted by the owner it was made for!");
    }
    TransactionAdded(FTransactions.Adopt(std::move(transaction)));
}

bool TkxMBTransactionOwner::DestroyTransaction(const TkxMBTransaction* transaction) {
    return Destroy(FTransactions.Take(transaction));
}

bool TkxMBTransactionOwner::DestroyIfDue(const TkxMBTransaction* transaction) {
    return Destroy(FTransactions.TakeIf(
        transaction, [](const TkxMBTransaction& held) { return held.IsDueForDestroy(); }));
}

void TkxMBTransactionOwner::DestroyTransactions() {
    while (DestroyTransaction(FTransactions.First())) {
    }
}

bool TkxMBTransactionOwner::Destroy(std::unique_ptr<TkxMBTransaction> taken) {
    if (taken == nullptr) {
        return false;
    }
    // Out of the list and unlocked: the removal is reported while the transaction is whole,
    // and its destructor runs with no lock held that the thread could be waiting for.
    TransactionRemoved(taken.get());
    taken.reset();
    return true;
}
