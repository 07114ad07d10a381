#include "modbus/tkxmbtransactioncls.h"

#include "base/tkxerror.h"
#include "modbus/tkxmbfakes.h"
#include "modbus/tkxmbtestutil.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace {

using namespace TkxMBResult;
using T = TkxMBTransaction;

// An owner standing in for a thread or a device; the test thread plays the worker by calling
// Run itself, so every pass is explicit.
class FakeOwner : public TkxMBTransactionOwner {
public:
    // The transaction only asks whether there is a thread; it never uses it.
    TkxMBThread* OwnerThread() override {
        return HasThread ? reinterpret_cast<TkxMBThread*>(this) : nullptr;
    }
    void PerformTransaError(TkxMBTransaction*) override { Events.push_back("owner error"); }
    void PerformTransaResponse(TkxMBTransaction*) override { Events.push_back("owner response"); }
    void PerformStateChange(TkxMBTransaction*) override { ++StateChanges; }
    void PerformSetupChange(TkxMBTransaction*) override { ++SetupChanges; }
    bool ImposesAddress() const override { return Device; }
    std::uint8_t ImposedAddress() const override { return 42; }
    int ImposedMaxFault() const override { return 2; }
    void TransactionAdded(TkxMBTransaction*) override { ++Added; }
    void TransactionRemoved(TkxMBTransaction* transaction) override {
        ++Removed;
        if (OnRemoved) {
            OnRemoved(transaction);
        }
    }

    bool HasThread = true;
    bool Device = false;
    int Added = 0;
    int Removed = 0;
    int StateChanges = 0;
    int SetupChanges = 0;
    std::vector<std::string> Events;
    std::function<void(TkxMBTransaction*)> OnRemoved;
};

class TkxMBTransactionRun : public testing::Test, public ScriptedLineFixture {
protected:
    void SetUp() override {
        FServer = std::make_unique<TkxMBScriptedServer>(Script, FCancel);
        bool ok = false;
        FServer->OpenConnection("test", 1, ok);
        FServer->Set_Retries(0);
        bool connected = false;
        FServer->Connect(connected);
        FTransaction = std::make_unique<ProbeTransaction>(&FOwner, 1);
        FTransaction->OnError = [this](T*) { FOwner.Events.push_back("error"); };
        FTransaction->OnResponse = [this](T*) { FOwner.Events.push_back("response"); };
    }
    // One periodic run per call; the result is handled on the "main thread" at once.
    std::int32_t RunOnce(TkxMBScript::Step step) {
        Script->Push(std::move(step));
        const std::int32_t result = FTransaction->Run(*FServer);
        Dispatcher.ProcessMessages();
        return result;
    }
    void MakePeriodic(int maxFault) {
        FTransaction->TerminateIf.reset();
        FTransaction->SetRepeatTime(1);
        FTransaction->SetMaxFault(maxFault);
        FTransaction->SetEnabled(true);
    }

    TkxMBCancel FCancel;
    FakeOwner FOwner;
    std::unique_ptr<TkxMBScriptedServer> FServer;
    std::unique_ptr<ProbeTransaction> FTransaction;
};

TEST(TkxMBTransactionTexts, ResultCodeMessages) {
    EXPECT_EQ(T::GetResultText(0), "no error");
    EXPECT_EQ(T::GetResultText(-11), "timeout on wait transaction.");
    EXPECT_EQ(T::GetResultText(253), "FDh");
    EXPECT_EQ(T::GetResultText(254), "FEh");
    EXPECT_EQ(T::GetResultText(Timeout), "timeout, no response!");
    EXPECT_EQ(T::GetResultText(FromHex(0x8004820B)), "gateway can't find device.");
    EXPECT_EQ(T::GetResultText(FromHex(0x80048207)), "80048207h");
    EXPECT_EQ(T::GetResultText(-12), "FFFFFFF4h");
}

TEST(TkxMBTransactionTexts, TerminateReasonsText) {
    EXPECT_EQ(T::ReasonsFromText("01000000000"), T::TerminateSet().set(T::Response));
    EXPECT_TRUE(T::ReasonsFromText("").none());
    EXPECT_EQ(T::ReasonsFromText("1"), T::TerminateSet().set(T::Always));
    EXPECT_EQ(T::ReasonsFromText("0000000000111"), T::TerminateSet().set(T::SlaveBusy));
    T::TerminateSet some;
    some.set(T::Exception).set(T::Acknoledge);
    EXPECT_EQ(T::ReasonsToText(some), "00010000010");
    EXPECT_EQ(T::ReasonsFromText(T::ReasonsToText(some)), some);
    EXPECT_EQ(T::StateText(9), "unknown state 9");
    EXPECT_EQ(T::StateText(8), "transaction cut-off");
}

TEST(TkxMBTransactionMaking, NeedsAThread) {
    try {
        ProbeTransaction orphan(static_cast<TkxMBThread*>(nullptr));
        FAIL();
    } catch (const ETkxError& error) {
        EXPECT_STREQ(error.what(),
                     "You must specify a valid TkxMBThread to allocate a new transaction!");
    }
}

TEST(TkxMBTransactionMaking, DefaultsAndInfo) {
    FakeOwner owner;
    {
        auto& transaction = MakeFor<ProbeTransaction>(&owner, 1);
        EXPECT_EQ(owner.Added, 1);
        EXPECT_EQ(transaction.TerminateIf, T::TerminateSet().set(T::Always));
        EXPECT_EQ(transaction.GetState(), 1);
        transaction.SetRepeatTime(0);
        EXPECT_EQ(transaction.GetRepeatTime(), 1);
        transaction.SetComment("pump");
        transaction.SetSlaveAddress(5);
        transaction.SetDefaultName();
        EXPECT_EQ(transaction.GetTransaName(), "ProbeTransaction[5]");
        const std::string info = transaction.GetInfo();
        EXPECT_EQ(info.substr(0, info.find("\r\nTime-Stamp")),
                  "Slave address: 5\r\nComment      : pump\r\nSample time  : 100ms\r\n"
                  "Transa state : transaction disabled\r\nLast error   : no error");
        EXPECT_EQ(info.substr(info.find("\r\nDisable if")), "\r\nDisable if...: Always");
        transaction.TerminateIf.reset();
        EXPECT_EQ(transaction.GetInfo().find("Disable if"), std::string::npos);
        owner.DestroyTransaction(&transaction);
    }
    EXPECT_EQ(owner.Removed, 1);
}

TEST(TkxMBTransactionMaking, SettingsTravelThroughTheSetupElement) {
    FakeOwner owner;
    ProbeTransaction source(&owner, 1);
    source.SetTransaName("poll");
    source.SetComment("line 1");
    source.SetSlaveAddress(17);
    source.SetRepeatTime(0);
    source.SetMaxFault(4);
    source.SetTermDestroy(true);
    source.SetEnabled(true);
    source.SetTerminateReasons(T::TerminateSet().set(T::Response).set(T::SlaveBusy));
    const TkxXmlElement* setup = source.FindChild("setup", false);
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(setup->GetValue("", "terminatereason", ""), "01000000001");
    EXPECT_EQ(setup->GetValue("", "repeattime", ""), "1");

    ProbeTransaction copy(&owner, 1);
    copy.AddChild(std::make_unique<TkxXmlElement>("setup", setup->ContentText()));
    copy.AnalyzeContent();
    EXPECT_EQ(copy.GetTransaName(), "poll");
    EXPECT_EQ(copy.GetComment(), "line 1");
    EXPECT_EQ(copy.GetSlaveAddress(), 17);
    EXPECT_EQ(copy.GetRepeatTime(), 1);
    EXPECT_EQ(copy.GetMaxFault(), 4);
    EXPECT_TRUE(copy.GetTermDestroy());
    EXPECT_TRUE(copy.IsEnabled());
    EXPECT_EQ(copy.TerminateIf, source.TerminateIf);
    EXPECT_FALSE(copy.WaitFor(0)); // an enabled transaction has a run to wait for
}

TEST(TkxMBTransactionMaking, MissingReasonsMeanNone) {
    FakeOwner owner;
    ProbeTransaction loaded(&owner, 1);
    loaded.AddChild(std::make_unique<TkxXmlElement>("setup", "transaname=x"));
    loaded.AnalyzeContent();
    EXPECT_TRUE(loaded.TerminateIf.none());
    EXPECT_EQ(loaded.Name(), "transaction");
}

TEST(TkxMBTransactionMaking, DeviceOwnerImposesAddressAndFaultLimit) {
    FakeOwner owner;
    owner.Device = true;
    ProbeTransaction transaction(&owner, 1);
    transaction.SetSlaveAddress(5);
    transaction.SetMaxFault(9);
    EXPECT_EQ(transaction.GetSlaveAddress(), 42);
    EXPECT_EQ(transaction.GetMaxFault(), 2);
}

TEST(TkxMBTransactionMaking, SlaveAddressNeedsAThread) {
    FakeOwner owner;
    owner.HasThread = false;
    ProbeTransaction transaction(&owner, 1);
    transaction.SetSlaveAddress(5);
    EXPECT_EQ(transaction.GetSlaveAddress(), 0);
}

TEST(TkxMBTransactionOwning, AdoptOnlyWhatWasMadeForTheOwner) {
    FakeOwner owner;
    FakeOwner other;
    EXPECT_EQ(owner.Adopt(std::unique_ptr<ProbeTransaction>()), nullptr);
    try {
        owner.Adopt(std::make_unique<ProbeTransaction>(&other, 1));
        FAIL();
    } catch (const ETkxError& error) {
        EXPECT_STREQ(error.what(),
                     "A transaction can only be adopted by the owner it was made for!");
    }
    EXPECT_EQ(owner.Added, 0);
    EXPECT_EQ(owner.Transactions().Count(), 0U);
    auto& mine = MakeFor<ProbeTransaction>(&owner, 1);
    EXPECT_TRUE(owner.HasTransaction(&mine));
    EXPECT_FALSE(other.DestroyTransaction(&mine));
    EXPECT_FALSE(other.DestroyIfDue(&mine));
    EXPECT_EQ(owner.Removed, 0);
}

TEST(TkxMBTransactionOwning, RemovalIsReportedWhileWholeThenTheStateWithNoLockHeld) {
    FakeOwner owner;
    auto& transaction = MakeFor<ProbeTransaction>(&owner, 1);
    auto& later = MakeFor<ProbeTransaction>(&owner, 1);
    std::vector<std::string> seen;
    owner.OnRemoved = [&](TkxMBTransaction* removed) {
        seen.push_back(dynamic_cast<ProbeTransaction*>(removed) != nullptr ? "removed whole"
                                                                           : "removed part");
    };
    std::future<std::size_t> walk; // outlives the destruction, whatever happens
    transaction.OnDestroy = [&] {
        // Another thread can walk the list while the transaction is destroyed.
        walk = std::async(std::launch::async, [&] { return owner.Transactions().Count(); });
        const bool free = walk.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        seen.push_back(free ? "destroyed, list free" : "destroyed under the lock");
    };
    transaction.OnStateChange = [&](T*) { seen.push_back("state"); };
    EXPECT_TRUE(owner.DestroyTransaction(&transaction));
    EXPECT_EQ(seen, (std::vector<std::string>{"removed whole", "destroyed, list free", "state"}));
    EXPECT_FALSE(owner.DestroyTransaction(&transaction));
    EXPECT_EQ(owner.Removed, 1);
    EXPECT_EQ(owner.Transactions().First(), &later);
}

TEST(TkxMBTransactionOwning, AnOwnerGoneWithTransactionsLeftDestroysThemSilently) {
    int destroyed = 0;
    {
        FakeOwner owner;
        MakeFor<ProbeTransaction>(&owner, 1).OnDestroy = [&] { ++destroyed; };
    }
    EXPECT_EQ(destroyed, 1);
}

TEST_F(TkxMBTransactionRun, DestroyedOnlyOnceEndedAndHandled) {
    auto& ended = MakeFor<ProbeTransaction>(&FOwner, 1);
    EXPECT_FALSE(FOwner.DestroyIfDue(&ended)) << "not terminated";
    ended.SetTermDestroy(true);
    ended.SetEnabled(true);
    Script->Push(Good());
    ended.Run(*FServer);
    ASSERT_TRUE(ended.IsTerminated());
    EXPECT_FALSE(FOwner.DestroyIfDue(&ended)) << "its result is not handled yet";
    Dispatcher.ProcessMessages();
    ended.SetEnabled(true);
    EXPECT_FALSE(FOwner.DestroyIfDue(&ended)) << "enabled again";
    ended.MarkForDestroy();
    EXPECT_TRUE(FOwner.DestroyIfDue(&ended));
    EXPECT_EQ(FOwner.Removed, 1);
}

TEST_F(TkxMBTransactionRun, RepeatCounterRunsEveryRepeatTimePasses) {
    FTransaction->TerminateIf.reset();
    FTransaction->SetRepeatTime(3);
    EXPECT_FALSE(FTransaction->Tick()); // disabled
    FTransaction->SetEnabled(true);
    std::string pattern;
    for (int pass = 0; pass < 8; ++pass) {
        pattern += FTransaction->Tick() ? 'x' : '.';
    }
    EXPECT_EQ(pattern, "x..x..x.");
}

TEST_F(TkxMBTransactionRun, ExchangeMakesRetriesPlusOneAttempts) {
    FServer->Set_Retries(2);
    FTransaction->SetEnabled(true);
    EXPECT_EQ(FTransaction->Run(*FServer), Timeout);
    EXPECT_EQ(Script->Queries().size(), 3U);

    FTransaction->SetEnabled(true);
    Script->Push(Fault(InvalidCrc));
    Script->Push(Good());
    EXPECT_EQ(FTransaction->Run(*FServer), 0);
    EXPECT_EQ(Script->Queries().size(), 5U);

    FServer->Set_Retries(0);
    FTransaction->SetEnabled(true);
    EXPECT_EQ(FTransaction->Run(*FServer), Timeout);
    EXPECT_EQ(Script->Queries().size(), 6U);
    EXPECT_EQ(Script->Queries().back(), (std::vector<std::uint8_t>{0, 3, 0, 0, 0, 1}));
}

TEST_F(TkxMBTransactionRun, CutOffAfterMaxFaultTimeOuts) {
    MakePeriodic(3);
    RunOnce(Fault(Timeout));
    RunOnce(Fault(Timeout));
    EXPECT_FALSE(FTransaction->IsCutOff());
    RunOnce(Fault(Timeout));
    EXPECT_TRUE(FTransaction->IsCutOff());
    EXPECT_EQ(FTransaction->GetState(), 8);
    // A cut-off transaction is skipped.
    const auto sent = Script->Queries().size();
    EXPECT_EQ(RunOnce(Good()), 0);
    EXPECT_EQ(Script->Queries().size(), sent);
    FTransaction->ResetFaults();
    EXPECT_FALSE(FTransaction->IsCutOff());
}

TEST_F(TkxMBTransactionRun, OtherErrorsNeitherCountNorReset) {
    MakePeriodic(3);
    RunOnce(Fault(Timeout));
    RunOnce(Fault(Timeout));
    RunOnce(Fault(InvalidCrc));
    EXPECT_EQ(FTransaction->GetFaultCount(), 2);
    EXPECT_EQ(FTransaction->GetState(), 5);
    RunOnce(Fault(Timeout));
    EXPECT_TRUE(FTransaction->IsCutOff());
    EXPECT_EQ(FTransaction->GetErrorCount(), 4);
}

TEST_F(TkxMBTransactionRun, GoodResponseResetsTheFaultCount) {
    MakePeriodic(3);
    RunOnce(Fault(Timeout));
    RunOnce(Fault(Timeout));
    RunOnce(Good());
    RunOnce(Fault(Timeout));
    RunOnce(Fault(Timeout));
    EXPECT_FALSE(FTransaction->IsCutOff());
    EXPECT_EQ(FTransaction->GetFaultCount(), 2);
    EXPECT_EQ(FTransaction->GetMessageCount(), 5);
}

TEST_F(TkxMBTransactionRun, SetMaxFaultOrEnablingClearsTheCutOff) {
    MakePeriodic(1);
    RunOnce(Fault(Timeout));
    ASSERT_TRUE(FTransaction->IsCutOff());
    FTransaction->SetMaxFault(1);
    EXPECT_FALSE(FTransaction->IsCutOff());
    RunOnce(Fault(Timeout));
    ASSERT_TRUE(FTransaction->IsCutOff());
    FTransaction->SetEnabled(false);
    FTransaction->SetEnabled(true);
    EXPECT_FALSE(FTransaction->IsCutOff());
}

TEST_F(TkxMBTransactionRun, ExceptionReasonIgnoresTimeOuts) {
    MakePeriodic(0);
    FTransaction->TerminateIf.set(T::Exception);
    RunOnce(Fault(Timeout));
    EXPECT_TRUE(FTransaction->IsEnabled());
    EXPECT_FALSE(FTransaction->IsTerminated());
    RunOnce(Fault(IllegalAddress));
    EXPECT_FALSE(FTransaction->IsEnabled());
    EXPECT_TRUE(FTransaction->IsTerminated());
}

TEST_F(TkxMBTransactionRun, EachReasonDisablesOnItsResult) {
    const std::pair<int, std::int32_t> cases[] = {{T::Response, 0},
                                                  {T::Error, InvalidCrc},
                                                  {T::ErrTimeout, Timeout},
                                                  {T::ErrFunc, IllegalFunction},
                                                  {T::ErrAddr, IllegalAddress},
                                                  {T::ErrValue, IllegalValue},
                                                  {T::SlaveFail, SlaveFailure},
                                                  {T::Acknoledge, Acknowledge},
                                                  {T::SlaveBusy, SlaveBusy}};
    for (const auto& [reason, code] : cases) {
        MakePeriodic(0);
        FTransaction->TerminateIf.set(static_cast<std::size_t>(reason));
        // First a result that stands for another reason, then the one of this reason.
        const std::int32_t other = reason == T::Response     ? InvalidResponse
                                   : reason == T::Error      ? 0
                                   : reason == T::ErrTimeout ? InvalidCrc
                                                             : Timeout;
        RunOnce(other == 0 ? Good() : Fault(other));
        EXPECT_TRUE(FTransaction->IsEnabled()) << T::ReasonName(reason);
        RunOnce(code == 0 ? Good() : Fault(code));
        EXPECT_FALSE(FTransaction->IsEnabled()) << T::ReasonName(reason);
        FTransaction->SetEnabled(false);
    }
}

TEST_F(TkxMBTransactionRun, OneShotRunsOncePerEnabling) {
    FTransaction->SetEnabled(true);
    EXPECT_EQ(RunOnce(Good()), 0);
    EXPECT_FALSE(FTransaction->IsEnabled());
    EXPECT_TRUE(FTransaction->IsTerminated());
    RunOnce(Good());
    EXPECT_EQ(FTransaction->Runs, 1);
    FTransaction->SetEnabled(true);
    EXPECT_FALSE(FTransaction->IsTerminated());
    RunOnce(Good());
    EXPECT_EQ(FTransaction->Runs, 2);
}

TEST_F(TkxMBTransactionRun, ResultsAreHandledInOrderOnTheMainThread) {
    MakePeriodic(0);
    for (auto step : {Fault(Timeout), Fault(Timeout), Good(), Fault(InvalidCrc)}) {
        Script->Push(step);
        FTransaction->Run(*FServer);
    }
    EXPECT_TRUE(FOwner.Events.empty());
    EXPECT_TRUE(FTransaction->IsPending());
    // Handling one result leaves the transaction pending while later ones wait.
    std::vector<bool> pendingAtResponse;
    FTransaction->OnResponse = [&](T* sender) {
        FOwner.Events.push_back("response");
        pendingAtResponse.push_back(sender->IsPending());
    };
    Dispatcher.ProcessMessages();
    EXPECT_EQ(pendingAtResponse, std::vector<bool>{true});
    EXPECT_FALSE(FTransaction->IsPending());
    // The error of the first run, the second, the error going away, the response, the new one.
    EXPECT_EQ(FOwner.Events,
              (std::vector<std::string>{"error", "owner error", "error", "owner error", "error",
                                        "response", "owner response", "error", "owner error"}));
    EXPECT_EQ(FTransaction->GetMessageCount(), 4);
    EXPECT_EQ(FTransaction->GetErrorCount(), 3);
}

TEST_F(TkxMBTransactionRun, DestroyedBeforeItsResultArrives) {
    MakePeriodic(0);
    Script->Push(Good());
    FTransaction->Run(*FServer);
    FTransaction.reset();
    EXPECT_EQ(Dispatcher.ProcessMessages(), 1); // the result finds nothing to touch
    EXPECT_TRUE(FOwner.Events.empty());
}

TEST_F(TkxMBTransactionRun, WaitForTheRunOfAWorker) {
    EXPECT_TRUE(FTransaction->WaitFor(0)); // disabled: nothing to wait for
    FTransaction->SetEnabled(true);
    EXPECT_FALSE(FTransaction->WaitFor(0));
    Script->Push(Good());
    std::thread worker([this] { FTransaction->Run(*FServer); });
    EXPECT_TRUE(FTransaction->WaitFor(-1));
    worker.join();
    Dispatcher.ProcessMessages();
    EXPECT_EQ(FTransaction->GetMessageCount(), 1);
}

TEST_F(TkxMBTransactionRun, MarkForDestroyNeedsNoSetting) {
    const int changes = FOwner.SetupChanges;
    FTransaction->MarkForDestroy();
    EXPECT_TRUE(FTransaction->GetTermDestroy());
    EXPECT_TRUE(FTransaction->IsTerminated());
    EXPECT_EQ(FOwner.SetupChanges, changes);
}

} // namespace
