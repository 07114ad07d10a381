#include "devices/tkxdeviceqxdrvcls.h"

#include "modbus/tkxmbchainedtransacls.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparfrac16cls.h"
#include "params/tkxparlongcls.h"
#include "params/tkxparvaluecls.h"
#include "registers/tkxregistercls.h"

#include <initializer_list>

TkxDeviceQXDRV::TkxDeviceQXDRV(TkxDeviceSetup* setup, const TkxVersionRecord* version,
                               TkxRegDefsList* defs)
    : TkxDeviceQXDrive(setup, version, defs) {
    BindProperties(ClassProperties());
    // The mains voltage is the user's to set on these drives.
    if (ParMainVoltage != nullptr) {
        ParMainVoltage->SetReadOnly(false);
    }
    for (TkxParValue* measured : std::initializer_list<TkxParValue*>{
             ParAnalogRef, HwEnable, HwReset, HwZero, HwFcCw, HwFcCcw, ParActualPos}) {
        if (measured != nullptr) {
            measured->SetReadOnly(true);
        }
    }
    if (ParMotorIrA != nullptr && ParMotorIpA != nullptr) {
        ParMotorIrA->Register()->SetMaxRegister(ParMotorIpA->Register());
        ParMotorIpA->Register()->SetMinRegister(ParMotorIrA->Register());
    }
    if (ParNextFixedPos != nullptr && ParNumFixedPos != nullptr) {
        ParNextFixedPos->Register()->SetMaxRegister(ParNumFixedPos->Register());
    }
    WriteRefPos = MakeGroupTransa("RefPosRegs", true, "WriteRefPos",
                                  "Write position reference in a single write operation.");
    TkxMBTransaction::TerminateSet once;
    once.set(TkxMBTransaction::Always);
    WriteRefPos->SetTerminateReasons(once);
}

TkxFixedTarget TkxDeviceQXDRV::FixedTarget(int index) const {
    using D = TkxDeviceQXDRV;
    struct Row {
        TkxParValue* D::*Accel;
        TkxParValue* D::*Decel;
        TkxParValue* D::*Speed;
        TkxParLong* D::*Target;
    };
    static constexpr Row rows[FixedTargetCount] = {
        {&D::ParFixedPosPktAccel1, &D::ParFixedPosPktDecel1, &D::ParFixedPosPktSpeed1,
         &D::ParFixedPosPktTarget1},
        {&D::ParFixedPosPktAccel2, &D::ParFixedPosPktDecel2, &D::ParFixedPosPktSpeed2,
         &D::ParFixedPosPktTarget2},
        {&D::ParFixedPosPktAccel3, &D::ParFixedPosPktDecel3, &D::ParFixedPosPktSpeed3,
         &D::ParFixedPosPktTarget3},
        {&D::ParFixedPosPktAccel4, &D::ParFixedPosPktDecel4, &D::ParFixedPosPktSpeed4,
         &D::ParFixedPosPktTarget4},
        {&D::ParFixedPosPktAccel5, &D::ParFixedPosPktDecel5, &D::ParFixedPosPktSpeed5,
         &D::ParFixedPosPktTarget5},
        {&D::ParFixedPosPktAccel6, &D::ParFixedPosPktDecel6, &D::ParFixedPosPktSpeed6,
         &D::ParFixedPosPktTarget6},
        {&D::ParFixedPosPktAccel7, &D::ParFixedPosPktDecel7, &D::ParFixedPosPktSpeed7,
         &D::ParFixedPosPktTarget7},
        {&D::ParFixedPosPktAccel8, &D::ParFixedPosPktDecel8, &D::ParFixedPosPktSpeed8,
         &D::ParFixedPosPktTarget8},
        {&D::ParFixedPosPktAccel9, &D::ParFixedPosPktDecel9, &D::ParFixedPosPktSpeed9,
         &D::ParFixedPosPktTarget9},
        {&D::ParFixedPosPktAccel10, &D::ParFixedPosPktDecel10, &D::ParFixedPosPktSpeed10,
         &D::ParFixedPosPktTarget10},
    };
    if (index < 1 || index > FixedTargetCount) {
        return {};
    }
    const Row& row = rows[index - 1];
    return {this->*row.Accel, this->*row.Decel, this->*row.Speed, this->*row.Target};
}

const TkxPropertyTable& TkxDeviceQXDRV::ClassProperties() {
    using D = TkxDeviceQXDRV;
    static const TkxPropertyTable table(&TkxDeviceQXDrive::ClassProperties(),
                                        {
                                            TKX_PUBLISH(D, ParActualPos),
                                            TKX_PUBLISH(D, ParArmatureVolt),
                                            TKX_PUBLISH(D, ParStatusWord),
                                            TKX_PUBLISH(D, StateSpeedLoop),
                                            TKX_PUBLISH(D, StateProfile),
                                            TKX_PUBLISH(D, StatePosLoop),
                                            TKX_PUBLISH(D, StateMotor),
                                            TKX_PUBLISH(D, ParAnalogRef),
                                            TKX_PUBLISH(D, HwEnable),
                                            TKX_PUBLISH(D, HwReset),
                                            TKX_PUBLISH(D, HwZero),
                                            TKX_PUBLISH(D, HwFcCw),
                                            TKX_PUBLISH(D, HwFcCcw),
                                            TKX_PUBLISH(D, CmdEnable),
                                            TKX_PUBLISH(D, CmdReset),
                                            TKX_PUBLISH(D, CmdZeroing),
                                            TKX_PUBLISH(D, CmdResetCounter),
                                            TKX_PUBLISH(D, CmdSetPosition),
                                            TKX_PUBLISH(D, CmdAlignement),
                                            TKX_PUBLISH(D, CmdSyncSignal),
                                            TKX_PUBLISH(D, ParPrimaryRef),
                                            TKX_PUBLISH(D, ParSecondaryRef),
                                            TKX_PUBLISH(D, ParNextFixedPos),
                                            TKX_PUBLISH(D, CfgCtrlMode),
                                            TKX_PUBLISH(D, CfgFieldWeakening),
                                            TKX_PUBLISH(D, CfgStopMode),
                                            TKX_PUBLISH(D, CfgBrakeBehavior),
                                            TKX_PUBLISH(D, CfgUseSyncSignal),
                                            TKX_PUBLISH(D, CfgStpFromBus),
                                            TKX_PUBLISH(D, CfgCommTimelink),
                                            TKX_PUBLISH(D, CfgUseHwLimits),
                                            TKX_PUBLISH(D, CfgUseSwLimits),
                                            TKX_PUBLISH(D, CfgEndSwitchBrake),
                                            TKX_PUBLISH(D, CfgOutRelayMode),
                                            TKX_PUBLISH(D, CfgZeroActiveLevel),
                                            TKX_PUBLISH(D, CfgZeroDirection),
                                            TKX_PUBLISH(D, CfgUseAutoCalib),
                                            TKX_PUBLISH(D, UseHallEffectSensorSequence),
                                            TKX_PUBLISH(D, UseHallEffectInputExchange),
                                            TKX_PUBLISH(D, UseHallEffectLevel),
                                            TKX_PUBLISH(D, UseHallEffectSpeedFiltering),
                                            TKX_PUBLISH(D, UseHallEffectBEMFcommutation),
                                            TKX_PUBLISH(D, UseHallEffectMotorSequence),
                                            TKX_PUBLISH(D, UseHallEffectReverse),
                                            TKX_PUBLISH(D, UseHallEffectCommutation),
                                            TKX_PUBLISH(D, UseResolverReverse),
                                            TKX_PUBLISH(D, UseMainEncodeReverse),
                                            TKX_PUBLISH(D, UseSecondaryEncodeReverse),
                                            TKX_PUBLISH(D, ParMotorType),
                                            TKX_PUBLISH(D, ParPhaseGenMux),
                                            TKX_PUBLISH(D, ParMotorImrA),
                                            TKX_PUBLISH(D, ParMotorTrLR),
                                            TKX_PUBLISH(D, ParPolesNumber),
                                            TKX_PUBLISH(D, ParMotorStepRev),
                                            TKX_PUBLISH(D, ParMicrostepNumber),
                                            TKX_PUBLISH(D, ParMotorRxI),
                                            TKX_PUBLISH(D, ParArmatureOffset),
                                            TKX_PUBLISH(D, ParResolverPoles),
                                            TKX_PUBLISH(D, ParMainEncoderPulseRev),
                                            TKX_PUBLISH(D, ParSecondaryEncoderPulseRev),
                                            TKX_PUBLISH(D, ParHallEffectPhaseShift),
                                            TKX_PUBLISH(D, ParAnalogRefOffset),
                                            TKX_PUBLISH(D, ParField_PGain),
                                            TKX_PUBLISH(D, ParField_IGain),
                                            TKX_PUBLISH(D, ParField_ICorrection),
                                            TKX_PUBLISH(D, ParSD_PGain),
                                            TKX_PUBLISH(D, ParSD_IGain),
                                            TKX_PUBLISH(D, ParSD_ICorrection),
                                            TKX_PUBLISH(D, ParSQ_PGain),
                                            TKX_PUBLISH(D, ParSQ_IGain),
                                            TKX_PUBLISH(D, ParSQ_ICorrection),
                                            TKX_PUBLISH(D, ParCurrentRefMux),
                                            TKX_PUBLISH(D, ParSpeedRefMux),
                                            TKX_PUBLISH(D, ParSpeedFeedbackMux),
                                            TKX_PUBLISH(D, ParSpeedFFGain),
                                            TKX_PUBLISH(D, ParSpeedPGain),
                                            TKX_PUBLISH(D, ParSpeedIGain),
                                            TKX_PUBLISH(D, ParSpeedICorrection),
                                            TKX_PUBLISH(D, ParSpeedWindow),
                                            TKX_PUBLISH(D, ParRampRefMux),
                                            TKX_PUBLISH(D, ParPosRefMux),
                                            TKX_PUBLISH(D, ParPosFeedbackMux),
                                            TKX_PUBLISH(D, ParPosPGain),
                                            TKX_PUBLISH(D, ParPosIGain),
                                            TKX_PUBLISH(D, ParPosICorrection),
                                            TKX_PUBLISH(D, ParPosDGain),
                                            TKX_PUBLISH(D, ParPosWindow),
                                            TKX_PUBLISH(D, ParPosIncRefMux),
                                            TKX_PUBLISH(D, ParElAx_FFGain),
                                            TKX_PUBLISH(D, ParElAx_PGain),
                                            TKX_PUBLISH(D, ParElAx_IGain),
                                            TKX_PUBLISH(D, ParElAx_ICorrection),
                                            TKX_PUBLISH(D, ParElAx_DGain),
                                            TKX_PUBLISH(D, ParGearNum),
                                            TKX_PUBLISH(D, ParGearDenom),
                                            TKX_PUBLISH(D, ParZeroSpeedMax),
                                            TKX_PUBLISH(D, ParZeroSpeedMin),
                                            TKX_PUBLISH(D, ParZeroTimeout),
                                            TKX_PUBLISH(D, ParBrakeOffTime),
                                            TKX_PUBLISH(D, ParBrakeOnTime),
                                            TKX_PUBLISH(D, ParPosMaxLimit),
                                            TKX_PUBLISH(D, ParPosMinLimit),
                                            TKX_PUBLISH(D, ParCyclicRx1),
                                            TKX_PUBLISH(D, ParCyclicRx2),
                                            TKX_PUBLISH(D, ParCyclicRx3),
                                            TKX_PUBLISH(D, ParCyclicRx4),
                                            TKX_PUBLISH(D, ParCyclicTx1),
                                            TKX_PUBLISH(D, ParCyclicTx2),
                                            TKX_PUBLISH(D, ParCyclicTx3),
                                            TKX_PUBLISH(D, ParCyclicTx4),
                                            TKX_PUBLISH(D, ParPosPktAccel),
                                            TKX_PUBLISH(D, ParPosPktDecel),
                                            TKX_PUBLISH(D, ParPosPktSpeed),
                                            TKX_PUBLISH(D, ParPosPktTarget),
                                            TKX_PUBLISH(D, ParForceActPos),
                                            TKX_PUBLISH(D, ParElAxPosIndex),
                                            TKX_PUBLISH(D, ParElAxSpeedIndex),
                                            TKX_PUBLISH(D, ParNumFixedPos),
                                            TKX_PUBLISH(D, ParFixedPosPktAccel1),
                                            TKX_PUBLISH(D, ParFixedPosPktDecel1),
                                            TKX_PUBLISH(D, ParFixedPosPktSpeed1),
                                            TKX_PUBLISH(D, ParFixedPosPktTarget1),
                                            TKX_PUBLISH(D, ParFixedPosPktAccel2),
                                            TKX_PUBLISH(D, ParFixedPosPktDecel2),
                                            TKX_PUBLISH(D, ParFixedPosPktSpeed2),
                                            TKX_PUBLISH(D, ParFixedPosPktTarget2),
                                            TKX_PUBLISH(D, ParFixedPosPktAccel3),
                                            TKX_PUBLISH(D, ParFixedPosPktDecel3),
                                            TKX_PUBLISH(D, ParFixedPosPktSpeed3),
                                            TKX_PUBLISH(D, ParFixedPosPktTarget3),
                                            TKX_PUBLISH(D, ParFixedPosPktAccel4),
                                            TKX_PUBLISH(D, ParFixedPosPktDecel4),
                                            TKX_PUBLISH(D, ParFixedPosPktSpeed4),
                                            TKX_PUBLISH(D, ParFixedPosPktTarget4),
                                            TKX_PUBLISH(D, ParFixedPosPktAccel5),
                                            TKX_PUBLISH(D, ParFixedPosPktDecel5),
                                            TKX_PUBLISH(D, ParFixedPosPktSpeed5),
                                            TKX_PUBLISH(D, ParFixedPosPktTarget5),
                                            TKX_PUBLISH(D, ParFixedPosPktAccel6),
                                            TKX_PUBLISH(D, ParFixedPosPktDecel6),
                                            TKX_PUBLISH(D, ParFixedPosPktSpeed6),
                                            TKX_PUBLISH(D, ParFixedPosPktTarget6),
                                            TKX_PUBLISH(D, ParFixedPosPktAccel7),
                                            TKX_PUBLISH(D, ParFixedPosPktDecel7),
                                            TKX_PUBLISH(D, ParFixedPosPktSpeed7),
                                            TKX_PUBLISH(D, ParFixedPosPktTarget7),
                                            TKX_PUBLISH(D, ParFixedPosPktAccel8),
                                            TKX_PUBLISH(D, ParFixedPosPktDecel8),
                                            TKX_PUBLISH(D, ParFixedPosPktSpeed8),
                                            TKX_PUBLISH(D, ParFixedPosPktTarget8),
                                            TKX_PUBLISH(D, ParFixedPosPktAccel9),
                                            TKX_PUBLISH(D, ParFixedPosPktDecel9),
                                            TKX_PUBLISH(D, ParFixedPosPktSpeed9),
                                            TKX_PUBLISH(D, ParFixedPosPktTarget9),
                                            TKX_PUBLISH(D, ParFixedPosPktAccel10),
                                            TKX_PUBLISH(D, ParFixedPosPktDecel10),
                                            TKX_PUBLISH(D, ParFixedPosPktSpeed10),
                                            TKX_PUBLISH(D, ParFixedPosPktTarget10),
                                            TKX_PUBLISH(D, CfgCanProtocolType),
                                            TKX_PUBLISH(D, ParCurrentLimitMux),
                                            TKX_PUBLISH(D, ParPosFFGain),
                                            TKX_PUBLISH(D, ParPosStaPGain),
                                            TKX_PUBLISH(D, ParPosStaIGain),
                                            TKX_PUBLISH(D, ParPosStaICorrection),
                                            TKX_PUBLISH(D, ParPosStaDGain),
                                            TKX_PUBLISH(D, ParEECanStdRxIDbase),
                                            TKX_PUBLISH(D, ParEECanStdTxIDbase),
                                        });
    return table;
}
