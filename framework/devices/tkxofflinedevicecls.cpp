#include "devices/tkxofflinedevicecls.h"

#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxmbnetworkcmp.h"
#include "devices/tkxversionrecordcls.h"
#include "modbus/tkxmbthreadsetupcls.h"

TkxDeviceSetup* TkxOfflineDevice::Add(TkxMBNetwork& network, const std::string& versionText,
                                      std::unique_ptr<TkxMBThreadSetup> connection,
                                      std::unique_ptr<TkxDeviceSetup> setup) {
    if (!connection) {
        connection = std::make_unique<TkxMBThreadSetup>(network.Context());
        connection->SetThreadName("OFFLINE");
    }
    if (!setup) {
        setup = std::make_unique<TkxDeviceSetup>();
        setup->SetDeviceName("drive");
    }
    // Off-line before the connection joins, so that it never starts its line.
    network.SetOnLine(false);
    TkxMBThreadSetup* line = connection.get();
    TkxDeviceSetup* added = setup.get();
    if (!network.AddConnection(connection) || !line->AddDeviceSetup(setup)) {
        return nullptr;
    }
    added->DeviceFromVersion(TkxVersionRecord(versionText));
    return added;
}
