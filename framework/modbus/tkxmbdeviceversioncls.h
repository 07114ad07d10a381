#pragma once

#include "devices/tkxversionrecordcls.h"
#include "modbus/tkxmbtransactioncls.h"

#include <atomic>
#include <mutex>

// Asks a slave for its version record with function 65. A transaction of the thread, not of a
// device: it runs before the device is known. With a repeat time it polls until the slave
// answers, without one it asks once.
class TkxMBDeviceVersion : public TkxMBTransaction {
public:
    // Results of ReadVersion that have no message of their own.
    static constexpr std::int32_t NoRecord = 253;
    static constexpr std::int32_t BadVersionSize = 254;

    TkxMBDeviceVersion(TkxMBThread* thread, int kind, int repeatTime);

    std::int32_t Transact(TkxMBServer& server) override;
    std::string ClassName() const override { return "TkxMBDeviceVersion"; }

    // A copy of the record of the last good answer.
    TkxVersionRecord GetVersion() const;
    bool IsIdentified() const { return FIdentified; }

protected:
    // Sends function 65 and fills record from a reply of exactly twelve bytes (address and
    // function checked); the record is untouched on any failure.
    std::int32_t ReadVersion(TkxMBServer& server, TkxVersionRecord* record);

private:
    mutable std::mutex FVersionLock;
    TkxVersionRecord FVersion;
    std::atomic<bool> FIdentified{false};
};
