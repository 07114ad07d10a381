#include "base/tkxerror.h"
#include "fuzzbuffer.h"
#include "modbus/tkxthreadbuffercls.h"
#include "registers/tkxformatcls.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdatabuffercls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"
#include "registers/tkxtextresourcecls.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

// The input is a definition file, the bytes of the device buffer laid out from it, and a
// script of register operations with fuzzed indexes, values and texts. Misuse may throw
// ETkxError; anything else, and any write outside the written register's own bytes, is a
// fault.
namespace {

// Bytes outside the register's view must be as they were before its write.
void CheckOnlyOwnBytesChanged(const std::vector<std::uint8_t>& before, TkxThreadBuffer& buffer,
                              const TkxRegDefsList& defs, const TkxRegister& reg) {
    const std::vector<std::uint8_t> after = Snapshot(buffer);
    const int begin = defs.OffsetOf(reg.Definition()->Address());
    const int end = begin + (reg.Data() != nullptr ? reg.Data()->Size() : 0);
    for (int i = 0; i < static_cast<int>(after.size()); ++i) {
        if ((i < begin || i >= end) && after[i] != before[i]) {
            std::abort();
        }
    }
}

class TScript {
public:
    TScript(FuzzedDataProvider& input, TkxRegDefsList& defs, TkxRegDataBuffer& buffer)
        : FInput(input)
        , FDefs(defs)
        , FBuffer(buffer) {}

    void Run() {
        while (FInput.remaining_bytes() > 0 && FBuffer.RegisterCount() > 0) {
            TkxRegister& reg = *FBuffer.Registers(
                FInput.ConsumeIntegralInRange<int>(0, FBuffer.RegisterCount() - 1));
            const std::vector<std::uint8_t> before = Snapshot(*FBuffer.Buffer());
            FWritesOthers = false;
            try {
                Step(reg);
            } catch (const ETkxError&) {
            }
            if (!FWritesOthers) {
                CheckOnlyOwnBytesChanged(before, *FBuffer.Buffer(), FDefs, reg);
            }
        }
    }

private:
    int Index(const TkxRegister& reg) {
        return FInput.ConsumeIntegralInRange<int>(-2, reg.Definition()->Length() + 1);
    }

    std::string Text() { return FInput.ConsumeRandomLengthString(40); }

    void Step(TkxRegister& reg) {
        const int index = Index(reg);
        const auto mask = FInput.ConsumeIntegral<std::uint32_t>();
        switch (FInput.ConsumeIntegralInRange<int>(0, 18)) {
        case 0:
            reg.GetValueInteger(index);
            break;
        case 1:
            reg.GetValueDouble(index);
            break;
        case 2:
            reg.GetValueDateTime(index);
            break;
        case 3:
            reg.GetValueBit(index, FInput.ConsumeIntegralInRange<int>(-1, 33));
            break;
        case 4:
            reg.GetValueMasked(index, mask);
            break;
        case 5:
            reg.GetValueText(index, mask);
            break;
        case 6:
            reg.SetValueInteger(index, FInput.ConsumeIntegral<std::int32_t>());
            break;
        case 7:
            reg.SetValueDouble(index, FInput.ConsumeFloatingPoint<double>());
            break;
        case 8:
            reg.SetValueDateTime(index, FInput.ConsumeFloatingPoint<double>());
            break;
        case 9:
            reg.SetValueBit(index, FInput.ConsumeIntegralInRange<int>(-1, 33),
                            FInput.ConsumeBool());
            break;
        case 10:
            reg.SetValueMasked(index, FInput.ConsumeIntegral<std::int32_t>(), mask);
            break;
        case 11:
            SetText(reg, index, mask);
            break;
        case 12:
            reg.AssignDefault(index, mask);
            break;
        case 13:
            Bound(reg);
            break;
        case 14:
            SaveAndLoad(reg);
            break;
        case 15: {
            std::vector<std::string> lines;
            reg.Dump(lines);
            break;
        }
        case 16:
            Blocks();
            break;
        case 17:
            Formats();
            break;
        default:
            Import();
            break;
        }
    }

    // An import writes whichever registers the section names, so its step is not checked
    // against the one register.
    void Import() {
        FWritesOthers = true;
        TkxTextResource file;
        file.SetText(Text());
        FBuffer.LoadFromSection("S", &file, nullptr);
    }

    void SetText(TkxRegister& reg, int index, std::uint32_t mask) {
        reg.SetValueText(Text(), index, mask);
        if (reg.Definition()->IsString() &&
            reg.GetValueText(-1, 0).size() > reg.Definition()->Length()) {
            std::abort();
        }
    }

    void Bound(TkxRegister& reg) {
        TkxRegister* other =
            FBuffer.Registers(FInput.ConsumeIntegralInRange<int>(0, FBuffer.RegisterCount() - 1));
        switch (FInput.ConsumeIntegralInRange<int>(0, 2)) {
        case 0:
            reg.SetLimits(FInput.ConsumeFloatingPoint<double>(),
                          FInput.ConsumeFloatingPoint<double>());
            break;
        case 1:
            reg.SetMaxRegister(other, FInput.ConsumeFloatingPoint<double>());
            break;
        default:
            reg.SetMinRegister(other, FInput.ConsumeFloatingPoint<double>());
            break;
        }
    }

    void SaveAndLoad(TkxRegister& reg) {
        TkxTextResource file;
        file.SetText(Text());
        reg.SaveToResource("S", &file);
        reg.LoadFromResource("S", &file);
    }

    void Blocks() {
        TkxRegBlock blocks(Text());
        blocks.SetOwner(&FBuffer);
        TkxRegBlock reparsed(blocks.ToText());
        blocks.Contains(FInput.ConsumeIntegral<std::uint16_t>());
        blocks.Split(FInput.ConsumeIntegralInRange<int>(-1, 5));
        blocks.SetOwner(nullptr);
    }

    void Formats() {
        const std::string picture = Text();
        TkxFormat::FormatFloat(picture, FInput.ConsumeFloatingPoint<double>());
        TkxFormat::FormatDateTime(picture, FInput.ConsumeFloatingPoint<double>());
        TkxFormat::Printf(picture, {FInput.ConsumeIntegral<std::int32_t>(), Text(),
                                    FInput.ConsumeFloatingPoint<double>()});
        double value = 0.0;
        TkxFormat::TryStrToDateTime(picture, value);
    }

    FuzzedDataProvider& FInput;
    TkxRegDefsList& FDefs;
    TkxRegDataBuffer& FBuffer;
    bool FWritesOthers = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    TkxRegDefsList defs;
    const std::unique_ptr<TkxRegDataBuffer> buffer = FuzzedBuffer(input, defs);
    TScript(input, defs, *buffer).Run();
    return 0;
}
