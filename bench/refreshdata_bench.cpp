// One refresh of a bound list of 300 parameter rows of a drive made offline, on the offscreen
// platform: when no value changed, and when every value changed since the last refresh; the
// second also with the repaint of the list that follows.
#include "support/tkxofflinedrive.h"

#include "devices/tkxdeviceqxdrvcls.h"
#include "devices/tkxpropertytablecls.h"
#include "params/tkxparvaluecls.h"
#include "ui/tkxuserinterfaceutilscmp.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>

#include <memory>
#include <vector>

namespace {

constexpr int kRows = 300;

QApplication& Application() {
    static int argc = 1;
    static char name[] = "refreshdata_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

// Every parameter the drive publishes, over and over until there are enough rows.
std::vector<TkxParValue*> Rows(const TkxDeviceQXDRV& drive) {
    std::vector<TkxParValue*> published;
    for (const TkxPropertyTable* table = &drive.Properties(); table != nullptr;
         table = table->Base()) {
        for (const TkxProperty& property : table->Own()) {
            if (property.GetParameter != nullptr && property.GetParameter(drive) != nullptr) {
                published.push_back(property.GetParameter(drive));
            }
        }
    }
    std::vector<TkxParValue*> rows;
    rows.reserve(kRows);
    for (std::size_t i = 0; !published.empty() && rows.size() < kRows; ++i) {
        rows.push_back(published[i % published.size()]);
    }
    return rows;
}

// A shown list of 300 rows bound to a drive made offline.
struct BoundList {
    BoundList() {
        View.resize(900, 700);
        Utils.With(&View, {ckParam, ckValue, ckMin, ckMax});
        for (TkxParValue* par : Rows(Drive.Drive())) {
            Utils.List(par);
        }
        View.show();
        Utils.RefreshData();
        QCoreApplication::processEvents();
    }

    // Moves every row's value within its limits, so that the next refresh rewrites it.
    void ChangeEveryValue(int round) {
        for (TkxParValue* par : Rows(Drive.Drive())) {
            const double low = par->GetMin();
            const double high = par->GetMax();
            par->SetValueDouble(round % 2 == 0 || high <= low ? low : high);
        }
    }

    // Before any widget.
    QApplication& App = Application();
    TkxOfflineDrive Drive{std::string(TKX_BINARY_DIR) + "/tools/", "QX460v400"};
    QTreeWidget View;
    TkxUserInterfaceUtils Utils;
};

void BM_RefreshData300RowsUnchanged(benchmark::State& state) {
    BoundList list;
    for (auto _ : state) {
        list.Utils.RefreshData();
    }
    state.counters["rows"] = list.View.topLevelItemCount();
}
BENCHMARK(BM_RefreshData300RowsUnchanged)->Unit(benchmark::kMicrosecond);

// Every value changed since the last refresh; with paint, the list's repaint that follows too.
void BM_RefreshData300RowsAllChanged(benchmark::State& state, bool paint) {
    BoundList list;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        list.ChangeEveryValue(++round);
        state.ResumeTiming();
        list.Utils.RefreshData();
        if (paint) {
            list.View.viewport()->repaint();
        }
    }
}
BENCHMARK_CAPTURE(BM_RefreshData300RowsAllChanged, Refreshed, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RefreshData300RowsAllChanged, RefreshedAndPainted, true)
    ->Unit(benchmark::kMicrosecond);

} // namespace
