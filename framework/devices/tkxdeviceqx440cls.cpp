#include "devices/tkxdeviceqx440cls.h"

#include "devices/tkxlinkedlimits.h"
#include "devices/tkxmodelkit.h"
#include "params/tkxpar2dpointcls.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparfrac16cls.h"

TkxDeviceQX440::TkxDeviceQX440(TkxDeviceSetup* setup, const TkxVersionRecord* version,
                               TkxRegDefsList* defs)
    : TkxDeviceQXDrive(setup, version, defs) {
    BindProperties(ClassProperties());
    // The analog reference and the hardware inputs are measured; the mains voltage, a rating
    // on other drives, is set by the user on this one.
    TkxModelKit::SetReadOnly({ParAnalogRef, HwGoForward, HwGoReverse, HwGoFaster, HwHoldBrake},
                             true);
    TkxModelKit::SetReadOnly({ParMainVoltage}, false);
    LinkLimits();
    LinkThrottleCurve();
}

const TkxPropertyTable& TkxDeviceQX440::ClassProperties() {
    using D = TkxDeviceQX440;
    static const TkxPropertyTable table(
        &TkxDeviceQXDrive::ClassProperties(),
        {
            TKX_PUBLISH(D, ParMotorType),    TKX_PUBLISH(D, ParMotorID),
            TKX_PUBLISH(D, ParHoldTorque),   TKX_PUBLISH(D, ParSpeedJog),
            TKX_PUBLISH(D, ParSpeedFast),    TKX_PUBLISH(D, ParSpeedMin),
            TKX_PUBLISH(D, ParSpeedMax),     TKX_PUBLISH(D, ParThrottle0),
            TKX_PUBLISH(D, ParThrottle1),    TKX_PUBLISH(D, ParThrottle2),
            TKX_PUBLISH(D, ParThrottle3),    TKX_PUBLISH(D, ParVFGraph0),
            TKX_PUBLISH(D, ParVFGraph1),     TKX_PUBLISH(D, ParVFGraph2),
            TKX_PUBLISH(D, ParAnalogRef),    TKX_PUBLISH(D, ParVirtualRef),
            TKX_PUBLISH(D, CmdGoForward),    TKX_PUBLISH(D, CmdGoReverse),
            TKX_PUBLISH(D, CmdGoFaster),     TKX_PUBLISH(D, CmdHoldBrake),
            TKX_PUBLISH(D, HwGoForward),     TKX_PUBLISH(D, HwGoReverse),
            TKX_PUBLISH(D, HwGoFaster),      TKX_PUBLISH(D, HwHoldBrake),
            TKX_PUBLISH(D, CfgCurrentLoop),  TKX_PUBLISH(D, CfgUseProfiBus),
            TKX_PUBLISH(D, HasCurrentSense), TKX_PUBLISH(D, HasProfiBus),
            TKX_PUBLISH(D, CfgBrakeMode),
        });
    return table;
}

void TkxDeviceQX440::LinkLimits() {
    using namespace TkxLinkedLimits;
    Ascending({ParMotorUminV, ParMotorUrV, ParMotorUmaxV});
    MaxFollows(ParMotorUmaxV, ParHWLimitVolt);
    Ascending({ParMotorIrA, ParMotorIpA});
    Ascending({ParSpeedJog, ParSpeedFast});
    Ascending({ParMotorFrHz, ParMotorFmaxHz});
    MaxFollows(ParHoldTorque, ParMotorUrV);
}

// Throttle (first coordinate): the two inner points keep their order. Braking (second
// coordinate): the inner points lie between the outer ones, which follow their neighbours.
void TkxDeviceQX440::LinkThrottleCurve() {
    using namespace TkxLinkedLimits;
    Ascending({ParThrottle1, ParThrottle2});
    const auto second = [](const TkxPar2DPoint* point) {
        return point != nullptr ? point->SecondRegister() : nullptr;
    };
    MaxFollows(second(ParThrottle0), second(ParThrottle1));
    for (const TkxPar2DPoint* inner : {ParThrottle1, ParThrottle2}) {
        MinFollows(second(inner), second(ParThrottle0));
        MaxFollows(second(inner), second(ParThrottle3));
    }
    MinFollows(second(ParThrottle3), second(ParThrottle2));
    if (ParThrottle3 != nullptr) {
        ParThrottle3->SetStored(LastThrottleX, LastThrottleY);
    }
}
