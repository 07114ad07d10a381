#pragma once

#include "devices/tkxdialogprovider.h"

class QDialog;
class QWidget;

// The core's dialogs as Qt dialogs, modal over the main window. Installed for as long as it
// lives by Install.
class TkxQtDialogProvider : public TkxDialogProvider {
public:
    explicit TkxQtDialogProvider(QWidget* mainWindow = nullptr);
    ~TkxQtDialogProvider() override;

    void Install();
    bool EditThreadSetup(TkxMBThreadSetup& setup, TkxConnParamSet locked) override;
    std::unique_ptr<TkxDeviceSetup> NewDeviceSetup(TkxMBThreadSetup& connection,
                                                   TkxDevParamSet locked,
                                                   const TkxNewDevicePreset& preset) override;
    bool EditDeviceSetup(TkxDeviceSetup& setup, TkxDevParamSet locked) override;
    std::unique_ptr<TkxMBThreadSetup> NewThreadSetup(const std::shared_ptr<TkxMBContext>& context,
                                                     TkxConnParamSet locked,
                                                     const TkxNewConnectionPreset& preset) override;
    void ShowSupportedDevices(TkxDMCollection* collection) override;

private:
    // Runs the dialog centred on the main window; true when confirmed.
    bool Run(QDialog& dialog) const;

    QWidget* FMainWindow;
};
