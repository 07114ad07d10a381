#pragma once

#include <map>
#include <mutex>
#include <string>

// The device path of each COM port number. The application fills it from its settings
// (section "Ports", key "COMn"); a number without an entry is /dev/ttyUSB<n-1>. Each network
// context holds its own map; the communication threads read it when they open a line.
class TkxMBPortMap {
public:
    TkxMBPortMap() = default;
    TkxMBPortMap(const TkxMBPortMap&) = delete;
    TkxMBPortMap& operator=(const TkxMBPortMap&) = delete;

    // An empty path removes the entry.
    void Set(int comPort, const std::string& devicePath);
    void Clear();
    std::string DevicePath(int comPort) const;

private:
    mutable std::mutex FMutex;
    std::map<int, std::string> FPaths;
};
