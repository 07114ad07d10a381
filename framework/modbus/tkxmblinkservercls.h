#pragma once

#include "modbus/tkxmbservercls.h"

#include <memory>

class TkxMBCancel;
class TkxMBPortMap;

// The server component on a real line: a serial port (its device path from the port map it
// is given, that of its network's context) or a TCP socket, chosen by the connection type when
// Connect is called. The cancel token and the port map outlive the server.
class TkxMBLinkServer : public TkxMBServer {
public:
    TkxMBLinkServer(const TkxMBCancel& cancel, const TkxMBPortMap& ports);
    ~TkxMBLinkServer() override;

    void Connect(bool& connected) override;
    void CloseConnection() override;

protected:
    bool IsConnected() const override { return FLink != nullptr; }
    TkxMBReply Transfer(std::span<const std::uint8_t> query) override;

private:
    const TkxMBCancel& FCancel;
    const TkxMBPortMap& FPorts;
    std::unique_ptr<TkxMBLink> FLink;
};
