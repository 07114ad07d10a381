#pragma once

#include "devices/tkxdeviceqxdrvcls.h"
#include "devices/tkxpropertytablecls.h"
#include "params/tkxparvaluecls.h"
#include "support/tkxofflinedrive.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The drive of the shipped file for QX460 drives, made offline, and its published parameters.
inline std::unique_ptr<TkxOfflineDrive> MakeOfflineDrive() {
    return std::make_unique<TkxOfflineDrive>(std::string(TKX_SOURCE_DIR) + "/data", "QX460v400");
}

inline std::vector<TkxParValue*> PublishedParameters(const TkxDeviceQXDRV& drive) {
    std::vector<TkxParValue*> found;
    for (const TkxPropertyTable* table = &drive.Properties(); table != nullptr;
         table = table->Base()) {
        for (const TkxProperty& property : table->Own()) {
            if (property.GetParameter == nullptr) {
                continue;
            }
            if (TkxParValue* par = property.GetParameter(drive)) {
                found.push_back(par);
            }
        }
    }
    return found;
}

// The first published parameter of class T that matches, or null.
template <typename T>
T* FindParameter(const TkxDeviceQXDRV& drive, const std::function<bool(T&)>& matches) {
    for (TkxParValue* par : PublishedParameters(drive)) {
        auto* typed = dynamic_cast<T*>(par);
        if (typed != nullptr && matches(*typed)) {
            return typed;
        }
    }
    return nullptr;
}
