#include "tscopeform.h"

#include "graph/tkxgraphdiagramcls.h"
#include "graph/tkxgraphmarkercls.h"
#include "graph/tkxgraphscalacls.h"
#include "graph/tkxgraphtracciacls.h"
#include "support/tkxtempfolder.h"
#include "ui/tkxqtconvert.h"
#include "ui/tkxuitest.h"

#include <QAction>
#include <QFile>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr double Second = 1.0 / 86400;
constexpr double Start = 46000.5;

const TkxGraphMarker* Marker(const TkxGraphDiagram* diagram, const std::string& name) {
    for (const auto& marker : diagram->Markers()) {
        if (marker->Name() == name) {
            return marker.get();
        }
    }
    return nullptr;
}

const TkxGraphTraccia& Trace(const TScopeForm& scope, TScopeForm::TSignal signal) {
    return *scope.Diagram(signal)->Traces().front();
}

QStringList Names(const TkxGraph& graph) {
    QStringList names;
    for (const auto& diagram : graph.Diagrams()) {
        names << QString::fromStdString(diagram->Name());
    }
    return names;
}

} // namespace

// The scope: its four diagrams, samples and their limits, the panels and their enlarging,
// drawing only while shown, the pause and the export of the samples.
class TScopeFormTest : public QObject {
    Q_OBJECT
private slots:
    void BuildsTheFourDiagramsWithTheirScalesTracesAndMarkers() {
        TScopeForm scope;
        QCOMPARE(scope.size(), QSize(TScopeForm::DesignWidth, TScopeForm::DesignHeight));
        QCOMPARE(scope.windowTitle(), QStringLiteral("Oscilloscope"));
        QCOMPARE(Names(scope.Graph()), QStringList({"Frequency", "Current", "Voltage", "DcBus"}));
        const struct {
            TScopeForm::TSignal Signal;
            std::uint32_t Back;
            const char* Unit;
            double Max;
            const char* Pattern;
            std::uint32_t Pen;
            std::vector<std::string> Markers;
        } expected[] = {
            {TScopeForm::Frequency, 0xFDCBAC, "[Hz]", 128, "000.0", 0xFF0000, {"Ref", "Act"}},
            {TScopeForm::Current, 0xFDB386, "[A]", 20, "00.0", 0x00FF00, {"INom", "IMax", "Act"}},
            {TScopeForm::Voltage, 0xFB7C31, "[V]", 700, "000", 0x0000FF, {"Act"}},
            {TScopeForm::DcBus, 0xD05104, "[V]", 700, "000", 0xFF00FF, {"Act"}},
        };
        for (const auto& want : expected) {
            const TkxGraphDiagram* diagram = scope.Diagram(want.Signal);
            QVERIFY(diagram->Visible() && diagram->AutoX() && !diagram->AutoY());
            QVERIFY(diagram->TextFormat().Visible());
            QCOMPARE(diagram->BackColor(), TkxQColor(want.Back));
            QCOMPARE(diagram->YScale()->Name(), std::string(want.Unit));
            QCOMPARE(diagram->YScale()->Min(), 0.0);
            QCOMPARE(diagram->YScale()->Max(), want.Max);
            QCOMPARE(diagram->YScale()->LabelFormat().Text(), std::string(want.Pattern));
            QVERIFY(diagram->XScale()->TimeLabels() && !diagram->XScale()->DateLabels());
            QVERIFY(std::abs(diagram->XScale()->Max() - diagram->XScale()->Min() - 30 * Second) <
                    1e-9);
            const TkxGraphTraccia& trace = *diagram->Traces().front();
            QCOMPARE(trace.LineFormat().Pen().color(), TkxQColor(want.Pen));
            QCOMPARE(trace.LineFormat().Pen().width(), 2);
            std::vector<std::string> markers;
            for (const auto& marker : diagram->Markers()) {
                markers.push_back(marker->Name());
                QCOMPARE(marker->Axes(), TkxGraphMarker::AxisY);
            }
            QCOMPARE(markers, want.Markers);
            QCOMPARE(Marker(diagram, "Act")->LineFormat().Pen().color(), TkxQColor(want.Pen));
            QCOMPARE(Marker(diagram, "Act")->ValueFormat().Text(), std::string(want.Pattern));
        }
        // The set point and its marker are there but not shown.
        const TkxGraphDiagram* frequency = scope.Diagram(TScopeForm::Frequency);
        QCOMPARE(frequency->Traces().size(), std::size_t(2));
        QVERIFY(!frequency->Traces()[1]->Visible());
        QVERIFY(!Marker(frequency, "Ref")->Visible());
        QCOMPARE(frequency->Traces()[0]->LineFormat().Brush().color(), TkxQColor(0xFF0000));
        QCOMPARE(Trace(scope, TScopeForm::Current).LineFormat().Brush().color(),
                 TkxQColor(0xC0C0C0));
    }

    void KeepsTheLatest150SamplesWithARangeThroughZero() {
        TScopeForm scope;
        for (int i = 0; i < 160; ++i) {
            scope.AddCurrentSample(Start + i * Second, i < 5 ? -2.0 - i : 3.0);
        }
        const TkxGraphTraccia& trace = Trace(scope, TScopeForm::Current);
        QCOMPARE(trace.PointCount(), TScopeForm::MaxPoints);
        QCOMPARE(trace.Points().front().X, Start + 10 * Second);
        // The negative samples have gone: the range ends at 0 below.
        const TkxGraphScala& y = *scope.Diagram(TScopeForm::Current)->YScale();
        QCOMPARE(y.Min(), 0.0);
        QCOMPARE(y.Max(), 3.0);
        QCOMPARE(Marker(scope.Diagram(TScopeForm::Current), "Act")->Value(),
                 (Tkx2DPoint{Start + 159 * Second, 3.0}));

        // Negative values stretch the range below 0, all-negative ones keep 0 on top.
        scope.AddVoltageSample(Start, -50);
        const TkxGraphScala& volts = *scope.Diagram(TScopeForm::Voltage)->YScale();
        QCOMPARE(volts.Min(), -50.0);
        QCOMPARE(volts.Max(), 0.0);
        // A value that is no number is dropped and changes nothing.
        scope.AddVoltageSample(Start + Second, std::numeric_limits<double>::quiet_NaN());
        scope.AddVoltageSample(std::numeric_limits<double>::infinity(), 10);
        QCOMPARE(Trace(scope, TScopeForm::Voltage).PointCount(), 1);
        QCOMPARE(Marker(scope.Diagram(TScopeForm::Voltage), "Act")->Value().Y, -50.0);

        scope.SetNominalCurrent(4.5);
        scope.SetMaximumCurrent(9);
        QCOMPARE(Marker(scope.Diagram(TScopeForm::Current), "INom")->Value().Y, 4.5);
        QCOMPARE(Marker(scope.Diagram(TScopeForm::Current), "IMax")->Value().Y, 9.0);
    }

    void AClickedPanelTakesTheLargeArea() {
        TScopeForm scope;
        const int w = TScopeForm::DesignWidth;
        const int h = TScopeForm::DesignHeight;
        scope.LayoutDiagrams(w, h);
        QCOMPARE(scope.Diagram(TScopeForm::DcBus)->Rect(), (TkxGraphRect{0, 100, w, h}));
        QCOMPARE(scope.Diagram(TScopeForm::Voltage)->Rect(), (TkxGraphRect{0, 0, w / 3, 100}));
        QCOMPARE(scope.Diagram(TScopeForm::Current)->Rect(),
                 (TkxGraphRect{w / 3, 0, 2 * w / 3, 100}));
        QCOMPARE(scope.Diagram(TScopeForm::Frequency)->Rect(),
                 (TkxGraphRect{2 * w / 3, 0, w, 100}));

        // The current panel, in the middle of the strip, goes below; the former large
        // diagram joins the strip.
        scope.ClickAt(w / 2, 50);
        QCOMPARE(Names(scope.Graph()), QStringList({"Frequency", "Voltage", "DcBus", "Current"}));
        QCOMPARE(scope.Diagram(TScopeForm::Current)->Rect(), (TkxGraphRect{0, 100, w, h}));
        QCOMPARE(scope.Diagram(TScopeForm::DcBus)->Rect(), (TkxGraphRect{0, 0, w / 3, 100}));

        // A click on the large one or on no diagram keeps the order.
        scope.ClickAt(w / 2, 200);
        scope.ClickAt(w + 50, h + 50);
        QCOMPARE(Names(scope.Graph()), QStringList({"Frequency", "Voltage", "DcBus", "Current"}));
    }

    void DrawsOnlyWhileShownAndOncePerFrame() {
        TScopeForm scope;
        // Ten samples a second for a minute while hidden: stored, never drawn.
        for (int i = 0; i < 600; ++i) {
            scope.AddFrequencySample(Start + i * 0.1 * Second, i % 50);
            scope.Redraw();
        }
        QCoreApplication::processEvents();
        QCOMPARE(scope.RenderCount(), 0);
        QCOMPARE(Trace(scope, TScopeForm::Frequency).PointCount(), TScopeForm::MaxPoints);

        scope.show();
        QVERIFY(QTest::qWaitForWindowExposed(&scope));
        QVERIFY(QTest::qWaitFor([&] { return scope.RenderCount() > 0; }, 5000));
        // Samples between two frames are drawn together.
        const int before = scope.RenderCount();
        for (int i = 0; i < 20; ++i) {
            scope.AddFrequencySample(Start + (600 + i) * 0.1 * Second, 10);
            scope.Redraw();
        }
        QVERIFY(QTest::qWaitFor([&] { return scope.RenderCount() > before; }, 5000));
        QCoreApplication::processEvents();
        QVERIFY2(scope.RenderCount() <= before + 2,
                 qPrintable(QString::number(scope.RenderCount() - before)));

        scope.hide();
        const int hidden = scope.RenderCount();
        scope.AddFrequencySample(Start + 700 * 0.1 * Second, 10);
        scope.Redraw();
        QCoreApplication::processEvents();
        QCOMPARE(scope.RenderCount(), hidden);
    }

    void PausingHoldsThePictureStill() {
        TScopeForm scope;
        scope.AddFrequencySample(Start, 1);
        scope.acPause->trigger();
        QVERIFY(scope.Paused());
        QCOMPARE(scope.acPause->text(), QStringLiteral("&Resume"));
        scope.AddFrequencySample(Start + Second, 2);
        QCOMPARE(Trace(scope, TScopeForm::Frequency).PointCount(), 1);
        scope.acPause->trigger();
        QVERIFY(!scope.Paused());
        scope.AddFrequencySample(Start + 2 * Second, 3);
        QCOMPARE(Trace(scope, TScopeForm::Frequency).PointCount(), 2);
    }

    void ExportsTheSamplesAsCsv() {
        TkxTempFolder folder;
        TScopeForm scope;
        QStringList messages;
        scope.ShowMessage = [&](const QString& message) { messages << message; };
        const QString path = QString::fromStdString(folder.PathOf("scope.csv"));
        scope.AskExportFile = [&] { return std::optional<QString>(path); };
        // 2026-01-01 is day 46023; the current has no sample at the second time.
        const double day = 46023 + 0.5;
        scope.AddFrequencySample(day, 12.5);
        scope.AddCurrentSample(day, -1.25);
        scope.AddVoltageSample(day, 230);
        scope.AddDcBusSample(day, 560);
        scope.AddFrequencySample(day + Second, 13);
        scope.AddDcBusSample(day + Second, 561);
        scope.acExport->trigger();
        QVERIFY(messages.isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()),
                 QStringLiteral("Time,Frequency [Hz],Current [A],Voltage [V],DcBus [V]\r\n"
                                "2026-01-01 12:00:00.000,12.5,-1.25,230,560\r\n"
                                "2026-01-01 12:00:01.000,13,,,561\r\n"));
        file.close();

        // A file that cannot be written is reported; nothing is lost of what was there.
        scope.AskExportFile = [&] {
            return std::optional<QString>(QString::fromStdString(folder.PathOf("no/such/x.csv")));
        };
        scope.acExport->trigger();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains(QStringLiteral("could not be written")));
        // A cancelled choice writes nothing.
        scope.AskExportFile = [] { return std::optional<QString>(); };
        scope.acExport->trigger();
        QCOMPARE(messages.size(), 1);
    }
};

TKX_UI_TEST(TScopeFormTest);

#include "tscopeform_test.moc"
