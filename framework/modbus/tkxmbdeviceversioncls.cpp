#include "modbus/tkxmbdeviceversioncls.h"

#include "base/tkxmbresultcodes.h"

namespace {
constexpr std::uint8_t DeviceVersionCode = 65;
}

TkxMBDeviceVersion::TkxMBDeviceVersion(TkxMBThread* thread, int kind, int repeatTime)
    : TkxMBTransaction(thread, kind) {
    if (repeatTime != 0) {
        SetRepeatTime(repeatTime);
        TerminateSet reasons;
        reasons.set(Response);
        TerminateIf = reasons;
    } else {
        TerminateSet reasons;
        reasons.set(Always);
        TerminateIf = reasons;
    }
    SetDefaultName();
}

TkxVersionRecord TkxMBDeviceVersion::GetVersion() const {
    std::lock_guard guard(FVersionLock);
    return FVersion;
}

std::int32_t TkxMBDeviceVersion::Transact(TkxMBServer& server) {
    FIdentified = false;
    TkxVersionRecord record = GetVersion();
    const std::int32_t result = ReadVersion(server, &record);
    if (result == TkxMBResult::Ok) {
        std::lock_guard guard(FVersionLock);
        FVersion = record;
    }
    FIdentified = result == TkxMBResult::Ok;
    return result;
}

std::int32_t TkxMBDeviceVersion::ReadVersion(TkxMBServer& server, TkxVersionRecord* record) {
    FQuery = {GetSlaveAddress(), DeviceVersionCode};
    const std::int32_t result = Exchange(server);
    if (result != TkxMBResult::Ok) {
        return result;
    }
    if (FResponse.size() != TkxVersionRecord::kReplySize) {
        return BadVersionSize;
    }
    if (FResponse[0] != GetSlaveAddress() || FResponse[1] != DeviceVersionCode) {
        return TkxMBResult::InvalidResponse;
    }
    if (record == nullptr) {
        return NoRecord;
    }
    record->LoadFromReply(FResponse);
    return TkxMBResult::Ok;
}
