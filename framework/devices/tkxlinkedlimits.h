#pragma once

#include <initializer_list>

class TkxParValue;
class TkxRegister;

// Limits of device models that follow other values at the moment of the check. "low <= high"
// makes low's upper bound follow high's current value and high's lower bound follow low's.
// Each link is made only when both ends exist: a file without an optional entry still makes
// a device, without that link (and a missing end never leaves a bound of 0 behind).
namespace TkxLinkedLimits {

// The register of parameter, or null.
TkxRegister* RegisterOf(const TkxParValue* parameter);

void MaxFollows(TkxRegister* reg, TkxRegister* reference);
void MinFollows(TkxRegister* reg, TkxRegister* reference);
void MaxFollows(const TkxParValue* parameter, const TkxParValue* reference);
void MinFollows(const TkxParValue* parameter, const TkxParValue* reference);

// Every neighbouring pair of ascending in order, low before high.
void Ascending(std::initializer_list<TkxRegister*> ascending);
void Ascending(std::initializer_list<const TkxParValue*> ascending);

// The constant of an upper or lower bound the register has; nothing without that bound. A
// bound that follows another register keeps following it: the constant counts again once the
// link is gone.
void SetMaxValue(TkxRegister* reg, double value);
void SetMinValue(TkxRegister* reg, double value);

} // namespace TkxLinkedLimits
