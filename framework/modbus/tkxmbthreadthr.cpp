#include "modbus/tkxmbthreadthr.h"

#include "base/tkxdispatchercls.h"
#include "base/tkxerror.h"
#include "base/tkxmbresultcodes.h"
#include "base/tkxstatescale.h"
#include "modbus/tkxmbservercls.h"
#include "modbus/tkxmbthreaddevicecls.h"
#include "modbus/tkxmbthreadhostcls.h"
#include "modbus/tkxmbtransactioncls.h"

#include <poll.h>

#include <chrono>
#include <utility>
#include <vector>

namespace {

std::string PortName(const TkxMBLinkSettings& settings) {
    if (settings.ConnType == 2) {
        return settings.Host + ":" + std::to_string(settings.TcpPort);
    }
    return "COM" + std::to_string(settings.ComPort);
}

} // namespace

TkxMBThread::TkxMBThread(TkxMBThreadHost* setup)
    : FSetup(setup) {
    if (setup == nullptr) {
        throw ETkxError("You must specify a valid TkxMBThreadSetup to allocate a new thread!");
    }
    TkxMainDispatcher(); // fixes the default main thread before the worker can ask
    FWorker = std::thread([this] { Execute(); });
}

TkxMBThread::~TkxMBThread() {
    Terminate();
    WaitFor();
}

std::string TkxMBThread::GetLastErrorText() const {
    std::lock_guard guard(FMutex);
    return FLastErrorText;
}

void TkxMBThread::ClearError() {
    FLastError = TkxMBResult::Ok;
}

void TkxMBThread::Terminate() {
    FTerminated = true;
    FCancel.Trigger();
}

void TkxMBThread::WaitFor() {
    if (!FWorker.joinable()) {
        return;
    }
    TkxDispatcher& dispatcher = TkxMainDispatcher();
    if (dispatcher.IsMainThread()) {
        while (
            !dispatcher.WaitUntil([this] { return FFinished.load(); }, std::chrono::seconds(1))) {
        }
    }
    // Elsewhere the main thread serves the worker's hand-offs; joining is all that is left.
    FWorker.join();
}

void TkxMBThread::SetRunningHook(RunningHook hook) {
    std::lock_guard guard(FMutex);
    FRunningHook = std::move(hook);
}

void TkxMBThread::AddDevice(TkxMBThreadDevice* device) {
    if (device == nullptr) {
        return;
    }
    FDevices.Add(device);
    device->SetThread(this);
}

void TkxMBThread::RemoveDevice(TkxMBThreadDevice* device) {
    if (device == nullptr) {
        return;
    }
    device->ClearThread();
    FDevices.Remove(device);
}

void TkxMBThread::TransactionAdded(TkxMBTransaction* transaction) {
    FSetup->PerformSetupAdd(transaction);
}

void TkxMBThread::TransactionRemoved(TkxMBTransaction* transaction) {
    FSetup->PerformSetupDel(transaction);
}

void TkxMBThread::PerformTransaError(TkxMBTransaction* transaction) {
    if (OnTransaError) {
        OnTransaError(this, transaction);
    }
    FSetup->PerformTransaError(transaction);
}

void TkxMBThread::PerformTransaResponse(TkxMBTransaction* transaction) {
    if (OnTransaResponse) {
        OnTransaResponse(this, transaction);
    }
    FSetup->PerformTransaResponse(transaction);
}

void TkxMBThread::PerformStateChange(TkxMBTransaction* transaction) {
    if (OnStateChange) {
        OnStateChange(this, transaction);
    }
    FSetup->PerformStateChange(transaction);
}

void TkxMBThread::PerformSetupChange(TkxMBTransaction* transaction) {
    FSetup->PerformSetupChange(transaction);
}

bool TkxMBThread::RegisterServer(const std::string& /*folder*/) {
    Log("The Modbus line is built into the program and needs no registration.");
    ClearError();
    return true;
}

void TkxMBThread::Log(const std::string& line) {
    TkxMainDispatcher().Post([this, line] {
        if (OnLog) {
            OnLog(this, line);
        }
    });
}

void TkxMBThread::Execute() {
    using Clock = std::chrono::steady_clock;
    while (!FTerminated || FServer || FState > TkxState::Disabled) {
        const auto start = Clock::now();
        Pass();
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        const auto rest = std::chrono::milliseconds(PassMs) - took;
        if (rest.count() > 0) {
            // Ending the thread, or work made due, cuts the sleep short.
            FRunSoon.WaitFor(FCancel.Fd(), POLLIN, static_cast<int>(rest.count()));
            FRunSoon.Reset();
        } else {
            std::this_thread::yield();
        }
    }
    TkxMainDispatcher().Synchronize([this] { EndOfThread(); });
    FFinished = true;
    TkxMainDispatcher().Wake();
}

void TkxMBThread::RunSoon() {
    FRunSoon.Trigger();
}

void TkxMBThread::Pass() {
    if (FServer) {
        if (FSetup->IsEnabled() && FSetup->IsOnLine() && !FTerminated) {
            RunOwnTransactions();
            RunDevices();
        } else {
            SetState(TkxState::Stopping);
            CloseServer();
        }
        return;
    }
    if (FTerminated) {
        // An ending thread opens nothing, whatever its setup says, so the owner's wait ends.
        SetState(TkxState::OffLine);
    } else if (!FSetup->IsValid()) {
        SetState(TkxState::SetupError);
    } else if (!FSetup->IsOnLine()) {
        SetState(TkxState::OffLine);
    } else if (!FSetup->IsEnabled()) {
        SetState(TkxState::Disabled);
    } else if (FLastError == TkxMBResult::Ok) {
        SetState(TkxState::Starting);
        if (OpenServer()) {
            SetState(TkxState::Running);
        } else if (FLastError == TkxMBResult::InvalidSetup) {
            SetState(TkxState::SetupError);
        } else if (FLastError == TkxMBResult::NotRegistered) {
            SetState(TkxState::NotRegistered);
        } else {
            SetState(TkxState::OpenError);
        }
    }
}

bool TkxMBThread::OpenServer() {
    if (FServer) {
        return false;
    }
    if (!FSetup->IsValid()) {
        FLastError = TkxMBResult::InvalidSetup;
        return false;
    }
    const TkxMBLinkSettings settings = FSetup->LinkSettings();
    std::unique_ptr<TkxMBServer> server;
    std::string why;
    try {
        server = FSetup->MakeServer(FCancel);
        if (!server) {
            throw ETkxError("the Modbus line could not be created");
        }
        bool ok = false;
        server->OpenConnection(settings.Name, static_cast<std::int16_t>(settings.ConnType), ok);
        bool connected = false;
        if (ok) {
            server->Set_Retries(static_cast<std::int16_t>(settings.Retries));
            server->Set_RaiseError(false);
            server->Set_BaudRate(settings.BaudRate);
            server->Set_ComPort(static_cast<std::int16_t>(settings.ComPort));
            server->Set_ByteSize(static_cast<std::int16_t>(settings.ByteSize));
            server->Set_FlowControl(static_cast<std::int16_t>(settings.FlowControl));
            server->Set_Parity(static_cast<std::int16_t>(settings.Parity));
            server->Set_SilentInterval(settings.SilentInterval);
            server->Set_StopBits(static_cast<std::int16_t>(settings.StopBits));
            server->Set_TimeOut(settings.TimeOut);
            server->Set_TransmissionMode(static_cast<std::int16_t>(settings.TransmissionMode));
            server->Set_TcpPort(settings.TcpPort);
            server->Set_Host(settings.Host);
            server->Connect(connected);
        }
        why = server->GetLastErrorText();
        if (connected) {
            FServer = std::move(server);
            FLastError = TkxMBResult::Ok;
        } else {
            if (ok) {
                server->CloseConnection();
            }
            FLastError = TkxMBResult::ConnectionError;
        }
    } catch (const std::exception& error) {
        why = error.what();
        FLastError = TkxMBResult::NotRegistered;
    } catch (...) {
        why = "unknown failure";
        FLastError = TkxMBResult::NotRegistered;
    }
    {
        std::lock_guard guard(FMutex);
        FLastErrorText = FLastError == TkxMBResult::Ok ? "" : why;
    }
    if (FLastError != TkxMBResult::Ok) {
        Log(settings.Name + ": " + PortName(settings) + ": " +
            (why.empty() ? "the link could not be opened" : why));
    }
    return FLastError == TkxMBResult::Ok;
}

void TkxMBThread::CloseServer() {
    if (FServer) {
        FServer->CloseConnection();
        FServer.reset();
        FLastError = TkxMBResult::Ok;
    }
}

void TkxMBThread::SetState(std::uint8_t state) {
    if (state == FState) {
        return;
    }
    FState = state;
    TkxDispatcher& dispatcher = TkxMainDispatcher();
    if (state == TkxState::Running) {
        RunningHook hook;
        {
            std::lock_guard guard(FMutex);
            hook = FRunningHook;
        }
        if (hook) {
            dispatcher.Synchronize([this, &hook] { hook(this); });
        }
    }
    dispatcher.Synchronize([this] { PerformStateChange(nullptr); });
}

const TkxMBTransaction* TkxMBThread::RunTransactions(TkxMBTransactionOwner& owner) {
    TkxMBTransactionOwner::TransactionList::Locked locked(owner.Transactions());
    const TkxMBTransaction* ended = nullptr;
    for (const std::unique_ptr<TkxMBTransaction>& transaction : locked.Items()) {
        if (FTerminated) {
            break;
        }
        // One destruction per list and pass; the one picked is not run again.
        if (ended == nullptr && transaction->IsDueForDestroy()) {
            ended = transaction.get();
            continue;
        }
        transaction->Run(*FServer);
    }
    return ended;
}

void TkxMBThread::RunOwnTransactions() {
    if (const TkxMBTransaction* ended = RunTransactions(*this)) {
        // The main thread checks again: it may have enabled or destroyed it meanwhile.
        TkxMainDispatcher().Synchronize([this, ended] { DestroyIfDue(ended); });
    }
}

void TkxMBThread::RunDevices() {
    std::vector<std::pair<TkxMBThreadDevice*, const TkxMBTransaction*>> ended;
    {
        TkxThreadSafeList<TkxMBThreadDevice>::Locked locked(FDevices);
        for (TkxMBThreadDevice* device : locked.Items()) {
            if (FTerminated) {
                break;
            }
            if (!device->IsSetupEnabled()) {
                continue;
            }
            if (const TkxMBTransaction* transaction = RunTransactions(*device)) {
                ended.emplace_back(device, transaction);
            }
        }
    }
    if (ended.empty()) {
        return;
    }
    // Only with the device list released: the main thread takes its lock to detach a device it
    // destroys, and must not wait there for this thread while this thread waits for it.
    TkxMainDispatcher().Synchronize([this, &ended] {
        for (const auto& [device, transaction] : ended) {
            // A device detached meanwhile has destroyed its transactions itself.
            if (FDevices.Contains(device)) {
                device->DestroyIfDue(transaction);
            }
        }
    });
}

void TkxMBThread::EndOfThread() {
    while (TkxMBThreadDevice* device = FDevices.First()) {
        RemoveDevice(device);
    }
    DestroyTransactions();
}
