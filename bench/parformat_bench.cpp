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
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

// The value text of 500 parameters of a drive, the mix a setup window shows (plain values
// with units, coded choices, bit fields and flags, two-register values, gains and points),
// as the windows build it for their rows ten times a second. Baseline: the plain register
// texts of the registers the same parameters view.
namespace {

constexpr int kParameters = 500;
// Each group of ten parameters: four plain values, two coded choices, a bit field, a flag, a
// long and a gain, over twelve registers.
constexpr int kGroup = 10;
constexpr int kRegistersPerGroup = 12;

std::string DriveFile() {
    std::ostringstream text;
    for (int g = 0; g < kParameters / kGroup; ++g) {
        const int base = g * kRegistersPerGroup;
        for (int i = 0; i < 4; ++i) {
            text << "[" << base + i << "]\nName=Value" << base + i
                 << "\nType=signed short\nFormatNorm=10\nFormatString=\"#0.0'V'\"\n"
                    "MinValue=-100\nMaxValue=100\n";
        }
        for (int i = 4; i < 6; ++i) {
            text << "[" << base + i << "]\nName=Choice" << base + i
                 << "\nType=unsigned short\nMinValue=0\nMaxValue=3\nDescr[0m0v0]=4kHz\n"
                    "Descr[0m0v1]=8kHz\nDescr[0m0v2]=16kHz\nDescr[0m0v3]=20kHz\n";
        }
        text << "[" << base + 6 << "]\nName=Config" << base + 6
             << "\nType=unsigned short\nDescr[0m70v0]=Coast\nDescr[0m70v1]=Ramp\n"
                "Descr[0m1v0]=Off\nDescr[0m1v1]=On\n";
        text << "[" << base + 7 << "]\nName=Spare" << base + 7 << "\n";
        text << "[" << base + 8 << "]\nName=PosLo" << base + 8 << "\n[" << base + 9
             << "]\nName=PosHi" << base + 9 << "\n";
        text << "[" << base + 10 << "]\nName=Gain" << base + 10
             << "\nType=signed short\nFormatNorm=32768\nFormatString=\"#0.0###\"\n[" << base + 11
             << "]\nName=GainExp" << base + 11 << "\n";
    }
    return text.str();
}

class TDrive {
public:
    TDrive() {
        FDefs.SetText(DriveFile());
        FDefs.Build();
        FBuffer = std::make_unique<TkxRegDataBuffer>(&FDefs);
        {
            TkxThreadBuffer::Writer writer(*FBuffer->Buffer());
            for (int i = 0; i < FBuffer->Buffer()->Size(); ++i) {
                writer.Data()[i] = static_cast<std::uint8_t>(i % 2 == 0 ? 0 : i * 37 % 4);
            }
        }
        for (int g = 0; g < kParameters / kGroup; ++g) {
            AddGroup(g * kRegistersPerGroup);
        }
    }

    const std::vector<std::unique_ptr<TkxParValue>>& Parameters() const { return FParameters; }

private:
    void AddGroup(int base) {
        const auto reg = [&](int offset) { return FBuffer->RegisterAt(base + offset); };
        for (int i = 0; i < 4; ++i) {
            FParameters.push_back(std::make_unique<TkxParValue>(reg(i), 0));
        }
        FParameters.push_back(std::make_unique<TkxParEncoded>(reg(4), 0));
        FParameters.push_back(std::make_unique<TkxParEncoded>(reg(5), 0));
        FParameters.push_back(std::make_unique<TkxParBitField>(reg(6), 0x70, 0));
        FParameters.push_back(std::make_unique<TkxParBoolField>(reg(6), 0, 0));
        FParameters.push_back(std::make_unique<TkxParLong>(reg(8), 0, reg(9)));
        FParameters.push_back(std::make_unique<TkxParFrac16>(reg(10), 0, reg(11)));
    }

    TkxRegDefsList FDefs;
    std::unique_ptr<TkxRegDataBuffer> FBuffer;
    std::vector<std::unique_ptr<TkxParValue>> FParameters;
};

const TDrive& Drive() {
    static const TDrive drive;
    return drive;
}

void BM_ParameterValueTexts(benchmark::State& state) {
    const auto& parameters = Drive().Parameters();
    for (auto _ : state) {
        for (const auto& parameter : parameters) {
            benchmark::DoNotOptimize(parameter->GetValueString());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(parameters.size()));
}
BENCHMARK(BM_ParameterValueTexts);

void BM_RegisterTextsOfTheSameRegisters(benchmark::State& state) {
    const auto& parameters = Drive().Parameters();
    for (auto _ : state) {
        for (const auto& parameter : parameters) {
            benchmark::DoNotOptimize(parameter->Register()->GetValueText(0, 0));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(parameters.size()));
}
BENCHMARK(BM_RegisterTextsOfTheSameRegisters);

// What one refresh of a row costs beyond its value: the limits as the row's hint shows them.
void BM_ParameterLimitTexts(benchmark::State& state) {
    const auto& parameters = Drive().Parameters();
    for (auto _ : state) {
        for (const auto& parameter : parameters) {
            benchmark::DoNotOptimize(parameter->GetMinText());
            benchmark::DoNotOptimize(parameter->GetMaxText());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(parameters.size()));
}
BENCHMARK(BM_ParameterLimitTexts);

} // namespace
