#pragma once

#include "devices/tkxdeviceqxdrivecls.h"

class TkxParBoolField;

// The magnetising power stage: the voltages, currents and times of a magnetising and
// demagnetising cycle, its temperatures and its measured state, each bound from the definition
// file. Temperatures, the duty cycle, the status word and the analog input come from the stage
// and are read-only; the current limits follow the hardware rating: the maximum current stays
// at or below the hardware current limit, the demagnetising current at or below the maximum.
class TkxDeviceQX510 : public TkxDeviceQXDrive {
public:
    TkxDeviceQX510(TkxDeviceSetup* setup, const TkxVersionRecord* version, TkxRegDefsList* defs);

    static const TkxPropertyTable& ClassProperties();
    const TkxPropertyTable& Properties() const override { return ClassProperties(); }

    TkxParValue* ParMaxVoltage = nullptr;
    TkxParValue* ParMagnetVoltage = nullptr;
    TkxParValue* ParHoldVoltage = nullptr;
    TkxParValue* ParMaxCurrent = nullptr;
    TkxParValue* ParMaxDefluxCurrent = nullptr;
    TkxParValue* ParMagnetCurrent = nullptr;
    TkxParValue* ParHoldCurrent = nullptr;
    TkxParValue* ParMagnetTime = nullptr;
    TkxParValue* ParDefluxTime = nullptr;
    TkxParValue* ParHoldTime = nullptr;
    TkxParValue* ParDefluxCycles = nullptr;
    TkxParValue* ParBrakeAlarmTemp = nullptr;

    TkxParValue* ParOnPowerAlarmTemp = nullptr;
    TkxParValue* ParOffPowerAlarmTemp = nullptr;
    TkxParValue* ParPowerTemp = nullptr;
    TkxParValue* ParBrakeTemp = nullptr;
    TkxParValue* ParPercON = nullptr;
    TkxParValue* ParStatusWord = nullptr;
    TkxParValue* ParAnalogIn1 = nullptr;

    TkxParBoolField* CmdMagnet = nullptr;
    TkxParBoolField* CmdDeflux = nullptr;
    TkxParBoolField* CmdReset = nullptr;
};
