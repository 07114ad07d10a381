#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qxsim {

class SimDriveModel;

// The line commands of the control interface, applied to the drive model. Each line gets one
// answer line: "ok", the text asked for, or "error: " and the reason, in which case nothing
// changed. Words are separated by blanks; command words and names take any letter case.
class SimCommands {
public:
    explicit SimCommands(SimDriveModel& model)
        : FModel(model) {}

    struct Answer {
        std::string Text; // empty for a blank line, which gets no answer
        bool Close = false;
    };
    Answer Execute(std::string_view line);

    static std::string Help();

private:
    std::string Fault(const std::vector<std::string_view>& words);
    std::string Input(const std::vector<std::string_view>& words);
    std::string Number(const std::vector<std::string_view>& words, double low, double high,
                       void (SimDriveModel::*set)(double));

    SimDriveModel& FModel;
};

} // namespace qxsim
