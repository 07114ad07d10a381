#include "devices/tkxdeviceqx510cls.h"

#include "devices/tkxlinkedlimits.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparvaluecls.h"

TkxDeviceQX510::TkxDeviceQX510(TkxDeviceSetup* setup, const TkxVersionRecord* version,
                               TkxRegDefsList* defs)
    : TkxDeviceQXDrive(setup, version, defs) {
    BindProperties(ClassProperties());
    for (TkxParValue* measured : std::initializer_list<TkxParValue*>{
             ParOnPowerAlarmTemp, ParOffPowerAlarmTemp, ParPowerTemp, ParBrakeTemp, ParPercON,
             ParStatusWord, ParAnalogIn1}) {
        if (measured != nullptr) {
            measured->SetReadOnly(true);
        }
    }
    TkxLinkedLimits::MaxFollows(ParMaxCurrent, ParHWLimitAmp);
    TkxLinkedLimits::MaxFollows(ParMaxDefluxCurrent, ParMaxCurrent);
}

const TkxPropertyTable& TkxDeviceQX510::ClassProperties() {
    using D = TkxDeviceQX510;
    static const TkxPropertyTable table(
        &TkxDeviceQXDrive::ClassProperties(),
        {
            TKX_PUBLISH(D, ParMaxVoltage),       TKX_PUBLISH(D, ParMagnetVoltage),
            TKX_PUBLISH(D, ParHoldVoltage),      TKX_PUBLISH(D, ParMaxCurrent),
            TKX_PUBLISH(D, ParMaxDefluxCurrent), TKX_PUBLISH(D, ParMagnetCurrent),
            TKX_PUBLISH(D, ParHoldCurrent),      TKX_PUBLISH(D, ParMagnetTime),
            TKX_PUBLISH(D, ParDefluxTime),       TKX_PUBLISH(D, ParHoldTime),
            TKX_PUBLISH(D, ParDefluxCycles),     TKX_PUBLISH(D, ParBrakeAlarmTemp),
            TKX_PUBLISH(D, ParOnPowerAlarmTemp), TKX_PUBLISH(D, ParOffPowerAlarmTemp),
            TKX_PUBLISH(D, ParPowerTemp),        TKX_PUBLISH(D, ParBrakeTemp),
            TKX_PUBLISH(D, ParPercON),           TKX_PUBLISH(D, ParStatusWord),
            TKX_PUBLISH(D, ParAnalogIn1),        TKX_PUBLISH(D, CmdMagnet),
            TKX_PUBLISH(D, CmdDeflux),           TKX_PUBLISH(D, CmdReset),
        });
    return table;
}
