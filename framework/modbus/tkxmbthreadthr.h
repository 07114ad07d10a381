#pragma once

#include "modbus/tkxmbcancelcls.h"
#include "modbus/tkxmbtransactionownercls.h"
#include "modbus/tkxthreadsafelistcls.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class TkxMBServer;
class TkxMBThreadDevice;
class TkxMBThreadHost;
class TkxMBTransaction;

// The worker thread behind one Modbus connection. It opens the link through the server
// component, then every 100 ms runs the due transactions of its own and of every attached
// device, and closes the link again when its setup is disabled, taken off-line or the thread
// ends. Every user-visible notification runs on the main thread through the dispatcher. It owns
// the transactions made for it, and destroys them on the main thread: one that has ended with
// TermDestroy set, and all of them when the thread ends. Destruction ends the thread and waits
// for it, serving the main-thread queue meanwhile.
class TkxMBThread : public TkxMBTransactionOwner {
public:
    using ThreadEvent = std::function<void(TkxMBThread* sender, TkxMBTransaction* transaction)>;
    using RunningHook = std::function<void(TkxMBThread* sender)>;
    using LogEvent = std::function<void(TkxMBThread* sender, const std::string& line)>;

    static constexpr int PassMs = 100;

    // Throws ETkxError without a setup. The worker starts at once.
    explicit TkxMBThread(TkxMBThreadHost* setup);
    ~TkxMBThread() override;
    TkxMBThread(const TkxMBThread&) = delete;
    TkxMBThread& operator=(const TkxMBThread&) = delete;

    std::uint8_t GetState() const { return FState; }
    std::int32_t GetLastError() const { return FLastError; }
    // Why the last attempt to open the link failed ("" when it did not).
    std::string GetLastErrorText() const;
    TkxMBThreadHost* GetSetup() const { return FSetup; }
    bool IsTerminated() const { return FTerminated; }
    bool IsFinished() const { return FFinished; }

    // Allows a new attempt to open the link after an error.
    void ClearError();
    void Terminate();
    // Ends the worker's wait for its next pass, so that work just made due (a transaction
    // enabled) goes out at once instead of up to a pass later; the passes after it keep their
    // rhythm from there.
    void RunSoon() override;
    // Waits until the worker has ended, serving the main-thread queue meanwhile.
    void WaitFor();
    void SetRunningHook(RunningHook hook);

    void AddDevice(TkxMBThreadDevice* device);
    void RemoveDevice(TkxMBThreadDevice* device);
    TkxThreadSafeList<TkxMBThreadDevice>& Devices() { return FDevices; }

    // The in-process line needs no registration; this only reports that it is available.
    bool RegisterServer(const std::string& folder);

    // TkxMBTransactionOwner; the Perform... calls run on the main thread.
    TkxMBThread* OwnerThread() override { return this; }
    void PerformTransaError(TkxMBTransaction* transaction) override;
    void PerformTransaResponse(TkxMBTransaction* transaction) override;
    void PerformStateChange(TkxMBTransaction* transaction) override;
    void PerformSetupChange(TkxMBTransaction* transaction) override;

    ThreadEvent OnTransaError;
    ThreadEvent OnTransaResponse;
    // The thread's state (null transaction) or that of one of its transactions changed.
    ThreadEvent OnStateChange;
    LogEvent OnLog;

protected:
    void TransactionAdded(TkxMBTransaction* transaction) override;
    void TransactionRemoved(TkxMBTransaction* transaction) override;

private:
    void Execute();
    void Pass();
    bool OpenServer();
    void CloseServer();
    void SetState(std::uint8_t state);
    // Runs the due transactions of the owner; returns one that has ended for good, for the
    // main thread to destroy, or null.
    const TkxMBTransaction* RunTransactions(TkxMBTransactionOwner& owner);
    void RunOwnTransactions();
    void RunDevices();
    void EndOfThread();
    void Log(const std::string& line);

    TkxMBThreadHost* FSetup;
    std::atomic<std::uint8_t> FState{0};
    std::atomic<std::int32_t> FLastError{0};
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    mutable std::mutex FMutex; // guards the hook and the error text
    RunningHook FRunningHook;
    std::string FLastErrorText;
    TkxMBCancel FCancel;
    TkxMBCancel FRunSoon;                 // cuts the wait between passes short
    std::unique_ptr<TkxMBServer> FServer; // used on the worker only
    // Attached devices, not owned.
    TkxThreadSafeList<TkxMBThreadDevice> FDevices;
    std::thread FWorker;
};
