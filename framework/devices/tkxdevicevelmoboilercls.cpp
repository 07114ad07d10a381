#include "devices/tkxdevicevelmoboilercls.h"

#include "devices/tkxmodelkit.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparlongcls.h"

TkxDeviceVelmoBoiler::TkxDeviceVelmoBoiler(TkxDeviceSetup* setup, const TkxVersionRecord* version,
                                           TkxRegDefsList* defs)
    : TkxDeviceQXSlave(setup, version, defs) {
    BindProperties(ClassProperties());
    using namespace TkxModelKit;
    SetReadOnly({ParBoilerWaterTemp, ParReturnTemp, ParFlueTemp, ParBoilerAnalogIn1,
                 ParBoilerAnalogIn2, ParBurnerHours, HwFlame, HwBurnerLockout, HwWaterPressure},
                true);
    RetargetRead(ReadState, "BoilerState", StateRepeatTime);
    Disable({ReadState, ReadAlarm, ReadSetup, SendSetup, SaveEEProm});
}

const TkxPropertyTable& TkxDeviceVelmoBoiler::ClassProperties() {
    using D = TkxDeviceVelmoBoiler;
    static const TkxPropertyTable table(&TkxDeviceQXSlave::ClassProperties(),
                                        {
                                            TKX_PUBLISH(D, RegBoilerStatus),
                                            TKX_PUBLISH(D, ParBoilerWaterTemp),
                                            TKX_PUBLISH(D, ParReturnTemp),
                                            TKX_PUBLISH(D, ParFlueTemp),
                                            TKX_PUBLISH(D, ParBoilerAnalogIn1),
                                            TKX_PUBLISH(D, ParBoilerAnalogIn2),
                                            TKX_PUBLISH(D, ParBurnerHours),
                                            TKX_PUBLISH(D, HwFlame),
                                            TKX_PUBLISH(D, HwBurnerLockout),
                                            TKX_PUBLISH(D, HwWaterPressure),
                                            TKX_PUBLISH(D, CmdBurnerOn),
                                            TKX_PUBLISH(D, ParBoilerSetPoint),
                                        });
    return table;
}
