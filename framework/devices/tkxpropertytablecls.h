#pragma once

#include <string_view>
#include <type_traits>
#include <vector>

class TkxDeviceQXSlave;
class TkxParValue;
class TkxRegister;
class TkxParLong;
class TkxParEncoded;
class TkxParBitField;
class TkxParBoolField;
class TkxParFrac16;
class TkxParFloat;
class TkxPar2DPoint;

// The classes a published property of a device can hold.
enum class TkxPropertyClass {
    Register,
    ParValue,
    ParLong,
    ParEncoded,
    ParBitField,
    ParBoolField,
    ParFrac16,
    ParFloat,
    Par2DPoint,
};

// One published property of a device class: its name (the binding key), the class it holds
// and the way to its member in a device of the declaring class. Exactly one pair of accessors
// is set: the register pair for TkxPropertyClass::Register, the parameter pair otherwise.
struct TkxProperty {
    std::string_view Name;
    TkxPropertyClass Class = TkxPropertyClass::Register;
    TkxRegister* (*GetRegister)(const TkxDeviceQXSlave& device) = nullptr;
    void (*SetRegister)(TkxDeviceQXSlave& device, TkxRegister* reg) = nullptr;
    TkxParValue* (*GetParameter)(const TkxDeviceQXSlave& device) = nullptr;
    // The parameter handed over was made of the property's class.
    void (*SetParameter)(TkxDeviceQXSlave& device, TkxParValue* parameter) = nullptr;
};

// The published properties one device class declares, in declaration order, chained to the
// table of its base class. C++ has no run-time property list; each class builds its table
// once from its members with TKX_PUBLISH.
class TkxPropertyTable {
public:
    TkxPropertyTable(const TkxPropertyTable* base, std::vector<TkxProperty> own)
        : FBase(base)
        , FOwn(std::move(own)) {}

    const TkxPropertyTable* Base() const { return FBase; }
    // The properties the class itself declares.
    const std::vector<TkxProperty>& Own() const { return FOwn; }
    // The property of that name in this class or a base class, the most derived first.
    const TkxProperty* Find(std::string_view name) const;

private:
    const TkxPropertyTable* FBase;
    std::vector<TkxProperty> FOwn;
};

namespace TkxPropertyDetail {

template <typename T>
constexpr TkxPropertyClass ClassOf() {
    if constexpr (std::is_same_v<T, TkxRegister>) {
        return TkxPropertyClass::Register;
    } else if constexpr (std::is_same_v<T, TkxParValue>) {
        return TkxPropertyClass::ParValue;
    } else if constexpr (std::is_same_v<T, TkxParLong>) {
        return TkxPropertyClass::ParLong;
    } else if constexpr (std::is_same_v<T, TkxParEncoded>) {
        return TkxPropertyClass::ParEncoded;
    } else if constexpr (std::is_same_v<T, TkxParBitField>) {
        return TkxPropertyClass::ParBitField;
    } else if constexpr (std::is_same_v<T, TkxParBoolField>) {
        return TkxPropertyClass::ParBoolField;
    } else if constexpr (std::is_same_v<T, TkxParFrac16>) {
        return TkxPropertyClass::ParFrac16;
    } else if constexpr (std::is_same_v<T, TkxParFloat>) {
        return TkxPropertyClass::ParFloat;
    } else {
        static_assert(std::is_same_v<T, TkxPar2DPoint>, "not a class a property can hold");
        return TkxPropertyClass::Par2DPoint;
    }
}

template <auto Member>
struct MemberOf;
template <typename Device, typename Value, Value* Device::*Member>
struct MemberOf<Member> {
    using DeviceType = Device;
    using ValueType = Value;
};

} // namespace TkxPropertyDetail

// The property of a member pointer of a device class, e.g. TkxPublish<&TkxDeviceQXDrive::ParInput>.
template <auto Member>
TkxProperty TkxPublish(std::string_view name) {
    using Device = typename TkxPropertyDetail::MemberOf<Member>::DeviceType;
    using Value = typename TkxPropertyDetail::MemberOf<Member>::ValueType;
    TkxProperty property{name, TkxPropertyDetail::ClassOf<Value>()};
    if constexpr (std::is_same_v<Value, TkxRegister>) {
        property.GetRegister = [](const TkxDeviceQXSlave& device) -> TkxRegister* {
            return static_cast<const Device&>(device).*Member;
        };
        property.SetRegister = [](TkxDeviceQXSlave& device, TkxRegister* reg) {
            static_cast<Device&>(device).*Member = reg;
        };
    } else {
        property.GetParameter = [](const TkxDeviceQXSlave& device) -> TkxParValue* {
            return static_cast<const Device&>(device).*Member;
        };
        property.SetParameter = [](TkxDeviceQXSlave& device, TkxParValue* parameter) {
            static_cast<Device&>(device).*Member = static_cast<Value*>(parameter);
        };
    }
    return property;
}

// A table entry named after the member itself.
#define TKX_PUBLISH(Class, Member) TkxPublish<&Class::Member>(#Member)
