#include "ui/tkxqtdialogprovidercls.h"

#include "devices/tkxdevicesetupcls.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "ui/tkxnewdeviceform.h"
#include "ui/tkxnewmbthreadform.h"
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

bool TkxQtDialogProvider::Run(QDialog& dialog) const {
    if (FMainWindow != nullptr) {
        dialog.move(FMainWindow->geometry().center() - dialog.rect().center());
    }
    return dialog.exec() == QDialog::Accepted;
}

bool TkxQtDialogProvider::EditThreadSetup(TkxMBThreadSetup& setup, TkxConnParamSet locked) {
    TkxNewMBThreadForm form(FMainWindow);
    form.PresetEdit(setup);
    form.Lock(locked);
    return Run(form);
}

std::unique_ptr<TkxMBThreadSetup>
TkxQtDialogProvider::NewThreadSetup(const std::shared_ptr<TkxMBContext>& context,
                                    TkxConnParamSet locked, const TkxNewConnectionPreset& preset) {
    TkxNewMBThreadForm form(FMainWindow);
    form.PresetNew(context, preset);
    form.Lock(locked);
    return Run(form) ? form.TakeCreated() : nullptr;
}

std::unique_ptr<TkxDeviceSetup>
TkxQtDialogProvider::NewDeviceSetup(TkxMBThreadSetup& /*connection*/, TkxDevParamSet locked,
                                    const TkxNewDevicePreset& preset) {
    TkxNewDeviceForm form(FMainWindow);
    form.PresetNew(preset);
    form.Lock(locked);
    return Run(form) ? form.TakeCreated() : nullptr;
}

bool TkxQtDialogProvider::EditDeviceSetup(TkxDeviceSetup& setup, TkxDevParamSet locked) {
    TkxNewDeviceForm form(FMainWindow);
    form.PresetEdit(setup);
    form.Lock(locked);
    return Run(form);
}

void TkxQtDialogProvider::ShowSupportedDevices(TkxDMCollection* collection) {
    TkxSupportedDeviceList form(FMainWindow);
    form.Fill(collection);
    Run(form);
}
