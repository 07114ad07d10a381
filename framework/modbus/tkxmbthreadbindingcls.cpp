#include "modbus/tkxmbthreadbindingcls.h"

#include "modbus/tkxmbcontextcls.h"
#include "modbus/tkxmbservercls.h"
#include "modbus/tkxmbthreadthr.h"
#include "modbus/tkxmbtransactioncls.h"

TkxMBThreadBinding::TkxMBThreadBinding(TkxMBThreadSetup& setup)
    : FSetup(setup) {
    TakeSnapshot();
    FThread = std::make_unique<TkxMBThread>(this);
    // Each time the line runs, the devices not yet identified are asked who they are.
    FThread->SetRunningHook([this](TkxMBThread*) { FSetup.StartDevices(); });
}

TkxMBThreadBinding::~TkxMBThreadBinding() {
    FThread.reset();
}

int TkxMBThreadBinding::GetState() const {
    return FThread->GetState();
}

void TkxMBThreadBinding::ClearError() {
    TakeSnapshot();
    FThread->ClearError();
}

void TkxMBThreadBinding::TakeSnapshot() {
    TkxMBLinkSettings settings;
    settings.Name = FSetup.ThreadName();
    settings.ConnType = FSetup.ConnType();
    settings.Retries = FSetup.Retries();
    settings.BaudRate = FSetup.BaudRate();
    settings.ComPort = FSetup.ComPort();
    settings.ByteSize = FSetup.ByteSize();
    settings.FlowControl = FSetup.FlowCtrl();
    settings.Parity = FSetup.Parity();
    settings.SilentInterval = FSetup.SilentInt();
    settings.StopBits = FSetup.StopBits();
    settings.TimeOut = FSetup.TimeOut();
    settings.TransmissionMode = FSetup.TxMode();
    settings.TcpPort = FSetup.TcpIpPort();
    settings.Host = FSetup.HostName();
    std::lock_guard guard(FMutex);
    FValid = FSetup.IsValid();
    FSettings = std::move(settings);
}

bool TkxMBThreadBinding::IsValid() const {
    std::lock_guard guard(FMutex);
    return FValid;
}

TkxMBLinkSettings TkxMBThreadBinding::LinkSettings() const {
    std::lock_guard guard(FMutex);
    return FSettings;
}

std::unique_ptr<TkxMBServer> TkxMBThreadBinding::MakeServer(const TkxMBCancel& cancel) {
    return FSetup.Context().MakeServer(cancel);
}

TkxObject* TkxMBThreadBinding::Subject(TkxMBTransaction* transaction) {
    if (transaction == nullptr) {
        return &FSetup;
    }
    return transaction;
}

void TkxMBThreadBinding::PerformStateChange(TkxMBTransaction* transaction) {
    FSetup.PerformStateChange(Subject(transaction));
}

void TkxMBThreadBinding::PerformSetupAdd(TkxMBTransaction* transaction) {
    FSetup.PerformSetupAdd(Subject(transaction));
}

void TkxMBThreadBinding::PerformSetupDel(TkxMBTransaction* transaction) {
    FSetup.PerformSetupDel(Subject(transaction));
}

void TkxMBThreadBinding::PerformSetupChange(TkxMBTransaction* transaction) {
    FSetup.PerformSetupChange(Subject(transaction));
}

// The thread's own OnTransaError/OnTransaResponse have fired by the time these run.
void TkxMBThreadBinding::PerformTransaError(TkxMBTransaction* transaction) {
    FSetup.PerformTransaError(transaction);
}

void TkxMBThreadBinding::PerformTransaResponse(TkxMBTransaction* transaction) {
    FSetup.PerformTransaResponse(transaction);
}
