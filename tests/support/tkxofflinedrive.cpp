#include "support/tkxofflinedrive.h"

#include "base/tkxerror.h"
#include "devices/tkxdeviceqxdrvcls.h"
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxversionrecordcls.h"
#include "modbus/tkxmbthreadsetupcls.h"

#include <memory>

TkxOfflineDrive::TkxOfflineDrive(const std::string& definitionFolder,
                                 const std::string& versionText) {
    FNetwork.SetFilePath(definitionFolder);
    auto connection = std::make_unique<TkxMBThreadSetup>(FNetwork.Context());
    connection->SetThreadName("OFFLINE");
    TkxMBThreadSetup* line = connection.get();
    FNetwork.AddConnection(connection);
    auto setup = std::make_unique<TkxDeviceSetup>();
    setup->SetDeviceName("drive");
    FSetup = setup.get();
    line->AddDeviceSetup(setup);
    FSetup->DeviceFromVersion(TkxVersionRecord(versionText));
    FDrive = dynamic_cast<TkxDeviceQXDRV*>(FSetup->Device());
    if (FDrive == nullptr) {
        throw ETkxError("no drive for " + versionText + " in " + definitionFolder);
    }
}
