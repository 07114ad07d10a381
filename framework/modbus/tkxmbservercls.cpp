#include "modbus/tkxmbservercls.h"

void TkxMBServer::OpenConnection(const std::string& name, std::int16_t type, bool& ok) {
    FSettings.Name = name;
    FSettings.ConnType = type;
    ok = type == 1 || type == 2;
    FLastErrorText = ok ? "" : "unknown connection type " + std::to_string(type);
}
