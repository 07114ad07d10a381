#include "ui/tkxqtdialogprovidercls.h"

#include "ui/tkxsupporteddevicelistdlg.h"

#include <QWidget>

TkxQtDialogProvider::TkxQtDialogProvider(QWidget* mainWindow)
    : FMainWindow(mainWindow) {}

TkxQtDialogProvider::~TkxQtDialogProvider() {
    TkxUninstallDialogProvider(this);
}

void TkxQtDialogProvider::Install() {
    TkxInstallDialogProvider(this);
}

void TkxQtDialogProvider::ShowSupportedDevices(TkxDMCollection* collection) {
    TkxSupportedDeviceList form(FMainWindow);
    form.Fill(collection);
    if (FMainWindow != nullptr) {
        form.move(FMainWindow->geometry().center() - form.rect().center());
    }
    form.exec();
}
