#pragma once

#include "modbus/tkxmbportmapcls.h"
#include "modbus/tkxmbservercls.h"

#include <functional>
#include <memory>
#include <mutex>

class TkxMBCancel;
class TkxMBSetupThread;
class TkxMBThreadSetup;

// What the connections of one network share and nothing outside it sees: how a connection
// setup makes its communication thread, how that thread makes the server component of its
// line, and the device paths of the COM ports. A fresh context makes real threads and real
// lines (serial ports through its own port map, TCP sockets); tests and tools put stand-ins
// into their own context, which no other context sees. The factories may be swapped while
// threads run: a thread asks for its server, on its own thread, each time it opens the line.
class TkxMBContext {
public:
    using ServerFactory = std::function<std::unique_ptr<TkxMBServer>(const TkxMBCancel& cancel)>;
    using ThreadFactory = std::function<std::unique_ptr<TkxMBSetupThread>(TkxMBThreadSetup& setup)>;

    TkxMBContext() = default;
    TkxMBContext(const TkxMBContext&) = delete;
    TkxMBContext& operator=(const TkxMBContext&) = delete;

    // Null restores the real line on this context's port map.
    void SetServerFactory(ServerFactory factory);
    // What the factory makes (it may throw, or make nothing), with the frame tap set.
    std::unique_ptr<TkxMBServer> MakeServer(const TkxMBCancel& cancel) const;
    // Shows the requests and replies of every line opened from now on (null: none); the tap
    // runs on the communication threads.
    void SetFrameTap(TkxMBServer::FrameTap tap);

    // Null restores the real thread: a TkxMBThread joined to the setup by a
    // TkxMBThreadBinding.
    void SetThreadFactory(ThreadFactory factory);
    // What the factory makes (it may make nothing).
    std::unique_ptr<TkxMBSetupThread> MakeThread(TkxMBThreadSetup& setup) const;

    TkxMBPortMap& Ports() { return FPorts; }
    const TkxMBPortMap& Ports() const { return FPorts; }

private:
    mutable std::mutex FMutex; // guards the factories
    ServerFactory FServerFactory;
    ThreadFactory FThreadFactory;
    TkxMBServer::FrameTap FFrameTap;
    TkxMBPortMap FPorts;
};
