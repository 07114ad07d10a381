#include "modbus/tkxmbthreadsetupcls.h"

#include "devices/tkxdevicesetupcls.h"
#include "modbus/tkxmbcontextcls.h"
#include "registers/tkxtextresourcecls.h"
#include "registers/tkxxmlparsercmp.h"

#include <array>

namespace {

constexpr std::string_view KSetup = "setup";

constexpr std::array<const char*, 10> KStateTexts = {
    "thread is offline",
    "thread disabled",
    "waiting for thread to start",
    "thread running",
    "waiting for thread to stop",
    "COMMERROR",
    "connection error, open failed",
    "SETUPERROR",
    "CUTOFF",
    "connection error, Telvar not registered",
};

template <std::size_t N>
std::string TextOf(const std::array<const char*, N>& texts, int index) {
    return index >= 0 && index < static_cast<int>(N) ? texts[index] : "";
}

} // namespace

TkxMBThreadSetup::TkxMBThreadSetup()
    : TkxMBThreadSetup(nullptr) {}

TkxMBThreadSetup::TkxMBThreadSetup(std::shared_ptr<TkxMBContext> context)
    : FContext(context ? std::move(context) : std::make_shared<TkxMBContext>()) {
    SetName("modbus_connection");
}

TkxMBThreadSetup::~TkxMBThreadSetup() {
    if (FThread) {
        SetOnLine(false);
        FThread.reset();
    }
    PerformSetupDel(this);
}

void TkxMBThreadSetup::StoreInt(std::string_view key, int& field, int value) {
    SetInt(KSetup, key, value);
    field = value;
    PerformSetupChange(this);
}

void TkxMBThreadSetup::SetThreadName(std::string_view name) {
    SetValue(KSetup, "threadname", name);
    FThreadName = name;
    PerformSetupChange(this);
}

void TkxMBThreadSetup::SetConnType(int connType) {
    StoreInt("conntype", FConnType, connType);
}
void TkxMBThreadSetup::SetRetries(int retries) {
    StoreInt("retries", FRetries, retries);
}
void TkxMBThreadSetup::SetBaudRate(int baudRate) {
    StoreInt("baudrate", FBaudRate, baudRate);
}
void TkxMBThreadSetup::SetComPort(int comPort) {
    StoreInt("comport", FComPort, comPort);
}
void TkxMBThreadSetup::SetByteSize(int byteSize) {
    StoreInt("bytesize", FByteSize, byteSize);
}
void TkxMBThreadSetup::SetFlowCtrl(int flowCtrl) {
    StoreInt("flowctrl", FFlowCtrl, flowCtrl);
}
void TkxMBThreadSetup::SetParity(int parity) {
    StoreInt("parity", FParity, parity);
}
void TkxMBThreadSetup::SetSilentInt(int silentInt) {
    StoreInt("silentint", FSilentInt, silentInt);
}
void TkxMBThreadSetup::SetStopBits(int stopBits) {
    StoreInt("stopbits", FStopBits, stopBits);
}
void TkxMBThreadSetup::SetTimeOut(int timeOut) {
    StoreInt("timeout", FTimeOut, timeOut);
}
void TkxMBThreadSetup::SetTxMode(int txMode) {
    StoreInt("txmode", FTxMode, txMode);
}
void TkxMBThreadSetup::SetTcpIpPort(int port) {
    StoreInt("tcpipport", FTcpIpPort, port);
}

void TkxMBThreadSetup::SetHostName(std::string_view hostName) {
    SetValue(KSetup, "hostname", hostName);
    FHostName = hostName;
    PerformSetupChange(this);
}

void TkxMBThreadSetup::SetEnabled(bool enabled) {
    SetBool(KSetup, "enabled", enabled);
    FEnabled = enabled;
    if (enabled && IsValid())
        StartThread();
    PerformSetupChange(this);
}

void TkxMBThreadSetup::SetOnLine(bool onLine) {
    if (onLine == FOnLine)
        return;
    FOnLine = onLine;
    if (onLine && IsValid())
        StartThread();
    PerformSetupChange(this);
}

void TkxMBThreadSetup::AnalyzeContent() {
    FThreadName = GetValue(KSetup, "threadname", "");
    FConnType = GetInt(KSetup, "conntype", KConnSerial);
    FRetries = GetInt(KSetup, "retries", 2);
    FBaudRate = GetInt(KSetup, "baudrate", 19200);
    FComPort = GetInt(KSetup, "comport", 1);
    FByteSize = GetInt(KSetup, "bytesize", 8);
    FFlowCtrl = GetInt(KSetup, "flowctrl", 0);
    FParity = GetInt(KSetup, "parity", 0);
    FSilentInt = GetInt(KSetup, "silentint", 20);
    FStopBits = GetInt(KSetup, "stopbits", 0);
    FTimeOut = GetInt(KSetup, "timeout", 500);
    FTxMode = GetInt(KSetup, "txmode", 0);
    FTcpIpPort = GetInt(KSetup, "tcpipport", 502);
    FHostName = GetValue(KSetup, "hostname", "127.0.0.1");
    FEnabled = GetBool(KSetup, "enabled", false);
    PerformSetupAdd(this);
}

// Flow control 4 (XON/XOFF) is accepted besides none, DTR/DSR, RTS/CTS and RTS toggling: the
// connection dialog offers it and the serial link supports it.
bool TkxMBThreadSetup::IsSerialValid() const {
    const bool flowOk =
        FFlowCtrl == 0 || FFlowCtrl == 1 || FFlowCtrl == 2 || FFlowCtrl == 4 || FFlowCtrl == 8;
    return FComPort >= 1 && FComPort <= 8 && (FByteSize == 7 || FByteSize == 8) && flowOk &&
           FParity >= 0 && FParity <= 4 && FStopBits >= 0 && FStopBits <= 2 &&
           (FTxMode == 0 || FTxMode == 1);
}

bool TkxMBThreadSetup::IsValid() const {
    if (FThreadName.empty())
        return false;
    if (FConnType == KConnSerial)
        return IsSerialValid();
    if (FConnType == KConnTcpIp)
        return !FHostName.empty();
    return false;
}

int TkxMBThreadSetup::GetState() const {
    if (FThread)
        return FThread->GetState();
    if (!IsValid())
        return TkxState::SetupError;
    if (!FOnLine)
        return TkxState::OffLine;
    return FEnabled ? TkxState::Starting : TkxState::Disabled;
}

std::string TkxMBThreadSetup::GetInfo() const {
    std::string info;
    if (FConnType == KConnSerial) {
        info = "Port mode: COM" + std::to_string(FComPort) + "-" + std::to_string(FBaudRate) + "-" +
               std::to_string(FByteSize) + ParityText(FParity) + StopBitsText(FStopBits) + "-" +
               FlowCtrlText(FFlowCtrl);
    } else if (FConnType == KConnTcpIp) {
        info = "TCP/IP: " + FHostName + ":" + std::to_string(FTcpIpPort);
    }
    return info + "\r\nState: " + GetStateText();
}

TkxMBNetworkLink* TkxMBThreadSetup::GetNetwork() const {
    return IsInDocument() ? dynamic_cast<TkxMBNetworkLink*>(Parser()) : nullptr;
}

int TkxMBThreadSetup::GetDevCount() const {
    int count = 0;
    for (int i = 0; i < ChildCount(); ++i) {
        if (AnsiSameText(Child(i)->Name(), "device") &&
            dynamic_cast<TkxDeviceSetup*>(Child(i)) != nullptr)
            ++count;
    }
    return count;
}

bool TkxMBThreadSetup::IsDevMaxCount() const {
    if (FDevMaxCount != 0 && FDevMaxCount - GetDevCount() < 1)
        return true;
    const TkxMBNetworkLink* network = GetNetwork();
    return network != nullptr && network->DevMaxCount() > 0 &&
           network->DevMaxCount() - network->GetDevCount() < 1;
}

TkxDeviceSetup* TkxMBThreadSetup::FindDevice(std::string_view name) const {
    for (int i = 0; i < ChildCount(); ++i) {
        auto* device = dynamic_cast<TkxDeviceSetup*>(Child(i));
        if (device != nullptr && device->DeviceName() == name)
            return device;
    }
    return nullptr;
}

TkxDeviceSetup* TkxMBThreadSetup::FindDeviceAddr(std::uint8_t address) const {
    for (int i = 0; i < ChildCount(); ++i) {
        auto* device = dynamic_cast<TkxDeviceSetup*>(Child(i));
        if (device != nullptr && device->DeviceAddr() == address)
            return device;
    }
    return nullptr;
}

bool TkxMBThreadSetup::AddDeviceSetup(std::unique_ptr<TkxDeviceSetup>& setup) {
    if (!setup)
        return false;
    if (IsDevMaxCount()) {
        if (OnDeviceMaxCount)
            OnDeviceMaxCount(this, this);
        if (TkxMBNetworkLink* network = GetNetwork())
            network->PerformOnDevMaxCount(this);
        return false;
    }
    if (FindDevice(setup->DeviceName()) != nullptr ||
        FindDeviceAddr(setup->DeviceAddr()) != nullptr)
        return false;
    TkxXmlElement* added = AddChild(std::move(setup));
    PerformSetupAdd(added);
    return true;
}

bool TkxMBThreadSetup::DeleteDevice(TkxDeviceSetup* setup) {
    if (setup == nullptr || setup->Parent() != this || !setup->CanEdit())
        return false;
    std::unique_ptr<TkxXmlElement> owned = setup->Detach();
    PerformSetupDel(setup);
    owned.reset();
    return true;
}

int TkxMBThreadSetup::NewDeviceDlg(TkxDevParamSet options, int address, int repeatTimeMs,
                                   int maxFault) {
    if (IsDevMaxCount())
        return KDlgDevMaxCount;
    TkxDialogProvider* provider = TkxGetDialogProvider();
    if (provider == nullptr)
        return KDlgCancelled;
    std::unique_ptr<TkxDeviceSetup> device =
        provider->NewDeviceSetup(*this, options, {address, repeatTimeMs, maxFault});
    if (!device)
        return KDlgCancelled;
    return AddDeviceSetup(device) ? KDlgDone : KDlgRefused;
}

bool TkxMBThreadSetup::NameUsedByOtherConnection() const {
    const TkxXmlElement* network = Parent();
    if (network == nullptr)
        return false;
    for (int i = 0; i < network->ChildCount(); ++i) {
        const auto* other = dynamic_cast<const TkxMBThreadSetup*>(network->Child(i));
        if (other != nullptr && other != this && other->ThreadName() == FThreadName)
            return true;
    }
    return false;
}

int TkxMBThreadSetup::EditDlg(TkxConnParamSet options) {
    if (!CanEdit())
        return KDlgNotEditable;
    TkxDialogProvider* provider = TkxGetDialogProvider();
    const std::string oldName = FThreadName;
    if (provider == nullptr || !provider->EditThreadSetup(*this, options))
        return KDlgCancelled;
    if (NameUsedByOtherConnection()) {
        SetThreadName(oldName);
        return KDlgRefused;
    }
    return KDlgDone;
}

void TkxMBThreadSetup::StartThread() {
    if (!FOnLine)
        return;
    if (!FThread)
        FThread = FContext->MakeThread(*this);
    if (FThread)
        FThread->ClearError();
}

void TkxMBThreadSetup::StartDevices() {
    for (int i = 0; i < ChildCount(); ++i)
        StartDeviceWhenRunning(dynamic_cast<TkxDeviceSetup*>(Child(i)));
}

void TkxMBThreadSetup::StartDeviceWhenRunning(TkxObject* object) {
    auto* device = dynamic_cast<TkxDeviceSetup*>(object);
    if (device != nullptr && GetState() == TkxState::Running && device->IsValid() &&
        device->Enabled() && device->Device() == nullptr)
        device->CheckDevice();
}

void TkxMBThreadSetup::PerformSetupAdd(TkxObject* object) {
    StartDeviceWhenRunning(object);
    if (OnSetupAdd)
        OnSetupAdd(this, object);
    if (TkxMBNetworkLink* network = GetNetwork())
        network->PerformSetupAdd(object);
}

void TkxMBThreadSetup::PerformTransaError(TkxMBTransaction* transaction) {
    if (TkxMBNetworkLink* network = GetNetwork())
        network->PerformTransaError(transaction);
}

void TkxMBThreadSetup::PerformTransaResponse(TkxMBTransaction* transaction) {
    if (TkxMBNetworkLink* network = GetNetwork())
        network->PerformTransaResponse(transaction);
}

void TkxMBThreadSetup::PerformSetupChange(TkxObject* object) {
    StartDeviceWhenRunning(object);
    if (OnSetupChange)
        OnSetupChange(this, object);
    if (TkxMBNetworkLink* network = GetNetwork())
        network->PerformSetupChange(object);
}

void TkxMBThreadSetup::PerformSetupDel(TkxObject* object) {
    if (OnSetupDel)
        OnSetupDel(this, object);
    if (TkxMBNetworkLink* network = GetNetwork())
        network->PerformSetupDel(object);
}

void TkxMBThreadSetup::PerformStateChange(TkxObject* object) {
    if (OnStateChange)
        OnStateChange(this, object);
    if (TkxMBNetworkLink* network = GetNetwork())
        network->PerformStateChange(object);
}

std::string TkxMBThreadSetup::StateText(int state) {
    return TextOf(KStateTexts, state);
}

std::string TkxMBThreadSetup::ParityText(int parity) {
    static constexpr std::array<const char*, 5> texts = {"N", "O", "E", "M", "S"};
    return TextOf(texts, parity);
}

std::string TkxMBThreadSetup::StopBitsText(int stopBits) {
    static constexpr std::array<const char*, 3> texts = {"1", "1.5", "2"};
    return TextOf(texts, stopBits);
}

std::string TkxMBThreadSetup::FlowCtrlText(int flowCtrl) {
    static constexpr std::array<const char*, 9> texts = {
        "", "DTR/DSR", "RTS/CTS", "", "XON/XOFF", "", "", "", "RTST"};
    return TextOf(texts, flowCtrl);
}
