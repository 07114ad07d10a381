// One redraw of the scope window at its default size with full traces, as the window paints
// it (the graph's bitmap drawn, then copied to the window's surface), on the offscreen
// platform; and one state read's worth of samples while the window is hidden, which must
// cost no drawing.
#include "tscopeform.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include <cmath>

namespace {

constexpr double Second = 1.0 / 86400;

QApplication& Application() {
    static int argc = 1;
    static char name[] = "scoperedraw_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

void Fill(TScopeForm& scope, int samples) {
    for (int i = 0; i < samples; ++i) {
        const double time = 46000 + i * 0.1 * Second;
        const double wave = 0.5 + 0.4 * std::sin(i / 10.0);
        scope.AddFrequencySample(time, 100 * wave);
        scope.AddCurrentSample(time, 9 * wave);
        scope.AddVoltageSample(time, 380 * wave);
        scope.AddDcBusSample(time, 560 + 20 * wave);
    }
}

void BM_ScopeRedraw(benchmark::State& state) {
    Application();
    TScopeForm scope;
    Fill(scope, TScopeForm::MaxPoints);
    QImage surface(scope.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        scope.render(&surface);
        benchmark::DoNotOptimize(surface.constBits());
    }
    state.counters["renders"] = scope.RenderCount();
}
BENCHMARK(BM_ScopeRedraw)->Unit(benchmark::kMicrosecond);

// Four samples and a redraw request with the window hidden.
void BM_HiddenSamples(benchmark::State& state) {
    Application();
    TScopeForm scope;
    Fill(scope, TScopeForm::MaxPoints);
    double time = 47000;
    for (auto _ : state) {
        scope.AddFrequencySample(time, 50);
        scope.AddCurrentSample(time, 4);
        scope.AddVoltageSample(time, 230);
        scope.AddDcBusSample(time, 560);
        scope.Redraw();
        time += 0.1 * Second;
    }
    if (scope.RenderCount() != 0) {
        state.SkipWithError("a hidden scope drew");
    }
}
BENCHMARK(BM_HiddenSamples)->Unit(benchmark::kMicrosecond);

} // namespace
