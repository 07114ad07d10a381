// Rendering of the scope's graph: four diagrams of 150 samples each at the scope window's
// default size, the large panel alone, and the two costs every frame pays whatever it shows
// (filling the bitmap, copying it to the window) as the baseline.
#include "graph/tkxgraphcmp.h"
#include "graph/tkxgraphdiagramcls.h"
#include "graph/tkxgraphmarkercls.h"
#include "graph/tkxgraphscalacls.h"
#include "graph/tkxgraphtracciacls.h"
#include "ui/tkxqtconvert.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr int Width = 468;
constexpr int Height = 375;
constexpr int Samples = 150;
constexpr double Second = 1.0 / 86400;

void NeedApplication() {
    static int argc = 1;
    static char name[] = "graphrender_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static QGuiApplication app(argc, argv);
}

struct TSignal {
    const char* Title;
    QColor Back;
    const char* Unit;
    double Max;
    double Step;
    const char* Pattern;
    QColor Pen;
};

const TSignal Signals[] = {
    {"Frequency", QColor(0xAC, 0xCB, 0xFD), "[Hz]", 128, 10, "000.0", Qt::blue},
    {"Current", QColor(0x86, 0xB3, 0xFD), "[A]", 20, 5, "00.0", Qt::green},
    {"Voltage", QColor(0x31, 0x7C, 0xFB), "[V]", 700, 100, "000", Qt::red},
    {"DcBus", QColor(0x04, 0x51, 0xD0), "[V]", 700, 100, "000", Qt::magenta},
};

// One diagram as the scope builds it, with a full trace and its "Act" marker.
void AddScopeDiagram(TkxGraph& graph, const TSignal& signal) {
    TkxGraphDiagram* diagram = graph.AddDgr(signal.Title);
    diagram->TextFormat().SetVisible(true);
    diagram->TextFormat().SetFont(TkxQFont(QStringLiteral("Arial"), -12));
    diagram->SetBackColor(signal.Back);
    diagram->SetPlotColor(QColor(0xC0, 0xC0, 0xC0));
    diagram->SetAutoY(false);
    TkxGraphScala& x = *diagram->XScale();
    x.TextFormat().SetText("Samples");
    x.TextFormat().SetVisible(false);
    x.SetTimeLabels(true);
    x.SetStep(10 * Second);
    x.GridFormat().SetPen(QPen(QColor(0x80, 0x80, 0x80), 1, Qt::DotLine));
    TkxGraphScala& y = *diagram->YScale();
    y.TextFormat().SetText(signal.Unit);
    y.SetRange(0, signal.Max);
    y.SetStep(signal.Step);
    y.LabelFormat().SetText(signal.Pattern);
    y.GridFormat().SetPen(QPen(QColor(0x80, 0x80, 0x80), 1, Qt::DotLine));
    TkxGraphTraccia* trace = diagram->AddTraccia("t");
    trace->LineFormat().SetPen(QPen(signal.Pen, 2));
    TkxGraphMarker* act = diagram->AddMarker("Act");
    act->SetAxes(TkxGraphMarker::AxisY);
    act->SetXEnd(TkxGraphMarker::EndDiamond);
    act->LineFormat().SetPen(QPen(signal.Pen, 1, Qt::DotLine));
    act->ValueFormat().SetText(signal.Pattern);
    for (int i = 0; i < Samples; ++i) {
        const double value = signal.Max * (0.5 + 0.4 * std::sin(i / 10.0));
        trace->AddPoint(false, 46000 + i * 0.1 * Second, value);
    }
    act->SetValue(trace->Points().back());
}

void BuildScope(TkxGraph& graph) {
    for (const TSignal& signal : Signals) {
        AddScopeDiagram(graph, signal);
    }
    graph.SetRect({0, 0, Width, Height});
    graph.GetDgr(0)->SetRect({2 * Width / 3, 0, Width, 100});
    graph.GetDgr(1)->SetRect({Width / 3, 0, 2 * Width / 3, 100});
    graph.GetDgr(2)->SetRect({0, 0, Width / 3, 100});
    graph.GetDgr(3)->SetRect({0, 100, Width, Height});
}

void BM_ScopeFourDiagrams(benchmark::State& state) {
    NeedApplication();
    TkxGraph graph;
    BuildScope(graph);
    for (auto _ : state) {
        graph.RenderTo(static_cast<QPainter*>(nullptr));
        benchmark::DoNotOptimize(graph.Bitmap().constBits());
    }
}
BENCHMARK(BM_ScopeFourDiagrams)->Unit(benchmark::kMicrosecond);

void BM_LargePanel(benchmark::State& state) {
    NeedApplication();
    TkxGraph graph;
    AddScopeDiagram(graph, Signals[3]);
    graph.SetRect({0, 0, Width, Height - 100});
    graph.GetDgr(0)->SetRect({0, 0, Width, Height - 100});
    for (auto _ : state) {
        graph.RenderTo(static_cast<QPainter*>(nullptr));
        benchmark::DoNotOptimize(graph.Bitmap().constBits());
    }
}
BENCHMARK(BM_LargePanel)->Unit(benchmark::kMicrosecond);

// A new sample on a full trace: the oldest goes, the bounds are found again.
void BM_SampleOnFullTrace(benchmark::State& state) {
    NeedApplication();
    TkxGraph graph;
    BuildScope(graph);
    TkxGraphTraccia& trace = *graph.GetDgr(1)->Traces()[0];
    double x = 47000;
    for (auto _ : state) {
        trace.AddPoint(trace.PointCount() >= Samples, x, 3.0);
        x += Second;
    }
}
BENCHMARK(BM_SampleOnFullTrace);

// Baselines: what a frame costs before anything is drawn, and its copy to the window.
void BM_BaselineFill(benchmark::State& state) {
    NeedApplication();
    QImage bitmap(Width, Height, QImage::Format_RGB32);
    for (auto _ : state) {
        bitmap.fill(Qt::lightGray);
        benchmark::DoNotOptimize(bitmap.constBits());
    }
}
BENCHMARK(BM_BaselineFill)->Unit(benchmark::kMicrosecond);

void BM_BaselineCopyToWindow(benchmark::State& state) {
    NeedApplication();
    QImage bitmap(Width, Height, QImage::Format_RGB32);
    bitmap.fill(Qt::lightGray);
    QImage window(Width + 20, Height + 20, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&window);
        painter.drawImage(QPoint(0, 0), bitmap);
        painter.end();
        benchmark::DoNotOptimize(window.constBits());
    }
}
BENCHMARK(BM_BaselineCopyToWindow)->Unit(benchmark::kMicrosecond);

} // namespace
