#include "devices/tkxdevicevelmolcdcls.h"

#include "devices/tkxdevicevelmoboilercls.h"
#include "devices/tkxdevicevelmociecocls.h"
#include "devices/tkxlinkedlimits.h"
#include "devices/tkxmodelkit.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparlongcls.h"

#include <tuple>

TkxDeviceVelmoLcd::TkxDeviceVelmoLcd(TkxDeviceSetup* setup, const TkxVersionRecord* version,
                                     TkxRegDefsList* defs)
    : TkxDeviceQXSlave(setup, version, defs) {
    BindProperties(ClassProperties());
    using namespace TkxModelKit;
    SetReadOnly({ParH2OInTemp, ParH2OOutTemp, ParSeaWaterTemp, ParAmbientTemp, ParFluxH2ODolce,
                 ParAnalogIn1, ParAnalogIn2, ParPlantHours, HwFlowSwitch, HwRemoteOnOff, HwAlarmIn},
                true);
    // Each set point lies between its limits, and the low limit stays at or below the high one.
    for (const auto& [setPoint, low, high] :
         {std::tuple{ParCoolingSetPoint, ParCoolingLowLimit, ParCoolingHighLimit},
          std::tuple{ParHeatingSetPoint, ParHeatingLowLimit, ParHeatingHighLimit}}) {
        TkxLinkedLimits::MinFollows(setPoint, low);
        TkxLinkedLimits::MaxFollows(setPoint, high);
        TkxLinkedLimits::Ascending({low, high});
    }
    if (ParMinFluxH2ODolce != nullptr && ParMinFluxH2ODolce->HasDflt()) {
        MinFluxH2ODolceDflt = ParMinFluxH2ODolce->GetDflt();
    }

    RetargetRead(ReadState, "MasterState", StateRepeatTime);
    ReadAlarm->SetRepeatTime(AlarmRepeatTime);
    RetargetRead(ReadSetup, "MasterSetup", 0);
    RetargetWrite(SendSetup, "MasterSetup");
    Disable({ReadState, ReadAlarm, ReadSetup, SendSetup, SaveEEProm});
    WatchSetupEdits("MasterSetup");

    for (int i = 0; i < SlaveCount; ++i) {
        FSlaves[i] = std::make_unique<TkxDeviceVelmoCieco>(setup, version, defs);
        Slave[i] = FSlaves[i].get();
    }
    FBoiler = std::make_unique<TkxDeviceVelmoBoiler>(setup, version, defs);
    Boiler = FBoiler.get();
}

// The units leave the thread with the panel, before they are destroyed with it; none of them
// is the device of the setup, so leaving the setup changes nothing there.
TkxDeviceVelmoLcd::~TkxDeviceVelmoLcd() {
    SetThread(nullptr);
}

const TkxPropertyTable& TkxDeviceVelmoLcd::ClassProperties() {
    using D = TkxDeviceVelmoLcd;
    static const TkxPropertyTable table(
        &TkxDeviceQXSlave::ClassProperties(),
        {
            TKX_PUBLISH(D, RegMasterStatus),     TKX_PUBLISH(D, ParCoolingSetPoint),
            TKX_PUBLISH(D, ParCoolingLowLimit),  TKX_PUBLISH(D, ParCoolingHighLimit),
            TKX_PUBLISH(D, ParHeatingSetPoint),  TKX_PUBLISH(D, ParHeatingLowLimit),
            TKX_PUBLISH(D, ParHeatingHighLimit), TKX_PUBLISH(D, ParMinFluxH2ODolce),
            TKX_PUBLISH(D, CfgPlantMode),        TKX_PUBLISH(D, CmdPlantOn),
            TKX_PUBLISH(D, ParH2OInTemp),        TKX_PUBLISH(D, ParH2OOutTemp),
            TKX_PUBLISH(D, ParSeaWaterTemp),     TKX_PUBLISH(D, ParAmbientTemp),
            TKX_PUBLISH(D, ParFluxH2ODolce),     TKX_PUBLISH(D, ParAnalogIn1),
            TKX_PUBLISH(D, ParAnalogIn2),        TKX_PUBLISH(D, ParPlantHours),
            TKX_PUBLISH(D, HwFlowSwitch),        TKX_PUBLISH(D, HwRemoteOnOff),
            TKX_PUBLISH(D, HwAlarmIn),
        });
    return table;
}

void TkxDeviceVelmoLcd::SetThread(TkxMBThread* thread) {
    TkxDeviceQXSlave::SetThread(thread);
    for (TkxDeviceVelmoCieco* slave : Slave) {
        if (slave != nullptr) {
            slave->SetThread(thread);
        }
    }
    if (Boiler != nullptr) {
        Boiler->SetThread(thread);
    }
}
