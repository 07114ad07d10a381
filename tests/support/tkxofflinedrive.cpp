#include "support/tkxofflinedrive.h"

#include "base/tkxerror.h"
#include "devices/tkxdeviceqxdrvcls.h"
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxofflinedevicecls.h"

TkxOfflineDrive::TkxOfflineDrive(const std::string& definitionFolder,
                                 const std::string& versionText) {
    FNetwork.SetFilePath(definitionFolder);
    FSetup = TkxOfflineDevice::Add(FNetwork, versionText);
    FDrive = FSetup != nullptr ? dynamic_cast<TkxDeviceQXDRV*>(FSetup->Device()) : nullptr;
    if (FDrive == nullptr) {
        throw ETkxError("no drive for " + versionText + " in " + definitionFolder);
    }
}
