#pragma once

#include <memory>
#include <string_view>

class TkxDeviceSetup;
class TkxDeviceSlave;
class TkxRegDefsList;
class TkxVersionRecord;

// The identification table: which device class a version record gets. Rows are tried in
// order, and within a row its patterns; a record no pattern matches gets the family's base
// class. The definition file a device is laid out from is found separately, by the data
// models of its network.
class TkxDeviceFactory {
public:
    // The class name the record gets ("TkxDeviceQXDRV", ...).
    static std::string_view ClassFor(const TkxVersionRecord& version);
    // A new device of that class for the setup, laid out from defs.
    static std::unique_ptr<TkxDeviceSlave>
    Create(TkxDeviceSetup* setup, const TkxVersionRecord& version, TkxRegDefsList* defs);
    // The device a definition file names for a slave that gave no version, or null.
    static std::unique_ptr<TkxDeviceSlave>
    CreateDefault(TkxDeviceSetup* setup, const TkxVersionRecord& version, TkxRegDefsList* defs);
};
