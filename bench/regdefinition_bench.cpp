#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxtextresourcecls.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// Loading a definition file of 2000 registers and building every definition, against two
// baselines doing part of that work without the framework: reading and splitting the bytes,
// and a plain map-based INI parse of the same text.
namespace {

constexpr int kRegisters = 2000;

std::string GeneratedFile() {
    static const char* const types[] = {"unsigned short", "signed short", "unsigned long",
                                        "bool short",     "string",       "date"};
    static const char* const formats[] = {"@Volt_V10", "@Amp_A10", "@Temp_C10", "@Freq_Hz10"};
    std::ostringstream text;
    text << "; generated definition file\r\n[Versions]\r\nVersions=QX440v1**\r\n"
         << "[Categories]\r\nRamSetup=1000/" << 1000 + kRegisters - 1 << "\r\n";
    for (int i = 0; i < kRegisters; ++i) {
        const int address = 1000 + i;
        text << "[" << address << "]\r\n"
             << "Name=Register" << i << "\r\n"
             << "Type=" << types[i % 6] << "\r\n";
        if (i % 10 == 0) {
            text << "UseDefinition=@ModBusBaudrate\r\n";
        }
        if (i % 3 == 0) {
            text << "UseFormat=" << formats[i % 4] << "\r\n";
        }
        if (i % 6 == 4) {
            text << "Length=16\r\n";
        }
        text << "MinValue=0\r\nMaxValue=" << 100 + i << "\r\nDfltValue=" << i % 50 << "\r\n"
             << "EEPromCopy=+2048\r\n"
             << "Descr=Register number " << i << "\r\n"
             << "Descr[0]=Element of register " << i << "\r\n"
             << "Descr[0m0v0]=Off\r\nDescr[0m0v1]=On\r\n\r\n";
    }
    return text.str();
}

const std::string& FilePath() {
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() / "tkx_bench_2000.par";
        std::ofstream(file, std::ios::binary) << GeneratedFile();
        return file.string();
    }();
    return path;
}

TkxTextResource& BuiltInSet() {
    static TkxTextResource builtIn(28673);
    static const bool appended = builtIn.AppendResourceID(28672) && builtIn.AppendResourceID(28674);
    (void)appended;
    return builtIn;
}

std::vector<TkxRegDefinition> BuildAll(TkxTextResource& file) {
    std::vector<std::string> sections;
    file.ReadSections(sections);
    std::vector<TkxRegDefinition> definitions;
    definitions.reserve(sections.size());
    for (const auto& section : sections) {
        std::uint16_t address = 0;
        if (TkxRegDefinition::SectionAddress(section, address)) {
            definitions.emplace_back(address, &file);
        }
    }
    return definitions;
}

void BM_BaselineReadAndSplit(benchmark::State& state) {
    for (auto _ : state) {
        std::ifstream in(FilePath(), std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            lines.push_back(std::move(line));
        }
        benchmark::DoNotOptimize(lines.data());
    }
}
BENCHMARK(BM_BaselineReadAndSplit)->Unit(benchmark::kMillisecond);

void BM_BaselineMapIniParse(benchmark::State& state) {
    for (auto _ : state) {
        std::ifstream in(FilePath(), std::ios::binary);
        std::map<std::string, std::map<std::string, std::string>> ini;
        std::map<std::string, std::string>* current = nullptr;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
                current = &ini[line.substr(1, line.size() - 2)];
            } else if (const auto eq = line.find('='); current && eq != std::string::npos) {
                current->emplace(line.substr(0, eq), line.substr(eq + 1));
            }
        }
        benchmark::DoNotOptimize(ini.size());
    }
}
BENCHMARK(BM_BaselineMapIniParse)->Unit(benchmark::kMillisecond);

void BM_LoadFile(benchmark::State& state) {
    for (auto _ : state) {
        TkxTextResource file(FilePath());
        benchmark::DoNotOptimize(file.Count());
    }
}
BENCHMARK(BM_LoadFile)->Unit(benchmark::kMillisecond);

void BM_BuildAllDefinitions(benchmark::State& state) {
    TkxTextResource file(FilePath());
    file.Chain(&BuiltInSet());
    for (auto _ : state) {
        const auto definitions = BuildAll(file);
        benchmark::DoNotOptimize(definitions.data());
    }
    state.counters["definitions"] = static_cast<double>(BuildAll(file).size());
}
BENCHMARK(BM_BuildAllDefinitions)->Unit(benchmark::kMillisecond);

void BM_LoadFileAndBuildAll(benchmark::State& state) {
    for (auto _ : state) {
        TkxTextResource file(FilePath());
        file.Chain(&BuiltInSet());
        const auto definitions = BuildAll(file);
        benchmark::DoNotOptimize(definitions.data());
    }
}
BENCHMARK(BM_LoadFileAndBuildAll)->Unit(benchmark::kMillisecond);

} // namespace
