#pragma once

#include "registers/tkxregboundcls.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TkxRegDataBuffer;
class TkxRegDefinition;
class TkxTextResource;
class TkxThreadBuffer;

// Typed access to the current value of one defined register of a device. The value lives in
// the device's register buffer as big-endian register words, the way the Modbus transactions
// copy them; this class reads and writes them under the buffer's lock as integers, display
// values, date-times, bits, masked bit fields and texts, clamps written values to the type
// range and the register's limits, and tells listeners about changes. Nothing is cached here.
//
// Element layouts inside the register's own storage (element i):
//   byte (size 1)  bytes 2i, 2i+1: the value in the low byte, 0 stored in the high byte
//   short          bytes 2i, 2i+1: high byte first
//   long           bytes 4i..4i+3: most significant first (high word in the lower register)
//   date / time    bytes 6i..6i+5: one field in the low byte of each register (day, month,
//                  year modulo 100 / seconds, minutes, hours)
//   string         one character per register in its low byte, zero registers after the text
class TkxRegister {
public:
    using TBeforeChangeEvent = std::function<void(TkxRegister* sender, bool& accept, double value)>;
    using TChangeEvent = std::function<void(TkxRegister* sender, bool changed)>;

    // The register's view is the owner's view of its address; without storage (Length 0)
    // there is none, and every element access fails as out of range.
    TkxRegister(TkxRegDataBuffer* owner, const TkxRegDefinition* definition);
    ~TkxRegister();

    TkxRegister(const TkxRegister&) = delete;
    TkxRegister& operator=(const TkxRegister&) = delete;

    // Reading; type, index and bit errors throw ETkxError naming the operation.
    std::int32_t GetValueInteger(int index) const;
    double GetValueDouble(int index) const;
    // A day number; fields that form no valid date or time give the current date and time.
    double GetValueDateTime(int index) const;
    bool GetValueBit(int index, int bit) const;
    std::int32_t GetValueMasked(int index, std::uint32_t mask) const;
    std::string GetValueText(int index, std::uint32_t mask) const;

    // Writing; each store sets LastChanged and tells OnChange.
    void SetValueInteger(int index, std::int32_t value);
    void SetValueDouble(int index, double value);
    void SetValueDateTime(int index, double dateTime);
    void SetValueBit(int index, int bit, bool on);
    void SetValueMasked(int index, std::int32_t value, std::uint32_t mask);
    // A number is read whole, as the display writes it (an optional sign, digits, an optional
    // "." and decimals, the display's own unit after it) or as a definition file writes an
    // integer ("0x1F", "1Fh", "101b"); anything else is ignored. A text that is no date or
    // time throws ETkxError.
    void SetValueText(std::string_view text, int index, std::uint32_t mask);
    // Why SetValueText would not store text as it stands: "" when it would, otherwise what the
    // register takes ("a number in V", "at most 24.5", "a value it can hold exactly, such as
    // 13.7 or 13.8"), for a message a user can act on. Stores nothing, so a caller can refuse
    // before anything reaches a drive. Limits are those of element index at this moment.
    std::string RefusalOfText(std::string_view text, int index = 0) const;
    // A number as the display writes it, in display units: the reading SetValueText and
    // RefusalOfText share; nothing for any other text.
    std::optional<double> NumberOfText(std::string_view text) const;
    // The default for element index, or for every element when index is negative.
    void AssignDefault(int index, std::uint32_t mask);

    // Bounds set after creation; none of them changes HasLimits.
    void SetLimits(double minValue, double maxValue, double minOffset = 0.0,
                   double maxOffset = 0.0);
    void SetLimitRegisters(TkxRegister* minRegister, TkxRegister* maxRegister,
                           double minOffset = 0.0, double maxOffset = 0.0);
    void SetMaxRegister(TkxRegister* reference, double offset = 0.0);
    void SetMinRegister(TkxRegister* reference, double offset = 0.0);

    // The value as one line of an export file, under the definition's name.
    void SaveToResource(std::string_view section, TkxTextResource* resource) const;
    // Defaults first, then the elements found in the file; false without a resource, a key
    // or (other than strings) a value. Elements that do not read keep their default.
    bool LoadFromResource(std::string_view section, TkxTextResource* resource);
    // A readable listing of the value, appended to lines.
    void Dump(std::vector<std::string>& lines) const;

    TkxRegDataBuffer* Owner() const { return FOwner; }
    const TkxRegDefinition* Definition() const { return FDefinition; }
    TkxThreadBuffer* Data() const { return FData.get(); }
    TkxRegBound* MaxBound() const { return FMaxBound.get(); }
    TkxRegBound* MinBound() const { return FMinBound.get(); }
    TkxRegBound* DfltBound() const { return FDfltBound.get(); }
    bool HasLimits() const { return FHasLimits; }
    bool LastChanged() const { return FLastChanged; }

    TBeforeChangeEvent OnBeforeChange;
    TChangeEvent OnChange;

private:
    void CheckIndex(int index, const char* operation, const char* ending) const;
    void CheckBit(int bit, const char* operation) const;
    bool Accepts(double value);
    void Changed(bool changed);
    // Whether the bytes of element index lie inside the register's storage.
    bool HasElement(int index) const;
    std::uint32_t ReadElement(const std::uint8_t* data, int index) const;
    // Stores an element; true when a stored byte changed.
    bool WriteElement(std::uint8_t* data, int index, std::uint32_t raw) const;
    std::uint32_t ReadRaw(int index) const;
    void StoreRaw(int index, std::uint32_t raw);
    std::int32_t ClampToType(std::int32_t value) const;
    std::int32_t ClampToLimits(int index, std::int32_t value) const;
    std::int32_t RawFromDisplay(double display) const;
    double ScaledRaw(double display) const;
    double DisplayOfRaw(double raw) const;
    std::string RefusalOfDisplay(double display, int index) const;
    TkxRegBound& Bound(std::unique_ptr<TkxRegBound>& bound, std::uint8_t kind);
    std::string ElementsText() const;
    std::string StringText() const;
    void StoreString(std::string_view text);

    TkxRegDataBuffer* FOwner;
    const TkxRegDefinition* FDefinition;
    std::unique_ptr<TkxThreadBuffer> FData;
    std::unique_ptr<TkxRegBound> FMaxBound;
    std::unique_ptr<TkxRegBound> FMinBound;
    std::unique_ptr<TkxRegBound> FDfltBound;
    bool FHasLimits = false;
    bool FLastChanged = false;
};
