#pragma once

#include "devices/tkxdeviceqxslavecls.h"

#include <string_view>

class TkxParFrac16;
class TkxRegister;

// The controller of a positioning stand. It has no "Parameters" entries of its own: its
// parameters are made in code on registers named by the device, each one only when the file
// defines its register. Two more transactions serve the stand's calibration dialogue: one
// writes the "CalibCmd" group once per enabling, the other polls the "CalibState" group every
// 500 ms while enabled and hands each good reading to DoOnCalibState and OnCalibState. Both
// start disabled. CalibMessage gives the text of a calibration response code.
class TkxDeviceQX430ST : public TkxDeviceQXSlave {
public:
    static constexpr int CalibMessageCount = 23;
    static constexpr int CalibStateRepeatTime = 5;

    TkxDeviceQX430ST(TkxDeviceSetup* setup, const TkxVersionRecord* version, TkxRegDefsList* defs);
    ~TkxDeviceQX430ST() override;

    static const TkxPropertyTable& ClassProperties();
    const TkxPropertyTable& Properties() const override { return ClassProperties(); }

    // The message of a calibration response code, some of them printf formats with one
    // argument ("Move up of %dmm, and confirm"); empty for a code outside the table, as a
    // device may report one.
    static std::string_view CalibMessage(int code);

    // Hook of a good read of the calibration state; empty here.
    virtual void DoOnCalibState() {}

    TkxMBChainedTransa* CalibCmd = nullptr;
    TkxMBChainedTransa* CalibState = nullptr;
    // After DoOnCalibState, for each good read of the calibration state.
    SetupEvent OnCalibState;

    TkxParValue* ParMBSaveCmd = nullptr;
    TkxParValue* ParExtCmd = nullptr;
    TkxParValue* ParSlaveAddr = nullptr;
    TkxParEncoded* ParBaudRate = nullptr;
    TkxParValue* ParSpeedSetupTAcc = nullptr;
    // Coefficient over a power-of-two scale.
    TkxParFrac16* ParPidP = nullptr;
    TkxParFrac16* ParPidI = nullptr;
    TkxParFrac16* ParPidD = nullptr;
    TkxParValue* ParPidIDiv = nullptr;
    TkxParValue* ParPidDDiv = nullptr;
    TkxParValue* ParAllinState = nullptr;
    TkxParValue* ParPosCalDelta0 = nullptr;
    TkxParValue* ParPosCalDelta2 = nullptr;
    TkxParValue* ParDevStateSum = nullptr;
    TkxParValue* ParDevStateTAV = nullptr;
    TkxParValue* ParDevStateKBRD = nullptr;
    TkxParValue* ParDevAlarmKBRD = nullptr;
    TkxParValue* ParDevAlarmGEN = nullptr;
    TkxParValue* ParDevAlarmSTA = nullptr;
    TkxParValue* ParCalibStateDevice = nullptr;
    TkxParValue* ParCalibResponseCode = nullptr;
    TkxParValue* ParSalaSetup = nullptr;
    TkxParValue* ParSalaSetupHoriz = nullptr;
    TkxParValue* ParSalaSetupRight = nullptr;
    TkxParValue* ParSalaSetupLeft = nullptr;
    TkxParEncoded* ParSelInputMode = nullptr;
    TkxParEncoded* ParSelLatoAct = nullptr;
    TkxParEncoded* ParSelRangeAct = nullptr;
    TkxParEncoded* ParPrjDirAct = nullptr;
    TkxParEncoded* ParSelDevAct = nullptr;

private:
    void MakeParameters();
    void MakeCalibTransactions();
    TkxParFrac16* MakePidGain(std::string_view coefficient, std::string_view scale);
};
