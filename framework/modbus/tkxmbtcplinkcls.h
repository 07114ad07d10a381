#pragma once

#include "base/tkxfdcls.h"
#include "modbus/tkxmblinkcls.h"

class TkxMBCancel;

// Modbus TCP: each request goes out with an MBAP header and a new transaction id, the unit id
// being the slave address. Replies are reassembled from partial reads, and replies carrying
// an older transaction id (late answers to requests that timed out) are dropped. A socket
// that failed is connected again by the next exchange.
class TkxMBTcpLink : public TkxMBLink {
public:
    TkxMBTcpLink(TkxMBLinkSettings settings, const TkxMBCancel& cancel);
    ~TkxMBTcpLink() override;
    TkxMBTcpLink(const TkxMBTcpLink&) = delete;
    TkxMBTcpLink& operator=(const TkxMBTcpLink&) = delete;

    bool Open(std::string& why) override;
    void Close() override;
    TkxMBReply Exchange(std::span<const std::uint8_t> request) override;

private:
    bool ConnectSocket(std::string& why);
    void DiscardStaleInput();
    std::int32_t Send(std::span<const std::uint8_t> frame);
    TkxMBReply Receive(std::span<const std::uint8_t> request);
    std::int32_t Fail(std::int32_t result);

    TkxMBLinkSettings FSettings;
    const TkxMBCancel& FCancel;
    TkxFd FFd;
    std::uint16_t FTransactionId = 0;
};
