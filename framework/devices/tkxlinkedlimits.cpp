#include "devices/tkxlinkedlimits.h"

#include "params/tkxparvaluecls.h"
#include "registers/tkxregboundcls.h"
#include "registers/tkxregistercls.h"

#include <iterator>

namespace TkxLinkedLimits {

TkxRegister* RegisterOf(const TkxParValue* parameter) {
    return parameter != nullptr ? parameter->Register() : nullptr;
}

void MaxFollows(TkxRegister* reg, TkxRegister* reference) {
    if (reg != nullptr && reference != nullptr) {
        reg->SetMaxRegister(reference);
    }
}

void MinFollows(TkxRegister* reg, TkxRegister* reference) {
    if (reg != nullptr && reference != nullptr) {
        reg->SetMinRegister(reference);
    }
}

void MaxFollows(const TkxParValue* parameter, const TkxParValue* reference) {
    MaxFollows(RegisterOf(parameter), RegisterOf(reference));
}

void MinFollows(const TkxParValue* parameter, const TkxParValue* reference) {
    MinFollows(RegisterOf(parameter), RegisterOf(reference));
}

void Ascending(std::initializer_list<TkxRegister*> ascending) {
    for (auto low = ascending.begin(); low != ascending.end() && std::next(low) != ascending.end();
         ++low) {
        TkxRegister* high = *std::next(low);
        if (*low != nullptr && high != nullptr) {
            (*low)->SetMaxRegister(high);
            high->SetMinRegister(*low);
        }
    }
}

void Ascending(std::initializer_list<const TkxParValue*> ascending) {
    for (auto low = ascending.begin(); low != ascending.end() && std::next(low) != ascending.end();
         ++low) {
        Ascending({RegisterOf(*low), RegisterOf(*std::next(low))});
    }
}

void SetMaxValue(TkxRegister* reg, double value) {
    if (reg != nullptr && reg->MaxBound() != nullptr) {
        reg->MaxBound()->SetValue(value);
    }
}

void SetMinValue(TkxRegister* reg, double value) {
    if (reg != nullptr && reg->MinBound() != nullptr) {
        reg->MinBound()->SetValue(value);
    }
}

} // namespace TkxLinkedLimits
