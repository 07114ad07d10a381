// A 125-register read from the drive simulator over a pseudo-terminal, through the same line
// code the terminal uses, against the time the bytes need on a 19200-baud 8E1 line.
#include "support/simprocess.h"

#include "modbus/tkxmbcancelcls.h"
#include "modbus/tkxmblinkservercls.h"
#include "modbus/tkxmbportmapcls.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

constexpr int kRegisters = 125;
constexpr int kBaud = 19200;
constexpr double kBitsPerCharacter = 11;
constexpr int kComPort = 9;

// A drive of 125 plain registers from address 0.
std::string WriteDefinitions(const std::filesystem::path& folder) {
    const auto path = folder / "bench125.par";
    std::ofstream out(path, std::ios::binary);
    out << "[Versions]\r\nVersions=QX440v***\r\n";
    for (int address = 0; address < kRegisters; ++address) {
        out << "[" << address << "]\r\nName=R" << address << "\r\nDfltValue=" << address << "\r\n";
    }
    return path.string();
}

double WireMilliseconds() {
    const int requestBytes = 8;                    // address, function, start, count, CRC
    const int replyBytes = 3 + 2 * kRegisters + 2; // address, function, count, data, CRC
    return (requestBytes + replyBytes) * kBitsPerCharacter * 1000.0 / kBaud;
}

void ReadFromSimulator(benchmark::State& state, const std::vector<std::string>& pacing) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("simline-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string link = (folder / "drive").string();
    std::vector<std::string> args{"--defs", WriteDefinitions(folder), "--link", link};
    args.insert(args.end(), pacing.begin(), pacing.end());
    qxsim::SimProcess sim(args);
    if (!sim.Started()) {
        state.SkipWithError(sim.Banner().c_str());
        return;
    }
    TkxMBPortMap ports;
    ports.Set(kComPort, link);
    TkxMBCancel cancel;
    TkxMBLinkServer server(cancel, ports);
    bool ok = false;
    server.OpenConnection("bench", 1, ok);
    server.Set_ComPort(kComPort);
    server.Set_BaudRate(kBaud);
    server.Set_Parity(2);
    server.Set_TimeOut(1000);
    server.Set_SilentInterval(5);
    server.Connect(ok);
    if (!ok) {
        state.SkipWithError(server.GetLastErrorText().c_str());
        return;
    }
    const std::vector<std::uint8_t> request{1, 3, 0, 0, 0, kRegisters};
    const auto started = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const TkxMBReply reply = server.TxRxMessage(request);
        if (reply.Result != 0 || reply.Data.size() != 3 + 2 * kRegisters) {
            state.SkipWithError("the read failed");
            break;
        }
    }
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - started;
    server.CloseConnection();
    const double perRead =
        spent.count() / static_cast<double>(std::max<int64_t>(1, state.iterations()));
    state.counters["wire_ms"] = WireMilliseconds();
    state.counters["read_ms"] = perRead;
    state.counters["read_per_wire"] = perRead / WireMilliseconds();
    std::filesystem::remove_all(folder);
}

void BM_Read125Unpaced(benchmark::State& state) {
    ReadFromSimulator(state, {});
}
void BM_Read125At19200(benchmark::State& state) {
    ReadFromSimulator(state, {"--baud", std::to_string(kBaud), "--turnaround", "2"});
}

} // namespace

BENCHMARK(BM_Read125Unpaced)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Read125At19200)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
