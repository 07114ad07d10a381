#include "devices/tkxdeviceqx450cls.h"

#include "devices/tkxlinkedlimits.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparfrac16cls.h"
#include "params/tkxparvaluecls.h"

TkxDeviceQX450::TkxDeviceQX450(TkxDeviceSetup* setup, const TkxVersionRecord* version,
                               TkxRegDefsList* defs)
    : TkxDeviceQXSlave(setup, version, defs) {
    BindProperties(ClassProperties());
    TkxLinkedLimits::MaxFollows(ParUrV, ParHWLimitVolt);
    TkxLinkedLimits::Ascending({ParIcA, ParIpA});
}

const TkxPropertyTable& TkxDeviceQX450::ClassProperties() {
    using D = TkxDeviceQX450;
    static const TkxPropertyTable table(
        &TkxDeviceQXSlave::ClassProperties(),
        {
            TKX_PUBLISH(D, RegPreFault1),    TKX_PUBLISH(D, RegPreFault2),
            TKX_PUBLISH(D, RegActFault1),    TKX_PUBLISH(D, RegActFault2),
            TKX_PUBLISH(D, ParUrV),          TKX_PUBLISH(D, ParIcA),
            TKX_PUBLISH(D, ParIpA),          TKX_PUBLISH(D, ParNomSpeed),
            TKX_PUBLISH(D, ParMinSpeed),     TKX_PUBLISH(D, ParRxI),
            TKX_PUBLISH(D, ParAccel),        TKX_PUBLISH(D, ParDecel),
            TKX_PUBLISH(D, ParTachoVKrpm),   TKX_PUBLISH(D, ParTachoRin),
            TKX_PUBLISH(D, ParSpeedRef),     TKX_PUBLISH(D, UseRefDig),
            TKX_PUBLISH(D, UseRefAnalog),    TKX_PUBLISH(D, UseTacho),
            TKX_PUBLISH(D, UseEncoder),      TKX_PUBLISH(D, UseIxRComp),
            TKX_PUBLISH(D, UseRamp),         TKX_PUBLISH(D, UseSpeedLoop),
            TKX_PUBLISH(D, UseTorqueMode),   TKX_PUBLISH(D, UseCurrentLoop),
            TKX_PUBLISH(D, FilterMode),      TKX_PUBLISH(D, PGainCurrent),
            TKX_PUBLISH(D, IGainCurrent),    TKX_PUBLISH(D, PGainSpeed),
            TKX_PUBLISH(D, IGainSpeed),      TKX_PUBLISH(D, DGainSpeed),
            TKX_PUBLISH(D, ReferenceOffset), TKX_PUBLISH(D, CurLimOffset),
            TKX_PUBLISH(D, CmdDisableCCW),   TKX_PUBLISH(D, CmdDisableCW),
            TKX_PUBLISH(D, CmdInhibit),      TKX_PUBLISH(D, CmdReset),
            TKX_PUBLISH(D, HwDisableCCW),    TKX_PUBLISH(D, HwDisableCW),
            TKX_PUBLISH(D, HwInhibit),       TKX_PUBLISH(D, HwReset),
            TKX_PUBLISH(D, ParDcBus),        TKX_PUBLISH(D, ParArmatureVolt),
            TKX_PUBLISH(D, ParCurrent),      TKX_PUBLISH(D, ParSpeed),
            TKX_PUBLISH(D, ParTemperature),  TKX_PUBLISH(D, ParAnalogRef),
            TKX_PUBLISH(D, ParHWLimitVolt),
        });
    return table;
}

void TkxDeviceQX450::DoOnSetupLoaded() {
    if (ParHWLimitVolt == nullptr) {
        return;
    }
    const bool highCurrent =
        static_cast<int>(ParHWLimitVolt->GetValueDouble()) == HighCurrentStageVolt;
    TkxLinkedLimits::SetMaxValue(TkxLinkedLimits::RegisterOf(ParIcA), highCurrent ? 8.0 : 5.0);
    TkxLinkedLimits::SetMaxValue(TkxLinkedLimits::RegisterOf(ParIpA), highCurrent ? 20.0 : 10.0);
}
