#pragma once

#include "modbus/tkxeventcls.h"
#include "registers/tkxxmlelementcls.h"

#include <atomic>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TkxMBServer;
class TkxMBThread;
class TkxMBTransactionOwner;

// One Modbus job of a slave: when it runs (repeat time in passes of its thread), when it stops
// by itself (terminate reasons), when it is cut off after repeated time-outs, how its request
// is sent with repeats, and how its result reaches the main thread, where it is counted and
// turned into events. Run, Transact and Exchange run on the communication thread; the result
// handling, the events, the counters and every setter run on the main thread. It is the
// element "transaction" of a network layout; its settings are the content lines of its child
// "setup". It is made for an owner, a thread or a device, which holds it from Adopt on and
// destroys it (TkxMBTransactionOwner).
class TkxMBTransaction : public TkxXmlElement {
public:
    enum TerminateReason {
        Always,
        Response,
        Error,
        Exception,
        ErrTimeout,
        ErrFunc,
        ErrAddr,
        ErrValue,
        SlaveFail,
        Acknoledge,
        SlaveBusy,
        ReasonCount
    };
    using TerminateSet = std::bitset<ReasonCount>;
    using Event = std::function<void(TkxMBTransaction* sender)>;

    // A transaction for the thread itself, which takes it over with Adopt; throws ETkxError
    // without a thread.
    TkxMBTransaction(TkxMBThread* thread, int kind);
    // Destroyed by its owner, which has taken it out of its list; reports the state change.
    virtual ~TkxMBTransaction();
    TkxMBTransaction(const TkxMBTransaction&) = delete;
    TkxMBTransaction& operator=(const TkxMBTransaction&) = delete;

    // Reads every setting from "setup"; a missing "terminatereason" means no reason at all.
    void AnalyzeContent() override;

    // The message of a result code; codes without one print as "%Xh".
    static std::string GetResultText(std::int32_t code);
    static const char* ReasonName(int reason);
    // Eleven characters '0'/'1', character i for reason i.
    static std::string ReasonsToText(const TerminateSet& reasons);
    // Missing or other characters leave their reasons out.
    static TerminateSet ReasonsFromText(const std::string& text);
    // The reason a result code stands for, or -1.
    static int ReasonOfResult(std::int32_t result);

    // Performs the exchange or exchanges of this kind of transaction.
    virtual std::int32_t Transact(TkxMBServer& server) = 0;
    // 0 cancelled, 1 not editable, 2 confirmed; the base cannot be edited.
    virtual int EditDlg(std::uint16_t options);
    virtual std::string ClassName() const { return "TkxMBTransaction"; }

    void SetTransaName(const std::string& name);
    void SetComment(const std::string& comment);
    void SetSlaveAddress(std::uint8_t address);
    void SetRepeatTime(int passes);
    void SetTermDestroy(bool destroy);
    void SetMaxFault(int limit);
    void SetEnabled(bool enabled);
    // Replaces TerminateIf and stores it.
    void SetTerminateReasons(const TerminateSet& reasons);
    // Sets TermDestroy and Terminated together, without storing the setting.
    void MarkForDestroy();
    void ResetFaults();
    void SetDefaultName();

    const std::string& GetTransaName() const { return FTransaName; }
    const std::string& GetComment() const { return FComment; }
    std::uint8_t GetSlaveAddress() const;
    int GetMaxFault() const;
    int GetRepeatTime() const { return FRepeatTime; }
    int GetKind() const { return FKind; }
    bool IsUserDefined() const { return FKind == 0; }
    bool IsEnabled() const { return FEnabled; }
    bool IsTerminated() const { return FTerminated; }
    // A run has started whose result the main thread has not handled yet.
    bool IsPending() const { return FUnhandledRuns > 0; }
    // Terminated with TermDestroy set and its last result handled: its owner may destroy it.
    bool IsDueForDestroy() const { return FTermDestroy && FTerminated && !IsPending(); }
    bool GetTermDestroy() const { return FTermDestroy; }
    bool IsCutOff() const { return FCutOff; }
    std::int32_t GetLastError() const { return FLastError; }
    bool GetErrorChanged() const { return FErrorChanged; }
    int GetMessageCount() const { return FMessageCount; }
    int GetErrorCount() const { return FErrorCount; }
    int GetFaultCount() const { return FFaultCount; }
    // Day number of the last good response (the construction time before the first).
    double GetTimeStamp() const { return FTimeStamp; }
    TkxMBThread* GetThread() const;
    TkxMBTransactionOwner* GetOwner() const { return FOwner; }

    // 1 disabled, 8 cut off, 5 with error, 3 running.
    int GetState() const;
    std::string GetStateText() const;
    static std::string StateText(int state);
    std::string GetInfo() const;

    // Waits for the done signal; a negative time means 10 s. On the main thread the
    // dispatcher's queue is served meanwhile. True when the signal came. False, too, when a
    // call served meanwhile destroyed the transaction: after false the caller touches neither
    // it nor its owner again, unless it knows both are still there.
    bool WaitFor(int milliseconds);

    // Called by the thread in each pass (under the lock of the list holding the transaction).
    std::int32_t Run(TkxMBServer& server);
    // Counts the pass; true when the transaction is due.
    bool Tick();

    // Results that disable the transaction; owners change it directly.
    TerminateSet TerminateIf;

    Event OnSetupChange;
    Event OnStateChange;
    Event OnResponse;
    Event OnError;

protected:
    // For owners other than a thread (devices): missingOwnerMessage is thrown without one.
    TkxMBTransaction(TkxMBTransactionOwner* owner, int kind, const char* missingOwnerMessage);

    // Sends FQuery and waits for the answer, making at most retries + 1 attempts.
    std::int32_t Exchange(TkxMBServer& server);
    void PerformSetupChange();
    void PerformStateChange();

    std::vector<std::uint8_t> FQuery;
    // The reply to the last attempt.
    std::vector<std::uint8_t> FResponse;

private:
    // What one run produced, as the main thread handles it.
    struct RunResult {
        std::int32_t Result;
        bool ErrorChanged;
        bool Enabled;
    };
    void ApplyTerminateReasons(std::int32_t result);
    void HandleResult(const RunResult& result);

    // An owner going away with transactions still in its list unsets it: they end silently.
    friend class TkxMBTransactionOwner;
    TkxMBTransactionOwner* FOwner;
    int FKind;
    std::string FTransaName;
    std::string FComment;
    std::uint8_t FSlaveAddress = 0;
    std::atomic<int> FRepeatTime{0};
    std::atomic<int> FCountdown{0};
    std::atomic<bool> FEnabled{false};
    // Runs started and not yet handled: a count, because the next run may start on the
    // communication thread before the main thread has handled the last one.
    std::atomic<int> FUnhandledRuns{0};
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FTermDestroy{false};
    std::atomic<double> FTimeStamp;
    int FMessageCount = 0;
    int FErrorCount = 0;
    int FFaultCount = 0;
    int FMaxFault = 0;
    std::atomic<bool> FCutOff{false};
    std::atomic<std::int32_t> FLastError{0};
    std::atomic<bool> FErrorChanged{false};
    TkxEvent FDone{true};
    // Results posted to the main thread look here first: a transaction destroyed before its
    // result arrives is not touched.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};
