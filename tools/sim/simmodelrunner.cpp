#include "sim/simmodelrunner.h"

#include "sim/simdrivemodel.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <sys/timerfd.h>
#include <unistd.h>

namespace qxsim {
namespace {

// Beats made up at most after a stall; more are dropped rather than run in one burst.
constexpr std::uint64_t kMaxBeats = 300;

} // namespace

SimModelRunner::SimModelRunner(SimDriveModel& model, int speedup)
    : FModel(model)
    , FTimer(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
    , FSpeedup(speedup) {
    if (!FTimer.Valid()) {
        throw std::runtime_error("cannot create the model's timer");
    }
    const auto nanoseconds = std::chrono::nanoseconds(SimDriveModel::kStep).count();
    itimerspec period{};
    period.it_interval.tv_sec = nanoseconds / 1000000000;
    period.it_interval.tv_nsec = nanoseconds % 1000000000;
    period.it_value = period.it_interval;
    if (::timerfd_settime(FTimer.Get(), 0, &period, nullptr) != 0) {
        throw std::runtime_error("cannot start the model's timer");
    }
}

void SimModelRunner::Watch(std::vector<pollfd>& watched) {
    FIndex = watched.size();
    watched.push_back({FTimer.Get(), POLLIN, 0});
}

void SimModelRunner::Serve(const std::vector<pollfd>& watched) {
    if ((watched[FIndex].revents & POLLIN) == 0) {
        return;
    }
    std::uint64_t beats = 0;
    if (::read(FTimer.Get(), &beats, sizeof beats) != sizeof beats) {
        return;
    }
    const auto steps = static_cast<int>(std::min(beats, kMaxBeats)) * FSpeedup;
    for (int i = 0; i < steps; ++i) {
        FModel.Step();
    }
}

} // namespace qxsim
