#include "sim/simdrivemodel.h"

#include "sim/simregistermemory.h"

#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxtextresourcecls.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace qxsim {
namespace {

constexpr double kDt = std::chrono::duration<double>(SimDriveModel::kStep).count();

// The commands of the virtual input register, one bit each in the model's command word.
enum Command : int {
    kEnable,
    kReset,
    kZeroing,
    kResetCounter,
    kSetPosition,
    kAlign,
    kSync,
    kCommands,
};
constexpr std::array<const char*, kCommands> kCommandNames = {
    "CmdEnable",      "CmdReset",      "CmdZeroing",   "CmdResetCounter",
    "CmdSetPosition", "CmdAlignement", "CmdSyncSignal"};

// The hardware inputs, one bit each in the model's input word.
enum Input : int { kHwEnable, kHwReset, kHwZero, kHwFcCw, kHwFcCcw, kInputs };
constexpr std::array<const char*, kInputs> kInputNames = {"HwEnable", "HwReset", "HwZero", "HwFcCw",
                                                          "HwFcCcw"};

// Control modes of the control configuration.
constexpr int kTorqueMode = 0;
constexpr int kSpeedMode = 1;
constexpr int kSequenceMode = 6;
bool IsPositioning(int mode) {
    return mode >= 3 && mode <= 6;
}
bool IsElectronicAxis(int mode) {
    return mode == 2 || mode == 15;
}

// Reference selectors.
constexpr int kPrimarySource = 1;
constexpr int kAnalogSource = 2;
constexpr int kRampGenerator = 3;
constexpr int kTargetTable = 1;

// Stop modes when the enable goes: coast, ramp down, quick stop, stop at the current limit.
constexpr int kRampStop = 1;
constexpr double kQuickStopFactor = 5;

// Fault bits the model raises itself.
constexpr std::pair<int, int> kI2tFault{0, 6};
constexpr std::pair<int, int> kSwLimitPos{0, 12};
constexpr std::pair<int, int> kSwLimitNeg{0, 13};
constexpr std::pair<int, int> kLimitCw{0, 14};
constexpr std::pair<int, int> kLimitCcw{0, 15};
constexpr std::pair<int, int> kZeroingTimeout{1, 6};

constexpr double kAlignSeconds = 1.0;
constexpr double kSequenceDwell = 0.5;
constexpr double kRippleShare = 0.005;
constexpr double kRippleHz = 1.3;
constexpr double kBrakingRise = 0.1; // of the mains voltage at rated braking and full speed
constexpr double kBusSeconds = 0.05; // time constant of the DC bus
constexpr double kI2tRelease = 0.75; // share of the trip level the overload cools down to

double Sign(double value) {
    return value > 0 ? 1.0 : (value < 0 ? -1.0 : 0.0);
}

std::uint16_t Bit(int bit) {
    return static_cast<std::uint16_t>(1u << bit);
}

} // namespace

const std::vector<SimFaultName>& SimFaultNames() {
    static const std::vector<SimFaultName> names = {
        {"overcurrent", 0, 0},
        {"overcurrent-sw", 0, 1},
        {"overvoltage", 0, 2},
        {"undervoltage", 0, 3},
        {"power-temp", 0, 4},
        {"motor-temp", 0, 5},
        {"i2t", 0, 6},
        {"resolver", 0, 7},
        {"encoder", 0, 8},
        {"hall", 0, 9},
        {"following", 0, 10},
        {"overspeed", 0, 11},
        {"sw-limit-pos", 0, 12},
        {"sw-limit-neg", 0, 13},
        {"limit-cw", 0, 14},
        {"limit-ccw", 0, 15},
        {"modbus-timeout", 1, 0},
        {"can-timeout", 1, 1},
        {"can-off", 1, 2},
        {"eeprom-checksum", 1, 3},
        {"eeprom-write", 1, 4},
        {"setup-range", 1, 5},
        {"zeroing-timeout", 1, 6},
        {"alignment", 1, 7},
        {"brake-resistor", 1, 8},
        {"aux-supply", 1, 9},
        {"desaturation", 1, 10},
        {"phase-loss", 1, 11},
        {"watchdog", 1, 12},
        {"secure-enable", 1, 13},
        {"motor-phase", 1, 14},
        {"encoder2", 1, 15},
    };
    return names;
}

// The entries and registers the model works with, bound by name once.
struct SimDriveModel::Bindings {
    explicit Bindings(TkxRegDefsList& defs)
        : DcBus(defs, "ParU_Dc_BusV", SimBindingKind::Value)
        , MotorV(defs, "ParU_MotorV", SimBindingKind::Value)
        , MotorA(defs, "ParI_MotorA", SimBindingKind::Value)
        , MotorHz(defs, "ParF_MotorHz", SimBindingKind::Value)
        , MotorRpm(defs, "ParS_MotorRPM", SimBindingKind::Value)
        , ActualPos(defs, "ParActualPos", SimBindingKind::Long)
        , ArmatureVolt(defs, "ParArmatureVolt", SimBindingKind::Value)
        , AnalogRef(defs, "ParAnalogRef", SimBindingKind::Value)
        , SpeedReached(defs, "StateSpeedLoop", SimBindingKind::Flag)
        , ProfileDone(defs, "StateProfile", SimBindingKind::Flag)
        , PositionReached(defs, "StatePosLoop", SimBindingKind::Flag)
        , MotorState(defs, "StateMotor", SimBindingKind::Bits)
        , PrimaryRef(defs, "ParPrimaryRef", SimBindingKind::Value)
        , SecondaryRef(defs, "ParSecondaryRef", SimBindingKind::Value)
        , NextFixedPos(defs, "ParNextFixedPos", SimBindingKind::Value)
        , CtrlMode(defs, "CfgCtrlMode", SimBindingKind::Bits)
        , StopMode(defs, "CfgStopMode", SimBindingKind::Bits)
        , UseRamp(defs, "CfgUseRamp", SimBindingKind::Flag)
        , UseSyncSignal(defs, "CfgUseSyncSignal", SimBindingKind::Flag)
        , CmdFromBus(defs, "CfgCmdFromBus", SimBindingKind::Flag)
        , UseHwLimits(defs, "CfgUseHwLimits", SimBindingKind::Flag)
        , UseSwLimits(defs, "CfgUseSwLimits", SimBindingKind::Flag)
        , ZeroDirection(defs, "CfgZeroDirection", SimBindingKind::Flag)
        , MainVoltage(defs, "ParMainVoltage", SimBindingKind::Value)
        , MotorType(defs, "ParMotorType", SimBindingKind::Value)
        , MotorUrV(defs, "ParMotorUrV", SimBindingKind::Value)
        , MotorUminV(defs, "ParMotorUminV", SimBindingKind::Value)
        , MotorUmaxV(defs, "ParMotorUmaxV", SimBindingKind::Value)
        , MotorIpA(defs, "ParMotorIpA", SimBindingKind::Value)
        , MotorIrA(defs, "ParMotorIrA", SimBindingKind::Value)
        , MotorImrA(defs, "ParMotorImrA", SimBindingKind::Value)
        , MotorI2Ttime(defs, "ParMotorI2Ttime", SimBindingKind::Value)
        , PolesNumber(defs, "ParPolesNumber", SimBindingKind::Value)
        , MotorSmaxRPM(defs, "ParMotorSmaxRPM", SimBindingKind::Value)
        , MotorFrHz(defs, "ParMotorFrHz", SimBindingKind::Value)
        , MotorFmaxHz(defs, "ParMotorFmaxHz", SimBindingKind::Value)
        , EncoderPulses(defs, "ParMainEncoderPulseRev", SimBindingKind::Value)
        , CurrentRefMux(defs, "ParCurrentRefMux", SimBindingKind::Value)
        , SpeedRefMux(defs, "ParSpeedRefMux", SimBindingKind::Value)
        , RampRefMux(defs, "ParRampRefMux", SimBindingKind::Value)
        , CurrentLimitMux(defs, "ParCurrentLimitMux", SimBindingKind::Value)
        , PosRefMux(defs, "ParPosRefMux", SimBindingKind::Value)
        , SpeedWindow(defs, "ParSpeedWindow", SimBindingKind::Value)
        , MotorAccel(defs, "ParMotorAccel", SimBindingKind::Value)
        , MotorDecel(defs, "ParMotorDecel", SimBindingKind::Value)
        , PosWindow(defs, "ParPosWindow", SimBindingKind::Value)
        , ElAxSpeedIndex(defs, "ParElAxSpeedIndex", SimBindingKind::Value)
        , ZeroSpeedMax(defs, "ParZeroSpeedMax", SimBindingKind::Value)
        , ZeroTimeout(defs, "ParZeroTimeout", SimBindingKind::Value)
        , PosMaxLimit(defs, "ParPosMaxLimit", SimBindingKind::Long)
        , PosMinLimit(defs, "ParPosMinLimit", SimBindingKind::Long)
        , ForceActPos(defs, "ParForceActPos", SimBindingKind::Long)
        , NumFixedPos(defs, "ParNumFixedPos", SimBindingKind::Value) {
        for (int i = 0; i < kCommands; ++i) {
            Commands[std::size_t(i)] =
                SimBinding(defs, kCommandNames[std::size_t(i)], SimBindingKind::Flag);
        }
        for (int i = 0; i < kInputs; ++i) {
            Inputs[std::size_t(i)] =
                SimBinding(defs, kInputNames[std::size_t(i)], SimBindingKind::Flag);
        }
        Packet = TargetOf(defs, "ParPosPkt", "");
        for (std::size_t i = 0; i < Table.size(); ++i) {
            Table[i] = TargetOf(defs, "ParFixedPosPkt", std::to_string(i + 1));
        }
        for (int word = 0; word < 2; ++word) {
            const std::string number = std::to_string(word + 1);
            ActFault[std::size_t(word)] = defs.Items(defs.IndexOfName("ActFault" + number));
            PreFault[std::size_t(word)] = defs.Items(defs.IndexOfName("PreFault" + number));
        }
    }

    struct TargetBindings {
        SimBinding Accel, Decel, Speed, Position;
    };
    static TargetBindings TargetOf(TkxRegDefsList& defs, const std::string& prefix,
                                   const std::string& suffix) {
        return {SimBinding(defs, prefix + "Accel" + suffix, SimBindingKind::Value),
                SimBinding(defs, prefix + "Decel" + suffix, SimBindingKind::Value),
                SimBinding(defs, prefix + "Speed" + suffix, SimBindingKind::Value),
                SimBinding(defs, prefix + "Target" + suffix, SimBindingKind::Long)};
    }

    SimBinding DcBus, MotorV, MotorA, MotorHz, MotorRpm, ActualPos, ArmatureVolt, AnalogRef;
    SimBinding SpeedReached, ProfileDone, PositionReached, MotorState;
    SimBinding PrimaryRef, SecondaryRef, NextFixedPos;
    SimBinding CtrlMode, StopMode, UseRamp, UseSyncSignal, CmdFromBus, UseHwLimits, UseSwLimits,
        ZeroDirection;
    SimBinding MainVoltage, MotorType, MotorUrV, MotorUminV, MotorUmaxV, MotorIpA, MotorIrA,
        MotorImrA, MotorI2Ttime, PolesNumber, MotorSmaxRPM, MotorFrHz, MotorFmaxHz, EncoderPulses;
    SimBinding CurrentRefMux, SpeedRefMux, RampRefMux, CurrentLimitMux, PosRefMux;
    SimBinding SpeedWindow, MotorAccel, MotorDecel, PosWindow, ElAxSpeedIndex;
    SimBinding ZeroSpeedMax, ZeroTimeout, PosMaxLimit, PosMinLimit, ForceActPos, NumFixedPos;
    std::array<SimBinding, kCommands> Commands;
    std::array<SimBinding, kInputs> Inputs;
    TargetBindings Packet;
    std::array<TargetBindings, 10> Table;
    std::array<const TkxRegDefinition*, 2> ActFault{};
    std::array<const TkxRegDefinition*, 2> PreFault{};
};

std::unique_ptr<SimDriveModel> SimDriveModel::Create(TkxRegDefsList& defs,
                                                     SimRegisterMemory& memory) {
    std::unique_ptr<SimDriveModel> model(new SimDriveModel(defs, memory));
    const Bindings& b = *model->FBind;
    const bool commanded = b.Commands[kEnable].Bound() || b.Inputs[kHwEnable].Bound();
    const bool measured = b.MotorHz.Bound() || b.MotorRpm.Bound() || b.ActualPos.Bound();
    return commanded && measured ? std::move(model) : nullptr;
}

SimDriveModel::SimDriveModel(TkxRegDefsList& defs, SimRegisterMemory& memory)
    : FMemory(memory)
    , FBind(std::make_unique<Bindings>(defs)) {
    FDcBus = Get(FBind->MainVoltage, 400);
    FPosition = Get(FBind->ActualPos);
}

SimDriveModel::~SimDriveModel() = default;

double SimDriveModel::Get(const SimBinding& binding, double fallback) const {
    return binding.Get(FMemory, fallback);
}

// A selector or count as a whole number, far from the ends of int.
int SimDriveModel::Whole(const SimBinding& binding, int fallback) const {
    return int(std::clamp(Get(binding, fallback), -1e6, 1e6));
}

bool SimDriveModel::IsOn(const SimBinding& binding) const {
    return binding.On(FMemory);
}

// The output frequency of a full reference: the maximum speed at the motor's poles, no higher
// than the maximum frequency where the file has one.
double SimDriveModel::FullScaleHz() const {
    double hz = RpmToHz(Get(FBind->MotorSmaxRPM, 3000));
    if (FBind->MotorFmaxHz.Bound()) {
        hz = std::min(hz, Get(FBind->MotorFmaxHz));
    }
    return std::max(hz, 1.0);
}

// Position increments per motor revolution: the main encoder's quadrature count.
double SimDriveModel::IncrementsPerRev() const {
    return 4 * std::max(Get(FBind->EncoderPulses, 1024), 1.0);
}

double SimDriveModel::HzToRpm(double hz) const {
    return hz * 120 / std::max(Get(FBind->PolesNumber, 4), 2.0);
}

double SimDriveModel::RpmToHz(double rpm) const {
    return rpm * std::max(Get(FBind->PolesNumber, 4), 2.0) / 120;
}

void SimDriveModel::Step() {
    FTime += kDt;
    ReadInputs();
    UpdateFaults();
    HandleCommands();
    Move();
    UpdateElectrical(kDt);
    WriteOutputs();
    FLastCommands = FCommands;
    FWasEnabled = FEnabled;
    FPulses = {};
}

void SimDriveModel::ReadInputs() {
    FCommands = 0;
    for (int i = 0; i < kCommands; ++i) {
        if (IsOn(FBind->Commands[std::size_t(i)])) {
            FCommands |= 1u << i;
        }
    }
    const bool command = (FCommands & (1u << kEnable)) != 0;
    const bool input = (FInputs & Bit(kHwEnable)) != 0;
    if (FBind->CmdFromBus.Bound()) {
        FEnabled = IsOn(FBind->CmdFromBus) ? command : input;
    } else {
        FEnabled = command || input;
    }
    if ((FInputs & Bit(kHwReset)) != 0) {
        FCommands |= 1u << kReset;
    }
}

bool SimDriveModel::CommandEdge(int command) const {
    const std::uint32_t bit = 1u << command;
    return (FCommands & bit) != 0 && (FLastCommands & bit) == 0;
}

void SimDriveModel::Trip(int word, std::uint16_t bits) {
    const auto w = std::size_t(word);
    FPresent[w] |= bits;
    if (const TkxRegDefinition* previous = FBind->PreFault[w]) {
        FMemory.StoreRaw(*previous, 0, FMemory.RawValue(*previous, 0) | bits);
    }
}

void SimDriveModel::UpdateFaults() {
    std::array<std::uint16_t, 2> lasting = FCauses;
    auto raise = [this](std::pair<int, int> fault) {
        FPulses[std::size_t(fault.first)] |= Bit(fault.second);
    };
    // Limit switches and software limits stop a motion that runs into them; moving away is free.
    if (IsOn(FBind->UseHwLimits)) {
        if (FHz > 0 && (FInputs & Bit(kHwFcCw)) != 0) {
            raise(kLimitCw);
        }
        if (FHz < 0 && (FInputs & Bit(kHwFcCcw)) != 0) {
            raise(kLimitCcw);
        }
    }
    if (IsOn(FBind->UseSwLimits)) {
        if (FHz > 0 && FBind->PosMaxLimit.Bound() && FPosition > Get(FBind->PosMaxLimit)) {
            raise(kSwLimitPos);
        }
        if (FHz < 0 && FBind->PosMinLimit.Bound() && FPosition < Get(FBind->PosMinLimit)) {
            raise(kSwLimitNeg);
        }
    }
    if (FI2tHot) {
        lasting[std::size_t(kI2tFault.first)] |= Bit(kI2tFault.second);
    }
    for (int w = 0; w < 2; ++w) {
        const auto i = std::size_t(w);
        const auto fresh = static_cast<std::uint16_t>((lasting[i] | FPulses[i]) & ~FPresent[i]);
        if (fresh != 0) {
            Trip(w, fresh);
        }
        if ((FCommands & (1u << kReset)) != 0) {
            FPresent[i] &= lasting[i];
        }
    }
}

void SimDriveModel::HandleCommands() {
    if (CommandEdge(kResetCounter)) {
        FPosition = 0;
    }
    if (CommandEdge(kSetPosition)) {
        FPosition = Get(FBind->ForceActPos);
    }
    const bool ready = FEnabled && !FNeedEnableEdge && FPresent[0] == 0 && FPresent[1] == 0;
    if (!ready) {
        return;
    }
    if (CommandEdge(kZeroing) && FState != SimMotorState::Zeroing) {
        FState = SimMotorState::Zeroing;
        FZeroTravel = 0;
        FZeroTime = 0;
    }
    if (CommandEdge(kAlign) && FState == SimMotorState::Standing) {
        FState = SimMotorState::Aligning;
        FAlignTime = kAlignSeconds;
    }
}

void SimDriveModel::Move() {
    const double before = FHz;
    if (FPresent[0] != 0 || FPresent[1] != 0) {
        // The power stage is off: the motor coasts and the output frequency is gone.
        FState = SimMotorState::FaultStop;
        FHz = FTargetHz = FProfileRpm = 0;
        FTarget.reset();
        FNeedEnableEdge = true;
        return;
    }
    if (FNeedEnableEdge && !FEnabled) {
        FNeedEnableEdge = false;
    }
    if (!FEnabled || FNeedEnableEdge) {
        FTarget.reset();
        FProfileRpm = FTargetHz = 0;
        Stop(kDt);
    } else if (FState == SimMotorState::Zeroing) {
        MoveToZero(kDt);
    } else if (FState == SimMotorState::Aligning) {
        FHz = FTargetHz = 0;
        FAlignTime -= kDt;
        if (FAlignTime <= 0) {
            FState = SimMotorState::Standing;
        }
        return;
    } else {
        const int mode = Whole(FBind->CtrlMode, kSpeedMode);
        if (IsPositioning(mode)) {
            MoveByProfile(kDt);
            FState = FProfileRpm == 0 ? SimMotorState::Standing : SimMotorState::Running;
            return;
        }
        if (mode == kTorqueMode) {
            MoveByTorque(kDt);
        } else {
            MoveBySpeed(kDt);
        }
        FState = FHz == 0 ? SimMotorState::Standing
                          : (std::fabs(FHz) < std::fabs(before) ? SimMotorState::Braking
                                                                : SimMotorState::Running);
    }
    FPosition += HzToRpm(FHz) / 60 * IncrementsPerRev() * kDt;
    // The counter is 32 bits wide and wraps as the drive's does.
    constexpr double kWrap = 4294967296.0;
    if (FPosition >= kWrap / 2 || FPosition < -kWrap / 2) {
        FPosition -= kWrap * std::floor((FPosition + kWrap / 2) / kWrap);
    }
}

// With the enable gone the drive coasts, or ramps down first when its stop mode says so.
void SimDriveModel::Stop(double dt) {
    const int mode = Whole(FBind->StopMode, 0);
    if (mode < kRampStop || FHz == 0 || FState == SimMotorState::Disabled) {
        FHz = 0;
        FState = SimMotorState::Disabled;
        return;
    }
    const double factor = mode == kRampStop ? 1 : kQuickStopFactor;
    const double seconds = std::max(Get(FBind->MotorDecel, 1000), 1.0) / 1000;
    const double step = FullScaleHz() / seconds * factor * dt;
    FHz = std::fabs(FHz) <= step ? 0 : FHz - Sign(FHz) * step;
    FState = FHz == 0 ? SimMotorState::Disabled : SimMotorState::Braking;
}

void SimDriveModel::RampTo(double targetHz, double dt) {
    FTargetHz = targetHz;
    const double diff = targetHz - FHz;
    if (diff == 0) {
        return;
    }
    const bool slowing = (FHz > 0 && diff < 0) || (FHz < 0 && diff > 0);
    const SimBinding& time = slowing ? FBind->MotorDecel : FBind->MotorAccel;
    const double seconds = std::max(Get(time, 1000), 1.0) / 1000;
    const double step = FullScaleHz() / seconds * dt;
    FHz = std::fabs(diff) <= step ? targetHz : FHz + Sign(diff) * step;
}

// The speed reference: the ramp generator fed by its selector, or a reference taken directly.
void SimDriveModel::MoveBySpeed(double dt) {
    const auto source = [this](int which) {
        if (which == kPrimarySource) {
            return Get(FBind->PrimaryRef);
        }
        return which == kAnalogSource ? FAnalog : 0.0;
    };
    const int mode = Whole(FBind->CtrlMode, kSpeedMode);
    if (IsElectronicAxis(mode)) {
        RampTo(RpmToHz(Get(FBind->ElAxSpeedIndex)), dt);
        return;
    }
    const int speedMux = Whole(FBind->SpeedRefMux, kRampGenerator);
    if (speedMux == kRampGenerator) {
        const double target = source(Whole(FBind->RampRefMux, kPrimarySource)) * FullScaleHz();
        if (FBind->UseRamp.Bound() && !IsOn(FBind->UseRamp)) {
            FHz = FTargetHz = target;
        } else {
            RampTo(target, dt);
        }
        return;
    }
    FHz = FTargetHz = source(speedMux) * FullScaleHz();
}

// Torque control: the current reference against the load accelerates the motor; full torque
// above the load gives the ramp's acceleration.
void SimDriveModel::MoveByTorque(double dt) {
    const int mux = Whole(FBind->CurrentRefMux, 0);
    if (mux != kPrimarySource && mux != kAnalogSource) {
        MoveBySpeed(dt);
        return;
    }
    const double rated = std::max(Get(FBind->MotorIrA, 1), 0.1);
    const double command =
        (mux == kPrimarySource ? Get(FBind->PrimaryRef) : FAnalog) * Get(FBind->MotorIpA, rated);
    const double direction = FHz != 0 ? Sign(FHz) : Sign(command);
    const double load = FLoad / 100 * rated;
    if (FHz == 0 && std::fabs(command) <= load) {
        FTargetHz = 0;
        return;
    }
    const double seconds = std::max(Get(FBind->MotorAccel, 1000), 1.0) / 1000;
    const double next = FHz + (command - load * direction) / rated * FullScaleHz() / seconds * dt;
    // Load alone brakes the motor to a standstill, never through it.
    FHz = Sign(next) != 0 && Sign(next) == -direction && std::fabs(command) <= load
              ? 0
              : std::clamp(next, -FullScaleHz(), FullScaleHz());
    FTargetHz = FHz;
}

std::optional<SimDriveModel::Target> SimDriveModel::SelectedTarget() {
    const int mode = Whole(FBind->CtrlMode, kSpeedMode);
    const bool table =
        Whole(FBind->PosRefMux, 0) == kTargetTable || mode == 4 || mode == kSequenceMode;
    const Bindings::TargetBindings* source = &FBind->Packet;
    if (table) {
        const int count = std::clamp(Whole(FBind->NumFixedPos, 10), 1, 10);
        const int next = std::clamp(Whole(FBind->NextFixedPos, 1), 1, count);
        source = &FBind->Table[std::size_t(next - 1)];
    }
    if (!source->Position.Bound()) {
        return std::nullopt;
    }
    return Target{Get(source->Position), Get(source->Speed, 1000), Get(source->Accel, 1000),
                  Get(source->Decel, 1000)};
}

// A trapezoidal profile in rpm toward the target: accelerate to the target's speed, and brake
// in time to stop on the target, which it reaches exactly.
void SimDriveModel::MoveByProfile(double dt) {
    const auto selected = SelectedTarget();
    const bool synchronised = IsOn(FBind->UseSyncSignal);
    if (!selected) {
        FTarget.reset();
    } else if (!synchronised || CommandEdge(kSync)) {
        FTarget = selected;
    } else if (!FTarget) {
        FTarget = Target{FPosition, 0, selected->Accel, selected->Decel};
    }
    const double perRev = IncrementsPerRev();
    double rpm = FProfileRpm;
    if (!FTarget) {
        const double step = 1000 * dt;
        rpm = std::fabs(rpm) <= step ? 0 : rpm - Sign(rpm) * step;
    } else {
        const double accel = std::max(FTarget->Accel, 1.0);
        const double decel = std::max(FTarget->Decel, 1.0);
        const double distance = FTarget->Position - FPosition;
        // The speed from which the motor still stops within the distance left.
        const double stoppable = 60 * std::sqrt(2 * decel / 60 * std::fabs(distance) / perRev);
        const double goal = Sign(distance) * std::min(std::fabs(FTarget->Speed), stoppable);
        if (rpm < goal) {
            rpm = std::min(goal, rpm + (rpm >= 0 ? accel : decel) * dt);
        } else if (rpm > goal) {
            rpm = std::max(goal, rpm - (rpm <= 0 ? accel : decel) * dt);
        }
    }
    const double next = FPosition + rpm / 60 * perRev * dt;
    if (FTarget && rpm != 0 &&
        (Sign(FTarget->Position - next) != Sign(FTarget->Position - FPosition) ||
         std::fabs(FTarget->Position - next) < 0.5)) {
        FPosition = FTarget->Position;
        rpm = 0;
    } else {
        FPosition = next;
    }
    FProfileRpm = rpm;
    FHz = FTargetHz = RpmToHz(rpm);
    AdvanceSequence(dt);
}

// A target sequence moves on to the next target of the table after a short stay on each.
void SimDriveModel::AdvanceSequence(double dt) {
    if (Whole(FBind->CtrlMode, kSpeedMode) != kSequenceMode || !FTarget || FProfileRpm != 0 ||
        FPosition != FTarget->Position) {
        FDwell = 0;
        return;
    }
    FDwell += dt;
    if (FDwell >= kSequenceDwell) {
        const int count = std::clamp(Whole(FBind->NumFixedPos, 10), 1, 10);
        const int next = std::clamp(Whole(FBind->NextFixedPos, 1), 1, count);
        FBind->NextFixedPos.Set(FMemory, next % count + 1);
        FDwell = 0;
    }
}

// Zeroing runs at the zeroing speed in the zeroing direction until the zero switch closes:
// the input when the control interface closes it, else one revolution on.
void SimDriveModel::MoveToZero(double dt) {
    const double direction = IsOn(FBind->ZeroDirection) ? 1 : -1;
    RampTo(direction * RpmToHz(Get(FBind->ZeroSpeedMax, 300)), dt);
    FZeroTravel += std::fabs(HzToRpm(FHz)) / 60 * IncrementsPerRev() * dt;
    FZeroTime += dt;
    if ((FInputs & Bit(kHwZero)) != 0 || FZeroTravel >= IncrementsPerRev()) {
        FPosition = 0;
        FHz = FTargetHz = 0;
        FState = SimMotorState::Standing;
        return;
    }
    const double timeout = Get(FBind->ZeroTimeout, 0);
    if (timeout > 0 && FZeroTime > timeout) {
        FPulses[std::size_t(kZeroingTimeout.first)] |= Bit(kZeroingTimeout.second);
    }
}

void SimDriveModel::UpdateElectrical(double dt) {
    const double rated = std::max(Get(FBind->MotorIrA, 1), 0.1);
    const double peak = std::max(Get(FBind->MotorIpA, 2 * rated), rated);
    const bool energized = FState != SimMotorState::Disabled && FState != SimMotorState::FaultStop;
    const double fullScale = FullScaleHz();
    const double direction = Sign(FHz);
    double torque = 0; // current that makes torque, in A
    FCurrent = FVoltage = 0;
    if (energized) {
        const double seconds = std::max(Get(FBind->MotorAccel, 1000), 1.0) / 1000;
        const double accel = (FHz - FLastHz) / dt / (fullScale / seconds);
        torque = (FLoad / 100 * direction + accel) * rated;
        if (FState == SimMotorState::Aligning) {
            torque = rated;
        }
        double limit = peak;
        if (Whole(FBind->CurrentLimitMux, 0) == 1) {
            limit = std::fabs(Get(FBind->SecondaryRef)) * peak;
        }
        torque = std::clamp(torque, -limit, limit);
        const double magnetizing = std::min(Get(FBind->MotorImrA, 0), rated);
        const double magnitude = std::hypot(magnetizing, torque);
        FCurrent = torque < 0 ? -magnitude : magnitude;
        const double ur = Get(FBind->MotorUrV, 400);
        const double umin = Get(FBind->MotorUminV, 0);
        const double umax = Get(FBind->MotorUmaxV, ur);
        const double fr = std::max(Get(FBind->MotorFrHz, fullScale), 0.1);
        FVoltage = std::min(umin + (ur - umin) * std::fabs(FHz) / fr, std::max(umax, umin));
    }
    FLastHz = FHz;

    // The overload integral: seconds of (I/Ir)^2 - 1, tripping at the peak current's share of
    // the I2t time and released once it has cooled to a part of that.
    const double relative = FCurrent / rated;
    FI2t = std::max(0.0, FI2t + (relative * relative - 1) * dt);
    const double trip = std::max((peak / rated) * (peak / rated) - 1, 0.21) *
                        std::max(Get(FBind->MotorI2Ttime, 30), 1.0);
    if (FI2t >= trip) {
        FI2tHot = true;
    } else if (FI2t < kI2tRelease * trip) {
        FI2tHot = false;
    }

    // The DC bus follows the mains and rises with the energy braking sends back.
    const double mains = Get(FBind->MainVoltage, 400);
    const double braking =
        energized ? std::max(0.0, -torque * direction) / rated * std::fabs(FHz) / fullScale : 0;
    const double target = mains * (1 + kBrakingRise * std::min(braking, 2.0));
    FDcBus += (target - FDcBus) * std::min(1.0, dt / kBusSeconds);
}

void SimDriveModel::WriteOutputs() {
    const Bindings& b = *FBind;
    const double ripple = 1 + kRippleShare * std::sin(2 * std::numbers::pi * kRippleHz * FTime);
    b.DcBus.Set(FMemory, FDcBus * ripple);
    b.MotorV.Set(FMemory, FVoltage);
    b.MotorA.Set(FMemory, FCurrent);
    b.MotorHz.Set(FMemory, FHz);
    b.MotorRpm.Set(FMemory, HzToRpm(FHz));
    b.ActualPos.Set(FMemory, std::round(FPosition));
    const bool armature = Whole(b.MotorType, 0) == 3;
    b.ArmatureVolt.Set(FMemory, armature ? FVoltage * Sign(FHz) : 0);
    b.AnalogRef.Set(FMemory, std::clamp(FAnalog, -1.0, 0.99997));

    b.SpeedReached.Set(FMemory, std::fabs(HzToRpm(FTargetHz - FHz)) <= Get(b.SpeedWindow, 20));
    const bool onTarget = !FTarget || FPosition == FTarget->Position;
    b.ProfileDone.Set(FMemory, FProfileRpm == 0 && onTarget);
    b.PositionReached.Set(FMemory, FTarget && std::fabs(FTarget->Position - FPosition) <=
                                                  Get(b.PosWindow, 0));
    b.MotorState.Set(FMemory, double(FState));
    for (int i = 0; i < kInputs; ++i) {
        b.Inputs[std::size_t(i)].Set(FMemory, (FInputs & Bit(i)) != 0);
    }
    for (std::size_t w = 0; w < 2; ++w) {
        if (b.ActFault[w] != nullptr) {
            FMemory.StoreRaw(*b.ActFault[w], 0, FPresent[w]);
        }
    }
}

bool SimDriveModel::SetFault(std::string_view name, SimCause cause, std::string& why) {
    const auto& names = SimFaultNames();
    const auto it = std::find_if(names.begin(), names.end(),
                                 [&](const SimFaultName& f) { return AnsiSameText(f.Name, name); });
    if (it == names.end()) {
        why = "unknown fault; 'faults' lists them";
        return false;
    }
    const auto w = std::size_t(it->Word);
    const std::uint16_t bit = Bit(it->Bit);
    switch (cause) {
    case SimCause::On:
        FCauses[w] |= bit;
        break;
    case SimCause::Pulse:
        FPulses[w] |= bit;
        break;
    case SimCause::Off:
        FCauses[w] &= static_cast<std::uint16_t>(~bit);
        break;
    }
    return true;
}

bool SimDriveModel::SetInput(std::string_view name, bool on, std::string& why) {
    for (int i = 0; i < kInputs; ++i) {
        if (FBind->Inputs[std::size_t(i)].Bound() &&
            AnsiSameText(kInputNames[std::size_t(i)], name)) {
            FInputs = static_cast<std::uint16_t>(on ? FInputs | Bit(i) : FInputs & ~Bit(i));
            return true;
        }
    }
    why = "unknown input; 'inputs' lists them";
    return false;
}

std::vector<std::string> SimDriveModel::InputNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < kInputs; ++i) {
        if (FBind->Inputs[std::size_t(i)].Bound()) {
            names.emplace_back(kInputNames[std::size_t(i)]);
        }
    }
    return names;
}

std::string SimDriveModel::Status() const {
    static constexpr std::array<const char*, 7> kStates = {
        "disabled", "standing", "running", "braking", "zeroing", "aligning", "fault stop"};
    const auto previous = [this](std::size_t w) {
        const TkxRegDefinition* reg = FBind->PreFault[w];
        return reg != nullptr ? unsigned(FMemory.RawValue(*reg, 0)) : 0u;
    };
    char line[320];
    std::snprintf(line, sizeof line,
                  "%s, %.1f Hz, %.0f rpm, %.2f A, %.0f V, bus %.0f V, position %.0f, load %.0f %%, "
                  "faults %04X %04X, previous %04X %04X",
                  kStates[std::size_t(FState)], FHz, HzToRpm(FHz), FCurrent, FVoltage, FDcBus,
                  std::round(FPosition), FLoad, unsigned(FPresent[0]), unsigned(FPresent[1]),
                  previous(0), previous(1));
    return line;
}

} // namespace qxsim
