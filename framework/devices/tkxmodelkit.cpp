#include "devices/tkxmodelkit.h"

#include "modbus/tkxmbchainedtransacls.h"
#include "params/tkxparvaluecls.h"

namespace TkxModelKit {

void SetReadOnly(std::initializer_list<TkxParValue*> parameters, bool readOnly) {
    for (TkxParValue* parameter : parameters) {
        if (parameter != nullptr) {
            parameter->SetReadOnly(readOnly);
        }
    }
}

void RetargetRead(TkxMBChainedTransa* transaction, std::string_view group, int repeatTime) {
    if (transaction == nullptr) {
        return;
    }
    transaction->SetReadBlocksText(group);
    if (repeatTime > 0) {
        transaction->SetRepeatTime(repeatTime);
    }
}

void RetargetWrite(TkxMBChainedTransa* transaction, std::string_view group) {
    if (transaction != nullptr) {
        transaction->SetWriteBlocksText(group);
    }
}

void Disable(std::initializer_list<TkxMBTransaction*> transactions) {
    for (TkxMBTransaction* transaction : transactions) {
        if (transaction != nullptr) {
            transaction->SetEnabled(false);
        }
    }
}

} // namespace TkxModelKit
