#include "devices/tkxdialogprovider.h"

#include "devices/tkxdevicesetupcls.h"

namespace {

TkxDialogProvider* installedProvider = nullptr;

} // namespace

bool TkxDialogProvider::EditThreadSetup(TkxMBThreadSetup& /*setup*/, TkxConnParamSet /*locked*/) {
    return false;
}

std::unique_ptr<TkxDeviceSetup>
TkxDialogProvider::NewDeviceSetup(TkxMBThreadSetup& /*connection*/, TkxDevParamSet /*locked*/,
                                  const TkxNewDevicePreset& /*preset*/) {
    return nullptr;
}

bool TkxDialogProvider::EditDeviceSetup(TkxDeviceSetup& /*setup*/, TkxDevParamSet /*locked*/) {
    return false;
}

void TkxInstallDialogProvider(TkxDialogProvider* provider) {
    installedProvider = provider;
}

void TkxUninstallDialogProvider(TkxDialogProvider* provider) {
    if (installedProvider == provider)
        installedProvider = nullptr;
}

TkxDialogProvider* TkxGetDialogProvider() {
    return installedProvider;
}
