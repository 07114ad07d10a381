#pragma once

#include "modbus/tkxmbservercls.h"

#include <memory>

class TkxMBCancel;

// The server component on a real line: a serial port (its device path from TkxMBPortMap) or
// a TCP socket, chosen by the connection type when Connect is called.
class TkxMBLinkServer : public TkxMBServer {
public:
    explicit TkxMBLinkServer(const TkxMBCancel& cancel);
    ~TkxMBLinkServer() override;

    void Connect(bool& connected) override;
    void CloseConnection() override;
    std::int32_t TxRxMessage(const std::vector<std::uint8_t>& query, std::uint16_t queryLength,
                             std::vector<std::uint8_t>& response, std::uint16_t respLength,
                             std::vector<std::uint8_t>& bytesRead) override;

private:
    const TkxMBCancel& FCancel;
    std::unique_ptr<TkxMBLink> FLink;
};
