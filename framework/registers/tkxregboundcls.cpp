#include "registers/tkxregboundcls.h"

#include "registers/tkxregistercls.h"

double TkxRegBound::GetValue(int index) const {
    const double base = FReference != nullptr ? FReference->GetValueDouble(index) : FValue;
    return base + (FKind != KindDefault ? FOffset : 0.0);
}
