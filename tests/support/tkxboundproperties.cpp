#include "support/tkxboundproperties.h"

#include "devices/tkxdeviceqxslavecls.h"
#include "devices/tkxpropertytablecls.h"

std::vector<std::string> UnboundProperties(const TkxDeviceQXSlave& device,
                                           const TkxPropertyTable& table) {
    std::vector<std::string> unbound;
    for (const TkxProperty& property : table.Own()) {
        const bool bound = property.GetRegister != nullptr
                               ? property.GetRegister(device) != nullptr
                               : property.GetParameter(device) != nullptr;
        if (!bound) {
            unbound.emplace_back(property.Name);
        }
    }
    return unbound;
}
