#pragma once

#include "modbus/tkxmblinkcls.h"

#include <memory>

class TkxMBCancel;
class TkxMBServer;
class TkxMBTransaction;

// What a communication thread needs of the connection setup that owns it. The worker reads
// the validity, the flags and, when it opens the link, the settings and a new server component
// (MakeServer, which may throw or make nothing); every Perform... call runs on the main
// thread. A null transaction stands for the setup itself.
class TkxMBThreadHost {
public:
    virtual ~TkxMBThreadHost() = default;

    virtual bool IsValid() const = 0;
    virtual bool IsEnabled() const = 0;
    virtual bool IsOnLine() const = 0;
    virtual TkxMBLinkSettings LinkSettings() const = 0;
    virtual std::unique_ptr<TkxMBServer> MakeServer(const TkxMBCancel& cancel) = 0;

    virtual void PerformStateChange(TkxMBTransaction* transaction) = 0;
    virtual void PerformSetupAdd(TkxMBTransaction* transaction) = 0;
    virtual void PerformSetupDel(TkxMBTransaction* transaction) = 0;
    virtual void PerformSetupChange(TkxMBTransaction* transaction) = 0;
    // The network's transaction events, when the setup belongs to a network.
    virtual void PerformTransaError(TkxMBTransaction* transaction) = 0;
    virtual void PerformTransaResponse(TkxMBTransaction* transaction) = 0;
};
