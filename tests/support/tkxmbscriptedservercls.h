#pragma once

#include "modbus/tkxmbservercls.h"

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class TkxMBCancel;

// What a scripted server does: the test keeps the script, the communication thread owns the
// server that plays it. Every member is read and written under the script's lock.
class TkxMBScript {
public:
    struct Step {
        std::int32_t Result = 0;
        std::vector<std::uint8_t> Response;
        std::chrono::milliseconds Delay{0};
    };

    void Push(Step step);
    // Answers queries once the pushed steps are used up; without one the answer is a time-out.
    void SetResponder(std::function<Step(const std::vector<std::uint8_t>&)> responder);
    void SetOpenOk(bool ok);
    void SetConnectOk(bool ok);
    // OpenConnection throws, as a server that cannot start does.
    void SetThrowOnOpen(bool fail);

    std::vector<std::vector<std::uint8_t>> Queries() const;
    // The names of the operations called, in order ("OpenConnection", "Set_Retries", ...).
    std::vector<std::string> Calls() const;
    int ConnectedCount() const;
    // The settings the server held at its last Connect.
    TkxMBLinkSettings LastSettings() const;

private:
    friend class TkxMBScriptedServer;
    mutable std::mutex FMutex;
    std::deque<Step> FSteps;
    std::function<Step(const std::vector<std::uint8_t>&)> FResponder;
    std::vector<std::vector<std::uint8_t>> FQueries;
    std::vector<std::string> FCalls;
    bool FOpenOk = true;
    bool FConnectOk = true;
    bool FThrowOnOpen = false;
    int FConnected = 0;
    TkxMBLinkSettings FSettings;
};

// A server component that plays a script instead of using a line: scripted replies and
// result codes, delays (cut short by the cancel token like a real wait), open and connect
// failures, and a start that throws.
class TkxMBScriptedServer : public TkxMBServer {
public:
    TkxMBScriptedServer(std::shared_ptr<TkxMBScript> script, const TkxMBCancel& cancel);
    ~TkxMBScriptedServer() override;

    void OpenConnection(const std::string& name, std::int16_t type, bool& ok) override;
    void Connect(bool& connected) override;
    void CloseConnection() override;

protected:
    bool IsConnected() const override { return FConnected; }
    TkxMBReply Transfer(std::span<const std::uint8_t> query) override;

private:
    void Record(const std::string& call);

    std::shared_ptr<TkxMBScript> FScript;
    const TkxMBCancel& FCancel;
    bool FConnected = false;
};
