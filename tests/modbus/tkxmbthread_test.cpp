#include "modbus/tkxmbthreadthr.h"

#include "base/tkxerror.h"
#include "modbus/tkxmbfakes.h"
#include "modbus/tkxmbtestutil.h"
#include "modbus/tkxmbthreaddevicecls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace {

using namespace TkxMBResult;

class TkxMBThreadTest : public testing::Test, public ScriptedLineFixture {
protected:
    void Start() {
        FThread = std::make_unique<TkxMBThread>(&FSetup);
        FSetup.Thread = FThread.get();
    }
    // Until the thread is in the state and the setup has heard of it: the worker sets the
    // state before the main thread delivers the notification.
    bool WaitForState(int state) {
        return PumpUntil([&] {
            return FThread->GetState() == state && !FSetup.States.empty() &&
                   FSetup.States.back() == state;
        });
    }
    int Count(const std::string& call) const {
        const auto calls = Script->Calls();
        return static_cast<int>(std::count(calls.begin(), calls.end(), call));
    }
    // Lets the worker make a few more passes while the main thread serves it.
    void LetPassesGo() { Dispatcher.PumpFor(std::chrono::milliseconds(350)); }
    void TearDown() override { FThread.reset(); }

    FakeSetup FSetup{Context};
    std::unique_ptr<TkxMBThread> FThread;
};

TEST_F(TkxMBThreadTest, NeedsASetup) {
    try {
        TkxMBThread thread(nullptr);
        FAIL();
    } catch (const ETkxError& error) {
        EXPECT_STREQ(error.what(),
                     "You must specify a valid TkxMBThreadSetup to allocate a new thread!");
    }
}

TEST_F(TkxMBThreadTest, OpensTheLineThenRunsWithTheHookFirst) {
    FSetup.Settings.Name = "line";
    FSetup.Settings.TimeOut = 321;
    FSetup.Settings.FlowControl = 8;
    FThread = std::make_unique<TkxMBThread>(&FSetup);
    FSetup.Thread = FThread.get();
    int hooks = 0;
    FThread->SetRunningHook([&](TkxMBThread*) {
        ++hooks;
        FSetup.Events.push_back("hook");
    });
    ASSERT_TRUE(WaitForState(3));
    LetPassesGo();
    EXPECT_EQ(hooks, 1);
    const auto hook = std::find(FSetup.Events.begin(), FSetup.Events.end(), "hook");
    ASSERT_NE(hook, FSetup.Events.end());
    EXPECT_EQ(*(hook + 1), "state 3");
    EXPECT_EQ(FSetup.States.back(), 3);
    EXPECT_EQ(Script->ConnectedCount(), 1);
    EXPECT_EQ(Script->LastSettings().TimeOut, 321);
    EXPECT_EQ(Script->LastSettings().FlowControl, 8);
    EXPECT_EQ(Script->Calls().front(), "OpenConnection");
}

TEST_F(TkxMBThreadTest, StatesTwoThenThree) {
    Start();
    ASSERT_TRUE(WaitForState(3));
    EXPECT_EQ(FSetup.States, (std::vector<int>{2, 3}));
}

TEST_F(TkxMBThreadTest, ConnectFailureIsStickyUntilClearError) {
    Script->SetConnectOk(false);
    Start();
    ASSERT_TRUE(WaitForState(6));
    EXPECT_EQ(FThread->GetLastError(), -1);
    std::string logged;
    FThread->OnLog = [&](TkxMBThread*, const std::string& line) { logged = line; };
    LetPassesGo();
    EXPECT_EQ(Count("OpenConnection"), 1);
    EXPECT_EQ(Count("CloseConnection"), 1); // the server is released
    EXPECT_FALSE(FThread->GetLastErrorText().empty());

    Script->SetConnectOk(true);
    FThread->ClearError();
    ASSERT_TRUE(WaitForState(3));
    EXPECT_EQ(Count("OpenConnection"), 2);
}

TEST_F(TkxMBThreadTest, OpenConnectionNotOkIsAnOpenError) {
    Script->SetOpenOk(false);
    Start();
    ASSERT_TRUE(WaitForState(6));
    EXPECT_EQ(Count("Connect"), 0);
}

TEST_F(TkxMBThreadTest, ServerThatThrowsIsState9) {
    Script->SetThrowOnOpen(true);
    Start();
    ASSERT_TRUE(WaitForState(9));
    EXPECT_EQ(FThread->GetLastError(), -4);
}

TEST_F(TkxMBThreadTest, ServerThatCannotBeMadeIsState9) {
    Context->SetServerFactory([](const TkxMBCancel&) -> std::unique_ptr<TkxMBServer> {
        throw std::runtime_error("no line");
    });
    Start();
    ASSERT_TRUE(WaitForState(9));
    EXPECT_EQ(FThread->GetLastErrorText(), "no line");
    EXPECT_TRUE(FThread->RegisterServer(""));
    ASSERT_TRUE(WaitForState(9)); // it retries and fails again
}

TEST_F(TkxMBThreadTest, InvalidSetupNeverOpens) {
    FSetup.Valid = false;
    Start();
    ASSERT_TRUE(WaitForState(7));
    LetPassesGo();
    EXPECT_EQ(Count("OpenConnection"), 0);
}

TEST_F(TkxMBThreadTest, DisableWhileRunningClosesThenIdles) {
    Start();
    ASSERT_TRUE(WaitForState(3));
    FSetup.Enabled = false;
    ASSERT_TRUE(WaitForState(1));
    EXPECT_EQ(FSetup.States, (std::vector<int>{2, 3, 4, 1}));
    EXPECT_EQ(Script->ConnectedCount(), 0);
    FSetup.Enabled = true;
    ASSERT_TRUE(WaitForState(3));
}

TEST_F(TkxMBThreadTest, OffLineWhileRunningClosesThenIsOffline) {
    Start();
    ASSERT_TRUE(WaitForState(3));
    FSetup.OnLine = false;
    ASSERT_TRUE(WaitForState(0));
    EXPECT_EQ(FSetup.States, (std::vector<int>{2, 3, 4, 0}));
}

TEST_F(TkxMBThreadTest, EndingClosesTheLineAndDestroysTransactions) {
    Start();
    ASSERT_TRUE(WaitForState(3));
    int destroyed = 0;
    auto* transaction = &MakeFor<ProbeTransaction>(FThread.get());
    transaction->OnDestroy = [&] { ++destroyed; };
    FThread.reset();
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(Script->ConnectedCount(), 0);
    EXPECT_EQ(FSetup.States.back(), 0);
}

TEST_F(TkxMBThreadTest, EndingWithAnInvalidSetupStillEnds) {
    FSetup.Valid = false;
    Start();
    ASSERT_TRUE(WaitForState(7));
    FThread.reset();
    EXPECT_EQ(FSetup.States.back(), 0);
}

TEST_F(TkxMBThreadTest, EndingCutsAnExchangeInFlightShort) {
    Script->Push({Timeout, {}, std::chrono::minutes(10)});
    Start();
    ASSERT_TRUE(WaitForState(3));
    auto* transaction = &MakeFor<ProbeTransaction>(FThread.get());
    transaction->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return transaction->Runs > 0; }));
    FThread.reset(); // returns long before the ten minutes
    EXPECT_EQ(Script->ConnectedCount(), 0);
}

TEST_F(TkxMBThreadTest, TransactionsReportToTheSetup) {
    Script->SetResponder([](const std::vector<std::uint8_t>&) { return Good(); });
    Start();
    ASSERT_TRUE(WaitForState(3));
    auto* transaction = &MakeFor<ProbeTransaction>(FThread.get());
    EXPECT_EQ(FSetup.Events.back(), "add");
    std::vector<std::string> seen;
    FThread->OnTransaResponse = [&](TkxMBThread*, TkxMBTransaction* which) {
        seen.push_back(which == transaction ? "mine" : "other");
    };
    transaction->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen.front(), "mine");
    EXPECT_NE(std::find(FSetup.Events.begin(), FSetup.Events.end(), "response"),
              FSetup.Events.end());
    FThread->DestroyTransaction(transaction);
    EXPECT_EQ(FSetup.Events[FSetup.Events.size() - 2], "del");
}

TEST_F(TkxMBThreadTest, OneDestructionPerListPerPass) {
    Script->SetResponder([](const std::vector<std::uint8_t>&) { return Good(); });
    Start();
    ASSERT_TRUE(WaitForState(3));
    auto* clock = &MakeFor<ProbeTransaction>(FThread.get());
    clock->TerminateIf.reset();
    clock->SetRepeatTime(1);
    std::vector<int> runsAtDestruction;
    for (int i = 0; i < 2; ++i) {
        auto* doomed = &MakeFor<ProbeTransaction>(FThread.get());
        doomed->OnDestroy = [&, clock] { runsAtDestruction.push_back(clock->Runs); };
        doomed->MarkForDestroy();
    }
    clock->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return runsAtDestruction.size() == 2; }));
    EXPECT_NE(runsAtDestruction[0], runsAtDestruction[1]);
    EXPECT_EQ(FThread->Transactions().Count(), 1U);
}

TEST_F(TkxMBThreadTest, PendingResultKeepsATransactionAlive) {
    Start();
    ASSERT_TRUE(WaitForState(3));
    // The result of the run is not handled yet (the queue is not pumped) when the thread
    // looks at it again, so it must survive until the main thread has seen the result.
    auto* transaction = &MakeFor<ProbeTransaction>(FThread.get());
    bool destroyed = false;
    transaction->OnDestroy = [&] { destroyed = true; };
    int handled = 0;
    FThread->OnTransaError = [&](TkxMBThread*, TkxMBTransaction*) {
        ++handled;
        EXPECT_FALSE(destroyed);
    };
    transaction->SetTermDestroy(true);
    transaction->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return destroyed; }));
    EXPECT_EQ(handled, 1);
}

// The worker picks an ended transaction and waits in Synchronize for the main thread to destroy
// it; until the main thread serves the queue it can still change its mind.
class TkxMBThreadEndedTransaction : public TkxMBThreadTest {
protected:
    // A running thread with nothing left in the queue and one transaction marked for
    // destruction, which the worker has picked.
    ProbeTransaction& PickedForDestruction(TkxMBTransactionOwner& owner) {
        auto& doomed = MakeFor<ProbeTransaction>(&owner, 1);
        doomed.OnDestroy = [this] { ++Destroyed; };
        doomed.MarkForDestroy();
        EXPECT_TRUE(WaitForQueuedCall());
        return doomed;
    }
    void SetUp() override {
        Start();
        ASSERT_TRUE(PumpUntil([&] { return !FSetup.States.empty() && FSetup.States.back() == 3; }));
    }
    int Destroyed = 0;
};

TEST_F(TkxMBThreadEndedTransaction, DestroyedByTheMainThreadFirstIsDestroyedOnce) {
    ProbeTransaction& doomed = PickedForDestruction(*FThread);
    EXPECT_TRUE(FThread->DestroyTransaction(&doomed));
    EXPECT_EQ(Destroyed, 1);
    Dispatcher.ProcessMessages();
    EXPECT_EQ(Destroyed, 1);
    EXPECT_EQ(FThread->Transactions().Count(), 0U);
}

TEST_F(TkxMBThreadEndedTransaction, EnabledAgainInTimeItStays) {
    ProbeTransaction& doomed = PickedForDestruction(*FThread);
    doomed.TerminateIf.reset();
    doomed.SetRepeatTime(1);
    doomed.SetEnabled(true);
    Dispatcher.ProcessMessages();
    EXPECT_EQ(Destroyed, 0);
    ASSERT_TRUE(PumpUntil([&] { return doomed.Runs > 0; }));
    EXPECT_TRUE(FThread->Transactions().Contains(&doomed));
}

// A device attached to the thread; the results of its transactions go to the thread.
class FakeDevice : public TkxMBThreadDevice {
public:
    ~FakeDevice() override {
        if (Thread != nullptr) {
            Thread->RemoveDevice(this);
        }
        DestroyTransactions();
    }
    void SetThread(TkxMBThread* thread) override { Thread = thread; }
    void ClearThread() override { Thread = nullptr; }
    bool IsSetupEnabled() const override { return Enabled; }
    TkxMBThread* OwnerThread() override { return Thread; }
    void PerformTransaError(TkxMBTransaction* transaction) override {
        if (Thread != nullptr) {
            Thread->PerformTransaError(transaction);
        }
    }
    void PerformTransaResponse(TkxMBTransaction* transaction) override {
        if (Thread != nullptr) {
            Thread->PerformTransaResponse(transaction);
        }
    }
    void PerformStateChange(TkxMBTransaction*) override {}
    void PerformSetupChange(TkxMBTransaction*) override {}
    TkxMBThread* Thread = nullptr;
    std::atomic<bool> Enabled{true};

protected:
    void TransactionAdded(TkxMBTransaction*) override {}
    void TransactionRemoved(TkxMBTransaction*) override {}
};

TEST_F(TkxMBThreadTest, DevicesRunOnlyWhileTheirSetupIsEnabled) {
    Script->SetResponder([](const std::vector<std::uint8_t>&) { return Good(); });
    Start();
    ASSERT_TRUE(WaitForState(3));
    FakeDevice device;
    FThread->AddDevice(&device);
    FThread->AddDevice(&device);
    EXPECT_EQ(FThread->Devices().Count(), 1U);
    EXPECT_EQ(device.Thread, FThread.get());
    auto* probe = &MakeFor<ProbeTransaction>(&device, 1);
    probe->TerminateIf.reset();
    probe->SetRepeatTime(1);
    probe->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return probe->Runs > 0; }));
    device.Enabled = false;
    LetPassesGo();
    const int runs = probe->Runs;
    LetPassesGo();
    EXPECT_EQ(probe->Runs, runs);
    FThread->RemoveDevice(&device);
    EXPECT_EQ(device.Thread, nullptr);
    device.DestroyTransaction(probe);
    FThread->AddDevice(&device);
    FThread.reset(); // the end of the thread detaches the device
    EXPECT_EQ(device.Thread, nullptr);
}

TEST_F(TkxMBThreadEndedTransaction, DeviceDetachedWhileTheWorkerWaitsToDestroyItsTransaction) {
    FakeDevice device;
    FThread->AddDevice(&device);
    PickedForDestruction(device);
    // The main thread detaches a device it destroys; the worker must not hold the device list
    // while it waits for the main thread.
    auto detached = std::async(std::launch::async, [&] { FThread->RemoveDevice(&device); });
    if (!Settles(detached)) {
        FAIL() << "the worker holds the device list while it waits for the main thread";
    }
    device.DestroyTransactions();
    EXPECT_EQ(Destroyed, 1);
    Dispatcher.ProcessMessages();
    EXPECT_EQ(Destroyed, 1) << "the worker's request finds the device gone";
}

} // namespace
