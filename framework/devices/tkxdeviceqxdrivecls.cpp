#include "devices/tkxdeviceqxdrivecls.h"

#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparvaluecls.h"

TkxDeviceQXDrive::TkxDeviceQXDrive(TkxDeviceSetup* setup, const TkxVersionRecord* version,
                                   TkxRegDefsList* defs)
    : TkxDeviceQXSlave(setup, version, defs) {
    BindProperties(ClassProperties());
    // Hardware ratings and measured values come from the drive, never from the user.
    for (TkxParValue* rating : std::initializer_list<TkxParValue*>{
             ParHWLimitVolt, ParHWLimitAmp, ParHWLimitAmpNom, ParMainVoltage, ParCurrRangeMax,
             ParEECurrRangeMax, ParSpeedRangeMax, ParEESpeedRangeMax, ParPwmFreq, ParEEPwmFreq,
             ParU_Dc_BusV, ParU_MotorV, ParI_MotorA, ParF_MotorHz, ParS_MotorRPM}) {
        if (rating != nullptr) {
            rating->SetReadOnly(true);
        }
    }
}

const TkxPropertyTable& TkxDeviceQXDrive::ClassProperties() {
    using D = TkxDeviceQXDrive;
    static const TkxPropertyTable table(
        &TkxDeviceQXSlave::ClassProperties(),
        {
            TKX_PUBLISH(D, RegPreFault1),     TKX_PUBLISH(D, RegPreFault2),
            TKX_PUBLISH(D, RegActFault1),     TKX_PUBLISH(D, RegActFault2),
            TKX_PUBLISH(D, ParHWLimitVolt),   TKX_PUBLISH(D, ParHWLimitAmp),
            TKX_PUBLISH(D, ParHWLimitAmpNom), TKX_PUBLISH(D, ParMainVoltage),
            TKX_PUBLISH(D, ParCurrRangeMax),  TKX_PUBLISH(D, ParEECurrRangeMax),
            TKX_PUBLISH(D, ParSpeedRangeMax), TKX_PUBLISH(D, ParEESpeedRangeMax),
            TKX_PUBLISH(D, ParPwmFreq),       TKX_PUBLISH(D, ParEEPwmFreq),
            TKX_PUBLISH(D, ParU_Dc_BusV),     TKX_PUBLISH(D, ParU_MotorV),
            TKX_PUBLISH(D, ParI_MotorA),      TKX_PUBLISH(D, ParF_MotorHz),
            TKX_PUBLISH(D, ParS_MotorRPM),    TKX_PUBLISH(D, ParVirtualInput),
            TKX_PUBLISH(D, ParInput),         TKX_PUBLISH(D, ParMotorUrV),
            TKX_PUBLISH(D, ParMotorUminV),    TKX_PUBLISH(D, ParMotorUmaxV),
            TKX_PUBLISH(D, ParMotorIrA),      TKX_PUBLISH(D, ParMotorIpA),
            TKX_PUBLISH(D, ParMotorFrHz),     TKX_PUBLISH(D, ParMotorFmaxHz),
            TKX_PUBLISH(D, ParMotorSrRPM),    TKX_PUBLISH(D, ParMotorSmaxRPM),
            TKX_PUBLISH(D, ParMotorI2Ttime),  TKX_PUBLISH(D, ParMotorAccel),
            TKX_PUBLISH(D, ParMotorDecel),    TKX_PUBLISH(D, CfgUseRamp),
            TKX_PUBLISH(D, CfgNotUseRamp),    TKX_PUBLISH(D, CfgRampStopMode),
            TKX_PUBLISH(D, CfgRefSource),     TKX_PUBLISH(D, CfgCmdFromBus),
            TKX_PUBLISH(D, CfgSecureEnable),  TKX_PUBLISH(D, CfgTempSense),
        });
    return table;
}

void TkxDeviceQXDrive::ListProperties(std::vector<std::string>& strings) {
    TkxDeviceQXSlave::ListProperties(strings);
    const auto eepromOr = [](TkxParValue* eeprom, TkxParValue* ram) {
        return eeprom != nullptr ? eeprom : ram;
    };
    for (const TkxParValue* parameter : std::initializer_list<const TkxParValue*>{
             ParHWLimitVolt, ParHWLimitAmp, ParHWLimitAmpNom,
             eepromOr(ParEECurrRangeMax, ParCurrRangeMax),
             eepromOr(ParEESpeedRangeMax, ParSpeedRangeMax), eepromOr(ParEEPwmFreq, ParPwmFreq)}) {
        ListParameter(parameter, strings);
    }
}
