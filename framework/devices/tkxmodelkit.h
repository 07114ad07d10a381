#pragma once

#include <initializer_list>
#include <string_view>

class TkxMBChainedTransa;
class TkxMBTransaction;
class TkxParValue;
class TkxRegister;

// Small steps the device models take in their constructors once their properties are bound:
// limits that follow other registers, read-only marks and retargeted transactions. Every step
// skips a parameter or register that the definition file did not provide, so a file lacking
// an entry gives a model without that link or mark instead of a crash.
namespace TkxModelKit {

// The upper (lower) bound of reg follows the current value of reference; nothing when either
// is missing or they are the same register.
void UpperFollows(TkxRegister* reg, TkxRegister* reference);
void LowerFollows(TkxRegister* reg, TkxRegister* reference);
// low <= high: the upper bound of low follows high and the lower bound of high follows low.
void Ordered(TkxRegister* low, TkxRegister* high);

// The same on the registers of parameters (for a point, its first coordinate).
void UpperFollows(const TkxParValue* parameter, const TkxParValue* reference);
void LowerFollows(const TkxParValue* parameter, const TkxParValue* reference);
void Ordered(const TkxParValue* low, const TkxParValue* high);
// Each parameter lies between its neighbours in the list: the first has only a linked upper
// bound, the last only a linked lower one. A missing parameter breaks the chain there.
void Ascending(std::initializer_list<const TkxParValue*> parameters);
// parameter lies between low and high.
void Between(const TkxParValue* parameter, const TkxParValue* low, const TkxParValue* high);

// Sets the read-only flag of each parameter that exists.
void SetReadOnly(std::initializer_list<TkxParValue*> parameters, bool readOnly);

// Points a standard transaction at another register group for reading and re-times it; a
// repeat time of 0 keeps the present one.
void RetargetRead(TkxMBChainedTransa* transaction, std::string_view group, int repeatTime);
void RetargetWrite(TkxMBChainedTransa* transaction, std::string_view group);
// Disables each transaction that exists; the application enables what it needs.
void Disable(std::initializer_list<TkxMBTransaction*> transactions);

} // namespace TkxModelKit
