#include "sim/simdemo.h"

#include "sim/simbinding.h"
#include "sim/simoptions.h"

#include <filesystem>
#include <utility>

namespace qxsim {

std::string SimDemoDefsFile() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::path(".") : program.parent_path()) / kDemoDefsName;
}

void SimApplyDemoSetup(TkxRegDefsList& defs, SimRegisterMemory& memory) {
    static constexpr std::pair<const char*, double> kValues[] = {
        {"ParMainVoltage", 400},   {"ParMotorUrV", 380},    {"ParMotorUminV", 10},
        {"ParMotorUmaxV", 400},    {"ParMotorIpA", 9},      {"ParMotorIrA", 4.5},
        {"ParMotorImrA", 1.5},     {"ParMotorI2Ttime", 10}, {"ParPolesNumber", 4},
        {"ParMotorSmaxRPM", 3000}, {"ParMotorSrRPM", 3000}, {"ParMotorFrHz", 100},
        {"ParMotorFmaxHz", 100},   {"ParMotorAccel", 2000}, {"ParMotorDecel", 1000},
    };
    for (const auto& [name, value] : kValues) {
        SimBinding(defs, name, SimBindingKind::Value).Set(memory, value);
    }
    SimBinding(defs, "CfgCmdFromBus", SimBindingKind::Flag).Set(memory, 1);
}

} // namespace qxsim
