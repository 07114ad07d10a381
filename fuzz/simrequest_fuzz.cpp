// Arbitrary bytes from a master: framed as RTU and as ASCII, then every request found is
// answered by a drive laid out from the simulator's test definitions.
#include "sim/simdrive.h"
#include "sim/simregistermemory.h"
#include "sim/simrequestframer.h"

#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregdefslistcmp.h"

#include <cstddef>
#include <cstdint>
#include <sstream>

namespace {

struct Drive {
    Drive() {
        Defs.LoadFromFile(std::string(TKX_SOURCE_DIR) + "/tests/data/sim/drive.par");
        Defs.Chain(&Collection.Predefined());
        Defs.Build();
    }
    TkxDMCollection Collection;
    TkxRegDefsList Defs;
    std::ostringstream Log;
    qxsim::SimRegisterMemory Memory{Defs, nullptr, Log};
    qxsim::SimDrive Answerer{Memory, {}};
};

void Serve(Drive& drive, bool ascii, const std::uint8_t* data, std::size_t size) {
    using namespace std::chrono_literals;
    qxsim::SimRequestFramer framer(ascii, 20ms);
    const auto now = qxsim::SimRequestFramer::Clock::now();
    // Feed in two pieces so that frames cut across reads are exercised as well.
    const std::size_t half = size / 2;
    framer.Feed(data, half, now);
    framer.Feed(data + half, size - half, now);
    for (auto at = now; framer.Pending() > 0 || at == now; at += 25ms) {
        while (auto request = framer.Next(at)) {
            if (request->size() >= 2) {
                drive.Answerer.Answer({request->begin() + 1, request->end()});
            }
        }
        if (at > now + 1s) {
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Drive drive;
    Serve(drive, false, data, size);
    Serve(drive, true, data, size);
    // The bytes as a bare request, without any framing.
    drive.Answerer.Answer({data, data + size});
    return 0;
}
