// A 125-register read as a whole process: `qxdrive read` against `mbpoll` doing the same read,
// one after the other, on the drive simulator paced as a 19200-baud line. Both pay for starting
// a process, opening the pseudo-terminal and the wire time of the same request and reply; what
// is left is what the tool adds before its first request and after the reply.
#include "support/simprocess.h"
#include "support/tkxtempfolder.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRegisters = 125;
constexpr int kBaud = 19200;

// A drive of 125 plain registers from address 0, read in one request as mbpoll reads them.
std::string WriteDefinitions(const TkxTempFolder& folder) {
    const auto path = folder.Path() / "bench125.par";
    std::ofstream out(path, std::ios::binary);
    out << "[Versions]\r\nVersions=QX440v*\r\n[DataModel]\r\nMaxBufferSize=256\r\n";
    for (int address = 0; address < kRegisters; ++address) {
        out << "[" << address << "]\r\nName=R" << address << "\r\nDfltValue=" << address << "\r\n";
    }
    return path.string();
}

struct Drive {
    TkxTempFolder Folder;
    std::string Defs = WriteDefinitions(Folder);
    std::string Link = (Folder.Path() / "drive").string();
    qxsim::SimProcess Sim{
        {"--defs", Defs, "--link", Link, "--baud", std::to_string(kBaud), "--turnaround", "2"}};
};

// Runs the command once per iteration and times it as a whole.
void TimeProcess(benchmark::State& state, const std::vector<std::string>& command,
                 std::size_t minimumOutput) {
    for (auto _ : state) {
        const auto started = std::chrono::steady_clock::now();
        const qxsim::SimRunResult run = qxsim::RunProgram(command, std::chrono::seconds(10));
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
        if (run.ExitCode != 0 || run.Output.size() < minimumOutput) {
            state.SkipWithError(("failed: " + run.Output).c_str());
            return;
        }
        state.SetIterationTime(spent.count());
    }
}

void BM_Read125(benchmark::State& state) {
    static Drive drive;
    if (!drive.Sim.Started()) {
        state.SkipWithError(drive.Sim.Banner().c_str());
        return;
    }
    const bool ourTool = state.range(0) == 0;
    if (!ourTool && !qxsim::HaveProgram("mbpoll")) {
        state.SkipWithError("mbpoll is missing");
        return;
    }
    const std::vector<std::string> qxdrive = {std::string(TKX_BINARY_DIR) + "/tools/qxdrive",
                                              "read",
                                              "--start",
                                              "0",
                                              "--count",
                                              std::to_string(kRegisters),
                                              "--defs",
                                              drive.Defs,
                                              "--port",
                                              drive.Link};
    const std::vector<std::string> mbpoll = {"mbpoll",
                                             "-m",
                                             "rtu",
                                             "-b",
                                             std::to_string(kBaud),
                                             "-P",
                                             "even",
                                             "-a",
                                             "1",
                                             "-0",
                                             "-t",
                                             "4",
                                             "-r",
                                             "0",
                                             "-c",
                                             std::to_string(kRegisters),
                                             "-1",
                                             drive.Link};
    state.SetLabel(ourTool ? "qxdrive read" : "mbpoll");
    // Each prints one line per register.
    TimeProcess(state, ourTool ? qxdrive : mbpoll, kRegisters * 4);
}

} // namespace

// Interleaving is left to repetitions; the two share one simulator.
BENCHMARK(BM_Read125)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
