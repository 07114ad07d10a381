#include "devices/tkxdevicevelmociecocls.h"

#include "devices/tkxmodelkit.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparlongcls.h"

TkxDeviceVelmoCieco::TkxDeviceVelmoCieco(TkxDeviceSetup* setup, const TkxVersionRecord* version,
                                         TkxRegDefsList* defs)
    : TkxDeviceQXSlave(setup, version, defs) {
    BindProperties(ClassProperties());
    using namespace TkxModelKit;
    SetReadOnly({ParEvapTemp, ParCondTemp, ParSuctionPressure, ParDischargePressure, ParWaterInTemp,
                 ParWaterOutTemp, ParSlaveAnalogIn1, ParSlaveAnalogIn2, ParCompressorHours,
                 HwHighPressure, HwLowPressure, HwSlaveFlowSwitch, HwThermal},
                true);
    RetargetRead(ReadState, "SlaveState", StateRepeatTime);
    Disable({ReadState, ReadAlarm, ReadSetup, SendSetup, SaveEEProm});
}

const TkxPropertyTable& TkxDeviceVelmoCieco::ClassProperties() {
    using D = TkxDeviceVelmoCieco;
    static const TkxPropertyTable table(&TkxDeviceQXSlave::ClassProperties(),
                                        {
                                            TKX_PUBLISH(D, RegSlaveStatus),
                                            TKX_PUBLISH(D, ParEvapTemp),
                                            TKX_PUBLISH(D, ParCondTemp),
                                            TKX_PUBLISH(D, ParSuctionPressure),
                                            TKX_PUBLISH(D, ParDischargePressure),
                                            TKX_PUBLISH(D, ParWaterInTemp),
                                            TKX_PUBLISH(D, ParWaterOutTemp),
                                            TKX_PUBLISH(D, ParSlaveAnalogIn1),
                                            TKX_PUBLISH(D, ParSlaveAnalogIn2),
                                            TKX_PUBLISH(D, ParCompressorHours),
                                            TKX_PUBLISH(D, HwHighPressure),
                                            TKX_PUBLISH(D, HwLowPressure),
                                            TKX_PUBLISH(D, HwSlaveFlowSwitch),
                                            TKX_PUBLISH(D, HwThermal),
                                            TKX_PUBLISH(D, CmdCompressorOn),
                                            TKX_PUBLISH(D, CmdPumpOn),
                                            TKX_PUBLISH(D, ParCompressorSpeed),
                                        });
    return table;
}
