#include "modbus/tkxmbservercls.h"

#include "base/tkxmbresultcodes.h"
#include "modbus/tkxmbframecls.h"

void TkxMBServer::OpenConnection(const std::string& name, std::int16_t type, bool& ok) {
    FSettings.Name = name;
    FSettings.ConnType = type;
    ok = type == 1 || type == 2;
    FLastErrorText = ok ? "" : "unknown connection type " + std::to_string(type);
}

TkxMBReply TkxMBServer::TxRxMessage(std::span<const std::uint8_t> query) {
    if (!IsConnected()) {
        return {FSettings.ConnType == 2 ? TkxMBResult::SocketNotConnected
                                        : TkxMBResult::PortNotInitialized,
                {}};
    }
    if (query.size() < 2 || query.size() > TkxMBFrame::MaxRequest) {
        return {TkxMBResult::BufferOverflow, {}};
    }
    if (!FTap) {
        return Transfer(query);
    }
    FTap(true, query, TkxMBResult::Ok);
    TkxMBReply reply = Transfer(query);
    FTap(false, reply.Data, reply.Result);
    return reply;
}
