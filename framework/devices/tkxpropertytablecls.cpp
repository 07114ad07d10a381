#include "devices/tkxpropertytablecls.h"

const TkxProperty* TkxPropertyTable::Find(std::string_view name) const {
    for (const TkxPropertyTable* table = this; table != nullptr; table = table->FBase) {
        for (const TkxProperty& property : table->FOwn) {
            if (property.Name == name) {
                return &property;
            }
        }
    }
    return nullptr;
}
