// The line and the pass loop measured:
// - a 125-register read from request to decoded reply over a socat pseudo-terminal pair, as a
//   ratio of the wire time the same bytes take at 19200 baud 8E1 (11 bits per character);
// - the period of the communication thread's passes and its jitter around 100 ms.
#include "base/tkxqueuedispatchercls.h"
#include "modbus/tkxmbcancelcls.h"
#include "modbus/tkxmbframecls.h"
#include "modbus/tkxmblinkservercls.h"
#include "modbus/tkxmbportmapcls.h"
#include "modbus/tkxmbthreadhostcls.h"
#include "modbus/tkxmbthreadthr.h"
#include "modbus/tkxmbtransactioncls.h"
#include "support/tkxmbscriptedservercls.h"
#include "support/tkxptypaircls.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Registers = 125;

double WireSeconds(std::size_t characters) {
    return characters * 11.0 / 19200.0;
}

// A socat pty pair and a peer thread that answers every read request at once.
class ReadPeer {
public:
    ReadPeer() {
        if (!FPty.Ready()) {
            return;
        }
        FFd = open(FPty.PeerEnd().c_str(), O_RDWR | O_NOCTTY);
        std::vector<std::uint8_t> reply{1, 3, 2 * Registers};
        reply.resize(3 + 2 * Registers, 0x5A);
        FReply = TkxMBFrame::EncodeRtu(reply);
        FThread = std::thread([this] { Serve(); });
    }
    ~ReadPeer() {
        FStop = true;
        if (FThread.joinable()) {
            FThread.join();
        }
        if (FFd >= 0) {
            close(FFd);
        }
    }
    bool Ready() const { return FFd >= 0; }
    std::string LinkEnd() const { return FPty.LinkEnd(); }
    std::size_t ReplySize() const { return FReply.size(); }

private:
    void Serve() {
        std::size_t have = 0;
        while (!FStop) {
            pollfd pfd{FFd, POLLIN, 0};
            if (poll(&pfd, 1, 20) <= 0) {
                continue;
            }
            std::uint8_t chunk[64];
            const ssize_t count = read(FFd, chunk, sizeof chunk);
            if (count <= 0) {
                return;
            }
            have += static_cast<std::size_t>(count);
            if (have >= 8) { // a whole read request
                have = 0;
                if (write(FFd, FReply.data(), FReply.size()) < 0) {
                    return;
                }
            }
        }
    }

    TkxPtyPair FPty;
    int FFd = -1;
    std::vector<std::uint8_t> FReply;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

void BM_Read125RegistersOverPty(benchmark::State& state) {
    ReadPeer peer;
    if (!peer.Ready()) {
        state.SkipWithError("socat pty pair not available");
        return;
    }
    TkxMBPortMap ports;
    ports.Set(1, peer.LinkEnd());
    TkxMBCancel cancel;
    TkxMBLinkServer server(cancel, ports);
    bool ok = false;
    server.OpenConnection("bench", 1, ok);
    server.Set_Parity(2);
    server.Set_TimeOut(1000);
    bool connected = false;
    server.Connect(connected);
    if (!connected) {
        state.SkipWithError(server.GetLastErrorText().c_str());
        return;
    }
    const std::vector<std::uint8_t> query{1, 3, 0, 0, 0, Registers};
    int failures = 0;
    const auto start = Clock::now();
    for (auto _ : state) {
        const TkxMBReply reply = server.TxRxMessage(query);
        if (reply.Result != 0) {
            ++failures;
        }
        benchmark::DoNotOptimize(reply.Data.data());
    }
    const double perRead =
        std::chrono::duration<double>(Clock::now() - start).count() /
        static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    const double wire = WireSeconds(8 + peer.ReplySize());
    state.counters["wire_ms_19200_8E1"] = wire * 1000.0;
    state.counters["read_over_wire"] = perRead / wire;
    state.counters["failures"] = failures;
}
BENCHMARK(BM_Read125RegistersOverPty)->Unit(benchmark::kMillisecond)->UseRealTime();

// Its lines play the script.
class BenchSetup : public TkxMBThreadHost {
public:
    explicit BenchSetup(std::shared_ptr<TkxMBScript> script)
        : FScript(std::move(script)) {}
    bool IsValid() const override { return true; }
    bool IsEnabled() const override { return true; }
    bool IsOnLine() const override { return OnLine; }
    TkxMBLinkSettings LinkSettings() const override { return {}; }
    std::unique_ptr<TkxMBServer> MakeServer(const TkxMBCancel& cancel) override {
        return std::make_unique<TkxMBScriptedServer>(FScript, cancel);
    }
    void PerformStateChange(TkxMBTransaction*) override {}
    void PerformSetupAdd(TkxMBTransaction*) override {}
    void PerformSetupDel(TkxMBTransaction*) override {}
    void PerformSetupChange(TkxMBTransaction*) override {}
    void PerformTransaError(TkxMBTransaction*) override {}
    void PerformTransaResponse(TkxMBTransaction*) override {}
    std::atomic<bool> OnLine{true};

private:
    std::shared_ptr<TkxMBScript> FScript;
};

// Notes the time of every pass it runs in.
class PassClock : public TkxMBTransaction {
public:
    explicit PassClock(TkxMBThread* thread)
        : TkxMBTransaction(thread, 1) {}
    std::int32_t Transact(TkxMBServer&) override {
        std::lock_guard guard(FMutex);
        FTimes.push_back(Clock::now());
        return 0;
    }
    std::vector<Clock::time_point> Times() {
        std::lock_guard guard(FMutex);
        return FTimes;
    }

private:
    std::mutex FMutex;
    std::vector<Clock::time_point> FTimes;
};

void BM_PassPeriodJitter(benchmark::State& state) {
    TkxQueueDispatcher dispatcher;
    TkxSetMainDispatcher(&dispatcher);
    auto script = std::make_shared<TkxMBScript>();
    const int passes = static_cast<int>(state.range(0));
    std::vector<double> periods;
    for (auto _ : state) {
        BenchSetup setup(script);
        TkxMBThread thread(&setup);
        auto* clock = thread.Adopt(std::make_unique<PassClock>(&thread));
        clock->TerminateIf.reset();
        clock->SetRepeatTime(1);
        clock->SetEnabled(true);
        dispatcher.WaitUntil([&] { return static_cast<int>(clock->Times().size()) > passes; },
                             std::chrono::seconds(passes));
        const auto times = clock->Times();
        for (std::size_t i = 1; i < times.size(); ++i) {
            periods.push_back(
                std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count());
        }
        setup.OnLine = false;
    }
    const double mean = std::accumulate(periods.begin(), periods.end(), 0.0) / periods.size();
    double squares = 0;
    double worst = 0;
    for (double period : periods) {
        squares += (period - mean) * (period - mean);
        worst = std::max(worst, std::abs(period - 100.0));
    }
    state.counters["period_mean_ms"] = mean;
    state.counters["period_stddev_ms"] = std::sqrt(squares / periods.size());
    state.counters["worst_deviation_ms"] = worst;
    TkxSetMainDispatcher(nullptr);
}
BENCHMARK(BM_PassPeriodJitter)
    ->Arg(50)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
