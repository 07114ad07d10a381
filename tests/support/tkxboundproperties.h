#pragma once

#include <string>
#include <vector>

class TkxDeviceQXSlave;
class TkxPropertyTable;

// The names of the properties table declares itself (not its base's) that device left unbound.
std::vector<std::string> UnboundProperties(const TkxDeviceQXSlave& device,
                                           const TkxPropertyTable& table);
