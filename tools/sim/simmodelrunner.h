#pragma once

#include "sim/simendpoint.h"
#include "sim/simpollable.h"

#include <cstddef>

namespace qxsim {

class SimDriveModel;

// Keeps the drive model in real time: a timer descriptor fires once per model step of wall
// time, however often masters poll, and each beat is worth the speed-up in steps. Beats
// missed while the loop was busy are made up, a few seconds' worth at most.
class SimModelRunner : public SimPollable {
public:
    // Throws std::runtime_error when the timer cannot be made.
    SimModelRunner(SimDriveModel& model, int speedup);

    void Watch(std::vector<pollfd>& watched) override;
    void Serve(const std::vector<pollfd>& watched) override;

private:
    SimDriveModel& FModel;
    SimFd FTimer;
    int FSpeedup;
    std::size_t FIndex = 0;
};

} // namespace qxsim
