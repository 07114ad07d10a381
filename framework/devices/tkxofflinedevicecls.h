#pragma once

#include <memory>
#include <string>

class TkxDeviceSetup;
class TkxMBNetwork;
class TkxMBThreadSetup;

// A device worked on without a link: its connection never goes on-line, and its device setup
// gets the device the version text names, straight from the network's definition files, with
// every register at its default.
class TkxOfflineDevice {
public:
    // Takes the network off-line, adds the connection (one named "OFFLINE" when none is given)
    // and the device setup (one named "drive" when none) to it, then lets the setup make the
    // device of the version. The setup, which has no device when neither a class nor a
    // definition file serves the version. Null when the network refuses the connection, or the
    // connection the setup (a name or address already taken); what was refused is dropped, a
    // connection already added stays.
    static TkxDeviceSetup* Add(TkxMBNetwork& network, const std::string& versionText,
                               std::unique_ptr<TkxMBThreadSetup> connection = nullptr,
                               std::unique_ptr<TkxDeviceSetup> setup = nullptr);
};
