// Connections, devices and transactions taken down by the main thread at any moment while
// their communication threads run, over a scripted line with slow and failing replies: every
// round must end, whatever the worker was doing. A watchdog ends the program with a message
// when a round does not, instead of leaving the suite hanging.
//
// TKX_STRESS_ROUNDS sets the number of rounds (a few by default), TKX_STRESS_SEED the first
// round's seed; a failing round prints its seed.

#include "base/tkxstatescale.h"
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxdeviceslavecls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxmbfakenetwork.h"
#include "modbus/tkxmbfakes.h"
#include "modbus/tkxmbtestutil.h"
#include "registers/tkxregdefslistcmp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace TkxMBResult;
using Clock = std::chrono::steady_clock;

constexpr const char* kDefinitions = "[DataModel]\nMaxBufferSize=64\n"
                                     "[Versions]\nVersions=QX440v1**\nVerDescr=Test drive\n"
                                     "[256]\nName=A\n[257]\nName=B\n[258]\nName=C\n"
                                     "[259]\nName=D\n";
constexpr int kFirstRegister = 256;
constexpr int kRegisters = 4;

int EnvInt(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::atoi(text) : fallback;
}

// Ends the program with a message when a round outlives its bound: a main thread and a worker
// that wait for each other would otherwise hang the suite for good.
class RoundWatchdog {
public:
    explicit RoundWatchdog(std::chrono::seconds bound)
        : FBound(bound)
        , FWatcher([this] { Watch(); }) {}
    ~RoundWatchdog() {
        {
            std::lock_guard guard(FMutex);
            FStop = true;
        }
        FSignal.notify_all();
        FWatcher.join();
    }
    RoundWatchdog(const RoundWatchdog&) = delete;
    RoundWatchdog& operator=(const RoundWatchdog&) = delete;

    void Begin(int round, unsigned seed) {
        {
            std::lock_guard guard(FMutex);
            FRound = round;
            FSeed = seed;
            FArmed = true;
            ++FGeneration;
        }
        FSignal.notify_all();
    }
    void End() {
        {
            std::lock_guard guard(FMutex);
            FArmed = false;
            ++FGeneration;
        }
        FSignal.notify_all();
    }
    // What the main thread does now, for the message.
    void Step(const char* step) { FStep = step; }

private:
    void Watch() {
        std::unique_lock lock(FMutex);
        while (!FStop) {
            if (!FArmed) {
                FSignal.wait(lock, [&] { return FStop || FArmed; });
                continue;
            }
            const unsigned generation = FGeneration;
            if (FSignal.wait_until(lock, Clock::now() + FBound,
                                   [&] { return FStop || FGeneration != generation; })) {
                continue;
            }
            std::fprintf(stderr,
                         "\nDEADLOCK: round %d (TKX_STRESS_SEED=%u) has not ended within %lld s; "
                         "the main thread was at: %s\n",
                         FRound, FSeed, static_cast<long long>(FBound.count()), FStep.load());
            std::fflush(stderr);
            std::abort();
        }
    }

    const std::chrono::seconds FBound;
    std::mutex FMutex;
    std::condition_variable FSignal;
    bool FStop = false;
    bool FArmed = false;
    unsigned FGeneration = 0;
    int FRound = 0;
    unsigned FSeed = 0;
    std::atomic<const char*> FStep{""};
    std::thread FWatcher;
};

// The slaves behind the line: reads get zeros, writes an echo; some requests get no answer
// or an exception, and some answers come late.
std::function<TkxMBScript::Step(const std::vector<std::uint8_t>&)> FlakySlaves(unsigned seed) {
    // Called under the script's lock only.
    auto random = std::make_shared<std::minstd_rand>(seed);
    return [random](const std::vector<std::uint8_t>& query) {
        std::minstd_rand& next = *random;
        TkxMBScript::Step step;
        const unsigned roll = next() % 100;
        if (query.size() < 6 || roll < 8) {
            step.Result = Timeout;
        } else if (roll < 14) {
            step.Result = IllegalAddress;
        } else if (query[1] == 6) {
            step.Response = query;
        } else {
            step.Response = {query[0], 3, static_cast<std::uint8_t>(2 * query[5])};
            step.Response.resize(3 + 2 * static_cast<std::size_t>(query[5]), 0);
        }
        const unsigned late = next() % 100;
        if (late < 20) {
            step.Delay = std::chrono::milliseconds(1 + late % 4);
        } else if (late < 23) {
            step.Delay = std::chrono::milliseconds(40);
        }
        return step;
    };
}

// A device class of its own, as every drive model is: its destruction must not overlap the
// worker's calls into it.
class StressDevice : public TkxDeviceSlave {
public:
    using TkxDeviceSlave::TkxDeviceSlave;
};

struct Figures {
    int Actions = 0;
    int DirectWaits = 0;
    int DirectAnswers = 0;
    int DeviceDestructions = 0;
    int ConnectionDestructions = 0;
    int QueuedDestructions = 0;
    std::size_t Requests = 0;
};

class TkxTeardownNeverDeadlocks : public testing::Test, public ScriptedLineFixture {
protected:
    void SetUp() override {
        FDefs.SetText(kDefinitions);
        FDefs.Build();
    }

    // One round: two connections with devices polling every pass, then random steps, then
    // the whole network taken down while the threads run.
    void Round(unsigned seed) {
        FRandom.seed(seed);
        Script->SetResponder(FlakySlaves(seed));
        FNetwork = std::make_unique<TkxFakeNetwork>(Context);
        AddConnection();
        AddConnection();
        for (int step = 0; step < 80; ++step) {
            Act();
            Serve();
        }
        FWatchdog.Step("taking the network down");
        // Forgotten first: a queued call served while a thread ends must find nothing of it.
        FConnections.clear();
        FDeviceSetups.clear();
        FNetwork.reset();
        FWatchdog.Step("serving what is left");
        Dispatcher.ProcessMessages();
        FFigures.Requests += Script->Queries().size();
    }

    int Pick(int count) { return static_cast<int>(FRandom() % static_cast<unsigned>(count)); }
    bool Chance(int percent) { return Pick(100) < percent; }

    void Serve() {
        if (Chance(50)) {
            Dispatcher.ProcessMessages();
        } else {
            Dispatcher.PumpFor(std::chrono::milliseconds(Pick(4)));
        }
    }

    void AddConnection() {
        FWatchdog.Step("adding a connection");
        const int id = ++FLastId;
        TkxMBThreadSetup* connection = FNetwork->AddConnection("line" + std::to_string(id));
        FConnections[id] = connection;
        for (int i = 0; i < 3; ++i) {
            AddDeviceSetup(id);
        }
        connection->SetOnLine(true);
        connection->SetEnabled(true);
        // A queued call served meanwhile may take it down again.
        PumpUntil([&] {
            const auto found = FConnections.find(id);
            return found == FConnections.end() || found->second->GetState() == TkxState::Running;
        });
        for (const auto& [deviceId, entry] : FDeviceSetups) {
            if (entry.Connection == id) {
                Identify(*entry.Setup);
            }
        }
    }

    void AddDeviceSetup(int connectionId) {
        TkxMBThreadSetup* connection = FConnections.at(connectionId);
        const int id = ++FLastId;
        auto setup = std::make_unique<TkxDeviceSetup>();
        setup->SetDeviceName("device" + std::to_string(id));
        setup->SetDeviceAddr(static_cast<std::uint8_t>(1 + id % 247));
        setup->SetRepeatTime(1);
        setup->SetMaxFault(Pick(3));
        setup->SetEnabled(true);
        // A view refreshing its list of the connection's devices on every state change.
        setup->OnStateChange = [](TkxDeviceSetup* sender, TkxObject*) {
            if (TkxMBThread* thread = sender->GetConnectionThread()) {
                static_cast<void>(thread->Devices().Count());
            }
        };
        TkxDeviceSetup* added = setup.get();
        if (connection->AddDeviceSetup(setup)) {
            FDeviceSetups[id] = {added, connectionId};
        }
    }

    void Identify(TkxDeviceSetup& setup) {
        const TkxVersionRecord version("QX440v123");
        setup.SetDevice(std::make_unique<StressDevice>(&setup, &version, &FDefs));
        for (int i = Pick(3); i >= 0; --i) {
            AddPoll(*setup.Device());
        }
    }

    void AddPoll(TkxDeviceSlave& device) {
        if (device.Transactions().Count() >= 6) {
            return;
        }
        auto& poll = MakeFor<TkxMBChainedTransa>(&device, 1);
        const int start = kFirstRegister + Pick(kRegisters);
        poll.SetReadBlock(
            static_cast<std::uint16_t>(start),
            static_cast<std::uint16_t>(1 + Pick(kFirstRegister + kRegisters - start)));
        poll.SetRepeatTime(1);
        poll.SetEnabled(true);
    }

    TkxDeviceSetup* AnySetup() {
        if (FDeviceSetups.empty()) {
            return nullptr;
        }
        auto it = FDeviceSetups.begin();
        std::advance(it, Pick(static_cast<int>(FDeviceSetups.size())));
        return it->second.Setup;
    }
    TkxDeviceSlave* AnyDevice() {
        TkxDeviceSetup* setup = AnySetup();
        return setup != nullptr ? setup->Device() : nullptr;
    }
    int AnyConnection() {
        if (FConnections.empty()) {
            return 0;
        }
        auto it = FConnections.begin();
        std::advance(it, Pick(static_cast<int>(FConnections.size())));
        return it->first;
    }
    // A transaction of the device, picked under its list's lock and used after it: only the
    // main thread destroys transactions.
    static TkxMBTransaction* AnyTransaction(TkxDeviceSlave& device, unsigned roll) {
        TkxMBTransactionOwner::TransactionList::Locked locked(device.Transactions());
        const auto& items = locked.Items();
        return items.empty() ? nullptr : items[roll % items.size()].get();
    }

    void DestroyConnection(int id) {
        const auto found = FConnections.find(id);
        if (found == FConnections.end()) {
            return;
        }
        TkxMBThreadSetup* connection = found->second;
        FConnections.erase(found);
        std::erase_if(FDeviceSetups,
                      [id](const auto& entry) { return entry.second.Connection == id; });
        ++FFigures.ConnectionDestructions;
        connection->Detach().reset();
    }
    void DestroyDeviceSetup(int id) {
        const auto found = FDeviceSetups.find(id);
        if (found == FDeviceSetups.end()) {
            return;
        }
        TkxDeviceSetup* setup = found->second.Setup;
        FDeviceSetups.erase(found);
        ++FFigures.DeviceDestructions;
        setup->Detach().reset();
    }

    // A call served later, maybe while the main thread waits for a direct access or for a
    // thread that ends: the user closing something while the program waits.
    void QueueDestruction() {
        const int kind = Pick(3);
        const int connection = AnyConnection();
        const int setup =
            FDeviceSetups.empty()
                ? 0
                : std::next(FDeviceSetups.begin(), Pick(static_cast<int>(FDeviceSetups.size())))
                      ->first;
        Dispatcher.Post([this, kind, connection, setup] {
            ++FFigures.QueuedDestructions;
            if (kind == 0) {
                DestroyConnection(connection);
            } else if (kind == 1) {
                DestroyDeviceSetup(setup);
            } else if (const auto found = FDeviceSetups.find(setup); found != FDeviceSetups.end()) {
                ++FFigures.DeviceDestructions;
                found->second.Setup->DestroyDevice();
            }
        });
    }

    void Direct(TkxDeviceSlave& device, bool write) {
        const auto address = static_cast<std::uint16_t>(kFirstRegister + Pick(kRegisters));
        // A connection just taken off-line still reads as running until its thread's next
        // pass, and a direct access then waits out its whole time-out: nothing to learn here.
        const TkxMBThreadSetup* connection = device.GetSetup().GetThreadSetup();
        const bool wait = Chance(50) && connection != nullptr && connection->OnLine();
        FWatchdog.Step(wait ? "waiting for a direct access" : "starting a direct access");
        // The device may be gone when a waiting call returns.
        const std::int32_t result =
            write ? device.WriteRegister(address, wait) : device.ReadRegister(address, wait);
        if (wait) {
            ++FFigures.DirectWaits;
            FFigures.DirectAnswers += result != WaitTimeout ? 1 : 0;
        }
    }

    void Act() {
        ++FFigures.Actions;
        TkxDeviceSlave* device = AnyDevice();
        switch (Pick(16)) {
        case 0:
        case 1:
            FWatchdog.Step("adding a poll");
            if (device != nullptr) {
                AddPoll(*device);
            }
            break;
        case 2:
            FWatchdog.Step("destroying a transaction");
            if (device != nullptr) {
                if (TkxMBTransaction* transaction = AnyTransaction(*device, FRandom())) {
                    device->DestroyTransaction(transaction);
                }
            }
            break;
        case 3:
            FWatchdog.Step("leaving a transaction to the thread to destroy");
            if (device != nullptr) {
                if (TkxMBTransaction* transaction = AnyTransaction(*device, FRandom())) {
                    transaction->MarkForDestroy();
                }
            }
            break;
        case 4:
        case 5:
            if (device != nullptr) {
                Direct(*device, Chance(50));
            }
            break;
        case 6:
            FWatchdog.Step("destroying a device");
            if (TkxDeviceSetup* setup = AnySetup();
                setup != nullptr && setup->Device() != nullptr) {
                ++FFigures.DeviceDestructions;
                setup->DestroyDevice();
            }
            break;
        case 7:
            FWatchdog.Step("identifying a device");
            if (TkxDeviceSetup* setup = AnySetup()) {
                Identify(*setup);
            }
            break;
        case 8:
            FWatchdog.Step("switching a device setup");
            if (TkxDeviceSetup* setup = AnySetup()) {
                setup->SetEnabled(!setup->Enabled());
            }
            break;
        case 9:
            FWatchdog.Step("resetting faults");
            if (device != nullptr) {
                device->ResetFaults();
            }
            break;
        case 10:
            FWatchdog.Step("taking a connection off-line or on-line");
            if (const int id = AnyConnection(); id != 0) {
                TkxMBThreadSetup* connection = FConnections.at(id);
                connection->SetOnLine(!connection->OnLine());
            }
            break;
        case 11:
            FWatchdog.Step("destroying a connection");
            DestroyConnection(AnyConnection());
            if (FConnections.empty()) {
                AddConnection();
            }
            break;
        case 12:
            if (FConnections.size() < 3) {
                AddConnection();
            }
            break;
        case 13:
            FWatchdog.Step("destroying a device setup");
            if (!FDeviceSetups.empty()) {
                DestroyDeviceSetup(
                    std::next(FDeviceSetups.begin(), Pick(static_cast<int>(FDeviceSetups.size())))
                        ->first);
            }
            break;
        case 14:
            FWatchdog.Step("adding a device setup");
            if (const int id = AnyConnection(); id != 0) {
                AddDeviceSetup(id);
            }
            break;
        default:
            FWatchdog.Step("queueing a destruction");
            QueueDestruction();
            break;
        }
    }

    struct DeviceEntry {
        TkxDeviceSetup* Setup;
        int Connection;
    };

    TkxRegDefsList FDefs;
    std::minstd_rand FRandom;
    RoundWatchdog FWatchdog{std::chrono::seconds(EnvInt("TKX_STRESS_BOUND_S", 60))};
    std::unique_ptr<TkxFakeNetwork> FNetwork;
    std::map<int, TkxMBThreadSetup*> FConnections;
    std::map<int, DeviceEntry> FDeviceSetups;
    int FLastId = 0;
    Figures FFigures;
};

TEST_F(TkxTeardownNeverDeadlocks, RoundsOfRandomTeardownWhileThreadsRunAllEnd) {
    const int rounds = EnvInt("TKX_STRESS_ROUNDS", 12);
    const auto firstSeed = static_cast<unsigned>(EnvInt("TKX_STRESS_SEED", 1));
    const auto start = Clock::now();
    for (int round = 0; round < rounds; ++round) {
        const unsigned seed = firstSeed + static_cast<unsigned>(round);
        FWatchdog.Begin(round, seed);
        Round(seed);
        FWatchdog.End();
        if (HasFatalFailure()) {
            break;
        }
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    std::printf("%d rounds in %lld ms: %d steps, %d direct waits (%d answered), %d devices and "
                "%d connections destroyed (%d by queued calls), %zu requests\n",
                rounds, static_cast<long long>(took.count()), FFigures.Actions,
                FFigures.DirectWaits, FFigures.DirectAnswers, FFigures.DeviceDestructions,
                FFigures.ConnectionDestructions, FFigures.QueuedDestructions, FFigures.Requests);
    EXPECT_EQ(FFigures.Actions, rounds * 80);
    EXPECT_GT(FFigures.Requests, 0U) << "the threads ran";
}

} // namespace
