#pragma once

#include "base/tkxmbresultcodes.h"
#include "base/tkxqueuedispatchercls.h"
#include "modbus/tkxmbcancelcls.h"
#include "modbus/tkxmbcontextcls.h"
#include "modbus/tkxmbthreadhostcls.h"
#include "modbus/tkxmbthreadthr.h"
#include "modbus/tkxmbtransactioncls.h"
#include "modbus/tkxmbtransactionownercls.h"
#include "support/tkxmbscriptedservercls.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// A connection setup for the thread: flags the test flips, and a record of what reached it.
// Its line comes from its context.
class FakeSetup : public TkxMBThreadHost {
public:
    explicit FakeSetup(std::shared_ptr<TkxMBContext> context = std::make_shared<TkxMBContext>())
        : Context(std::move(context)) {}

    const std::shared_ptr<TkxMBContext> Context;
    std::atomic<bool> Valid{true};
    std::atomic<bool> Enabled{true};
    std::atomic<bool> OnLine{true};
    TkxMBLinkSettings Settings;
    TkxMBThread* Thread = nullptr;
    std::vector<std::string> Events; // main thread only
    std::vector<int> States;         // the thread's state at each of its state notifications

    bool IsValid() const override { return Valid; }
    bool IsEnabled() const override { return Enabled; }
    bool IsOnLine() const override { return OnLine; }
    TkxMBLinkSettings LinkSettings() const override { return Settings; }
    std::unique_ptr<TkxMBServer> MakeServer(const TkxMBCancel& cancel) override {
        return Context->MakeServer(cancel);
    }
    void PerformStateChange(TkxMBTransaction* transaction) override {
        if (transaction == nullptr && Thread != nullptr) {
            States.push_back(Thread->GetState());
            Events.push_back("state " + std::to_string(Thread->GetState()));
        } else if (transaction != nullptr) {
            Events.push_back("transaction state");
        }
    }
    void PerformSetupAdd(TkxMBTransaction*) override { Events.push_back("add"); }
    void PerformSetupDel(TkxMBTransaction*) override { Events.push_back("del"); }
    void PerformSetupChange(TkxMBTransaction*) override {}
    void PerformTransaError(TkxMBTransaction*) override { Events.push_back("error"); }
    void PerformTransaResponse(TkxMBTransaction*) override { Events.push_back("response"); }
};

// A transaction that reads one register of its slave; it counts its runs and destructions.
class ProbeTransaction : public TkxMBTransaction {
public:
    ProbeTransaction(TkxMBThread* thread, int kind = 1)
        : TkxMBTransaction(thread, kind) {}
    ProbeTransaction(TkxMBTransactionOwner* owner, int kind)
        : TkxMBTransaction(owner, kind, "no owner") {}
    ~ProbeTransaction() override {
        if (OnDestroy) {
            OnDestroy();
        }
    }
    std::int32_t Transact(TkxMBServer& server) override {
        ++Runs;
        FQuery = {GetSlaveAddress(), 3, 0, 0, 0, 1};
        return Exchange(server);
    }
    std::string ClassName() const override { return "ProbeTransaction"; }
    std::atomic<int> Runs{0};
    std::function<void()> OnDestroy;
};

// Installs a pumpable dispatcher for the duration of a test, and a context whose lines play
// the script.
class ScriptedLineFixture {
public:
    ScriptedLineFixture() {
        TkxSetMainDispatcher(&Dispatcher);
        Context->SetServerFactory([script = Script](const TkxMBCancel& cancel) {
            return std::make_unique<TkxMBScriptedServer>(script, cancel);
        });
    }
    ~ScriptedLineFixture() { TkxSetMainDispatcher(nullptr); }
    ScriptedLineFixture(const ScriptedLineFixture&) = delete;
    ScriptedLineFixture& operator=(const ScriptedLineFixture&) = delete;

    bool PumpUntil(const std::function<bool()>& done) {
        return Dispatcher.WaitUntil(done, std::chrono::seconds(10));
    }
    // Waits, without serving the queue, until a worker has queued a call (a worker blocked in
    // Synchronize stays blocked until the queue is served).
    bool WaitForQueuedCall() const {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (Dispatcher.PendingCount() == 0) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    // Whether the other thread's work ends without the main thread serving the queue. When it
    // does not, the queue is served until it has ended, so that nothing stays blocked.
    template <typename Result>
    bool Settles(std::future<Result>& work) {
        if (work.wait_for(std::chrono::seconds(10)) == std::future_status::ready) {
            return true;
        }
        PumpUntil(
            [&] { return work.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        return false;
    }
    static TkxMBScript::Step Good() { return {0, {1, 3, 2, 0, 7}, {}}; }
    static TkxMBScript::Step Fault(std::int32_t code) { return {code, {}, {}}; }

    TkxQueueDispatcher Dispatcher;
    std::shared_ptr<TkxMBScript> Script = std::make_shared<TkxMBScript>();
    std::shared_ptr<TkxMBContext> Context = std::make_shared<TkxMBContext>();
};
