#pragma once

#include "devices/tkxdeviceqxdrivecls.h"

class TkxParFrac16;
class TkxParLong;

// One predefined positioning target of the drive's table.
struct TkxFixedTarget {
    TkxParValue* Accel = nullptr;
    TkxParValue* Decel = nullptr;
    TkxParValue* Speed = nullptr;
    TkxParLong* Target = nullptr;
};

// The servo and stepper drives the terminal serves (QX440 with option letters, QX460, QX470):
// motor, encoder, Hall-effect and resolver setup, the control-loop gains, positioning with its
// predefined targets, commands and hardware inputs. The hardware inputs and measured values are
// read-only, the rated current stays below the peak current, the next target within the number
// of targets, and the position reference is written in one request by WriteRefPos.
class TkxDeviceQXDRV : public TkxDeviceQXDrive {
public:
    static constexpr int FixedTargetCount = 10;

    TkxDeviceQXDRV(TkxDeviceSetup* setup, const TkxVersionRecord* version, TkxRegDefsList* defs);

    static const TkxPropertyTable& ClassProperties();
    const TkxPropertyTable& Properties() const override { return ClassProperties(); }

    // Target index 1 to FixedTargetCount; an empty target outside.
    TkxFixedTarget FixedTarget(int index) const;

    // Writes the "RefPosRegs" group (the positioning reference) once per enabling.
    TkxMBChainedTransa* WriteRefPos = nullptr;

    // Actual values and drive state.
    TkxParLong* ParActualPos = nullptr;
    TkxParValue* ParArmatureVolt = nullptr;
    TkxParValue* ParStatusWord = nullptr;
    TkxParBoolField* StateSpeedLoop = nullptr;
    TkxParBoolField* StateProfile = nullptr;
    TkxParBoolField* StatePosLoop = nullptr;
    TkxParBitField* StateMotor = nullptr;
    TkxParValue* ParAnalogRef = nullptr;

    // Hardware inputs and the virtual commands.
    TkxParBoolField* HwEnable = nullptr;
    TkxParBoolField* HwReset = nullptr;
    TkxParBoolField* HwZero = nullptr;
    TkxParBoolField* HwFcCw = nullptr;
    TkxParBoolField* HwFcCcw = nullptr;
    TkxParBoolField* CmdEnable = nullptr;
    TkxParBoolField* CmdReset = nullptr;
    TkxParBoolField* CmdZeroing = nullptr;
    TkxParBoolField* CmdResetCounter = nullptr;
    TkxParBoolField* CmdSetPosition = nullptr;
    TkxParBoolField* CmdAlignement = nullptr;
    TkxParBoolField* CmdSyncSignal = nullptr;

    // References.
    TkxParValue* ParPrimaryRef = nullptr;
    TkxParValue* ParSecondaryRef = nullptr;
    TkxParValue* ParNextFixedPos = nullptr;

    // Configuration flags.
    TkxParBitField* CfgCtrlMode = nullptr;
    TkxParBoolField* CfgFieldWeakening = nullptr;
    TkxParBitField* CfgStopMode = nullptr;
    TkxParBoolField* CfgBrakeBehavior = nullptr;
    TkxParBoolField* CfgUseSyncSignal = nullptr;
    TkxParBoolField* CfgStpFromBus = nullptr;
    TkxParBoolField* CfgCommTimelink = nullptr;
    TkxParBoolField* CfgUseHwLimits = nullptr;
    TkxParBoolField* CfgUseSwLimits = nullptr;
    TkxParBoolField* CfgEndSwitchBrake = nullptr;
    TkxParBoolField* CfgOutRelayMode = nullptr;
    TkxParBoolField* CfgZeroActiveLevel = nullptr;
    TkxParBoolField* CfgZeroDirection = nullptr;
    TkxParBoolField* CfgUseAutoCalib = nullptr;

    // Transducer options.
    TkxParBoolField* UseHallEffectSensorSequence = nullptr;
    TkxParBoolField* UseHallEffectInputExchange = nullptr;
    TkxParBoolField* UseHallEffectLevel = nullptr;
    TkxParBoolField* UseHallEffectSpeedFiltering = nullptr;
    TkxParBoolField* UseHallEffectBEMFcommutation = nullptr;
    TkxParBoolField* UseHallEffectMotorSequence = nullptr;
    TkxParBoolField* UseHallEffectReverse = nullptr;
    TkxParBoolField* UseHallEffectCommutation = nullptr;
    TkxParBoolField* UseResolverReverse = nullptr;
    TkxParBoolField* UseMainEncodeReverse = nullptr;
    TkxParBoolField* UseSecondaryEncodeReverse = nullptr;

    // Motor and transducer data.
    TkxParEncoded* ParMotorType = nullptr;
    TkxParEncoded* ParPhaseGenMux = nullptr;
    TkxParValue* ParMotorImrA = nullptr;
    TkxParValue* ParMotorTrLR = nullptr;
    TkxParValue* ParPolesNumber = nullptr;
    TkxParValue* ParMotorStepRev = nullptr;
    TkxParValue* ParMicrostepNumber = nullptr;
    TkxParValue* ParMotorRxI = nullptr;
    TkxParValue* ParArmatureOffset = nullptr;
    TkxParValue* ParResolverPoles = nullptr;
    TkxParValue* ParMainEncoderPulseRev = nullptr;
    TkxParValue* ParSecondaryEncoderPulseRev = nullptr;
    TkxParValue* ParHallEffectPhaseShift = nullptr;

    // Control loops.
    TkxParValue* ParAnalogRefOffset = nullptr;
    TkxParFrac16* ParField_PGain = nullptr;
    TkxParFrac16* ParField_IGain = nullptr;
    TkxParValue* ParField_ICorrection = nullptr;
    TkxParFrac16* ParSD_PGain = nullptr;
    TkxParFrac16* ParSD_IGain = nullptr;
    TkxParValue* ParSD_ICorrection = nullptr;
    TkxParFrac16* ParSQ_PGain = nullptr;
    TkxParFrac16* ParSQ_IGain = nullptr;
    TkxParValue* ParSQ_ICorrection = nullptr;
    TkxParEncoded* ParCurrentRefMux = nullptr;
    TkxParEncoded* ParSpeedRefMux = nullptr;
    TkxParEncoded* ParSpeedFeedbackMux = nullptr;
    TkxParFrac16* ParSpeedFFGain = nullptr;
    TkxParFrac16* ParSpeedPGain = nullptr;
    TkxParFrac16* ParSpeedIGain = nullptr;
    TkxParValue* ParSpeedICorrection = nullptr;
    TkxParValue* ParSpeedWindow = nullptr;
    TkxParEncoded* ParRampRefMux = nullptr;
    TkxParEncoded* ParPosRefMux = nullptr;
    TkxParEncoded* ParPosFeedbackMux = nullptr;
    TkxParFrac16* ParPosPGain = nullptr;
    TkxParFrac16* ParPosIGain = nullptr;
    TkxParValue* ParPosICorrection = nullptr;
    TkxParFrac16* ParPosDGain = nullptr;
    TkxParValue* ParPosWindow = nullptr;
    TkxParEncoded* ParPosIncRefMux = nullptr;
    TkxParFrac16* ParElAx_FFGain = nullptr;
    TkxParFrac16* ParElAx_PGain = nullptr;
    TkxParFrac16* ParElAx_IGain = nullptr;
    TkxParValue* ParElAx_ICorrection = nullptr;
    TkxParFrac16* ParElAx_DGain = nullptr;

    // Gear, zeroing, brake and software limits.
    TkxParValue* ParGearNum = nullptr;
    TkxParValue* ParGearDenom = nullptr;
    TkxParValue* ParZeroSpeedMax = nullptr;
    TkxParValue* ParZeroSpeedMin = nullptr;
    TkxParValue* ParZeroTimeout = nullptr;
    TkxParValue* ParBrakeOffTime = nullptr;
    TkxParValue* ParBrakeOnTime = nullptr;
    TkxParLong* ParPosMaxLimit = nullptr;
    TkxParLong* ParPosMinLimit = nullptr;

    // Cyclic field-bus frames.
    TkxParEncoded* ParCyclicRx1 = nullptr;
    TkxParEncoded* ParCyclicRx2 = nullptr;
    TkxParEncoded* ParCyclicRx3 = nullptr;
    TkxParEncoded* ParCyclicRx4 = nullptr;
    TkxParEncoded* ParCyclicTx1 = nullptr;
    TkxParEncoded* ParCyclicTx2 = nullptr;
    TkxParEncoded* ParCyclicTx3 = nullptr;
    TkxParEncoded* ParCyclicTx4 = nullptr;

    // Positioning.
    TkxParValue* ParPosPktAccel = nullptr;
    TkxParValue* ParPosPktDecel = nullptr;
    TkxParValue* ParPosPktSpeed = nullptr;
    TkxParLong* ParPosPktTarget = nullptr;
    TkxParLong* ParForceActPos = nullptr;
    TkxParValue* ParElAxPosIndex = nullptr;
    TkxParValue* ParElAxSpeedIndex = nullptr;
    TkxParValue* ParNumFixedPos = nullptr;

    // Predefined targets 1 to 10 (see FixedTarget).
    TkxParValue* ParFixedPosPktAccel1 = nullptr;
    TkxParValue* ParFixedPosPktDecel1 = nullptr;
    TkxParValue* ParFixedPosPktSpeed1 = nullptr;
    TkxParLong* ParFixedPosPktTarget1 = nullptr;
    TkxParValue* ParFixedPosPktAccel2 = nullptr;
    TkxParValue* ParFixedPosPktDecel2 = nullptr;
    TkxParValue* ParFixedPosPktSpeed2 = nullptr;
    TkxParLong* ParFixedPosPktTarget2 = nullptr;
    TkxParValue* ParFixedPosPktAccel3 = nullptr;
    TkxParValue* ParFixedPosPktDecel3 = nullptr;
    TkxParValue* ParFixedPosPktSpeed3 = nullptr;
    TkxParLong* ParFixedPosPktTarget3 = nullptr;
    TkxParValue* ParFixedPosPktAccel4 = nullptr;
    TkxParValue* ParFixedPosPktDecel4 = nullptr;
    TkxParValue* ParFixedPosPktSpeed4 = nullptr;
    TkxParLong* ParFixedPosPktTarget4 = nullptr;
    TkxParValue* ParFixedPosPktAccel5 = nullptr;
    TkxParValue* ParFixedPosPktDecel5 = nullptr;
    TkxParValue* ParFixedPosPktSpeed5 = nullptr;
    TkxParLong* ParFixedPosPktTarget5 = nullptr;
    TkxParValue* ParFixedPosPktAccel6 = nullptr;
    TkxParValue* ParFixedPosPktDecel6 = nullptr;
    TkxParValue* ParFixedPosPktSpeed6 = nullptr;
    TkxParLong* ParFixedPosPktTarget6 = nullptr;
    TkxParValue* ParFixedPosPktAccel7 = nullptr;
    TkxParValue* ParFixedPosPktDecel7 = nullptr;
    TkxParValue* ParFixedPosPktSpeed7 = nullptr;
    TkxParLong* ParFixedPosPktTarget7 = nullptr;
    TkxParValue* ParFixedPosPktAccel8 = nullptr;
    TkxParValue* ParFixedPosPktDecel8 = nullptr;
    TkxParValue* ParFixedPosPktSpeed8 = nullptr;
    TkxParLong* ParFixedPosPktTarget8 = nullptr;
    TkxParValue* ParFixedPosPktAccel9 = nullptr;
    TkxParValue* ParFixedPosPktDecel9 = nullptr;
    TkxParValue* ParFixedPosPktSpeed9 = nullptr;
    TkxParLong* ParFixedPosPktTarget9 = nullptr;
    TkxParValue* ParFixedPosPktAccel10 = nullptr;
    TkxParValue* ParFixedPosPktDecel10 = nullptr;
    TkxParValue* ParFixedPosPktSpeed10 = nullptr;
    TkxParLong* ParFixedPosPktTarget10 = nullptr;

    // Second firmware generation only.
    TkxParBoolField* CfgCanProtocolType = nullptr;
    TkxParEncoded* ParCurrentLimitMux = nullptr;
    TkxParFrac16* ParPosFFGain = nullptr;
    TkxParFrac16* ParPosStaPGain = nullptr;
    TkxParFrac16* ParPosStaIGain = nullptr;
    TkxParValue* ParPosStaICorrection = nullptr;
    TkxParFrac16* ParPosStaDGain = nullptr;
    TkxParValue* ParEECanStdRxIDbase = nullptr;
    TkxParValue* ParEECanStdTxIDbase = nullptr;
};
