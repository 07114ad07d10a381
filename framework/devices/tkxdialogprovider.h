#pragma once

#include <bitset>
#include <memory>
#include <string>
#include <vector>

class TkxDeviceSetup;
class TkxDMCollection;
class TkxMBContext;
class TkxMBThreadSetup;
struct TkxNewConnectionPreset;

// The dialogs that core operations (EditDlg, NewDeviceDlg, ...) open are supplied by the user
// interface layer through this interface, so that the core never needs a display. With no
// provider installed every dialog counts as cancelled.

// Fields of the connection dialog; a member in the set locks that field.
enum enm_ConnParams {
    cpName,
    cpPort,
    cpBaudRate,
    cpParity,
    cpStopBits,
    cpFlowCtrl,
    cpTimeOut,
    cpHostPort,
    cpHostAddress,
    cpTcpIp,
};
using TkxConnParamSet = std::bitset<10>;

// Fields of the device dialog; a member in the set locks that field.
enum enm_DevParams {
    dpName,
    dpAddress,
    dpMaxFault,
    dpRepeatTime,
    dpEnabled,
};
using TkxDevParamSet = std::bitset<5>;

// Results of the dialog operations.
constexpr int KDlgCancelled = 0;
constexpr int KDlgNotEditable = 1;
constexpr int KDlgDone = 2;
constexpr int KDlgDevMaxCount = 253;
constexpr int KDlgRefused = 254;

// What the device dialog shows for a new device.
struct TkxNewDevicePreset {
    int Address = 1;
    int RepeatTimeMs = 2000;
    int MaxFault = 0;
};

class TkxDialogProvider {
public:
    TkxDialogProvider() = default;
    TkxDialogProvider(const TkxDialogProvider&) = delete;
    TkxDialogProvider& operator=(const TkxDialogProvider&) = delete;
    virtual ~TkxDialogProvider() = default;

    // The connection dialog on an existing setup. True when confirmed; the dialog has then
    // stored its fields through the setup's setters.
    virtual bool EditThreadSetup(TkxMBThreadSetup& setup, TkxConnParamSet locked);
    // The device dialog for a new device of connection: the new, valid device setup when
    // confirmed (not yet added to the connection), null when cancelled.
    virtual std::unique_ptr<TkxDeviceSetup> NewDeviceSetup(TkxMBThreadSetup& connection,
                                                           TkxDevParamSet locked,
                                                           const TkxNewDevicePreset& preset);
    // The device dialog on an existing device setup; true when confirmed.
    virtual bool EditDeviceSetup(TkxDeviceSetup& setup, TkxDevParamSet locked);
    // The connection dialog for a new connection on context: the new setup when confirmed
    // (not yet added to a network), null when cancelled.
    virtual std::unique_ptr<TkxMBThreadSetup>
    NewThreadSetup(const std::shared_ptr<TkxMBContext>& context, TkxConnParamSet locked,
                   const TkxNewConnectionPreset& preset);
    // The supported-device list: the definition files of the collection (null: none known)
    // and the versions each serves.
    virtual void ShowSupportedDevices(TkxDMCollection* collection);

    // The lines the supported-device list shows: the collection's search path, extension and
    // the versions of every definition file found, or one line saying there is no collection.
    static std::vector<std::string> SupportedDeviceLines(TkxDMCollection* collection);
};

// One provider serves the whole program (main thread only), installed once by the program as a
// GUI toolkit's application object is; it is the only process-wide state of the dialogs.
// Installing replaces the previous one; uninstalling removes provider only when it is the
// installed one.
void TkxInstallDialogProvider(TkxDialogProvider* provider);
void TkxUninstallDialogProvider(TkxDialogProvider* provider);
TkxDialogProvider* TkxGetDialogProvider();
