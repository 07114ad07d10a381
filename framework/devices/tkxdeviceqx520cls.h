#pragma once

#include "devices/tkxdeviceqxdrivecls.h"

class TkxParLong;

// The compressor drive of a chiller: besides the drive's own values it shows the drive and
// chiller state registers, the worked hours, the temperatures and pressure alarms of the
// chiller and its hardware inputs (all measured, so read-only), and offers the speed range and
// test modes. Motor voltages and currents follow each other and the hardware limits; the
// mains voltage is the user's to set up to the hardware voltage limit.
class TkxDeviceQX520 : public TkxDeviceQXDrive {
public:
    TkxDeviceQX520(TkxDeviceSetup* setup, const TkxVersionRecord* version, TkxRegDefsList* defs);

    static const TkxPropertyTable& ClassProperties();
    const TkxPropertyTable& Properties() const override { return ClassProperties(); }

    // The drive's listing, then the worked hours.
    void ListProperties(std::vector<std::string>& strings) override;

    TkxRegister* RegDriveState = nullptr;
    TkxRegister* RegChillerState = nullptr;

    TkxParLong* ParWorkedTime = nullptr;
    TkxParValue* ParPowerT = nullptr;
    TkxParValue* ParSetPointTemp = nullptr;
    TkxParValue* ParDifferenziale = nullptr;
    TkxParValue* ParNtcInH2Odolce = nullptr;
    TkxParValue* ParSeaWaterTin = nullptr;
    TkxParValue* ParSeaWaterTout = nullptr;
    TkxParValue* ParEvapT = nullptr;
    TkxParValue* ParAspT = nullptr;
    TkxParValue* ParFluxMCH = nullptr;
    TkxParValue* ParHighPressureAlarm = nullptr;
    TkxParValue* ParLowPressureAlarm = nullptr;

    TkxParValue* ParSpeedMin = nullptr;
    TkxParValue* ParSpeedRef = nullptr;
    TkxParValue* ParSpeedMax = nullptr;

    TkxParBoolField* HwLowPressure = nullptr;
    TkxParBoolField* HwHighpressure = nullptr;
    TkxParBoolField* HwAux = nullptr;
    TkxParBoolField* HwNoMotor = nullptr;
    TkxParBoolField* HwJP401 = nullptr;
    TkxParBoolField* HwJP402 = nullptr;
    TkxParBoolField* HwJP403 = nullptr;
    TkxParBoolField* HwStepperShort = nullptr;

    TkxParBoolField* CmdGoForward = nullptr;
    TkxParBoolField* CmdGoReverse = nullptr;
    TkxParBoolField* CmdReset = nullptr;
    TkxParBitField* CfgTestMode = nullptr;
    TkxParBoolField* CmdTestCompressor = nullptr;
    TkxParBoolField* CmdTestPump = nullptr;
};
