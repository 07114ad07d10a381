#include "modbus/tkxmbportmapcls.h"

void TkxMBPortMap::Set(int comPort, const std::string& devicePath) {
    std::lock_guard guard(Mutex());
    if (devicePath.empty()) {
        Paths().erase(comPort);
    } else {
        Paths()[comPort] = devicePath;
    }
}

void TkxMBPortMap::Clear() {
    std::lock_guard guard(Mutex());
    Paths().clear();
}

std::string TkxMBPortMap::DevicePath(int comPort) {
    std::lock_guard guard(Mutex());
    const auto found = Paths().find(comPort);
    if (found != Paths().end()) {
        return found->second;
    }
    return "/dev/ttyUSB" + std::to_string(comPort - 1);
}

std::mutex& TkxMBPortMap::Mutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<int, std::string>& TkxMBPortMap::Paths() {
    static std::map<int, std::string> paths;
    return paths;
}
