#pragma once

#include "devices/tkxdeviceqxdrivecls.h"

class TkxPar2DPoint;
class TkxParFrac16;

// The speed drive with a throttle curve and a V/f curve: motor and speed setup, four throttle
// points (the last one fixed at 100 % throttle, 0 % braking unless the file gives it
// registers), three V/f points, the analog and virtual references as fractions, and the
// commands and hardware inputs as flags. Motor voltages, currents, frequencies and the jog and
// fast speeds follow each other's current values; the mains voltage is the user's to set.
class TkxDeviceQX440 : public TkxDeviceQXDrive {
public:
    // The fixed coordinates of the last throttle point.
    static constexpr double LastThrottleX = 100.0;
    static constexpr double LastThrottleY = 0.0;

    TkxDeviceQX440(TkxDeviceSetup* setup, const TkxVersionRecord* version, TkxRegDefsList* defs);

    static const TkxPropertyTable& ClassProperties();
    const TkxPropertyTable& Properties() const override { return ClassProperties(); }

    TkxParEncoded* ParMotorType = nullptr;
    TkxParEncoded* ParMotorID = nullptr;
    TkxParValue* ParHoldTorque = nullptr;
    TkxParValue* ParSpeedJog = nullptr;
    TkxParValue* ParSpeedFast = nullptr;
    TkxParValue* ParSpeedMin = nullptr;
    TkxParValue* ParSpeedMax = nullptr;

    TkxPar2DPoint* ParThrottle0 = nullptr;
    TkxPar2DPoint* ParThrottle1 = nullptr;
    TkxPar2DPoint* ParThrottle2 = nullptr;
    TkxPar2DPoint* ParThrottle3 = nullptr;
    TkxPar2DPoint* ParVFGraph0 = nullptr;
    TkxPar2DPoint* ParVFGraph1 = nullptr;
    TkxPar2DPoint* ParVFGraph2 = nullptr;

    TkxParFrac16* ParAnalogRef = nullptr;
    TkxParFrac16* ParVirtualRef = nullptr;

    TkxParBoolField* CmdGoForward = nullptr;
    TkxParBoolField* CmdGoReverse = nullptr;
    TkxParBoolField* CmdGoFaster = nullptr;
    TkxParBoolField* CmdHoldBrake = nullptr;
    TkxParBoolField* HwGoForward = nullptr;
    TkxParBoolField* HwGoReverse = nullptr;
    TkxParBoolField* HwGoFaster = nullptr;
    TkxParBoolField* HwHoldBrake = nullptr;
    TkxParBoolField* CfgCurrentLoop = nullptr;
    TkxParBoolField* CfgUseProfiBus = nullptr;
    TkxParBoolField* HasCurrentSense = nullptr;
    TkxParBoolField* HasProfiBus = nullptr;
    TkxParBitField* CfgBrakeMode = nullptr;

private:
    void LinkLimits();
    void LinkThrottleCurve();
};
