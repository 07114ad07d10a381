#include "tnetworkcmp.h"

#include "tlogtexts.h"

#include "base/tkxdispatchercls.h"
#include "base/tkxstatescale.h"
#include "devices/tkxdeviceqxdrvcls.h"
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxdeviceslavecls.h"
#include "devices/tkxofflinedevicecls.h"
#include "devices/tkxversionrecordcls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxmbthreadbindingcls.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "modbus/tkxmbthreadthr.h"
#include "modbus/tkxmbtransactioncls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparvaluecls.h"
#include "ui/tkxqtconvert.h"

#include <sstream>

TNetwork::TNetwork(const std::string& definitionPath, QObject* parent)
    : QObject(parent) {
    FNetwork.SetFilePath(definitionPath);
    FNetwork.SetFileExt("par");
    FNetwork.OnNetStateChange = [this](TkxMBNetwork*, TkxObject* source) {
        NetStateChange(source);
    };
    FNetwork.OnNoVersion = [this](TkxDMCollection&, const TkxVersionRecord* version, std::string&) {
        NoVersion(version);
    };
    FNetwork.OnTransaError = [this](TkxMBNetwork*, TkxMBTransaction* transaction) {
        TransaError(transaction);
    };
}

TNetwork::~TNetwork() {
    // The windows are told nothing more while the connection goes.
    blockSignals(true);
    CloseConnection();
}

TkxDeviceQXDRV* TNetwork::GetDrive() const {
    return FDeviceSetup != nullptr ? dynamic_cast<TkxDeviceQXDRV*>(FDeviceSetup->Device())
                                   : nullptr;
}

int TNetwork::DeviceState() const {
    return FDeviceSetup != nullptr ? FDeviceSetup->GetState() : -1;
}

void TNetwork::LogText(const std::string& text) {
    // Multi-line texts of the core end their lines in CR LF.
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        emit Log(TkxQString(line));
    }
}

void TNetwork::LogLines(std::initializer_list<const char*> lines) {
    for (const char* line : lines) {
        emit Log(QString::fromLatin1(line));
    }
}

std::pair<std::unique_ptr<TkxMBThreadSetup>, std::unique_ptr<TkxDeviceSetup>>
TNetwork::MakeConnection(int port, int slave, bool rtsToggle) {
    emit DriveGoing();
    FNetwork.ResetAll();
    FDeviceSetup = nullptr;
    FDeviceState = -1;
    auto thread = std::make_unique<TkxMBThreadSetup>(FNetwork.Context());
    thread->SetThreadName("COM" + std::to_string(port));
    thread->SetBaudRate(BaudRate);
    thread->SetParity(EvenParity);
    thread->SetFlowCtrl(rtsToggle ? RtsToggleFlow : 0);
    thread->SetComPort(port);
    thread->SetTimeOut(TimeOutMs);
    thread->SetDevMaxCount(0);
    thread->SetEnabled(true);
    auto device = std::make_unique<TkxDeviceSetup>();
    device->SetDeviceName(DeviceName);
    device->SetDeviceAddr(static_cast<std::uint8_t>(slave));
    device->SetRepeatTime(RepeatTime);
    device->SetMaxFault(0);
    device->SetEnabled(true);
    return {std::move(thread), std::move(device)};
}

void TNetwork::OpenConnection(int port, int slave, bool rtsToggle) {
    auto [thread, device] = MakeConnection(port, slave, rtsToggle);
    TkxMBThreadSetup* line = thread.get();
    TkxDeviceSetup* setup = device.get();
    if (FNetwork.AddConnection(thread) && line->AddDeviceSetup(device)) {
        FDeviceSetup = setup;
    }
    FNetwork.SetOnLine(true);
}

bool TNetwork::OpenOffline(int port, int slave, const std::string& versionText) {
    auto [thread, device] = MakeConnection(port, slave, false);
    FDeviceSetup =
        TkxOfflineDevice::Add(FNetwork, versionText, std::move(thread), std::move(device));
    if (FDeviceSetup == nullptr || GetDrive() == nullptr) {
        return false;
    }
    emit DriveLinked();
    emit StateChanged();
    return true;
}

void TNetwork::CloseConnection() {
    emit HideDriveWindows();
    emit DriveGoing();
    TkxMBThreadSetup* connection =
        FDeviceSetup != nullptr ? FDeviceSetup->GetThreadSetup() : nullptr;
    FNetwork.SetOnLine(false);
    // The line closes on its thread; its report of the closed connection is awaited before
    // the connection goes, so that the log tells it.
    if (connection != nullptr) {
        TkxMainDispatcher().WaitUntil(
            [connection] { return connection->GetState() < TkxState::Starting; },
            std::chrono::milliseconds(4 * TimeOutMs));
    }
    FNetwork.ResetAll();
    FDeviceSetup = nullptr;
    emit StateChanged();
}

void TNetwork::NetStateChange(TkxObject* source) {
    // The drive reports through its setup, itself or the transaction that changed its state;
    // each change of its state is told once.
    if (auto* thread = dynamic_cast<TkxMBThreadSetup*>(source)) {
        ThreadStateChange(thread);
    } else if (FDeviceSetup != nullptr) {
        const int state = FDeviceSetup->GetState();
        if (state != FDeviceState) {
            FDeviceState = state;
            DeviceStateChange(FDeviceSetup);
        }
    }
    emit StateChanged();
}

void TNetwork::ThreadStateChange(TkxMBThreadSetup* setup) {
    const int state = setup->GetState();
    if (state < TkxState::Starting) {
        LogLines({"Connection closed.", TLogTexts::ClosedRule, ""});
        emit ConnectionClosed();
    } else if (state == TkxState::Running) {
        emit Log(QStringLiteral("Connection started."));
        LogText(setup->GetInfo());
        emit ConnectionRunning();
    } else if (state == TkxState::OpenError || state == TkxState::SetupError) {
        emit Log(QStringLiteral("Connection error!"));
        LogText(setup->GetInfo());
        std::string reason;
        if (auto* binding = dynamic_cast<TkxMBThreadBinding*>(setup->Thread())) {
            reason = binding->Thread().GetLastErrorText();
        }
        if (!reason.empty()) {
            LogText(reason);
        }
        FNetwork.SetOnLine(false);
        emit Alert(reason.empty() ? QStringLiteral("Connection error!")
                                  : QStringLiteral("Connection error!\n") + TkxQString(reason));
    } else if (state == TkxState::NotRegistered) {
        // The line is in-process: nothing can be registered, the attempt ends here.
        FNetwork.SetOnLine(false);
        emit Log(QStringLiteral("Telvar not registered!"));
    }
}

void TNetwork::DeviceStateChange(TkxDeviceSetup* setup) {
    const int state = setup->GetState();
    if (state == TkxState::Running) {
        emit Log(QStringLiteral("Device found. Communication running."));
        LogText(setup->GetInfo());
        if (auto* drive = dynamic_cast<TkxDeviceQXDRV*>(setup->Device())) {
            AttachDrive(drive);
            emit DriveLinked();
        } else {
            emit Log(QStringLiteral("Device is of the wrong type!"));
        }
    } else if (state == TkxState::Error) {
        emit Log(QStringLiteral("Device is not responding!"));
    }
}

void TNetwork::NoVersion(const TkxVersionRecord* version) {
    emit Log(QString::fromLatin1(TLogTexts::BannerRule));
    if (version != nullptr) {
        const QString text = TkxQString(version->GetText());
        emit Log(QStringLiteral("Device or version unknown: ") + text);
        emit Log(QStringLiteral("Parameters definition for ") + text +
                 QStringLiteral(" device not available."));
    } else {
        LogLines({"Undefined device version!", "Device identification failed."});
    }
    LogLines({" 1.Check '*.par' files located in the installation directory of this program.",
              " 2.Ask for the latest update of '*.par' files to the product support.",
              TLogTexts::BannerRule});
}

void TNetwork::TransaError(TkxMBTransaction* transaction) {
    if (transaction->GetErrorChanged()) {
        emit Log(QStringLiteral("Transaction Error: ") +
                 TkxQString(TkxMBTransaction::GetResultText(transaction->GetLastError())));
    }
}

void TNetwork::AttachDrive(TkxDeviceQXDRV* drive) {
    drive->OnFaultState = [this](TkxMBTransaction*) { emit FaultStateRead(); };
    drive->OnActState = [this](TkxMBTransaction*) { emit ActStateRead(); };
    drive->OnSetupRead = [this](TkxMBTransaction*) {
        emit SetupRead();
        emit Log(QStringLiteral("Setup dowloaded, data refreshed."));
    };
    drive->OnSetupSent = [this, drive](TkxMBTransaction*) {
        emit Log(QStringLiteral("Setup sent!"));
        drive->ReloadSetup();
    };
    drive->OnSetupSaved = [this, drive](TkxMBTransaction*) {
        emit Log(QStringLiteral("Setup saved!"));
        drive->ReloadSetup();
    };
    for (TkxParValue* par : {static_cast<TkxParValue*>(drive->CmdEnable),
                             static_cast<TkxParValue*>(drive->CmdResetCounter),
                             static_cast<TkxParValue*>(drive->CmdZeroing),
                             static_cast<TkxParValue*>(drive->CmdSyncSignal),
                             static_cast<TkxParValue*>(drive->CmdReset),
                             static_cast<TkxParValue*>(drive->CmdAlignement), drive->ParPrimaryRef,
                             drive->ParSecondaryRef, static_cast<TkxParValue*>(drive->ParEEPwmFreq),
                             drive->ParEECurrRangeMax, drive->ParNextFixedPos}) {
        if (par != nullptr) {
            par->OnChange = [this](TkxParValue* changed) { WriteParValue(changed); };
        }
    }
}

void TNetwork::WriteParValue(TkxParValue* par) {
    if (FWriting) {
        return;
    }
    if (par == nullptr || GetDrive() == nullptr || DeviceState() != TkxState::Running) {
        return;
    }
    // The write waits serving the event loop; a change made meanwhile is not written inside it.
    FWriting = true;
    const std::int32_t result = par->WriteToDevice();
    FWriting = false;
    if (result != 0) {
        return;
    }
    emit Log(QStringLiteral("Register ") + TkxQString(par->GetDescription()) +
             QStringLiteral(" new value sent: ") + TkxQString(par->GetValueString()));
}

void TNetwork::RefPosEdited(TkxParValue* par) {
    TkxDeviceQXDRV* drive = GetDrive();
    if (par == nullptr || drive == nullptr || DeviceState() != TkxState::Running ||
        drive->WriteRefPos == nullptr) {
        return;
    }
    drive->WriteRefPos->SetEnabled(true);
}
