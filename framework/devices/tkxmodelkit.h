#pragma once

#include <initializer_list>
#include <string_view>

class TkxMBChainedTransa;
class TkxMBTransaction;
class TkxParValue;

// Small steps the device models take in their constructors once their properties are bound,
// besides their linked limits (TkxLinkedLimits): read-only marks and retargeted or disabled
// transactions. Every step skips a parameter or transaction that is missing, so a file lacking
// an entry gives a model without that mark instead of a crash.
namespace TkxModelKit {

// Sets the read-only flag of each parameter that exists.
void SetReadOnly(std::initializer_list<TkxParValue*> parameters, bool readOnly);

// Points a standard transaction at another register group for reading and re-times it; a
// repeat time of 0 keeps the present one.
void RetargetRead(TkxMBChainedTransa* transaction, std::string_view group, int repeatTime);
void RetargetWrite(TkxMBChainedTransa* transaction, std::string_view group);
// Disables each transaction that exists; the application enables what it needs.
void Disable(std::initializer_list<TkxMBTransaction*> transactions);

} // namespace TkxModelKit
