#include "modbus/tkxthreadbuffercls.h"
#include "registers/tkxformatcls.h"
#include "registers/tkxregdatabuffercls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

// The display text of every register of a 2000-register device, as the windows build it for
// their visible rows ten times a second. Baseline: the C library printing the same values
// with a fixed "%.1f" format into a buffer, the least any display text costs.
namespace {

constexpr int kRegisters = 2000;

std::string DeviceFile() {
    static const char* const kinds[] = {
        "Type=signed short\nFormatNorm=10\nFormatString=\"#0.0'V'\"\n",
        "Type=unsigned short\nFormatString=\"#0'rpm'\"\n",
        "Type=unsigned long\nFormatNorm=100\nFormatString=\"#,##0.00'mm'\"\n",
        "Type=bool short\nDescr[0m0v0]=Off\nDescr[0m0v1]=On\n",
        "Type=signed short\nFormatNorm=32768\nFormatString=\"#0.0###\"\n",
        "Type=unsigned short\n",
        "Type=date\nFormatString=dd/mm/yy\n",
        "Type=string\nLength=8\n",
    };
    std::ostringstream text;
    int address = 0;
    for (int i = 0; i < kRegisters; ++i) {
        const char* kind = kinds[i % 8];
        text << "[" << address << "]\nName=Reg" << i << "\n" << kind;
        address += i % 8 == 2 ? 2 : i % 8 == 6 ? 3 : i % 8 == 7 ? 8 : 1;
    }
    return text.str();
}

class TDevice {
public:
    TDevice() {
        FDefs.SetText(DeviceFile());
        FDefs.Build();
        FBuffer = std::make_unique<TkxRegDataBuffer>(&FDefs);
        TkxThreadBuffer::Writer writer(*FBuffer->Buffer());
        for (int i = 0; i < FBuffer->Buffer()->Size(); ++i) {
            writer.Data()[i] = static_cast<std::uint8_t>(i * 37 % 29);
        }
    }

    TkxRegDataBuffer& Buffer() { return *FBuffer; }

private:
    TkxRegDefsList FDefs;
    std::unique_ptr<TkxRegDataBuffer> FBuffer;
};

TDevice& Device() {
    static TDevice device;
    return device;
}

void BM_DisplayTextOfEveryRegister(benchmark::State& state) {
    TkxRegDataBuffer& buffer = Device().Buffer();
    for (auto _ : state) {
        for (int i = 0; i < buffer.RegisterCount(); ++i) {
            benchmark::DoNotOptimize(buffer.Registers(i)->GetValueText(0, 0));
        }
    }
    state.SetItemsProcessed(state.iterations() * buffer.RegisterCount());
}
BENCHMARK(BM_DisplayTextOfEveryRegister)->Unit(benchmark::kMicrosecond);

void BM_FloatPictureOnly(benchmark::State& state) {
    double value = 0.0;
    for (auto _ : state) {
        for (int i = 0; i < kRegisters; ++i) {
            benchmark::DoNotOptimize(TkxFormat::FormatFloat("#0.0'V'", value));
            value += 0.1;
        }
    }
    state.SetItemsProcessed(state.iterations() * kRegisters);
}
BENCHMARK(BM_FloatPictureOnly)->Unit(benchmark::kMicrosecond);

void BM_BaselineCPrintf(benchmark::State& state) {
    std::vector<double> values(kRegisters);
    for (int i = 0; i < kRegisters; ++i) {
        values[static_cast<std::size_t>(i)] = i * 0.37;
    }
    char text[64];
    for (auto _ : state) {
        for (const double value : values) {
            std::snprintf(text, sizeof text, "%.1fV", value);
            benchmark::DoNotOptimize(std::string(text));
        }
    }
    state.SetItemsProcessed(state.iterations() * kRegisters);
}
BENCHMARK(BM_BaselineCPrintf)->Unit(benchmark::kMicrosecond);

} // namespace
