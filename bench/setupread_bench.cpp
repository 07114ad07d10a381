// From opening the line to a fully read setup of a shipped QX460 drive, as the tool connects,
// against the drive simulator paced as a 19200-baud 8E1 line; beside it the wire time of the
// setup group's blocks, and of those with the state and fault reads that ran meanwhile.
#include "qxdrive/qxdrivesession.h"
#include "support/simprocess.h"
#include "support/tkxtempfolder.h"

#include "devices/tkxdeviceqxdrivecls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefslistcmp.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>

namespace {

constexpr int kBaud = 19200;
constexpr double kBitsPerCharacter = 11;
const std::string kDefs = std::string(TKX_BINARY_DIR) + "/tools/qx460v4xx.par";

// The wire time of one run of a read: per block an 8-byte request (address, function, start,
// count, CRC) and a reply of 5 bytes besides the data (address, function, byte count, CRC).
double WireMilliseconds(const TkxMBSimpleTransa& read, int* blocks = nullptr) {
    int bytes = 0;
    for (const TkxRegBlock* b = read.ReadBlocks(); b != nullptr; b = b->Next()) {
        bytes += 8 + 5 + 2 * b->Count();
        if (blocks != nullptr) {
            ++*blocks;
        }
    }
    return bytes * kBitsPerCharacter * 1000.0 / kBaud;
}

void BM_SetupReadAt19200(benchmark::State& state) {
    TkxTempFolder folder;
    const std::string link = folder.PathOf("drive");
    qxsim::SimProcess sim({"--defs", kDefs, "--link", link, "--baud", std::to_string(kBaud)});
    if (!sim.Started()) {
        state.SkipWithError(sim.Banner().c_str());
        return;
    }
    qxdrive::MasterOptions options;
    options.Port = link;
    options.Defs = kDefs;
    options.TimeoutMs = 1000;
    TkxDMCollection collection;
    const auto defs = qxdrive::LoadDefinitions(kDefs, collection);
    double setupWire = 0;
    double allWire = 0; // summed over the iterations
    int blocks = 0;
    for (auto _ : state) {
        std::ostringstream frames;
        qxdrive::MasterSession session(options, frames);
        const auto started = std::chrono::steady_clock::now();
        session.Open();
        auto& drive = session.AddDevice<TkxDeviceQXDrive>(*defs);
        bool read = false;
        drive.OnSetupRead = [&read](TkxMBTransaction*) { read = true; };
        if (!session.WaitUntil([&read] { return read; }, std::chrono::seconds(30))) {
            state.SkipWithError("the setup was not read");
            return;
        }
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
        state.SetIterationTime(spent.count());
        blocks = 0;
        setupWire = WireMilliseconds(*drive.ReadSetup, &blocks);
        // The periodic reads handled by then shared the line.
        allWire += setupWire +
                   drive.ReadState->GetMessageCount() * WireMilliseconds(*drive.ReadState) +
                   drive.ReadAlarm->GetMessageCount() * WireMilliseconds(*drive.ReadAlarm);
    }
    state.counters["setup_blocks"] = blocks;
    state.counters["setup_wire_ms"] = setupWire;
    state.counters["wire_with_periodic_ms"] =
        allWire / static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.SetLabel("qx460v4xx.par");
}

} // namespace

BENCHMARK(BM_SetupReadAt19200)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
