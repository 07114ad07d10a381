#pragma once

#include "devices/tkxdeviceqxslavecls.h"

class TkxParBoolField;
class TkxParLong;

// The boiler of the plant, behind its control panel (TkxDeviceVelmoLcd, which makes and owns
// it on its own setup and definitions). It reads its state from the group "BoilerState" once a
// second when enabled; its standard transactions all start disabled and the application
// enables what it shows. Its measured values are read-only.
class TkxDeviceVelmoBoiler : public TkxDeviceQXSlave {
public:
    static constexpr int StateRepeatTime = 10;

    TkxDeviceVelmoBoiler(TkxDeviceSetup* setup, const TkxVersionRecord* version,
                         TkxRegDefsList* defs);

    static const TkxPropertyTable& ClassProperties();
    const TkxPropertyTable& Properties() const override { return ClassProperties(); }

    TkxRegister* RegBoilerStatus = nullptr;
    TkxParValue* ParBoilerWaterTemp = nullptr;
    TkxParValue* ParReturnTemp = nullptr;
    TkxParValue* ParFlueTemp = nullptr;
    TkxParValue* ParBoilerAnalogIn1 = nullptr;
    TkxParValue* ParBoilerAnalogIn2 = nullptr;
    TkxParLong* ParBurnerHours = nullptr;
    TkxParBoolField* HwFlame = nullptr;
    TkxParBoolField* HwBurnerLockout = nullptr;
    TkxParBoolField* HwWaterPressure = nullptr;
    TkxParBoolField* CmdBurnerOn = nullptr;
    TkxParValue* ParBoilerSetPoint = nullptr;
};
