#include "devices/tkxdeviceqx550cls.h"

#include "devices/tkxlinkedlimits.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxthreadbuffercls.h"
#include "params/tkxparvaluecls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregistercls.h"

#include <algorithm>

namespace {

constexpr int MapReadRepeatTime = 20;
constexpr int EEPromBlockDelayMs = 20;

TkxMBTransaction::TerminateSet Once(TkxMBTransaction::TerminateReason reason) {
    TkxMBTransaction::TerminateSet reasons;
    reasons.set(reason);
    return reasons;
}

} // namespace

#define TKX_QX550_POINT_MEMBER(Kind, Map, Point) &TkxDeviceQX550::Par##Kind##Tab_##Map##_##Point,
const std::array<TkxParValue * TkxDeviceQX550::*,
                 TkxDeviceQX550::MapCount* TkxDeviceQX550::PointsPerMap>
    TkxDeviceQX550::MapMembers = {TKX_QX550_MAP_POINTS(TKX_QX550_POINT_MEMBER)};
#undef TKX_QX550_POINT_MEMBER

TkxDeviceQX550::TkxDeviceQX550(TkxDeviceSetup* setup, const TkxVersionRecord* version,
                               TkxRegDefsList* defs)
    : TkxDeviceQXDrive(setup, version, defs) {
    BindProperties(ClassProperties());
    for (int map = 0; map < MapCount; ++map) {
        TkxLinkedLimits::Ascending({MapPoint(map, 0), MapPoint(map, 1), MapPoint(map, 2),
                                    MapPoint(map, 3), MapPoint(map, 4), MapPoint(map, 5)});
    }
    SaveEEProm->SetBlockDelay(EEPromBlockDelayMs);
    MakeMapTransactions();
}

TkxDeviceQX550::~TkxDeviceQX550() {
    // Off the thread first: a late map result must not reach a device half gone.
    SetThread(nullptr);
    for (TkxMBTransaction* transaction : {ReadMapSetup, SendMapSetup, SaveMapSetup}) {
        transaction->OnResponse = nullptr;
    }
}

const TkxPropertyTable& TkxDeviceQX550::ClassProperties() {
    using D = TkxDeviceQX550;
#define TKX_QX550_PUBLISH_POINT(Kind, Map, Point) TKX_PUBLISH(D, Par##Kind##Tab_##Map##_##Point),
    static const TkxPropertyTable table(
        &TkxDeviceQXDrive::ClassProperties(),
        {TKX_PUBLISH(D, ParBatteryFullVoltage), TKX_PUBLISH(D, ParBatteryEmptyVoltage),
         TKX_PUBLISH(D, ParPotThrottleMin), TKX_PUBLISH(D, ParPotThrottleMax),
         TKX_PUBLISH(D, ParPotBrakeMin), TKX_PUBLISH(D, ParPotBrakeMax),
         TKX_PUBLISH(D, ParPotClutchMin), TKX_PUBLISH(D, ParPotClutchMax),
         TKX_PUBLISH(D, RapportoGear1), TKX_PUBLISH(D, RapportoGear2),
         TKX_QX550_MAP_POINTS(TKX_QX550_PUBLISH_POINT)});
#undef TKX_QX550_PUBLISH_POINT
    return table;
}

TkxParValue* TkxDeviceQX550::MapPoint(int map, int point) const {
    if (map < 0 || map >= MapCount || point < 0 || point >= PointsPerMap) {
        return nullptr;
    }
    return this->*MapMembers[static_cast<std::size_t>(map * PointsPerMap + point)];
}

void TkxDeviceQX550::MakeMapTransactions() {
    ReadMapSetup =
        MakeGroupTransa("MapSetupRAM", false, "ReadMapSetup", "Load actual map setup from device.");
    ReadMapSetup->SetRepeatTime(MapReadRepeatTime);
    ReadMapSetup->SetTerminateReasons(Once(TkxMBTransaction::Response));
    ReadMapSetup->OnResponse = [this](TkxMBTransaction* sender) { Fire(OnMapRead, sender); };
    ReadMapSetup->SetEnabled(true);

    SendMapSetup =
        MakeGroupTransa("MapSetupRAM", true, "SendMapSetup", "Send new map setup to device.");
    SendMapSetup->SetTerminateReasons(Once(TkxMBTransaction::Always));
    SendMapSetup->OnResponse = [this](TkxMBTransaction* sender) { MapSent(sender); };

    SaveMapSetup =
        MakeGroupTransa("MapSetupEEP", true, "SaveMapSetup", "Save map setup to EEProm.");
    SaveMapSetup->SetTerminateReasons(Once(TkxMBTransaction::Always));
    SaveMapSetup->SetBlockDelay(EEPromBlockDelayMs);
    SaveMapSetup->OnResponse = [this](TkxMBTransaction* sender) { Fire(OnMapSaved, sender); };
}

void TkxDeviceQX550::MapSent(TkxMBTransaction* sender) {
    const bool save = FMapSaveAfterSend;
    FMapSaveAfterSend = false;
    if (save) {
        SaveMapSetup->SetEnabled(true);
    } else {
        Fire(OnMapSent, sender);
    }
}

void TkxDeviceQX550::ReloadMaps() {
    ReadMapSetup->SetEnabled(true);
}

void TkxDeviceQX550::SendMapsToDrive() {
    FMapSaveAfterSend = false;
    SendMapSetup->SetEnabled(true);
}

void TkxDeviceQX550::SaveMapsToDrive() {
    CopyMapsToEEProm();
    FMapSaveAfterSend = true;
    SendMapSetup->SetEnabled(true);
}

void TkxDeviceQX550::CopyMapsToEEProm() {
    CopyToEEProm(SendMapSetup->WriteBlocks());
}
