#include "devices/tkxdeviceqx430stcls.h"

#include "modbus/tkxmbchainedtransacls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparfrac16cls.h"
#include "params/tkxparvaluecls.h"

#include <array>

namespace {

constexpr std::array<std::string_view, TkxDeviceQX430ST::CalibMessageCount> CalibMessages = {
    "- click a button above to select a calibration option -",
    "FAULT!",
    "Invalid configuration!",
    "CAN-Bus communication error!",
    "System error!",
    "Error: movements,cables,potentiometer fault",
    "- OK - Operation completed successfully",
    "- KO - Operation not completed",
    "Move all up, and confirm",
    "Move all down, and confirm",
    "Move up of %dmm, and confirm",
    "Set FFD=%dmm, and confirm",
    "Align Stand to Wall-Bucky, and confirm",
    "DFF=%4dmm",
    "No accessory is selected",
    "%s",
    "Table begin",
    "Tabel end",
    "Park the table",
    "Right border",
    "Left border",
    "DFF=%4dmm",
    "Accessory without alignment.",
};

constexpr std::uint8_t FirstElement = 0;

} // namespace

TkxDeviceQX430ST::TkxDeviceQX430ST(TkxDeviceSetup* setup, const TkxVersionRecord* version,
                                   TkxRegDefsList* defs)
    : TkxDeviceQXSlave(setup, version, defs) {
    BindProperties(ClassProperties());
    MakeParameters();
    MakeCalibTransactions();
}

TkxDeviceQX430ST::~TkxDeviceQX430ST() {
    // Off the thread before the hooks of this class are gone.
    SetThread(nullptr);
    CalibCmd->OnResponse = nullptr;
    CalibState->OnResponse = nullptr;
}

const TkxPropertyTable& TkxDeviceQX430ST::ClassProperties() {
    static const TkxPropertyTable table(&TkxDeviceQXSlave::ClassProperties(), {});
    return table;
}

std::string_view TkxDeviceQX430ST::CalibMessage(int code) {
    return code >= 0 && code < CalibMessageCount ? CalibMessages[static_cast<std::size_t>(code)]
                                                 : std::string_view();
}

void TkxDeviceQX430ST::MakeParameters() {
    ParMBSaveCmd = AddParameterOn<TkxParValue>("MBSaveCmd", FirstElement);
    ParExtCmd = AddParameterOn<TkxParValue>("ExtCmd", FirstElement);
    ParSlaveAddr = AddParameterOn<TkxParValue>("SlaveAddr", FirstElement);
    ParBaudRate = AddParameterOn<TkxParEncoded>("BaudRate", FirstElement);
    ParSpeedSetupTAcc = AddParameterOn<TkxParValue>("SpeedSetup.T_Acc", FirstElement);
    ParPidP = MakePidGain("PidParams0_PCoef", "PidParams0_PScale");
    ParPidI = MakePidGain("PidParams0_ICoef", "PidParams0_IScale");
    ParPidD = MakePidGain("PidParams0_DCoef", "PidParams0_DScale");
    ParPidIDiv = AddParameterOn<TkxParValue>("PidParams0_IDiv", FirstElement);
    ParPidDDiv = AddParameterOn<TkxParValue>("PidParams0_DDiv", FirstElement);
    ParAllinState = AddParameterOn<TkxParValue>("AllinState", FirstElement);
    ParPosCalDelta0 = AddParameterOn<TkxParValue>("PosCalDelta[AnCh12b0]", FirstElement);
    ParPosCalDelta2 = AddParameterOn<TkxParValue>("PosCalDelta[AnCh12b2]", FirstElement);
    ParDevStateSum = AddParameterOn<TkxParValue>("DevStateSum", FirstElement);
    ParDevStateTAV = AddParameterOn<TkxParValue>("DevState[TAV]", FirstElement);
    ParDevStateKBRD = AddParameterOn<TkxParValue>("DevState[KBRD]", FirstElement);
    ParDevAlarmKBRD = AddParameterOn<TkxParValue>("DevAlarm[KBRD]", FirstElement);
    ParDevAlarmGEN = AddParameterOn<TkxParValue>("DevAlarm[GEN]", FirstElement);
    ParDevAlarmSTA = AddParameterOn<TkxParValue>("DevAlarm[STA]", FirstElement);
    ParCalibStateDevice = AddParameterOn<TkxParValue>("CalibStateDevice", FirstElement);
    ParCalibResponseCode = AddParameterOn<TkxParValue>("CalibResponseCode", FirstElement);
    ParSalaSetup = AddParameterOn<TkxParValue>("SalaSetup", FirstElement);
    ParSalaSetupHoriz = AddParameterOn<TkxParValue>("SalaSetupHoriz", FirstElement);
    ParSalaSetupRight = AddParameterOn<TkxParValue>("SalaSetupRight", FirstElement);
    ParSalaSetupLeft = AddParameterOn<TkxParValue>("SalaSetupLeft", FirstElement);
    ParSelInputMode = AddParameterOn<TkxParEncoded>("SelInputMode", FirstElement);
    ParSelLatoAct = AddParameterOn<TkxParEncoded>("SelLatoAct", FirstElement);
    ParSelRangeAct = AddParameterOn<TkxParEncoded>("SelRangeAct", FirstElement);
    ParPrjDirAct = AddParameterOn<TkxParEncoded>("PrjDirAct", FirstElement);
    ParSelDevAct = AddParameterOn<TkxParEncoded>("SelDevAct", FirstElement);
}

// The coefficient is the fraction, the scale register its power-of-two exponent (optional).
TkxParFrac16* TkxDeviceQX430ST::MakePidGain(std::string_view coefficient, std::string_view scale) {
    return AddParameterOn<TkxParFrac16>(coefficient, FirstElement, RegisterByName(scale));
}

void TkxDeviceQX430ST::MakeCalibTransactions() {
    CalibCmd = MakeGroupTransa("CalibCmd", true, "CalibCmd", "Calibration command.");
    TkxMBTransaction::TerminateSet once;
    once.set(TkxMBTransaction::Always);
    CalibCmd->SetTerminateReasons(once);

    CalibState = MakeGroupTransa("CalibState", false, "CalibState", "Calibration state polling.");
    CalibState->SetRepeatTime(CalibStateRepeatTime);
    CalibState->OnResponse = [this](TkxMBTransaction* sender) {
        DoOnCalibState();
        if (OnCalibState) {
            OnCalibState(sender);
        }
    };
}
