#pragma once

#include "modbus/tkxmbthreadhostcls.h"
#include "modbus/tkxmbthreadsetupcls.h"

#include <memory>
#include <mutex>

class TkxMBThread;

// Joins a connection setup and its communication thread: the setup sees the thread through
// TkxMBSetupThread, the thread sees the setup through TkxMBThreadHost. The validity and the
// line settings are copied on the main thread when the thread is made and each time the setup
// lets it retry (ClearError, called whenever the setup is enabled or put on-line), so the
// worker never reads the setup's text fields while the main thread may change them.
class TkxMBThreadBinding : public TkxMBSetupThread, public TkxMBThreadHost {
public:
    explicit TkxMBThreadBinding(TkxMBThreadSetup& setup);
    // Ends the thread and waits for it.
    ~TkxMBThreadBinding() override;

    TkxMBThread& Thread() { return *FThread; }

    // TkxMBSetupThread
    int GetState() const override;
    void ClearError() override;

    // TkxMBThreadHost
    bool IsValid() const override;
    bool IsEnabled() const override { return FSetup.Enabled(); }
    bool IsOnLine() const override { return FSetup.OnLine(); }
    TkxMBLinkSettings LinkSettings() const override;
    // From the setup's context.
    std::unique_ptr<TkxMBServer> MakeServer(const TkxMBCancel& cancel) override;
    void PerformStateChange(TkxMBTransaction* transaction) override;
    void PerformSetupAdd(TkxMBTransaction* transaction) override;
    void PerformSetupDel(TkxMBTransaction* transaction) override;
    void PerformSetupChange(TkxMBTransaction* transaction) override;
    void PerformTransaError(TkxMBTransaction* transaction) override;
    void PerformTransaResponse(TkxMBTransaction* transaction) override;

private:
    void TakeSnapshot();
    TkxObject* Subject(TkxMBTransaction* transaction);

    TkxMBThreadSetup& FSetup;
    mutable std::mutex FMutex;
    bool FValid = false;
    TkxMBLinkSettings FSettings;
    std::unique_ptr<TkxMBThread> FThread;
};
