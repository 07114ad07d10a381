#pragma once

#include "devices/tkxdeviceqxslavecls.h"

class TkxParBitField;
class TkxParBoolField;

// The common base of the motor drives of the family: the fault registers, the hardware ratings
// (read-only to the user), the measured values, the motor data and the common configuration
// flags, each bound from the definition file.
class TkxDeviceQXDrive : public TkxDeviceQXSlave {
public:
    TkxDeviceQXDrive(TkxDeviceSetup* setup, const TkxVersionRecord* version, TkxRegDefsList* defs);

    static const TkxPropertyTable& ClassProperties();
    const TkxPropertyTable& Properties() const override { return ClassProperties(); }

    // The communication parameters, then the hardware limits and the ranges, each range from
    // the EEPROM where the file has it.
    void ListProperties(std::vector<std::string>& strings) override;

    TkxRegister* RegPreFault1 = nullptr;
    TkxRegister* RegPreFault2 = nullptr;
    TkxRegister* RegActFault1 = nullptr;
    TkxRegister* RegActFault2 = nullptr;

    TkxParValue* ParHWLimitVolt = nullptr;
    TkxParValue* ParHWLimitAmp = nullptr;
    TkxParValue* ParHWLimitAmpNom = nullptr;
    TkxParValue* ParMainVoltage = nullptr;
    TkxParValue* ParCurrRangeMax = nullptr;
    TkxParValue* ParEECurrRangeMax = nullptr;
    TkxParValue* ParSpeedRangeMax = nullptr;
    TkxParValue* ParEESpeedRangeMax = nullptr;
    TkxParEncoded* ParPwmFreq = nullptr;
    TkxParEncoded* ParEEPwmFreq = nullptr;

    TkxParValue* ParU_Dc_BusV = nullptr;
    TkxParValue* ParU_MotorV = nullptr;
    TkxParValue* ParI_MotorA = nullptr;
    TkxParValue* ParF_MotorHz = nullptr;
    TkxParValue* ParS_MotorRPM = nullptr;

    TkxParValue* ParVirtualInput = nullptr;
    TkxParValue* ParInput = nullptr;
    TkxParValue* ParMotorUrV = nullptr;
    TkxParValue* ParMotorUminV = nullptr;
    TkxParValue* ParMotorUmaxV = nullptr;
    TkxParValue* ParMotorIrA = nullptr;
    TkxParValue* ParMotorIpA = nullptr;
    TkxParValue* ParMotorFrHz = nullptr;
    TkxParValue* ParMotorFmaxHz = nullptr;
    TkxParValue* ParMotorSrRPM = nullptr;
    TkxParValue* ParMotorSmaxRPM = nullptr;
    TkxParValue* ParMotorI2Ttime = nullptr;
    TkxParValue* ParMotorAccel = nullptr;
    TkxParValue* ParMotorDecel = nullptr;

    TkxParBoolField* CfgUseRamp = nullptr;
    TkxParBoolField* CfgNotUseRamp = nullptr;
    TkxParBitField* CfgRampStopMode = nullptr;
    TkxParBitField* CfgRefSource = nullptr;
    TkxParBoolField* CfgCmdFromBus = nullptr;
    TkxParBoolField* CfgSecureEnable = nullptr;
    TkxParBoolField* CfgTempSense = nullptr;
};
