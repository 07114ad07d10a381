#pragma once

#include "devices/tkxdialogprovider.h"

class QWidget;

// The core's dialogs as Qt dialogs, modal over the main window. Installed for as long as it
// lives by Install.
class TkxQtDialogProvider : public TkxDialogProvider {
public:
    explicit TkxQtDialogProvider(QWidget* mainWindow = nullptr);
    ~TkxQtDialogProvider() override;

    void Install();
    void ShowSupportedDevices(TkxDMCollection* collection) override;

private:
    QWidget* FMainWindow;
};
