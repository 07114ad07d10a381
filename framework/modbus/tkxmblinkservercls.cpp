#include "modbus/tkxmblinkservercls.h"

#include "modbus/tkxmbportmapcls.h"
#include "modbus/tkxmbseriallinkcls.h"
#include "modbus/tkxmbtcplinkcls.h"

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

TkxMBReply TkxMBLinkServer::Transfer(std::span<const std::uint8_t> query) {
    return FLink->Exchange(query);
}
