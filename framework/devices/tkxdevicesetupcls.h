#pragma once

#include "base/tkxstatescale.h"
#include "devices/tkxdialogprovider.h"
#include "registers/tkxxmlelementcls.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class TkxDMCollection;
class TkxDeviceSlave;
class TkxMBDeviceVersion;
class TkxMBNetworkLink;
class TkxMBThread;
class TkxMBThreadSetup;
class TkxVersionRecord;

// The persistent description of one slave device on a connection, the element "device" of a
// network layout: name, slave address, default repeat time, fault cut-off limit and the
// enabled flag, kept as key=value lines of the child element "setup". It exists before the
// device has ever answered; once identified it owns the live device. Its notifications, and
// those of its device, go to the connection setup that holds it.
class TkxDeviceSetup : public TkxXmlElement {
public:
    using Event = std::function<void(TkxDeviceSetup* sender, TkxObject* object)>;
    using VersionEvent =
        std::function<void(TkxDeviceSetup* sender, const TkxVersionRecord& version)>;
    using NoVersionEvent =
        std::function<void(TkxDeviceSetup* sender, TkxMBDeviceVersion* transaction)>;

    // Passes between two identification requests (2 s).
    static constexpr int CheckRepeatTime = 20;

    TkxDeviceSetup();
    // Destroys the device, then reports the setup as deleted.
    ~TkxDeviceSetup() override;

    const std::string& DeviceName() const { return FDeviceName; }
    std::uint8_t DeviceAddr() const { return FDeviceAddr; }
    // In passes of the communication thread (100 ms each).
    int RepeatTime() const { return FRepeatTime; }
    // Time-outs after which a transaction is cut off; 0: never.
    int MaxFault() const { return FMaxFault; }
    // Read by the communication thread in every pass.
    bool Enabled() const { return FEnabled; }

    // Each stores its key in "setup" and the field, then reports the change.
    void SetDeviceName(std::string_view name);
    void SetDeviceAddr(std::uint8_t address);
    void SetRepeatTime(int repeatTime);
    void SetMaxFault(int maxFault);
    // Enabling a setup with a device first clears the device's fault counters.
    void SetEnabled(bool enabled);

    // Reads the settings from "setup" (defaults for what is missing), then reports the setup
    // as added. An address outside 0..255 is read as 0, which is invalid, rather than cut to
    // some other device's address.
    void AnalyzeContent() override;

    bool IsValid() const;
    TkxMBThreadSetup* GetThreadSetup() const;
    TkxMBNetworkLink* GetNetwork() const;
    // The communication thread of the connection, when it has one.
    TkxMBThread* GetConnectionThread() const;
    // The device's state when there is one, else from the connection and the enabled flag.
    int GetState() const;
    std::string GetStateText() const { return StateText(GetState()); }
    bool CanEdit() const { return GetState() < TkxState::Running; }
    // One line per item, labels left-justified in 25 columns, lines joined by CR LF; the
    // device's version, description and file follow when there is a device.
    std::string GetInfo() const;

    TkxDeviceSlave* Device() const { return FDevice.get(); }
    // Takes the device over and attaches it to the connection's thread; a previous device is
    // destroyed first.
    void SetDevice(std::unique_ptr<TkxDeviceSlave> device);
    void DestroyDevice();
    // Called by a device being destroyed: the setup no longer holds it.
    void DeviceGone(TkxDeviceSlave* device);

    // Starts identification while the connection runs: a request for the version,
    // repeated every 2 s until the slave answers, on the connection's thread, destroyed by the
    // thread once it has ended. Null when the connection does not run.
    TkxMBDeviceVersion* CheckDevice();
    // The handlers of the identification request. A version read: the device class the
    // identification table gives, laid out from the definition file the network's data models
    // find for it; without a file, or with a device already, the setup is disabled. No
    // version: the device the default definition file names, if any, and the request ends
    // when there is a default file. Each tells its event first and reports the setup's state
    // change last.
    void DeviceFromVersion(const TkxVersionRecord& version);
    void DeviceFromDefault(TkxMBDeviceVersion* transaction);

    // Dialog results KDlg...: not editable now, cancelled, done, or refused when the name or
    // address is already used on the connection (the old value is then restored).
    int EditDlg(TkxDevParamSet params);

    // Fire the setup's own event, then forward to the connection setup. A setup added without
    // a transaction forwards itself.
    void PerformSetupAdd(TkxObject* transaction);
    void PerformSetupDel(TkxObject* element);
    void PerformSetupChange(TkxObject* element);
    void PerformStateChange(TkxObject* object);

    static std::string StateText(int state);

    Event OnSetupAdd;
    Event OnSetupDel;
    Event OnSetupChange;
    Event OnStateChange;
    VersionEvent OnDeviceVersion;
    NoVersionEvent OnNoDeviceVersion;

private:
    std::string DeviceInfo() const;
    TkxDMCollection* DataModels() const;
    bool NameUsedByOtherDevice() const;
    bool AddressUsedByOtherDevice() const;

    std::string FDeviceName;
    std::atomic<std::uint8_t> FDeviceAddr = 1;
    int FRepeatTime = 5;
    int FMaxFault = 0;
    std::atomic<bool> FEnabled = false;
    std::unique_ptr<TkxDeviceSlave> FDevice;
    // Expires with the setup; identification requests it started hold a weak reference.
    std::shared_ptr<int> FLifeToken = std::make_shared<int>(0);
};
