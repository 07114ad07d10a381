#include "devices/tkxdeviceslavecls.h"

#include "base/tkxerror.h"
#include "base/tkxmbresultcodes.h"
#include "base/tkxstatescale.h"
#include "devices/tkxdevicesetupcls.h"
#include "modbus/tkxmbreadholdregisterscls.h"
#include "modbus/tkxmbthreadthr.h"
#include "modbus/tkxmbwritesingleregistercls.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregistercls.h"

#include <memory>

namespace {

// Direct-access transactions belong to the framework, not to the user.
constexpr int FrameworkKind = 1;

TkxRegDefsList* CheckedDefs(const TkxDeviceSetup* setup, const TkxVersionRecord* version,
                            TkxRegDefsList* defs) {
    if (setup == nullptr) {
        throw ETkxError("You must specify a valid TkxDeviceSetup to allocate a new device!");
    }
    if (version == nullptr) {
        throw ETkxError("You must specify a valid TkxVersionRecord!");
    }
    return defs;
}

} // namespace

TkxDeviceSlave::TkxDeviceSlave(TkxDeviceSetup* setup, const TkxVersionRecord* version,
                               TkxRegDefsList* defs)
    : TkxRegDataBuffer(CheckedDefs(setup, version, defs))
    , FVersion(*version)
    , FSetup(setup) {}

TkxDeviceSlave::~TkxDeviceSlave() {
    SetThread(nullptr);
    DestroyTransactions();
    FSetup->DeviceGone(this);
}

void TkxDeviceSlave::SetThread(TkxMBThread* thread) {
    if (thread == FThread) {
        return;
    }
    if (TkxMBThread* old = FThread) {
        old->RemoveDevice(this);
    }
    FThread = thread;
    if (thread != nullptr) {
        FEverAttached = true;
        // The thread calls back SetThread with itself, which then does nothing.
        thread->AddDevice(this);
    }
    PerformStateChange(static_cast<TkxObject*>(this));
}

void TkxDeviceSlave::ClearThread() {
    FThread = nullptr;
    PerformStateChange(static_cast<TkxObject*>(this));
}

bool TkxDeviceSlave::IsSetupEnabled() const {
    return FSetup->Enabled();
}

void TkxDeviceSlave::ListProperties(std::vector<std::string>& strings) {
    if (FPropertiesTransa != nullptr) {
        ListRegisters(FPropertiesTransa->ReadBlocks(), strings);
    }
}

void TkxDeviceSlave::ListRegisters(const TkxRegBlock* first,
                                   std::vector<std::string>& strings) const {
    ForEachRegister(first, [&](const TkxRegister& reg) { reg.Dump(strings); });
}

void TkxDeviceSlave::ForEachRegister(const TkxRegBlock* first,
                                     const std::function<void(TkxRegister&)>& visit) const {
    for (const TkxRegBlock* block = first; block != nullptr; block = block->Next()) {
        const int end = block->Start() + block->Count();
        for (int address = block->Start(); address < end; ++address) {
            if (TkxRegister* reg = RegisterAt(address)) {
                visit(*reg);
            }
        }
    }
}

void TkxDeviceSlave::ListSetBits(const TkxRegister* reg, std::vector<std::string>& strings) const {
    if (reg == nullptr || reg->Data() == nullptr || !reg->Definition()->IsNumeric()) {
        return;
    }
    const TkxRegDefinition& definition = *reg->Definition();
    const int bits = definition.ElementBytes() * 8;
    for (int index = 0; index < definition.Length(); ++index) {
        const auto value = static_cast<std::uint32_t>(reg->GetValueInteger(index));
        for (int bit = 0; bit < bits; ++bit) {
            const std::uint32_t mask = 1U << bit;
            if ((value & mask) != 0) {
                strings.push_back(definition.GetDescr(index, mask));
            }
        }
    }
}

int TkxDeviceSlave::GetState() {
    TkxMBThread* thread = FThread;
    if (thread == nullptr || thread->GetState() != TkxState::Running) {
        return TkxState::OffLine;
    }
    if (!FSetup->Enabled()) {
        return TkxState::Disabled;
    }
    TransactionList::Locked locked(Transactions());
    for (const std::unique_ptr<TkxMBTransaction>& transaction : locked.Items()) {
        const int state = transaction->GetState();
        if (state == TkxState::Error || state == TkxState::CutOff) {
            return state;
        }
    }
    return TkxState::Running;
}

bool TkxDeviceSlave::IsReadyForEditing() {
    if (FThread == nullptr && !FEverAttached) {
        return true;
    }
    return GetState() == TkxState::Running;
}

void TkxDeviceSlave::ResetFaults() {
    // A reset tells the handlers of every transaction that was cut off, and they may detach or
    // destroy devices, or wait for the thread: none of that may happen under the list's lock,
    // which the worker takes while it holds the thread's device list. Only the main thread
    // destroys transactions, so one still in the list after a handler has run is whole.
    std::vector<TkxMBTransaction*> held;
    {
        TransactionList::Locked locked(Transactions());
        held.reserve(locked.Items().size());
        for (const std::unique_ptr<TkxMBTransaction>& transaction : locked.Items()) {
            held.push_back(transaction.get());
        }
    }
    for (TkxMBTransaction* transaction : held) {
        if (HasTransaction(transaction)) {
            transaction->ResetFaults();
        }
    }
}

bool TkxDeviceSlave::IsReady() {
    TkxMBThread* thread = FThread;
    return thread != nullptr && thread->GetState() == TkxState::Running &&
           GetState() == TkxState::Running;
}

void TkxDeviceSlave::PrepareDirect(TkxMBTransaction& transaction, const char* name,
                                   const char* comment) {
    transaction.SetEnabled(false);
    transaction.SetTransaName(name);
    transaction.SetComment(comment);
}

std::int32_t TkxDeviceSlave::StartDirect(TkxMBTransaction& transaction, bool wait) {
    transaction.TerminateIf.set(TkxMBTransaction::Always);
    transaction.SetEnabled(true);
    if (wait && !transaction.WaitFor(DirectWaitMs)) {
        return TkxMBResult::WaitTimeout;
    }
    return transaction.GetLastError();
}

std::int32_t TkxDeviceSlave::ReadRegister(std::uint16_t address, bool wait) {
    if (!IsReady()) {
        return TkxMBResult::WaitTimeout;
    }
    if (FReadRegisterTransa == nullptr) {
        FReadRegisterTransa =
            Adopt(std::make_unique<TkxMBReadHoldRegisters>(this, FrameworkKind, 1, address));
    } else if (!FReadRegisterTransa->WaitFor(DirectWaitMs)) {
        return TkxMBResult::WaitTimeout;
    }
    PrepareDirect(*FReadRegisterTransa, "ReadRegister", "Read a single register directly.");
    FReadRegisterTransa->SetReadAddress(address);
    return StartDirect(*FReadRegisterTransa, wait);
}

std::int32_t TkxDeviceSlave::WriteRegister(std::uint16_t address, bool wait) {
    if (!IsReady()) {
        return TkxMBResult::WaitTimeout;
    }
    if (FWriteRegisterTransa == nullptr) {
        FWriteRegisterTransa =
            Adopt(std::make_unique<TkxMBWriteSingleRegister>(this, FrameworkKind, address));
    } else if (!FWriteRegisterTransa->WaitFor(DirectWaitMs)) {
        return TkxMBResult::WaitTimeout;
    }
    PrepareDirect(*FWriteRegisterTransa, "WriteRegister", "Write a single register directly");
    FWriteRegisterTransa->SetWriteAddress(address);
    FWriteRegisterTransa->TakeValue();
    return StartDirect(*FWriteRegisterTransa, wait);
}

std::int32_t TkxDeviceSlave::ReadRegister(const TkxRegister& reg, bool wait) {
    return ReadRegister(reg.Definition()->Address(), wait);
}

std::int32_t TkxDeviceSlave::WriteRegister(const TkxRegister& reg, bool wait) {
    return WriteRegister(reg.Definition()->Address(), wait);
}

void TkxDeviceSlave::TransactionAdded(TkxMBTransaction* transaction) {
    if (OnTransaAdd) {
        OnTransaAdd(this, transaction);
    }
    FSetup->PerformSetupAdd(transaction);
}

void TkxDeviceSlave::TransactionRemoved(TkxMBTransaction* transaction) {
    // Forget the references a destroyed transaction would leave dangling.
    if (transaction == FReadRegisterTransa) {
        FReadRegisterTransa = nullptr;
    }
    if (transaction == FWriteRegisterTransa) {
        FWriteRegisterTransa = nullptr;
    }
    if (transaction == FPropertiesTransa) {
        FPropertiesTransa = nullptr;
    }
    if (OnTransaDel) {
        OnTransaDel(this, transaction);
    }
    FSetup->PerformSetupDel(transaction);
}

void TkxDeviceSlave::PerformTransaError(TkxMBTransaction* transaction) {
    if (OnTransaError) {
        OnTransaError(this, transaction);
    }
    if (TkxMBThread* thread = FThread) {
        thread->PerformTransaError(transaction);
    }
}

void TkxDeviceSlave::PerformTransaResponse(TkxMBTransaction* transaction) {
    if (OnTransaResponse) {
        OnTransaResponse(this, transaction);
    }
    if (TkxMBThread* thread = FThread) {
        thread->PerformTransaResponse(transaction);
    }
}

void TkxDeviceSlave::PerformStateChange(TkxMBTransaction* transaction) {
    PerformStateChange(static_cast<TkxObject*>(transaction));
}

void TkxDeviceSlave::PerformStateChange(TkxObject* object) {
    if (OnStateChange) {
        OnStateChange(this, object);
    }
    FSetup->PerformStateChange(object);
}

void TkxDeviceSlave::PerformSetupChange(TkxMBTransaction* transaction) {
    FSetup->PerformSetupChange(transaction);
}

std::uint8_t TkxDeviceSlave::ImposedAddress() const {
    return FSetup->DeviceAddr();
}

void TkxDeviceSlave::RunSoon() {
    if (TkxMBThread* thread = FThread) {
        thread->RunSoon();
    }
}

int TkxDeviceSlave::ImposedMaxFault() const {
    return FSetup->MaxFault();
}

int TkxDeviceSlave::DefaultRepeatTime() const {
    return FSetup->RepeatTime();
}
