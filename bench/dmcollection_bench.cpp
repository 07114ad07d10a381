// Finding the definition file that serves a device version among 50 files in a folder.
//
// Baseline: reading the same 50 files into memory with nothing else done (the file-system
// floor of any search), and for scale the wire time of the identification exchange itself
// (a 4-byte request and a 14-byte reply at 19200 baud, 11 bits per byte: about 10.3 ms).

#include "devices/tkxversionrecordcls.h"
#include "registers/tkxdmcollectioncmp.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 50;

// One definition file: its versions, then the register sections a real drive file carries.
std::string DefinitionText(int model, int registers) {
    std::string text = "[Versions]\nVersions=QX" + std::to_string(model) + "v1*,QX" +
                       std::to_string(model) + "-*v2*\nVerDescr=Drive " + std::to_string(model) +
                       "\n\n[DataModel]\nMaxBufferSize=128\n\n[Categories]\nRamSetup=1000/" +
                       std::to_string(1000 + registers - 1) + "\n\n";
    for (int r = 0; r < registers; ++r) {
        const std::string address = std::to_string(1000 + r);
        text += "[" + address + "]\nName=Par" + address +
                "\nType=signed short\nMinValue=-100\nMaxValue=100\nDfltValue=0\n"
                "UseFormat=@Perc10\nDescr=Parameter " +
                address + "\n\n";
    }
    return text;
}

// A folder of 50 files per register count; the model served by the file searched last is
// 100 + kFiles - 1, as the names sort by model.
class DefinitionFolder {
public:
    explicit DefinitionFolder(int registers) {
        std::string pattern = (fs::temp_directory_path() / "tkx-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        FPath = pattern;
        for (int i = 0; i < kFiles; ++i) {
            const int model = 100 + i;
            std::ofstream(FPath / ("qx" + std::to_string(model) + ".par"), std::ios::binary)
                << DefinitionText(model, registers);
        }
    }
    ~DefinitionFolder() {
        std::error_code ignored;
        fs::remove_all(FPath, ignored);
    }
    const fs::path& Path() const { return FPath; }

private:
    fs::path FPath;
};

const DefinitionFolder& FolderFor(int registers) {
    static const DefinitionFolder small(20);
    static const DefinitionFolder large(200);
    return registers <= 20 ? small : large;
}

TkxVersionRecord LastServedVersion() {
    return TkxVersionRecord("QX" + std::to_string(100 + kFiles - 1) + "v123");
}

void SetItems(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kFiles);
    state.counters["files"] = kFiles;
}

// The folder search alone: every file opened and its versions tried, the serving one last.
void BM_SearchServingFileLast(benchmark::State& state) {
    TkxDMCollection collection;
    collection.SetFilePath(FolderFor(static_cast<int>(state.range(0))).Path().string());
    const auto version = LastServedVersion();
    for (auto _ : state) {
        auto choice = collection.GetRegDefsFor(&version);
        benchmark::DoNotOptimize(choice.List()->Count());
    }
    SetItems(state);
}
BENCHMARK(BM_SearchServingFileLast)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond);

// What a device identification pays the first time: the search, then building the list.
void BM_FindAndBuildFirstTime(benchmark::State& state) {
    const auto& folder = FolderFor(static_cast<int>(state.range(0)));
    const auto version = LastServedVersion();
    for (auto _ : state) {
        TkxDMCollection collection;
        collection.SetFilePath(folder.Path().string());
        benchmark::DoNotOptimize(collection.FindRegDefsListFor(&version));
    }
    SetItems(state);
}
BENCHMARK(BM_FindAndBuildFirstTime)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond);

// Later devices of the same family: the kept list answers without touching the folder.
void BM_FindKeptList(benchmark::State& state) {
    TkxDMCollection collection;
    collection.SetFilePath(FolderFor(200).Path().string());
    const auto version = LastServedVersion();
    collection.FindRegDefsListFor(&version);
    for (auto _ : state) {
        benchmark::DoNotOptimize(collection.FindRegDefsListFor(&version));
    }
}
BENCHMARK(BM_FindKeptList)->Unit(benchmark::kMicrosecond);

// Baseline: the bytes of the same 50 files read, nothing parsed.
void BM_BaselineReadAllFiles(benchmark::State& state) {
    const auto& folder = FolderFor(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const auto& entry : fs::directory_iterator(folder.Path())) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
            bytes += text.size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    SetItems(state);
}
BENCHMARK(BM_BaselineReadAllFiles)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond);

} // namespace
