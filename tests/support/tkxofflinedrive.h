#pragma once

#include "devices/tkxmbnetworkcmp.h"

#include <string>

class TkxDeviceQXDRV;
class TkxDeviceSetup;

// A drive made offline, as the terminal's offline work makes one: a network whose data models
// search a definition folder, one connection that never goes on-line, one device setup, and
// the drive the version text gets. Throws ETkxError when no drive is made.
class TkxOfflineDrive {
public:
    TkxOfflineDrive(const std::string& definitionFolder, const std::string& versionText);

    TkxDeviceQXDRV& Drive() const { return *FDrive; }
    TkxDeviceSetup& Setup() const { return *FSetup; }
    TkxMBNetwork& Network() { return FNetwork; }

private:
    TkxMBNetwork FNetwork;
    TkxDeviceSetup* FSetup = nullptr;
    TkxDeviceQXDRV* FDrive = nullptr;
};
