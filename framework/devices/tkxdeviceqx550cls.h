#pragma once

#include "devices/tkxdeviceqxdrivecls.h"

#include <array>

// The sixteen maps of the traction drive, four of each kind, six points each: X(kind, map,
// point) for every point, in map and point order.
#define TKX_QX550_MAP(X, Kind, Map)                                                                \
    X(Kind, Map, 0) X(Kind, Map, 1) X(Kind, Map, 2) X(Kind, Map, 3) X(Kind, Map, 4) X(Kind, Map, 5)
#define TKX_QX550_KIND(X, Kind)                                                                    \
    TKX_QX550_MAP(X, Kind, 0)                                                                      \
    TKX_QX550_MAP(X, Kind, 1) TKX_QX550_MAP(X, Kind, 2) TKX_QX550_MAP(X, Kind, 3)
#define TKX_QX550_MAP_POINTS(X)                                                                    \
    TKX_QX550_KIND(X, Brake)                                                                       \
    TKX_QX550_KIND(X, Clutch) TKX_QX550_KIND(X, Throttle) TKX_QX550_KIND(X, EngineBrake)

// The traction drive: battery voltages, pedal potentiometers, gear ratios and the brake,
// clutch, throttle and engine-brake maps. The points of each map stay in ascending order, each
// between its neighbours. The maps have their own read, send and save transactions on the
// groups "MapSetupRAM" and "MapSetupEEP", chained like those of the setup: a save copies the
// maps into their EEPROM copies, sends them and, once the send succeeded, writes the copies.
class TkxDeviceQX550 : public TkxDeviceQXDrive {
public:
    static constexpr int MapKinds = 4;
    static constexpr int MapsPerKind = 4;
    static constexpr int PointsPerMap = 6;
    static constexpr int MapCount = MapKinds * MapsPerKind;

    TkxDeviceQX550(TkxDeviceSetup* setup, const TkxVersionRecord* version, TkxRegDefsList* defs);
    ~TkxDeviceQX550() override;

    static const TkxPropertyTable& ClassProperties();
    const TkxPropertyTable& Properties() const override { return ClassProperties(); }

    // The point of a map: map 0..15 counts the brake maps first, then the clutch, throttle and
    // engine-brake maps; null when the file lacks it or the numbers are out of range.
    TkxParValue* MapPoint(int map, int point) const;

    // As the setup's ReloadSetup, SendToDrive and SaveToDrive, for the maps.
    void ReloadMaps();
    void SendMapsToDrive();
    void SaveMapsToDrive();
    // Copies every map register that has an EEPROM copy into it.
    void CopyMapsToEEProm();
    bool MapSaveAfterSend() const { return FMapSaveAfterSend; }

    TkxParValue* ParBatteryFullVoltage = nullptr;
    TkxParValue* ParBatteryEmptyVoltage = nullptr;
    TkxParValue* ParPotThrottleMin = nullptr;
    TkxParValue* ParPotThrottleMax = nullptr;
    TkxParValue* ParPotBrakeMin = nullptr;
    TkxParValue* ParPotBrakeMax = nullptr;
    TkxParValue* ParPotClutchMin = nullptr;
    TkxParValue* ParPotClutchMax = nullptr;
    TkxParValue* RapportoGear1 = nullptr;
    TkxParValue* RapportoGear2 = nullptr;

#define TKX_QX550_DECLARE_POINT(Kind, Map, Point)                                                  \
    TkxParValue* Par##Kind##Tab_##Map##_##Point = nullptr;
    TKX_QX550_MAP_POINTS(TKX_QX550_DECLARE_POINT)
#undef TKX_QX550_DECLARE_POINT

    TkxMBChainedTransa* ReadMapSetup = nullptr;
    TkxMBChainedTransa* SendMapSetup = nullptr;
    TkxMBChainedTransa* SaveMapSetup = nullptr;

    SetupEvent OnMapRead;
    SetupEvent OnMapSent;
    SetupEvent OnMapSaved;

private:
    static const std::array<TkxParValue * TkxDeviceQX550::*, MapCount * PointsPerMap> MapMembers;

    void MakeMapTransactions();
    void MapSent(TkxMBTransaction* sender);

    // A running map send is the first half of a map save.
    bool FMapSaveAfterSend = false;
};
