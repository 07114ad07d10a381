#include "devices/tkxdevicesetupcls.h"

#include "base/tkxstatescale.h"
#include "devices/tkxdevicefactorycls.h"
#include "devices/tkxdeviceslavecls.h"
#include "modbus/tkxmbdeviceversioncls.h"
#include "modbus/tkxmbthreadbindingcls.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "modbus/tkxmbthreadthr.h"
#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxxmlparsercmp.h"

#include <array>
#include <cstdint>

namespace {

constexpr std::string_view KSetup = "setup";

constexpr std::array<const char*, 11> KStateTexts = {
    "OFFLINE",
    "device is disabled",
    "device not yet identified",
    "device connected and ready",
    "BREAKING",
    "communication error",
    "OPENERROR",
    "SETUPERROR",
    "too many errors, device cut-off",
    "NOTELVAR",
    "unknown device",
};

std::string InfoLine(std::string_view label, std::string_view value) {
    std::string line(label);
    if (line.size() < 25)
        line.resize(25, ' ');
    line += ": ";
    line += value;
    return line;
}

} // namespace

TkxDeviceSetup::TkxDeviceSetup() {
    SetName("device");
}

TkxDeviceSetup::~TkxDeviceSetup() {
    DestroyDevice();
    PerformSetupDel(this);
}

void TkxDeviceSetup::SetDeviceName(std::string_view name) {
    SetValue(KSetup, "devicename", name);
    FDeviceName = name;
    PerformSetupChange(this);
}

void TkxDeviceSetup::SetDeviceAddr(std::uint8_t address) {
    SetInt(KSetup, "deviceaddr", address);
    FDeviceAddr = address;
    PerformSetupChange(this);
}

void TkxDeviceSetup::SetRepeatTime(int repeatTime) {
    SetInt(KSetup, "repeattime", repeatTime);
    FRepeatTime = repeatTime;
    PerformSetupChange(this);
}

void TkxDeviceSetup::SetMaxFault(int maxFault) {
    SetInt(KSetup, "maxfault", maxFault);
    FMaxFault = maxFault;
    PerformSetupChange(this);
}

void TkxDeviceSetup::SetEnabled(bool enabled) {
    if (enabled && FDevice != nullptr)
        FDevice->ResetFaults();
    SetBool(KSetup, "enabled", enabled);
    FEnabled = enabled;
    PerformSetupChange(this);
}

void TkxDeviceSetup::AnalyzeContent() {
    FDeviceName = GetValue(KSetup, "devicename", "");
    const std::int32_t address = GetInt(KSetup, "deviceaddr", 1);
    FDeviceAddr = address >= 0 && address <= 255 ? static_cast<std::uint8_t>(address) : 0;
    FRepeatTime = GetInt(KSetup, "repeattime", 5);
    FMaxFault = GetInt(KSetup, "maxfault", 0);
    FEnabled = GetBool(KSetup, "enabled", false);
    PerformSetupAdd(nullptr);
}

bool TkxDeviceSetup::IsValid() const {
    return FRepeatTime > 0 && FDeviceAddr != 0 && !FDeviceName.empty();
}

TkxMBThreadSetup* TkxDeviceSetup::GetThreadSetup() const {
    return dynamic_cast<TkxMBThreadSetup*>(Parent());
}

TkxMBNetworkLink* TkxDeviceSetup::GetNetwork() const {
    return IsInDocument() ? dynamic_cast<TkxMBNetworkLink*>(Parser()) : nullptr;
}

TkxMBThread* TkxDeviceSetup::GetConnectionThread() const {
    const TkxMBThreadSetup* connection = GetThreadSetup();
    auto* binding =
        connection != nullptr ? dynamic_cast<TkxMBThreadBinding*>(connection->Thread()) : nullptr;
    return binding != nullptr ? &binding->Thread() : nullptr;
}

int TkxDeviceSetup::GetState() const {
    if (FDevice != nullptr)
        return FDevice->GetState();
    const TkxMBThreadSetup* connection = GetThreadSetup();
    if (connection == nullptr || connection->GetState() != TkxState::Running)
        return TkxState::OffLine;
    return FEnabled ? TkxState::Starting : TkxState::Disabled;
}

std::string TkxDeviceSetup::GetInfo() const {
    const std::int64_t sampleTime = std::int64_t{FRepeatTime} * 100;
    return InfoLine("Dflt sample time", std::to_string(sampleTime) + "ms") + "\r\n" +
           InfoLine("Max fault cut-off", FMaxFault == 0 ? "Disabled" : std::to_string(FMaxFault)) +
           "\r\n" + InfoLine("Device state", GetStateText()) + DeviceInfo();
}

std::string TkxDeviceSetup::DeviceInfo() const {
    if (FDevice == nullptr)
        return "";
    const TkxVersionRecord& version = FDevice->GetVersion();
    TkxRegDefsList* defs = FDevice->Defs();
    return "\r\n" + InfoLine("Device version    ", version.GetText()) + "\r\n" +
           InfoLine("Device description", defs != nullptr ? defs->GetVersionDescr() : "") + "\r\n" +
           InfoLine("Device file       ", defs != nullptr ? defs->FileName() : "");
}

void TkxDeviceSetup::SetDevice(std::unique_ptr<TkxDeviceSlave> device) {
    DestroyDevice();
    FDevice = std::move(device);
    if (FDevice != nullptr)
        FDevice->SetThread(GetConnectionThread());
}

void TkxDeviceSetup::DestroyDevice() {
    // Taken out first, so that the device's own goodbye finds the setup without it.
    std::unique_ptr<TkxDeviceSlave> doomed = std::move(FDevice);
    // Off the thread while the device is whole: the worker must not run its transactions or
    // call into it while the destructors of its classes take it apart.
    if (doomed != nullptr)
        doomed->SetThread(nullptr);
    doomed.reset();
}

void TkxDeviceSetup::DeviceGone(TkxDeviceSlave* device) {
    if (FDevice.get() == device)
        static_cast<void>(FDevice.release());
}

TkxMBDeviceVersion* TkxDeviceSetup::CheckDevice() {
    const TkxMBThreadSetup* connection = GetThreadSetup();
    TkxMBThread* thread = GetConnectionThread();
    if (connection == nullptr || connection->GetState() != TkxState::Running || thread == nullptr)
        return nullptr;
    // The thread owns it and destroys it once it has terminated.
    auto* check = thread->Adopt(std::make_unique<TkxMBDeviceVersion>(thread, 1, CheckRepeatTime));
    TkxMBTransaction::TerminateSet reasons;
    reasons.set(TkxMBTransaction::Response);
    check->SetTerminateReasons(reasons);
    check->SetTransaName("CheckDevice");
    check->SetSlaveAddress(FDeviceAddr);
    check->SetMaxFault(0);
    // The request belongs to the thread and may outlive this setup; it then ends itself.
    const std::weak_ptr<int> alive = FLifeToken;
    check->OnResponse = [this, alive](TkxMBTransaction* sender) {
        if (alive.expired())
            sender->MarkForDestroy();
        else
            DeviceFromVersion(static_cast<TkxMBDeviceVersion*>(sender)->GetVersion());
    };
    check->OnError = [this, alive](TkxMBTransaction* sender) {
        if (alive.expired())
            sender->MarkForDestroy();
        else
            DeviceFromDefault(static_cast<TkxMBDeviceVersion*>(sender));
    };
    check->SetTermDestroy(true);
    check->SetEnabled(true);
    return check;
}

TkxDMCollection* TkxDeviceSetup::DataModels() const {
    const TkxMBNetworkLink* network = GetNetwork();
    return network != nullptr ? network->DataModels() : nullptr;
}

void TkxDeviceSetup::DeviceFromVersion(const TkxVersionRecord& version) {
    if (OnDeviceVersion)
        OnDeviceVersion(this, version);
    TkxDMCollection* models = DataModels();
    TkxRegDefsList* defs = models != nullptr ? models->FindRegDefsListFor(&version) : nullptr;
    if (FDevice != nullptr || defs == nullptr) {
        SetEnabled(false);
    } else {
        SetDevice(TkxDeviceFactory::Create(this, version, defs));
    }
    PerformStateChange(this);
}

// A slave that gives no version may still be the device the default definition file names;
// either way the request ends once a default file exists, and repeats while there is none.
void TkxDeviceSetup::DeviceFromDefault(TkxMBDeviceVersion* transaction) {
    if (OnNoDeviceVersion)
        OnNoDeviceVersion(this, transaction);
    TkxDMCollection* models = DataModels();
    TkxRegDefsList* defs = models != nullptr ? models->FindRegDefsListFor(nullptr) : nullptr;
    if (defs != nullptr) {
        if (FDevice == nullptr) {
            if (auto device =
                    TkxDeviceFactory::CreateDefault(this, transaction->GetVersion(), defs))
                SetDevice(std::move(device));
        }
        transaction->MarkForDestroy();
    }
    PerformStateChange(this);
}

bool TkxDeviceSetup::NameUsedByOtherDevice() const {
    const TkxMBThreadSetup* connection = GetThreadSetup();
    if (connection == nullptr)
        return false;
    for (int i = 0; i < connection->ChildCount(); ++i) {
        const auto* other = dynamic_cast<const TkxDeviceSetup*>(connection->Child(i));
        if (other != nullptr && other != this && other->FDeviceName == FDeviceName)
            return true;
    }
    return false;
}

bool TkxDeviceSetup::AddressUsedByOtherDevice() const {
    const TkxMBThreadSetup* connection = GetThreadSetup();
    if (connection == nullptr)
        return false;
    for (int i = 0; i < connection->ChildCount(); ++i) {
        const auto* other = dynamic_cast<const TkxDeviceSetup*>(connection->Child(i));
        if (other != nullptr && other != this && other->FDeviceAddr == FDeviceAddr)
            return true;
    }
    return false;
}

int TkxDeviceSetup::EditDlg(TkxDevParamSet params) {
    if (!CanEdit())
        return KDlgNotEditable;
    TkxDialogProvider* provider = TkxGetDialogProvider();
    const std::string oldName = FDeviceName;
    const std::uint8_t oldAddress = FDeviceAddr;
    if (provider == nullptr || !provider->EditDeviceSetup(*this, params))
        return KDlgCancelled;
    int result = KDlgDone;
    if (NameUsedByOtherDevice()) {
        SetDeviceName(oldName);
        result = KDlgRefused;
    }
    if (AddressUsedByOtherDevice()) {
        SetDeviceAddr(oldAddress);
        result = KDlgRefused;
    }
    return result;
}

void TkxDeviceSetup::PerformSetupAdd(TkxObject* transaction) {
    if (OnSetupAdd)
        OnSetupAdd(this, transaction);
    if (TkxMBThreadSetup* connection = GetThreadSetup())
        connection->PerformSetupAdd(transaction != nullptr ? transaction : this);
}

void TkxDeviceSetup::PerformSetupDel(TkxObject* element) {
    if (OnSetupDel)
        OnSetupDel(this, element);
    if (TkxMBThreadSetup* connection = GetThreadSetup())
        connection->PerformSetupDel(element);
}

void TkxDeviceSetup::PerformSetupChange(TkxObject* element) {
    if (OnSetupChange)
        OnSetupChange(this, element);
    if (TkxMBThreadSetup* connection = GetThreadSetup())
        connection->PerformSetupChange(element);
}

void TkxDeviceSetup::PerformStateChange(TkxObject* object) {
    if (OnStateChange)
        OnStateChange(this, object);
    if (TkxMBThreadSetup* connection = GetThreadSetup())
        connection->PerformStateChange(object);
}

std::string TkxDeviceSetup::StateText(int state) {
    return state >= 0 && state < static_cast<int>(KStateTexts.size()) ? KStateTexts[state] : "";
}
