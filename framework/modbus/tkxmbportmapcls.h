#pragma once

#include <map>
#include <mutex>
#include <string>

// The device path of each COM port number. The application fills it from its settings
// (section "Ports", key "COMn"); a number without an entry is /dev/ttyUSB<n-1>.
class TkxMBPortMap {
public:
    static void Set(int comPort, const std::string& devicePath);
    static void Clear();
    static std::string DevicePath(int comPort);

private:
    static std::mutex& Mutex();
    static std::map<int, std::string>& Paths();
};
