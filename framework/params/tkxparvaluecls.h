#pragma once

#include "base/tkxobject.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TkxDeviceSlave;
class TkxRegBound;
class TkxRegister;

// One entry of a drop-down choice list: its text and what picking it does. Codes of 0 and
// above are values of field parameters; the negative ones are the commands below.
struct TkxParItem {
    static constexpr int SeparatorCode = -10;
    static constexpr int DefaultCode = -20;
    static constexpr int MinimumCode = -30;
    static constexpr int MaximumCode = -40;

    std::string Text;
    int Code = 0;

    bool operator==(const TkxParItem&) const = default;
};
using TkxParItems = std::vector<TkxParItem>;

// A typed, named view of one value of a device's register buffer: here one element of one
// register as a scaled real number, shown in the register's display format, limited and
// defaulted by the register's bounds. The register belongs to the device's buffer and
// outlives the parameter; a parameter without a register reads as zero or empty text and
// takes no value. Every set changes only the buffer and then fires OnChange; sending to the
// device is WriteToDevice's or a device transaction's. Main thread only: values are read and
// written under the buffer's lock, so the communication thread may update them meanwhile.
class TkxParValue : public TkxObject {
public:
    using TChangeEvent = std::function<void(TkxParValue* sender)>;

    TkxParValue(TkxRegister* reg, std::uint8_t element);
    ~TkxParValue() override = default;

    TkxParValue(const TkxParValue&) = delete;
    TkxParValue& operator=(const TkxParValue&) = delete;

    // The upper limit, the lower limit and the default, each as a number and as display
    // text (empty text when the bound does not exist). Linked bounds are read now.
    virtual bool HasMax() const;
    virtual double GetMax() const;
    virtual std::string GetMaxText() const;
    virtual bool HasMin() const;
    virtual double GetMin() const;
    virtual std::string GetMinText() const;
    virtual bool HasDflt() const;
    virtual double GetDflt() const;
    virtual std::string GetDfltText() const;

    // A NaN or an infinity is ignored: nothing is stored and nothing fires.
    virtual void SetValueDouble(double value);
    virtual double GetValueDouble() const;
    virtual std::string GetDescription() const;
    virtual std::string GetValueString() const;
    // Stores text typed by a user: "" when it was stored, otherwise why not, in words a
    // user can act on ("a number in V", "at most 24.5"); a refused text changes nothing.
    virtual std::string SetValueString(std::string_view text);
    virtual bool IsModified() const;
    virtual void SetDefault();
    // Fills a drop-down list; with withLimits, the default, minimum and maximum first.
    virtual void FillItems(TkxParItems* items, bool withLimits) const;
    // Appends one "description: value" line, the description right-aligned in 40 columns.
    virtual void AddToList(std::vector<std::string>& strings) const;
    // One read or write of the register through the device, waiting for it: the result
    // code, 0 without a register or a device, -11 when the device is not ready.
    virtual std::int32_t ReadFromDevice();
    virtual std::int32_t WriteToDevice();

    // The device whose buffer holds the register, or null.
    TkxDeviceSlave* GetDevice() const;
    void DoOnChange();

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled) { FEnabled = enabled; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible) { FVisible = visible; }
    std::uint8_t Element() const { return FElement; }
    TkxRegister* Register() const { return FRegister; }

    TChangeEvent OnChange;

protected:
    // Which bound of a register: &TkxRegister::MaxBound, MinBound or DfltBound.
    using TBoundOf = TkxRegBound* (TkxRegister::*)() const;

    // The refusal of a parameter that has no register to take a value.
    static constexpr const char* NoRegisterRefusal = "a parameter with a register";

    // A number in the display format of reg (a plain number without reg).
    static std::string FormatIn(const TkxRegister* reg, double value);
    // The limits of this parameter applied to a number read from a user's text: "" or
    // "at least …"/"at most …" in the parameter's own limit texts.
    std::string RefusalOfLimits(double value) const;
    // A number as the display of reg writes it, or as a plain decimal or exponent number.
    static bool ReadNumber(const TkxRegister* reg, std::string_view text, double& value);
    // ReadNumber with a refusal: "" when text is a number, otherwise what to type instead in
    // the words of reg ("a number in Hz").
    static std::string RefusalOfNumber(const TkxRegister* reg, std::string_view text,
                                       double& value);
    // One read or write of reg through the device of reg, waiting.
    static std::int32_t ReadRegisterOf(const TkxRegister* reg);
    static std::int32_t WriteRegisterOf(const TkxRegister* reg);
    // The same for a value over two registers: the second only when the first succeeded;
    // the first failure's code, else 0.
    static std::int32_t ReadRegistersOf(const TkxRegister* first, const TkxRegister* second);
    static std::int32_t WriteRegistersOf(const TkxRegister* first, const TkxRegister* second);
    // The 16 bits of an element of a 16-bit register, whatever its signedness.
    static std::uint16_t GetWord(const TkxRegister& reg, int element);
    static void SetWord(TkxRegister& reg, int element, std::uint16_t word);
    // The base choice list: cleared, then with withLimits the default, minimum and maximum.
    void FillLimitItems(TkxParItems& items, bool withLimits) const;

private:
    bool FReadOnly = false;
    bool FEnabled = true;
    bool FVisible = true;
    std::uint8_t FElement;
    TkxRegister* FRegister;
};
