#include "support/tkxmbscriptedservercls.h"

#include "base/tkxmbresultcodes.h"
#include "modbus/tkxmbcancelcls.h"

#include <poll.h>

#include <stdexcept>

void TkxMBScript::Push(Step step) {
    std::lock_guard guard(FMutex);
    FSteps.push_back(std::move(step));
}

void TkxMBScript::SetResponder(std::function<Step(const std::vector<std::uint8_t>&)> responder) {
    std::lock_guard guard(FMutex);
    FResponder = std::move(responder);
}

void TkxMBScript::SetOpenOk(bool ok) {
    std::lock_guard guard(FMutex);
    FOpenOk = ok;
}

void TkxMBScript::SetConnectOk(bool ok) {
    std::lock_guard guard(FMutex);
    FConnectOk = ok;
}

void TkxMBScript::SetThrowOnOpen(bool fail) {
    std::lock_guard guard(FMutex);
    FThrowOnOpen = fail;
}

std::vector<std::vector<std::uint8_t>> TkxMBScript::Queries() const {
    std::lock_guard guard(FMutex);
    return FQueries;
}

std::vector<std::string> TkxMBScript::Calls() const {
    std::lock_guard guard(FMutex);
    return FCalls;
}

int TkxMBScript::ConnectedCount() const {
    std::lock_guard guard(FMutex);
    return FConnected;
}

TkxMBLinkSettings TkxMBScript::LastSettings() const {
    std::lock_guard guard(FMutex);
    return FSettings;
}

TkxMBScriptedServer::TkxMBScriptedServer(std::shared_ptr<TkxMBScript> script,
                                         const TkxMBCancel& cancel)
    : FScript(std::move(script))
    , FCancel(cancel) {}

TkxMBScriptedServer::~TkxMBScriptedServer() {
    if (FConnected) {
        CloseConnection();
    }
}

void TkxMBScriptedServer::Record(const std::string& call) {
    std::lock_guard guard(FScript->FMutex);
    FScript->FCalls.push_back(call);
}

void TkxMBScriptedServer::OpenConnection(const std::string& name, std::int16_t type, bool& ok) {
    Record("OpenConnection");
    bool throws = false;
    bool openOk = true;
    {
        std::lock_guard guard(FScript->FMutex);
        throws = FScript->FThrowOnOpen;
        openOk = FScript->FOpenOk;
    }
    if (throws) {
        throw std::runtime_error("the server component failed to start");
    }
    TkxMBServer::OpenConnection(name, type, ok);
    ok = ok && openOk;
}

void TkxMBScriptedServer::Connect(bool& connected) {
    Record("Connect");
    std::lock_guard guard(FScript->FMutex);
    connected = FScript->FConnectOk;
    FScript->FSettings = FSettings;
    FLastErrorText = connected ? "" : "the scripted line refuses to connect";
    if (connected) {
        ++FScript->FConnected;
    }
    FConnected = connected;
}

void TkxMBScriptedServer::CloseConnection() {
    Record("CloseConnection");
    std::lock_guard guard(FScript->FMutex);
    if (FConnected) {
        --FScript->FConnected;
    }
    FConnected = false;
}

TkxMBReply TkxMBScriptedServer::Transfer(std::span<const std::uint8_t> query) {
    const std::vector<std::uint8_t> sent(query.begin(), query.end());
    TkxMBScript::Step step{TkxMBResult::Timeout, {}, {}};
    {
        std::lock_guard guard(FScript->FMutex);
        FScript->FQueries.push_back(sent);
        if (!FScript->FSteps.empty()) {
            step = std::move(FScript->FSteps.front());
            FScript->FSteps.pop_front();
        } else if (FScript->FResponder) {
            step = FScript->FResponder(sent);
        }
    }
    if (step.Delay.count() > 0 &&
        FCancel.WaitFor(-1, POLLIN, static_cast<int>(step.Delay.count())) ==
            TkxMBCancel::Wait::Cancelled) {
        return {TkxMBResult::Timeout, {}};
    }
    if (step.Result != TkxMBResult::Ok) {
        return {step.Result, {}};
    }
    return {step.Result, std::move(step.Response)};
}
