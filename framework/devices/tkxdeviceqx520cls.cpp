#include "devices/tkxdeviceqx520cls.h"

#include "devices/tkxlinkedlimits.h"
#include "devices/tkxmodelkit.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparlongcls.h"

TkxDeviceQX520::TkxDeviceQX520(TkxDeviceSetup* setup, const TkxVersionRecord* version,
                               TkxRegDefsList* defs)
    : TkxDeviceQXDrive(setup, version, defs) {
    BindProperties(ClassProperties());
    TkxModelKit::SetReadOnly({ParWorkedTime, ParPowerT, ParSetPointTemp, ParDifferenziale,
                              ParNtcInH2Odolce, ParSeaWaterTin, ParSeaWaterTout, ParEvapT, ParAspT,
                              ParFluxMCH, HwLowPressure, HwHighpressure, HwAux, HwNoMotor, HwJP401,
                              HwJP402, HwJP403, HwStepperShort},
                             true);
    TkxModelKit::SetReadOnly({ParMainVoltage, CmdGoForward, CmdGoReverse}, false);

    using namespace TkxLinkedLimits;
    MaxFollows(ParMainVoltage, ParHWLimitVolt);
    Ascending({ParMotorUminV, ParMotorUrV, ParMotorUmaxV});
    Ascending({ParMotorIrA, ParMotorIpA});
    MaxFollows(ParMotorIpA, ParHWLimitAmp);
    Ascending({ParSpeedMin, ParSpeedRef, ParSpeedMax});
    Ascending({ParMotorFrHz, ParMotorFmaxHz});
}

const TkxPropertyTable& TkxDeviceQX520::ClassProperties() {
    using D = TkxDeviceQX520;
    static const TkxPropertyTable table(&TkxDeviceQXDrive::ClassProperties(),
                                        {
                                            TKX_PUBLISH(D, RegDriveState),
                                            TKX_PUBLISH(D, RegChillerState),
                                            TKX_PUBLISH(D, ParWorkedTime),
                                            TKX_PUBLISH(D, ParPowerT),
                                            TKX_PUBLISH(D, ParSetPointTemp),
                                            TKX_PUBLISH(D, ParDifferenziale),
                                            TKX_PUBLISH(D, ParNtcInH2Odolce),
                                            TKX_PUBLISH(D, ParSeaWaterTin),
                                            TKX_PUBLISH(D, ParSeaWaterTout),
                                            TKX_PUBLISH(D, ParEvapT),
                                            TKX_PUBLISH(D, ParAspT),
                                            TKX_PUBLISH(D, ParFluxMCH),
                                            TKX_PUBLISH(D, ParHighPressureAlarm),
                                            TKX_PUBLISH(D, ParLowPressureAlarm),
                                            TKX_PUBLISH(D, ParSpeedMin),
                                            TKX_PUBLISH(D, ParSpeedRef),
                                            TKX_PUBLISH(D, ParSpeedMax),
                                            TKX_PUBLISH(D, HwLowPressure),
                                            TKX_PUBLISH(D, HwHighpressure),
                                            TKX_PUBLISH(D, HwAux),
                                            TKX_PUBLISH(D, HwNoMotor),
                                            TKX_PUBLISH(D, HwJP401),
                                            TKX_PUBLISH(D, HwJP402),
                                            TKX_PUBLISH(D, HwJP403),
                                            TKX_PUBLISH(D, HwStepperShort),
                                            TKX_PUBLISH(D, CmdGoForward),
                                            TKX_PUBLISH(D, CmdGoReverse),
                                            TKX_PUBLISH(D, CmdReset),
                                            TKX_PUBLISH(D, CfgTestMode),
                                            TKX_PUBLISH(D, CmdTestCompressor),
                                            TKX_PUBLISH(D, CmdTestPump),
                                        });
    return table;
}

void TkxDeviceQX520::ListProperties(std::vector<std::string>& strings) {
    TkxDeviceQXDrive::ListProperties(strings);
    ListParameter(ParWorkedTime, strings);
}
