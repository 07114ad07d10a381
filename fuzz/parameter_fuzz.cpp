#include "base/tkxerror.h"
#include "fuzzbuffer.h"
#include "modbus/tkxthreadbuffercls.h"
#include "params/tkxpar2dpointcls.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparfloatcls.h"
#include "params/tkxparfrac16cls.h"
#include "params/tkxparlongcls.h"
#include "params/tkxparvaluecls.h"
#include "registers/tkxregdatabuffercls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// The input is a definition file, the bytes of the device buffer laid out from it, and a
// script that makes parameters of any class over any registers, elements, masks and bits and
// works them with fuzzed numbers and typed texts. Misuse may throw ETkxError; anything else,
// and any change of a byte outside the registers the parameter views, is a fault.
namespace {

// The byte range of a register inside the device buffer; empty without a register.
std::pair<int, int> BytesOf(const TkxRegDefsList& defs, const TkxRegister* reg) {
    if (reg == nullptr || reg->Data() == nullptr) {
        return {0, 0};
    }
    const int begin = defs.OffsetOf(reg->Definition()->Address());
    return {begin, begin + reg->Data()->Size()};
}

class TScript {
public:
    TScript(FuzzedDataProvider& input, TkxRegDefsList& defs, TkxRegDataBuffer& buffer)
        : FInput(input)
        , FDefs(defs)
        , FBuffer(buffer) {}

    void Run() {
        while (FInput.remaining_bytes() > 0) {
            TkxRegister* first = AnyRegister();
            TkxRegister* second = AnyRegister();
            std::unique_ptr<TkxParValue> parameter = Make(first, second);
            for (int steps = FInput.ConsumeIntegralInRange<int>(1, 8); steps > 0; --steps) {
                const std::vector<std::uint8_t> before = Snapshot(*FBuffer.Buffer());
                try {
                    Step(*parameter);
                } catch (const ETkxError&) {
                }
                CheckOnlyOwnBytesChanged(before, first, second);
            }
        }
    }

private:
    TkxRegister* AnyRegister() {
        const int index = FInput.ConsumeIntegralInRange<int>(-1, FBuffer.RegisterCount() - 1);
        return index < 0 ? nullptr : FBuffer.Registers(index);
    }

    std::unique_ptr<TkxParValue> Make(TkxRegister* first, TkxRegister* second) {
        const auto element = FInput.ConsumeIntegral<std::uint8_t>();
        switch (FInput.ConsumeIntegralInRange<int>(0, 7)) {
        case 0:
            return std::make_unique<TkxParValue>(first, element);
        case 1:
            return std::make_unique<TkxParLong>(first, element, second);
        case 2:
            return std::make_unique<TkxParEncoded>(first, element);
        case 3:
            return std::make_unique<TkxParBitField>(first, FInput.ConsumeIntegral<std::uint32_t>(),
                                                    element);
        case 4:
            return std::make_unique<TkxParBoolField>(first, FInput.ConsumeIntegral<std::uint8_t>(),
                                                     element);
        case 5:
            return std::make_unique<TkxParFrac16>(first, element, second);
        case 6:
            return std::make_unique<TkxParFloat>(first, element, second);
        default:
            return std::make_unique<TkxPar2DPoint>(first, element, second);
        }
    }

    void Step(TkxParValue& parameter) {
        switch (FInput.ConsumeIntegralInRange<int>(0, 9)) {
        case 0:
            parameter.HasMax(), parameter.GetMaxText(), parameter.HasMin(), parameter.GetMinText();
            parameter.HasDflt(), parameter.GetDfltText(), parameter.GetDescription();
            break;
        case 1:
            parameter.GetValueString(), parameter.GetValueDouble(), parameter.IsModified();
            break;
        case 2:
            parameter.SetValueDouble(FInput.ConsumeFloatingPoint<double>());
            break;
        case 3:
            SetText(parameter);
            break;
        case 4:
            parameter.SetDefault();
            break;
        case 5: {
            TkxParItems items;
            parameter.FillItems(&items, FInput.ConsumeBool());
            break;
        }
        case 6: {
            std::vector<std::string> lines;
            parameter.AddToList(lines);
            break;
        }
        case 7:
            Fields(parameter);
            break;
        case 8:
            parameter.ReadFromDevice(), parameter.WriteToDevice();
            break;
        default:
            LinkLimit(parameter);
            break;
        }
    }

    // A refused text must leave the value as it was.
    void SetText(TkxParValue& parameter) {
        const std::string text = FInput.ConsumeRandomLengthString(40);
        const std::vector<std::uint8_t> before = Snapshot(*FBuffer.Buffer());
        if (!parameter.SetValueString(text).empty() && Snapshot(*FBuffer.Buffer()) != before) {
            std::abort();
        }
    }

    void Fields(TkxParValue& parameter) {
        const int code = FInput.ConsumeIntegral<int>();
        if (auto* boolean = dynamic_cast<TkxParBoolField*>(&parameter)) {
            boolean->SetBool(FInput.ConsumeBool());
            boolean->GetBool();
        } else if (auto* field = dynamic_cast<TkxParBitField*>(&parameter)) {
            field->SetField(code);
            field->GetField();
        } else if (auto* encoded = dynamic_cast<TkxParEncoded*>(&parameter)) {
            encoded->SetCode(code);
            encoded->GetCode();
        }
    }

    // A bound that follows another register, as the device models link them.
    void LinkLimit(TkxParValue& parameter) {
        TkxRegister* reg = parameter.Register();
        TkxRegister* other = AnyRegister();
        if (reg != nullptr && other != nullptr) {
            reg->SetLimitRegisters(other, AnyRegister(), FInput.ConsumeFloatingPoint<double>(),
                                   FInput.ConsumeFloatingPoint<double>());
        }
    }

    void CheckOnlyOwnBytesChanged(const std::vector<std::uint8_t>& before, const TkxRegister* first,
                                  const TkxRegister* second) {
        const std::vector<std::uint8_t> after = Snapshot(*FBuffer.Buffer());
        const auto [begin1, end1] = BytesOf(FDefs, first);
        const auto [begin2, end2] = BytesOf(FDefs, second);
        for (int i = 0; i < static_cast<int>(after.size()); ++i) {
            const bool own = (i >= begin1 && i < end1) || (i >= begin2 && i < end2);
            if (!own && after[i] != before[i]) {
                std::abort();
            }
        }
    }

    FuzzedDataProvider& FInput;
    TkxRegDefsList& FDefs;
    TkxRegDataBuffer& FBuffer;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    TkxRegDefsList defs;
    const std::unique_ptr<TkxRegDataBuffer> buffer = FuzzedBuffer(input, defs);
    TScript(input, defs, *buffer).Run();
    return 0;
}
