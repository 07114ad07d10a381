#pragma once

#include "base/tkxobject.h"
#include "devices/tkxversionrecordcls.h"
#include "modbus/tkxmbthreaddevicecls.h"
#include "registers/tkxregdatabuffercls.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TkxDeviceSetup;
class TkxMBReadHoldRegisters;
class TkxMBSimpleTransa;
class TkxMBWriteSingleRegister;
class TkxRegBlock;
class TkxRegister;

// A slave device that has been identified: its version, its register values (it is the
// register data buffer laid out from its definitions) and the transactions that talk to it,
// which it owns. It is attached to the communication thread of its connection, which runs its
// transactions, and derives the state shown to the user from them. Every notification goes on
// to the device setup that owns it. Main thread only, except what the thread reads through
// TkxMBThreadDevice and TkxMBTransactionOwner.
class TkxDeviceSlave : public TkxObject, public TkxRegDataBuffer, public TkxMBThreadDevice {
public:
    using TransaEvent = std::function<void(TkxDeviceSlave* sender, TkxMBTransaction* transaction)>;
    using StateEvent = std::function<void(TkxDeviceSlave* sender, TkxObject* object)>;

    // How long a direct register access waits for its transaction.
    static constexpr int DirectWaitMs = 10000;

    // Throws ETkxError without a setup, a version or a definitions list.
    TkxDeviceSlave(TkxDeviceSetup* setup, const TkxVersionRecord* version, TkxRegDefsList* defs);
    // Detaches from the thread, destroys the transactions and leaves the setup.
    ~TkxDeviceSlave() override;

    // TkxMBThreadDevice: attaching to a thread, and what the thread reads in each pass.
    void SetThread(TkxMBThread* thread) override;
    void ClearThread() override;
    bool IsSetupEnabled() const override;

    // The property texts of the device: the listing of every register in the blocks of the
    // properties transaction; nothing without one.
    virtual void ListProperties(std::vector<std::string>& strings);
    // The listing of every register the buffer holds in the blocks of the chain.
    void ListRegisters(const TkxRegBlock* first, std::vector<std::string>& strings) const;
    // Every register the buffer holds in the blocks of the chain, in chain and address order.
    void ForEachRegister(const TkxRegBlock* first,
                         const std::function<void(TkxRegister&)>& visit) const;
    // The description of every set bit of every element of the register.
    void ListSetBits(const TkxRegister* reg, std::vector<std::string>& strings) const;

    // 0 off-line, 1 disabled, 3 ready, or 5/8 of the first failing or cut-off transaction.
    int GetState();
    // Whether the user may change the device's values now: when it is ready (state 3), and
    // also when it was made without a link (offline work on a chosen drive type) and has never
    // been attached to a thread, so that offline setups can be edited.
    bool IsReadyForEditing();
    void ResetFaults();

    // One read (function 3) or write (function 6, the value buffered at the call, which a read
    // landing before the write goes out does not change) of a register, queued on
    // the thread; with wait, the caller waits for it (serving the main-thread queue). -11 at
    // once unless the connection and the device are ready, or when the previous direct access
    // has not ended within 10 s, or when the device is destroyed while the call waits (by a
    // call the main thread served meanwhile); otherwise the transaction's last result.
    std::int32_t ReadRegister(std::uint16_t address, bool wait);
    std::int32_t WriteRegister(std::uint16_t address, bool wait);
    std::int32_t ReadRegister(const TkxRegister& reg, bool wait);
    std::int32_t WriteRegister(const TkxRegister& reg, bool wait);

    // Transactions are made for the device and handed over with Adopt (TkxMBTransactionOwner),
    // and destroyed with DestroyTransaction.
    bool HasTransa(const TkxMBTransaction* transaction) { return HasTransaction(transaction); }

    void PerformTransaError(TkxMBTransaction* transaction) override;
    void PerformTransaResponse(TkxMBTransaction* transaction) override;
    void PerformStateChange(TkxMBTransaction* transaction) override;
    void PerformStateChange(TkxObject* object);

    // TkxMBTransactionOwner
    TkxMBThread* OwnerThread() override { return FThread; }
    void RunSoon() override;
    void PerformSetupChange(TkxMBTransaction* transaction) override;
    bool ImposesAddress() const override { return true; }
    std::uint8_t ImposedAddress() const override;
    int ImposedMaxFault() const override;
    int DefaultRepeatTime() const override;

    const TkxVersionRecord& GetVersion() const { return FVersion; }
    TkxDeviceSetup& GetSetup() const { return *FSetup; }
    TkxMBThread* GetThread() const { return FThread; }
    TkxMBSimpleTransa* GetPropertiesTransa() const { return FPropertiesTransa; }

    TransaEvent OnTransaError;
    TransaEvent OnTransaResponse;
    StateEvent OnStateChange;
    TransaEvent OnTransaAdd;
    TransaEvent OnTransaDel;

protected:
    void SetPropertiesTransa(TkxMBSimpleTransa* transaction) { FPropertiesTransa = transaction; }
    // Adding fires OnTransaAdd, removing OnTransaDel, each then tells the setup.
    void TransactionAdded(TkxMBTransaction* transaction) override;
    void TransactionRemoved(TkxMBTransaction* transaction) override;

private:
    static void PrepareDirect(TkxMBTransaction& transaction, const char* name, const char* comment);
    // Queues one run of a direct-access transaction and, with wait, waits for it.
    static std::int32_t StartDirect(TkxMBTransaction& transaction, bool wait);
    bool IsReady();

    TkxVersionRecord FVersion;
    TkxDeviceSetup* FSetup;
    std::atomic<TkxMBThread*> FThread{nullptr};
    // Set by the first attachment to a thread; a device never attached was made offline.
    std::atomic<bool> FEverAttached{false};
    TkxMBSimpleTransa* FPropertiesTransa = nullptr;
    TkxMBReadHoldRegisters* FReadRegisterTransa = nullptr;
    TkxMBWriteSingleRegister* FWriteRegisterTransa = nullptr;
};
