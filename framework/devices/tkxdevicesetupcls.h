#pragma once

#include "registers/tkxdialogprovider.h"
#include "registers/tkxxmlelementcls.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TkxMBNetworkLink;
class TkxMBThreadSetup;

// The persistent description of one slave device on a connection, the element "device" of a
// network layout: name, slave address, default repeat time, fault cut-off limit and the
// enabled flag, kept as key=value lines of the child element "setup". It exists before the
// device has ever answered. Its notifications go to the connection setup that holds it.
class TkxDeviceSetup : public TkxXmlElement {
public:
    using Event = std::function<void(TkxDeviceSetup* sender, TkxObject* object)>;

    TkxDeviceSetup();
    // Reports the setup as deleted.
    ~TkxDeviceSetup() override;

    const std::string& DeviceName() const { return FDeviceName; }
    std::uint8_t DeviceAddr() const { return FDeviceAddr; }
    // In passes of the communication thread (100 ms each).
    int RepeatTime() const { return FRepeatTime; }
    // Time-outs after which a transaction is cut off; 0: never.
    int MaxFault() const { return FMaxFault; }
    bool Enabled() const { return FEnabled; }

    // Each stores its key in "setup" and the field, then reports the change.
    void SetDeviceName(std::string_view name);
    void SetDeviceAddr(std::uint8_t address);
    void SetRepeatTime(int repeatTime);
    void SetMaxFault(int maxFault);
    void SetEnabled(bool enabled);

    // Reads the settings from "setup" (defaults for what is missing), then reports the setup
    // as added. An address outside 0..255 is read as 0, which is invalid, rather than cut to
    // some other device's address.
    void AnalyzeContent() override;

    bool IsValid() const;
    TkxMBThreadSetup* GetThreadSetup() const;
    TkxMBNetworkLink* GetNetwork() const;
    int GetState() const;
    std::string GetStateText() const { return StateText(GetState()); }
    bool CanEdit() const { return GetState() < 3; }
    // One line per item, labels left-justified in 25 columns, lines joined by CR LF.
    std::string GetInfo() const;

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

private:
    bool NameUsedByOtherDevice() const;
    bool AddressUsedByOtherDevice() const;

    std::string FDeviceName;
    std::uint8_t FDeviceAddr = 1;
    int FRepeatTime = 5;
    int FMaxFault = 0;
    bool FEnabled = false;
};
