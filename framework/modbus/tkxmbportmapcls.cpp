#include "modbus/tkxmbportmapcls.h"

void TkxMBPortMap::Set(int comPort, const std::string& devicePath) {
    std::lock_guard guard(FMutex);
    if (devicePath.empty()) {
        FPaths.erase(comPort);
    } else {
        FPaths[comPort] = devicePath;
    }
}

void TkxMBPortMap::Clear() {
    std::lock_guard guard(FMutex);
    FPaths.clear();
}

std::string TkxMBPortMap::DevicePath(int comPort) const {
    std::lock_guard guard(FMutex);
    const auto found = FPaths.find(comPort);
    if (found != FPaths.end()) {
        return found->second;
    }
    return "/dev/ttyUSB" + std::to_string(comPort - 1);
}
