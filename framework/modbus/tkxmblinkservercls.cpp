#include "modbus/tkxmblinkservercls.h"

#include "base/tkxmbresultcodes.h"
#include "modbus/tkxmbframecls.h"
#include "modbus/tkxmbportmapcls.h"
#include "modbus/tkxmbseriallinkcls.h"
#include "modbus/tkxmbtcplinkcls.h"

#include <span>

TkxMBLinkServer::TkxMBLinkServer(const TkxMBCancel& cancel, const TkxMBPortMap& ports)
    : FCancel(cancel)
    , FPorts(ports) {}

TkxMBLinkServer::~TkxMBLinkServer() {
    CloseConnection();
}

void TkxMBLinkServer::Connect(bool& connected) {
    CloseConnection();
    if (FSettings.ConnType == 1) {
        FLink = std::make_unique<TkxMBSerialLink>(FSettings, FPorts.DevicePath(FSettings.ComPort),
                                                  FCancel);
    } else if (FSettings.ConnType == 2) {
        FLink = std::make_unique<TkxMBTcpLink>(FSettings, FCancel);
    } else {
        FLastErrorText = "unknown connection type " + std::to_string(FSettings.ConnType);
        connected = false;
        return;
    }
    std::string why;
    connected = FLink->Open(why);
    FLastErrorText = connected ? "" : why;
    if (!connected) {
        FLink.reset();
    }
}

void TkxMBLinkServer::CloseConnection() {
    if (FLink) {
        FLink->Close();
        FLink.reset();
    }
}

std::int32_t TkxMBLinkServer::TxRxMessage(const std::vector<std::uint8_t>& query,
                                          std::uint16_t queryLength,
                                          std::vector<std::uint8_t>& response,
                                          std::uint16_t /*respLength*/,
                                          std::vector<std::uint8_t>& bytesRead) {
    response.clear();
    bytesRead.clear();
    if (!FLink) {
        return FSettings.ConnType == 2 ? TkxMBResult::SocketNotConnected
                                       : TkxMBResult::PortNotInitialized;
    }
    if (queryLength < 2 || queryLength > query.size() || queryLength > TkxMBFrame::MaxRequest) {
        return TkxMBResult::BufferOverflow;
    }
    const std::int32_t result =
        FLink->Exchange(std::span<const std::uint8_t>(query.data(), queryLength), response);
    const auto size = static_cast<std::uint16_t>(response.size());
    bytesRead = {static_cast<std::uint8_t>(size & 0xFF), static_cast<std::uint8_t>(size >> 8)};
    return result;
}
