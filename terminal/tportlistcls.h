#pragma once

#include <array>
#include <string>
#include <vector>

class TTermSettings;

// The device paths of the ports COM1..COM8: the settings file's "Ports" section first, else
// the serial adapters present, in the order a user finds them (stable names under
// /dev/serial/by-id, then USB, ACM and built-in ports), one per port in turn.
class TPortList {
public:
    static constexpr int Ports = 8;

    // devRoot stands for "/dev" (tests use a folder of their own).
    static std::vector<std::string> Adapters(const std::string& devRoot = "/dev");
    static std::array<std::string, Ports> Map(TTermSettings& settings,
                                              const std::vector<std::string>& adapters);
};
