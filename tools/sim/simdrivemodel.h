#pragma once

#include "sim/simbinding.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TkxRegDefsList;

namespace qxsim {

class SimRegisterMemory;

// The motor states of the drive's status word.
enum class SimMotorState : std::uint8_t {
    Disabled = 0,
    Standing = 1,
    Running = 2,
    Braking = 3,
    Zeroing = 4,
    Aligning = 5,
    FaultStop = 6,
};

// How an injected fault cause acts: present until switched off, gone again at once, or gone.
enum class SimCause { On, Pulse, Off };

// A fault the drive knows: its name on the control interface, its fault word (0 or 1) and bit.
struct SimFaultName {
    const char* Name;
    int Word;
    int Bit;
};
const std::vector<SimFaultName>& SimFaultNames();

// The drive behind the registers: a motor, its power stage and its position counter, advanced
// one fixed step at a time. It finds its registers by the names of the definition file's
// "Parameters" entries (the names the drive classes bind), reads the master's commands,
// references and setup from the register memory before each step and writes its measured
// values, status and faults back after it. Every part whose entries the file lacks is off.
// Not thread-safe: the server's loop owns it together with the memory.
class SimDriveModel {
public:
    static constexpr std::chrono::milliseconds kStep{10};

    // A model for the file, or null when the file names none of the drive's commands or
    // measured values (the simulator then stays a plain register memory). The list and the
    // memory must outlive the model.
    static std::unique_ptr<SimDriveModel> Create(TkxRegDefsList& defs, SimRegisterMemory& memory);
    ~SimDriveModel();

    void Step();

    // The control interface's handles. False with the reason in why for an unknown name.
    bool SetFault(std::string_view name, SimCause cause, std::string& why);
    bool SetInput(std::string_view name, bool on, std::string& why);
    // The load torque in percent of the rated torque, 0..300.
    void SetLoad(double percent) { FLoad = percent; }
    // The voltage on the analog reference input, -1..1 of full scale.
    void SetAnalog(double value) { FAnalog = value; }
    // One line: state, frequency, speed, current, voltages, position, faults, load.
    std::string Status() const;
    // The names of the hardware inputs the file binds.
    std::vector<std::string> InputNames() const;

    SimMotorState State() const { return FState; }

private:
    struct Bindings;
    struct Target {
        double Position = 0; // increments
        double Speed = 0;    // rpm
        double Accel = 0;    // rpm/s
        double Decel = 0;    // rpm/s
    };

    SimDriveModel(TkxRegDefsList& defs, SimRegisterMemory& memory);

    double Get(const SimBinding& binding, double fallback = 0) const;
    int Whole(const SimBinding& binding, int fallback = 0) const;
    bool IsOn(const SimBinding& binding) const;
    double FullScaleHz() const;
    double IncrementsPerRev() const;
    double HzToRpm(double hz) const;
    double RpmToHz(double rpm) const;

    void ReadInputs();
    void UpdateFaults();
    void Trip(int word, std::uint16_t bits);
    bool CommandEdge(int command) const;
    void HandleCommands();
    void Move();
    void MoveBySpeed(double dt);
    void MoveByTorque(double dt);
    void MoveByProfile(double dt);
    void MoveToZero(double dt);
    void RampTo(double targetHz, double dt);
    void Stop(double dt);
    std::optional<Target> SelectedTarget();
    void AdvanceSequence(double dt);
    void UpdateElectrical(double dt);
    void WriteOutputs();

    SimRegisterMemory& FMemory;
    std::unique_ptr<Bindings> FBind;

    double FTime = 0;     // seconds of model time
    double FHz = 0;       // output frequency, signed
    double FLastHz = 0;   // the output frequency of the step before
    double FTargetHz = 0; // where the speed reference asks it to be
    double FPosition = 0; // increments
    double FLoad = 30;    // percent of rated torque
    double FAnalog = 0;
    double FCurrent = 0; // A, signed
    double FVoltage = 0; // V
    double FDcBus = 0;   // V
    double FI2t = 0;     // overload integral, seconds at (I/Ir)^2 - 1
    bool FI2tHot = false;
    SimMotorState FState = SimMotorState::Disabled;

    // Commands and inputs of this step and of the one before, one bit per command.
    std::uint32_t FCommands = 0;
    std::uint32_t FLastCommands = 0;
    std::uint16_t FInputs = 0;
    bool FEnabled = false;
    bool FWasEnabled = false;
    bool FNeedEnableEdge = false;

    std::array<std::uint16_t, 2> FPresent{};
    std::array<std::uint16_t, 2> FCauses{}; // injected, held until switched off
    std::array<std::uint16_t, 2> FPulses{}; // injected or raised by the model for one step

    // Positioning: the target being driven to and the profile's speed in rpm.
    std::optional<Target> FTarget;
    double FProfileRpm = 0;
    double FDwell = 0;
    // Zeroing and alignment.
    double FZeroTravel = 0;
    double FZeroTime = 0;
    double FAlignTime = 0;
};

} // namespace qxsim
