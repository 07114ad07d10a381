#include "modbus/tkxmbcontextcls.h"

#include "modbus/tkxmblinkservercls.h"
#include "modbus/tkxmbthreadbindingcls.h"

void TkxMBContext::SetServerFactory(ServerFactory factory) {
    std::lock_guard guard(FMutex);
    FServerFactory = std::move(factory);
}

std::unique_ptr<TkxMBServer> TkxMBContext::MakeServer(const TkxMBCancel& cancel) const {
    ServerFactory factory;
    TkxMBServer::FrameTap tap;
    {
        std::lock_guard guard(FMutex);
        factory = FServerFactory;
        tap = FFrameTap;
    }
    std::unique_ptr<TkxMBServer> server =
        factory ? factory(cancel) : std::make_unique<TkxMBLinkServer>(cancel, FPorts);
    if (server && tap) {
        server->SetFrameTap(std::move(tap));
    }
    return server;
}

void TkxMBContext::SetFrameTap(TkxMBServer::FrameTap tap) {
    std::lock_guard guard(FMutex);
    FFrameTap = std::move(tap);
}

void TkxMBContext::SetThreadFactory(ThreadFactory factory) {
    std::lock_guard guard(FMutex);
    FThreadFactory = std::move(factory);
}

std::unique_ptr<TkxMBSetupThread> TkxMBContext::MakeThread(TkxMBThreadSetup& setup) const {
    ThreadFactory factory;
    {
        std::lock_guard guard(FMutex);
        factory = FThreadFactory;
    }
    if (factory) {
        return factory(setup);
    }
    return std::make_unique<TkxMBThreadBinding>(setup);
}
