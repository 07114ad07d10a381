#pragma once

#include <poll.h>
#include <vector>

namespace qxsim {

// A part of the simulator that the server's loop wakes: it adds the descriptors it waits on
// before each poll and is served with the results after it.
class SimPollable {
public:
    virtual ~SimPollable() = default;
    // Appends the descriptors to watch, remembering where its own start.
    virtual void Watch(std::vector<pollfd>& watched) = 0;
    // Acts on what became ready among its descriptors.
    virtual void Serve(const std::vector<pollfd>& watched) = 0;
};

} // namespace qxsim
