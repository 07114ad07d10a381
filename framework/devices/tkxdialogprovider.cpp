#include "devices/tkxdialogprovider.h"

#include "devices/tkxdevicesetupcls.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "registers/tkxdmcollectioncmp.h"

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

std::unique_ptr<TkxMBThreadSetup>
TkxDialogProvider::NewThreadSetup(const std::shared_ptr<TkxMBContext>& /*context*/,
                                  TkxConnParamSet /*locked*/,
                                  const TkxNewConnectionPreset& /*preset*/) {
    return nullptr;
}

void TkxDialogProvider::ShowSupportedDevices(TkxDMCollection* /*collection*/) {}

std::vector<std::string> TkxDialogProvider::SupportedDeviceLines(TkxDMCollection* collection) {
    std::vector<std::string> lines;
    if (collection == nullptr) {
        lines.emplace_back("- Unknown DataModels collection -");
    } else {
        collection->ExtractAllVersionList(&lines);
    }
    return lines;
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
