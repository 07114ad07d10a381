#include "modbus/tkxmbtransactioncls.h"

#include "base/tkxdispatchercls.h"
#include "base/tkxerror.h"
#include "base/tkxmbresultcodes.h"
#include "base/tkxstatescale.h"
#include "modbus/tkxmbservercls.h"
#include "modbus/tkxmbthreadthr.h"
#include "modbus/tkxmbtransactionownercls.h"
#include "registers/tkxformatcls.h"

#include <chrono>
#include <cstdio>
#include <map>

namespace {

constexpr int DefaultWaitMs = 10000;
constexpr int PassMs = 100;

constexpr const char* SetupChild = "setup";

const std::map<std::int32_t, const char*>& ResultTexts() {
    using namespace TkxMBResult;
    static const std::map<std::int32_t, const char*> texts = {
        {Ok, "no error"},
        {ConnectionError, "error in ModBus connection or Port already busy!"},
        {UnexpectedSize, "unexpected data size."},
        {NoBuffer, "destination/source registers-data-buffer not defined."},
        {NotRegistered, "Telvar ActiveX not registered!"},
        {TcpServerWithoutConnection,
         "tried to activate TCP/IP server without a connection running."},
        {TcpServerNotStarted, "impossible to activate TCP/IP server."},
        {TcpServerCloseError, "error while closing TCP/IP server."},
        {UserFunctionError, "error in user-defined function."},
        {InvalidSetup, "invalid connection setup."},
        {InvalidDeviceSetup, "invalid device setup."},
        {WaitTimeout, "timeout on wait transaction."},
        {OffsetError, "offset error (?)"},
        {Timeout, "timeout, no response!"},
        {InvalidResponse, "invalid response!"},
        {InvalidCrc, "invalid CRC!"},
        {WriteError, "COM port write error!"},
        {ReadError, "COM port read error!"},
        {PortNotInitialized, "COM port not initialized!"},
        {BufferOverflow, "buffer overflow"},
        {SocketError, "socket error"},
        {SocketWriteError, "socket write error"},
        {SocketReadError, "socket read error"},
        {SocketNotConnected, "socket not connected"},
        {IllegalFunction, "unknown function code."},
        {IllegalAddress, "invalid register address."},
        {IllegalValue, "invalid data value."},
        {SlaveFailure, "device in fault state."},
        {Acknowledge, "command acknoledge."},
        {SlaveBusy, "slave device busy."},
        {MemoryCheckFailed, "memory check failed."},
        {GatewayNoPath, "gateway can't find connection path."},
        {GatewayNoDevice, "gateway can't find device."},
    };
    return texts;
}

} // namespace

TkxMBTransaction::TkxMBTransaction(TkxMBThread* thread, int kind)
    : TkxMBTransaction(thread, kind,
                       "You must specify a valid TkxMBThread to allocate a new transaction!") {}

TkxMBTransaction::TkxMBTransaction(TkxMBTransactionOwner* owner, int kind,
                                   const char* missingOwnerMessage)
    : TkxXmlElement("transaction", "")
    , FOwner(owner)
    , FKind(kind)
    , FTimeStamp(TkxFormat::Now()) {
    if (owner == nullptr) {
        throw ETkxError(missingOwnerMessage);
    }
    TerminateIf.set(Always);
}

TkxMBTransaction::~TkxMBTransaction() {
    *FAlive = false;
    if (FOwner != nullptr) {
        PerformStateChange();
    }
}

std::string TkxMBTransaction::GetResultText(std::int32_t code) {
    const auto& texts = ResultTexts();
    const auto found = texts.find(code);
    if (found != texts.end()) {
        return found->second;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%Xh", static_cast<unsigned>(code));
    return text;
}

const char* TkxMBTransaction::ReasonName(int reason) {
    static constexpr const char* Names[ReasonCount] = {
        "Always",  "Response", "Error",     "Exception",  "ErrTimeout", "ErrFunc",
        "ErrAddr", "ErrValue", "SlaveFail", "Acknoledge", "SlaveBusy"};
    return reason >= 0 && reason < ReasonCount ? Names[reason] : "";
}

std::string TkxMBTransaction::ReasonsToText(const TerminateSet& reasons) {
    std::string text;
    for (int i = 0; i < ReasonCount; ++i) {
        text += reasons.test(static_cast<std::size_t>(i)) ? '1' : '0';
    }
    return text;
}

TkxMBTransaction::TerminateSet TkxMBTransaction::ReasonsFromText(const std::string& text) {
    TerminateSet reasons;
    for (std::size_t i = 0; i < text.size() && i < ReasonCount; ++i) {
        reasons.set(i, text[i] == '1');
    }
    return reasons;
}

int TkxMBTransaction::ReasonOfResult(std::int32_t result) {
    using namespace TkxMBResult;
    switch (result) {
    case Timeout:
        return ErrTimeout;
    case IllegalFunction:
        return ErrFunc;
    case IllegalAddress:
        return ErrAddr;
    case IllegalValue:
        return ErrValue;
    case SlaveFailure:
        return SlaveFail;
    case TkxMBResult::Acknowledge:
        return Acknoledge;
    case TkxMBResult::SlaveBusy:
        return TkxMBTransaction::SlaveBusy;
    default:
        return -1;
    }
}

int TkxMBTransaction::EditDlg(std::uint16_t /*options*/) {
    return 1;
}

void TkxMBTransaction::AnalyzeContent() {
    FTransaName = GetValue(SetupChild, "transaname", "");
    FComment = GetValue(SetupChild, "comment", "");
    FSlaveAddress = static_cast<std::uint8_t>(GetInt(SetupChild, "slaveaddress", 0));
    FRepeatTime = GetInt(SetupChild, "repeattime", 0);
    FEnabled = GetBool(SetupChild, "enabled", false);
    TerminateIf = ReasonsFromText(GetValue(SetupChild, "terminatereason", ""));
    FTermDestroy = GetBool(SetupChild, "termdestroy", false);
    FMaxFault = GetInt(SetupChild, "maxfault", 0);
    if (FEnabled) {
        FDone.Reset();
    }
}

void TkxMBTransaction::SetTransaName(const std::string& name) {
    SetValue(SetupChild, "transaname", name);
    FTransaName = name;
    PerformSetupChange();
}

void TkxMBTransaction::SetComment(const std::string& comment) {
    SetValue(SetupChild, "comment", comment);
    FComment = comment;
    PerformSetupChange();
}

void TkxMBTransaction::SetSlaveAddress(std::uint8_t address) {
    if (GetThread() == nullptr || address == FSlaveAddress) {
        return;
    }
    SetInt(SetupChild, "slaveaddress", address);
    FSlaveAddress = address;
    PerformSetupChange();
}

void TkxMBTransaction::SetRepeatTime(int passes) {
    const int stored = passes == 0 ? 1 : passes;
    SetInt(SetupChild, "repeattime", stored);
    FRepeatTime = stored;
    FCountdown = 0;
    PerformSetupChange();
}

void TkxMBTransaction::SetTermDestroy(bool destroy) {
    SetBool(SetupChild, "termdestroy", destroy);
    FTermDestroy = destroy;
    PerformSetupChange();
}

void TkxMBTransaction::SetMaxFault(int limit) {
    SetInt(SetupChild, "maxfault", limit);
    FMaxFault = limit;
    FFaultCount = 0;
    if (FCutOff) {
        FCutOff = false;
        PerformStateChange();
    }
    PerformSetupChange();
}

void TkxMBTransaction::SetEnabled(bool enabled) {
    if (enabled == FEnabled) {
        return;
    }
    if (enabled) {
        ResetFaults();
        FDone.Reset();
    } else {
        FCountdown = 0;
        FDone.Set();
    }
    SetBool(SetupChild, "enabled", enabled);
    FEnabled = enabled;
    FTerminated = false;
    PerformSetupChange();
    if (enabled) {
        FOwner->RunSoon();
    }
}

void TkxMBTransaction::SetTerminateReasons(const TerminateSet& reasons) {
    SetValue(SetupChild, "terminatereason", ReasonsToText(reasons));
    TerminateIf = reasons;
    PerformSetupChange();
}

void TkxMBTransaction::MarkForDestroy() {
    FTermDestroy = true;
    FTerminated = true;
}

void TkxMBTransaction::ResetFaults() {
    FFaultCount = 0;
    if (FCutOff) {
        FCutOff = false;
        PerformStateChange();
    }
}

void TkxMBTransaction::SetDefaultName() {
    SetTransaName(ClassName() + "[" + std::to_string(GetSlaveAddress()) + "]");
}

std::uint8_t TkxMBTransaction::GetSlaveAddress() const {
    return FOwner->ImposesAddress() ? FOwner->ImposedAddress() : FSlaveAddress;
}

int TkxMBTransaction::GetMaxFault() const {
    return FOwner->ImposesAddress() ? FOwner->ImposedMaxFault() : FMaxFault;
}

TkxMBThread* TkxMBTransaction::GetThread() const {
    return FOwner->OwnerThread();
}

int TkxMBTransaction::GetState() const {
    if (!FEnabled) {
        return TkxState::Disabled;
    }
    if (FCutOff) {
        return TkxState::CutOff;
    }
    return FLastError != TkxMBResult::Ok ? TkxState::Error : TkxState::Running;
}

std::string TkxMBTransaction::StateText(int state) {
    static constexpr const char* Texts[] = {"OFFLINE",
                                            "transaction disabled",
                                            "STARTING",
                                            "transaction running",
                                            "BREAKING",
                                            "transaction with error",
                                            "OPENERROR",
                                            "SETUPERROR",
                                            "transaction cut-off"};
    if (state >= TkxState::OffLine && state <= TkxState::CutOff) {
        return Texts[state];
    }
    return "unknown state " + std::to_string(state);
}

std::string TkxMBTransaction::GetStateText() const {
    return StateText(GetState());
}

std::string TkxMBTransaction::GetInfo() const {
    std::string info = "Slave address: " + std::to_string(GetSlaveAddress());
    info += "\r\nComment      : " + FComment;
    info += "\r\nSample time  : " + std::to_string(FRepeatTime * PassMs) + "ms";
    info += "\r\nTransa state : " + GetStateText();
    info += "\r\nLast error   : " + GetResultText(FLastError);
    info += "\r\nTime-Stamp   : " + TkxFormat::DateTimeToStr(FTimeStamp);
    if (TerminateIf.any()) {
        info += "\r\nDisable if...:";
        for (int i = 0; i < ReasonCount; ++i) {
            if (TerminateIf.test(static_cast<std::size_t>(i))) {
                info += std::string(" ") + ReasonName(i);
            }
        }
    }
    return info;
}

bool TkxMBTransaction::WaitFor(int milliseconds) {
    const std::chrono::milliseconds timeout(milliseconds < 0 ? DefaultWaitMs : milliseconds);
    TkxDispatcher& dispatcher = TkxMainDispatcher();
    if (dispatcher.IsMainThread()) {
        // The calls served meanwhile may destroy this transaction (its device, its
        // connection); the wait then ends, and nothing of it is touched any more.
        const std::shared_ptr<bool> alive = FAlive;
        const bool done =
            dispatcher.WaitUntil([this, &alive] { return !*alive || FDone.IsSet(); }, timeout);
        return done && *alive;
    }
    return FDone.WaitFor(timeout);
}

bool TkxMBTransaction::Tick() {
    if (!FEnabled) {
        return false;
    }
    if (FCountdown > 0 && --FCountdown > 0) {
        return false;
    }
    FCountdown = FRepeatTime.load();
    return true;
}

std::int32_t TkxMBTransaction::Run(TkxMBServer& server) {
    if (!Tick() || FCutOff) {
        return TkxMBResult::Ok;
    }
    FDone.Reset();
    ++FUnhandledRuns;
    const std::int32_t result = Transact(server);
    if (result == TkxMBResult::Ok) {
        FTimeStamp = TkxFormat::Now();
    }
    const bool errorChanged = result != FLastError;
    FErrorChanged = errorChanged;
    FLastError = result;
    ApplyTerminateReasons(result);
    // The result goes with the message: the next run may overwrite the fields before the
    // main thread has handled this one.
    const RunResult posted{result, errorChanged, FEnabled};
    std::weak_ptr<bool> alive = FAlive;
    TkxMainDispatcher().Post([this, alive, posted] {
        if (!alive.expired() && *alive.lock()) {
            HandleResult(posted);
        }
    });
    FDone.Set();
    TkxMainDispatcher().Wake();
    return result;
}

void TkxMBTransaction::ApplyTerminateReasons(std::int32_t result) {
    bool disable = false;
    if (TerminateIf.test(Always)) {
        disable = true;
    } else if (result != TkxMBResult::Ok) {
        const int reason = ReasonOfResult(result);
        disable = TerminateIf.test(Error) ||
                  (result != TkxMBResult::Timeout && TerminateIf.test(Exception)) ||
                  (reason >= 0 && TerminateIf.test(static_cast<std::size_t>(reason)));
    } else {
        disable = TerminateIf.test(Response);
    }
    if (disable) {
        FEnabled = false;
    }
    if (!FEnabled) {
        FCountdown = 0;
    }
    FTerminated = !FEnabled;
}

void TkxMBTransaction::HandleResult(const RunResult& result) {
    ++FMessageCount;
    if (result.Result != TkxMBResult::Ok) {
        ++FErrorCount;
        if (result.Result == TkxMBResult::Timeout) {
            ++FFaultCount;
        }
        const int limit = GetMaxFault();
        if (limit != 0 && FFaultCount >= limit && !FCutOff) {
            FCutOff = true;
            PerformStateChange();
        }
        if (OnError) {
            OnError(this);
        }
        FOwner->PerformTransaError(this);
    } else {
        if (result.ErrorChanged && OnError) {
            OnError(this);
        }
        ResetFaults();
        if (OnResponse) {
            OnResponse(this);
        }
        FOwner->PerformTransaResponse(this);
    }
    if (result.ErrorChanged || !result.Enabled) {
        PerformStateChange();
    }
    --FUnhandledRuns;
}

std::int32_t TkxMBTransaction::Exchange(TkxMBServer& server) {
    int repeats = 0;
    for (;;) {
        TkxMBReply reply = server.TxRxMessage(FQuery);
        FResponse = std::move(reply.Data);
        if (reply.Result == TkxMBResult::Ok || repeats >= server.Get_Retries()) {
            return reply.Result;
        }
        ++repeats;
    }
}

void TkxMBTransaction::PerformSetupChange() {
    if (OnSetupChange) {
        OnSetupChange(this);
    }
    FOwner->PerformSetupChange(this);
}

void TkxMBTransaction::PerformStateChange() {
    if (OnStateChange) {
        OnStateChange(this);
    }
    FOwner->PerformStateChange(this);
}
