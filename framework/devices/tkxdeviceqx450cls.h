#pragma once

#include "devices/tkxdeviceqxslavecls.h"

class TkxParBitField;
class TkxParBoolField;
class TkxParFrac16;

// The armature drive: fault registers, armature and tacho data, configuration flags, the
// control-loop gains (fractions), commands, hardware inputs and measured values, each bound
// from the definition file. The rated armature voltage stays below the hardware voltage limit
// and the continuous current below the peak current; the current limits follow the hardware
// rating read with the setup.
class TkxDeviceQX450 : public TkxDeviceQXSlave {
public:
    // The hardware voltage limit of the high-current power stage.
    static constexpr int HighCurrentStageVolt = 1000;

    TkxDeviceQX450(TkxDeviceSetup* setup, const TkxVersionRecord* version, TkxRegDefsList* defs);

    static const TkxPropertyTable& ClassProperties();
    const TkxPropertyTable& Properties() const override { return ClassProperties(); }

    // The current limits of the power stage the setup names: 8 A continuous and 20 A peak on
    // the high-current stage, 5 A and 10 A otherwise.
    void DoOnSetupLoaded() override;

    TkxRegister* RegPreFault1 = nullptr;
    TkxRegister* RegPreFault2 = nullptr;
    TkxRegister* RegActFault1 = nullptr;
    TkxRegister* RegActFault2 = nullptr;

    TkxParValue* ParUrV = nullptr;
    TkxParValue* ParIcA = nullptr;
    TkxParValue* ParIpA = nullptr;
    TkxParValue* ParNomSpeed = nullptr;
    TkxParValue* ParMinSpeed = nullptr;
    TkxParValue* ParRxI = nullptr;
    TkxParValue* ParAccel = nullptr;
    TkxParValue* ParDecel = nullptr;
    TkxParValue* ParTachoVKrpm = nullptr;
    TkxParValue* ParTachoRin = nullptr;
    TkxParValue* ParSpeedRef = nullptr;

    TkxParBoolField* UseRefDig = nullptr;
    TkxParBoolField* UseRefAnalog = nullptr;
    TkxParBoolField* UseTacho = nullptr;
    TkxParBoolField* UseEncoder = nullptr;
    TkxParBoolField* UseIxRComp = nullptr;
    TkxParBoolField* UseRamp = nullptr;
    TkxParBoolField* UseSpeedLoop = nullptr;
    TkxParBoolField* UseTorqueMode = nullptr;
    TkxParBoolField* UseCurrentLoop = nullptr;
    TkxParBitField* FilterMode = nullptr;

    TkxParFrac16* PGainCurrent = nullptr;
    TkxParFrac16* IGainCurrent = nullptr;
    TkxParFrac16* PGainSpeed = nullptr;
    TkxParFrac16* IGainSpeed = nullptr;
    TkxParFrac16* DGainSpeed = nullptr;
    TkxParFrac16* ReferenceOffset = nullptr;
    TkxParFrac16* CurLimOffset = nullptr;

    TkxParBoolField* CmdDisableCCW = nullptr;
    TkxParBoolField* CmdDisableCW = nullptr;
    TkxParBoolField* CmdInhibit = nullptr;
    TkxParBoolField* CmdReset = nullptr;
    TkxParBoolField* HwDisableCCW = nullptr;
    TkxParBoolField* HwDisableCW = nullptr;
    TkxParBoolField* HwInhibit = nullptr;
    TkxParBoolField* HwReset = nullptr;

    TkxParValue* ParDcBus = nullptr;
    TkxParValue* ParArmatureVolt = nullptr;
    TkxParValue* ParCurrent = nullptr;
    TkxParValue* ParSpeed = nullptr;
    TkxParValue* ParTemperature = nullptr;
    TkxParValue* ParAnalogRef = nullptr;
    TkxParValue* ParHWLimitVolt = nullptr;
};
