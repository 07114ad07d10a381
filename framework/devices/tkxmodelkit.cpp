#include "devices/tkxmodelkit.h"

#include "modbus/tkxmbchainedtransacls.h"
#include "params/tkxparvaluecls.h"
#include "registers/tkxregistercls.h"

namespace TkxModelKit {

namespace {

TkxRegister* RegisterOf(const TkxParValue* parameter) {
    return parameter != nullptr ? parameter->Register() : nullptr;
}

bool Linkable(const TkxRegister* reg, const TkxRegister* reference) {
    return reg != nullptr && reference != nullptr && reg != reference;
}

} // namespace

void UpperFollows(TkxRegister* reg, TkxRegister* reference) {
    if (Linkable(reg, reference)) {
        reg->SetMaxRegister(reference);
    }
}

void LowerFollows(TkxRegister* reg, TkxRegister* reference) {
    if (Linkable(reg, reference)) {
        reg->SetMinRegister(reference);
    }
}

void Ordered(TkxRegister* low, TkxRegister* high) {
    UpperFollows(low, high);
    LowerFollows(high, low);
}

void UpperFollows(const TkxParValue* parameter, const TkxParValue* reference) {
    UpperFollows(RegisterOf(parameter), RegisterOf(reference));
}

void LowerFollows(const TkxParValue* parameter, const TkxParValue* reference) {
    LowerFollows(RegisterOf(parameter), RegisterOf(reference));
}

void Ordered(const TkxParValue* low, const TkxParValue* high) {
    Ordered(RegisterOf(low), RegisterOf(high));
}

void Ascending(std::initializer_list<const TkxParValue*> parameters) {
    const TkxParValue* previous = nullptr;
    for (const TkxParValue* parameter : parameters) {
        Ordered(previous, parameter);
        previous = parameter;
    }
}

void Between(const TkxParValue* parameter, const TkxParValue* low, const TkxParValue* high) {
    LowerFollows(parameter, low);
    UpperFollows(parameter, high);
}

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
