// A long run of a network of one connection and one drive against the simulator, as the
// terminal runs it, reporting how it held up:
//   network_soak [--seconds N] [--drop P]   passes of 100 ms against a drive that drops a
//                                           share P of its replies (default 30 s, 0.05): the
//                                           pass period, results, errors, cut-offs, memory
//   network_soak --vanish N                 N times the drive vanishes and returns, then N
//                                           times the network goes off-line and on-line:
//                                           threads, descriptors and memory before and after
//   network_soak --identify N               N fresh networks identify the drive: the time
// Exit status 1 when the run could not be made or left something behind.
#include "support/tkxsimdrivenetwork.h"

#include "base/tkxmbresultcodes.h"
#include "base/tkxstatescale.h"
#include "devices/tkxdeviceqxdrivecls.h"
#include "devices/tkxdevicesetupcls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxmbcontextcls.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "registers/tkxregblockcls.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <numeric>
#include <span>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;
constexpr double kPassMs = 100;

struct SoakOptions {
    double Seconds = 30;
    double Drop = 0.05;
    int Vanish = 0;
    int Identify = 0;
};

bool ReadOptions(int argc, char** argv, SoakOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) {
            return false;
        }
        const double value = std::atof(argv[++i]);
        if (arg == "--seconds" && value > 0) {
            options.Seconds = value;
        } else if (arg == "--drop" && value >= 0 && value < 1) {
            options.Drop = value;
        } else if (arg == "--vanish" && value >= 1) {
            options.Vanish = static_cast<int>(value);
        } else if (arg == "--identify" && value >= 1) {
            options.Identify = static_cast<int>(value);
        } else {
            return false;
        }
    }
    return true;
}

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[at];
}

double Mean(const std::vector<double>& values) {
    return values.empty() ? 0
                          : std::accumulate(values.begin(), values.end(), 0.0) /
                                static_cast<double>(values.size());
}

// How far each period lies from the pass time.
std::vector<double> Jitter(const std::vector<double>& periods) {
    std::vector<double> jitter;
    jitter.reserve(periods.size());
    for (const double period : periods) {
        jitter.push_back(std::abs(period - kPassMs));
    }
    return jitter;
}

// The drive's state read runs first in every pass, so the starts of its first attempts mark
// the passes; the frame tap sees them on the communication thread, where they happen.
class PassClock {
public:
    // Room for the passes of a run of that length, so that the record does not count as
    // memory growth.
    explicit PassClock(double seconds) {
        FPasses.reserve(static_cast<std::size_t>(seconds * 1000 / kPassMs * 1.5) + 16);
    }

    void Watch(const TkxMBSimpleTransa& read) {
        const TkxRegBlock* first = read.ReadBlocks();
        FStart = first->Start();
        FCount = first->Count();
    }

    void OnFrame(bool sent, std::span<const std::uint8_t> bytes, std::int32_t result) {
        const std::lock_guard lock(FMutex);
        if (!sent) {
            FLastFailed = result != TkxMBResult::Ok;
            FFailed += FLastFailed ? 1 : 0;
            FPassFailed = FPassFailed || FLastFailed;
            return;
        }
        const bool retry = FLastFailed && std::equal(bytes.begin(), bytes.end(), FLastQuery.begin(),
                                                     FLastQuery.end());
        FLastQuery.assign(bytes.begin(), bytes.end());
        if (!retry && IsStateRead(bytes) && FPasses.size() < FPasses.capacity()) {
            if (!FPasses.empty()) {
                FPasses.back().Failed = FPassFailed;
            }
            FPasses.push_back({Clock::now(), false});
            FPassFailed = false;
        }
    }

    // Exchanges that got no good reply, retried ones among them.
    int Failed() const {
        const std::lock_guard lock(FMutex);
        return FFailed;
    }

    // The periods between the passes seen so far, in ms; only those of passes in which every
    // exchange got a good reply when clean.
    std::vector<double> Periods(bool clean = false) const {
        const std::lock_guard lock(FMutex);
        std::vector<double> periods;
        for (std::size_t i = 1; i < FPasses.size(); ++i) {
            if (!clean || !FPasses[i - 1].Failed) {
                periods.push_back(Milliseconds(FPasses[i].Start - FPasses[i - 1].Start).count());
            }
        }
        return periods;
    }

private:
    bool IsStateRead(std::span<const std::uint8_t> bytes) const {
        return FCount >= 0 && bytes.size() >= 6 && bytes[1] == 3 &&
               bytes[2] * 256 + bytes[3] == FStart && bytes[4] * 256 + bytes[5] == FCount;
    }

    mutable std::mutex FMutex;
    std::atomic<int> FStart{-1};
    std::atomic<int> FCount{-1};
    bool FLastFailed = false;
    int FFailed = 0;
    std::vector<std::uint8_t> FLastQuery;
    struct Pass {
        Clock::time_point Start;
        bool Failed; // an exchange of the pass got no good reply
    };
    bool FPassFailed = false;
    std::vector<Pass> FPasses;
};

TkxDeviceQXDrive* DriveOf(TkxSimDriveNetwork& net) {
    return dynamic_cast<TkxDeviceQXDrive*>(net.Drive());
}

// Brings the network on-line and waits for the identified drive; the time it took, or a
// negative value when it was not identified.
double Identify(TkxSimDriveNetwork& net) {
    const auto started = Clock::now();
    net.SetOnLine(true);
    if (!net.WaitUntil([&] { return DriveOf(net) != nullptr; })) {
        return -1;
    }
    return Milliseconds(Clock::now() - started).count();
}

void PrintMemory(const char* what, const TkxProcessResources& before,
                 const TkxProcessResources& after, double seconds) {
    const long growth = after.ResidentKb - before.ResidentKb;
    const long heapGrowth = after.HeapBytes - before.HeapBytes;
    const double hours = seconds / 3600.0;
    std::printf("%s: resident %ld kB -> %ld kB, growth %ld kB (%.1f kB per hour); heap in use "
                "%ld -> %ld bytes, growth %ld bytes (%.0f bytes per hour)\n",
                what, before.ResidentKb, after.ResidentKb, growth,
                hours > 0 ? static_cast<double>(growth) / hours : 0.0, before.HeapBytes,
                after.HeapBytes, heapGrowth,
                hours > 0 ? static_cast<double>(heapGrowth) / hours : 0.0);
}

int RunSoak(const SoakOptions& options) {
    TkxSimDriveNetwork::Options netOptions;
    netOptions.SimArgs = {"--drop", std::to_string(options.Drop), "--seed", "7"};
    netOptions.MaxFault = 3;
    TkxSimDriveNetwork net(netOptions);
    if (!net.Started()) {
        std::cerr << "network_soak: " << net.Problem() << "\n";
        return 1;
    }
    PassClock passes(options.Seconds);
    net.Network().Context()->SetFrameTap(
        [&passes](bool sent, std::span<const std::uint8_t> bytes, std::int32_t result) {
            passes.OnFrame(sent, bytes, result);
        });
    int results = 0;
    int errors = 0;
    net.Network().OnTransaResponse = [&](TkxMBNetwork*, TkxMBTransaction*) { ++results; };
    net.Network().OnTransaError = [&](TkxMBNetwork*, TkxMBTransaction*) { ++errors; };
    const double identifyMs = Identify(net);
    if (identifyMs < 0) {
        std::cerr << "network_soak: the drive was not identified\n";
        return 1;
    }
    TkxDeviceQXDrive& drive = *DriveOf(net);
    passes.Watch(*drive.ReadState);

    // Memory is compared from the end of the first tenth, once the setup is read and the
    // buffers have their size.
    const auto started = Clock::now();
    const auto length = std::chrono::duration<double>(options.Seconds);
    int cutOffs = 0;
    bool warm = false;
    TkxProcessResources atWarm;
    while (Clock::now() - started < length) {
        net.Serve(std::chrono::milliseconds(50));
        if (net.DriveState() == TkxState::CutOff) {
            // The engineer resets the faults, as the main window offers.
            ++cutOffs;
            drive.ResetFaults();
        }
        if (!warm && Clock::now() - started > length / 10) {
            warm = true;
            atWarm = TkxProcessResources::Now();
        }
    }
    const TkxProcessResources atEnd = TkxProcessResources::Now();
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();

    const std::vector<double> periods = passes.Periods();
    const std::vector<double> jitter = Jitter(periods);
    const std::vector<double> cleanJitter = Jitter(passes.Periods(true));
    std::printf("soak: %.0f s, drive dropping %.0f %% of its replies, identified in %.0f ms\n",
                seconds, options.Drop * 100, identifyMs);
    std::printf("passes: %zu, period mean %.2f ms, p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
                periods.size(), Mean(periods), Percentile(periods, 0.5), Percentile(periods, 0.99),
                Percentile(periods, 1.0));
    std::printf("jitter from %.0f ms: mean %.2f ms, p50 %.2f ms, p99 %.2f ms\n", kPassMs,
                Mean(jitter), Percentile(jitter, 0.5), Percentile(jitter, 0.99));
    std::printf("jitter of the %zu passes without a lost reply: mean %.2f ms, p99 %.2f ms, max "
                "%.2f ms\n",
                cleanJitter.size(), Mean(cleanJitter), Percentile(cleanJitter, 0.99),
                Percentile(cleanJitter, 1.0));
    std::printf("results: %d, errors: %d, cut-offs: %d, exchanges without a good reply: %d\n",
                results, errors, cutOffs, passes.Failed());
    PrintMemory("memory after the first tenth", atWarm, atEnd, seconds * 0.9);
    const bool ran = results > 0 && !periods.empty() &&
                     net.WaitUntil([&] { return net.DriveState() == TkxState::Running; });
    return ran ? 0 : 1;
}

// Waits for the state; prints what went wrong when it does not come.
bool Reaches(TkxSimDriveNetwork& net, int state, const char* what, int cycle) {
    if (net.WaitUntil([&] { return net.DriveState() == state; })) {
        return true;
    }
    std::cerr << "network_soak: cycle " << cycle << ": the drive did not " << what << " (state "
              << net.DriveState() << ")\n";
    return false;
}

bool RunsAgain(TkxSimDriveNetwork& net, int cycle) {
    TkxDeviceQXDrive& drive = *DriveOf(net);
    const int before = drive.ReadState->GetMessageCount();
    return Reaches(net, TkxState::Running, "run again", cycle) &&
           net.WaitUntil([&] { return drive.ReadState->GetMessageCount() > before + 1; });
}

int RunVanish(const SoakOptions& options) {
    TkxSimDriveNetwork net({});
    if (!net.Started() || Identify(net) < 0 || !RunsAgain(net, 0)) {
        std::cerr << "network_soak: the drive was not identified\n";
        return 1;
    }
    const TkxProcessResources before = TkxProcessResources::Now();
    const auto started = Clock::now();
    for (int cycle = 1; cycle <= options.Vanish; ++cycle) {
        net.Sim().Signal(SIGUSR1);
        if (!Reaches(net, TkxState::Error, "fail", cycle)) {
            return 1;
        }
        net.Sim().Signal(SIGUSR2);
        if (!RunsAgain(net, cycle)) {
            return 1;
        }
    }
    const double vanishSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    for (int cycle = 1; cycle <= options.Vanish; ++cycle) {
        net.SetOnLine(false);
        if (!Reaches(net, TkxState::OffLine, "go off-line", cycle) ||
            !net.WaitUntil([&] { return net.Connection().CanEdit(); })) {
            return 1;
        }
        net.SetOnLine(true);
        if (!RunsAgain(net, cycle)) {
            return 1;
        }
    }
    const TkxProcessResources after = TkxProcessResources::Now();
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::printf("%d vanish and return cycles in %.1f s (%.0f ms each), %d off-line and on-line "
                "cycles in %.1f s\n",
                options.Vanish, vanishSeconds, vanishSeconds * 1000 / options.Vanish,
                options.Vanish, seconds - vanishSeconds);
    std::printf("threads %d -> %d, descriptors %d -> %d\n", before.Threads, after.Threads,
                before.Descriptors, after.Descriptors);
    PrintMemory("memory", before, after, seconds);
    return before.Threads == after.Threads && before.Descriptors == after.Descriptors ? 0 : 1;
}

int RunIdentify(const SoakOptions& options) {
    std::vector<double> times;
    for (int i = 0; i < options.Identify; ++i) {
        TkxSimDriveNetwork net({});
        const double ms = net.Started() ? Identify(net) : -1;
        if (ms < 0) {
            std::cerr << "network_soak: the drive was not identified\n";
            return 1;
        }
        times.push_back(ms);
    }
    std::printf("identification of %d fresh networks: mean %.1f ms, min %.1f ms, max %.1f ms\n",
                options.Identify, Mean(times), Percentile(times, 0), Percentile(times, 1));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    SoakOptions options;
    if (!ReadOptions(argc, argv, options)) {
        std::cerr << "usage: network_soak [--seconds N] [--drop P] | --vanish N | --identify N\n";
        return 2;
    }
    if (options.Vanish > 0) {
        return RunVanish(options);
    }
    if (options.Identify > 0) {
        return RunIdentify(options);
    }
    return RunSoak(options);
}
