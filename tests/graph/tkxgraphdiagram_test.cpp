#include "graph/tkxgraphdiagramcls.h"

#include "graph/tkxgraphmarkercls.h"
#include "graph/tkxgraphscalacls.h"
#include "graph/tkxgraphtracciacls.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace {

QImage Canvas(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    return image;
}

QImage Render(TkxGraphDiagram& diagram, int width, int height) {
    QImage image = Canvas(width, height);
    QPainter painter(&image);
    diagram.Render(painter);
    return image;
}

TEST(TkxGraphDiagram, OwnsItsScalesAndLegendWithTheirDefaults) {
    TkxGraphDiagram diagram("Voltage");
    EXPECT_FALSE(diagram.TextFormat().Visible());
    EXPECT_TRUE(diagram.Visible());
    EXPECT_TRUE(diagram.AutoX());
    EXPECT_TRUE(diagram.AutoY());
    EXPECT_EQ(diagram.BackColor(), QColor(Qt::black));
    const TkxGraphScala& x = *diagram.XScale();
    EXPECT_EQ(x.Position(), TkxGraphScala::PositionBottom);
    EXPECT_EQ(diagram.YScale()->Position(), TkxGraphScala::PositionLeft);
    EXPECT_EQ(x.Step(), -1);
    EXPECT_EQ(x.LabelFormat().Text(), "0.00");
    EXPECT_EQ(x.GridFormat().Pen().style(), Qt::DotLine);
    EXPECT_EQ(x.TextFormat().Font().family(), "Arial");
    EXPECT_FALSE(diagram.Legend()->Visible());
    EXPECT_EQ(diagram.Legend()->Columns(), 1);
    EXPECT_EQ(diagram.Legend()->Items(), &diagram.Traces());

    TkxGraphMarker* marker = diagram.AddMarker("Act");
    EXPECT_EQ(marker->Value(), (Tkx2DPoint{1e99, 1e99}));
    EXPECT_EQ(marker->Axes(), TkxGraphMarker::AxisBoth);
    EXPECT_EQ(marker->ValueFormat().Brush().style(), Qt::SolidPattern);
    TkxGraphTraccia* trace = diagram.AddTraccia("Volt");
    EXPECT_EQ(trace->LineStyle(), TkxGraphTraccia::LinePolyline);
    EXPECT_EQ(trace->PointStyle(), TkxGraphTraccia::PointNone);
    EXPECT_EQ(diagram.Traces().back().get(), trace);
}

TEST(TkxGraphDiagram, LayoutPlacesScalesAroundThePlot) {
    const QImage device = Canvas(1, 1);
    TkxGraphDiagram diagram("Frequency");
    EXPECT_EQ(diagram.Name(), "Frequency");
    diagram.AddTraccia("Freq");
    diagram.AddMarker("Act");
    diagram.SetRect({0, 0, 300, 200});
    diagram.Layout(&device);
    const int xBand = diagram.XScale()->BandThickness(&device);
    const int yBand = diagram.YScale()->BandThickness(&device);
    const TkxGraphRect plot{yBand + 1, 1, 299, 200 - xBand - 1};
    EXPECT_EQ(diagram.PlotRect(), plot);
    EXPECT_EQ(diagram.XScale()->Rect(), (TkxGraphRect{plot.Left - 1, 200 - xBand, 300, 200}));
    EXPECT_EQ(diagram.YScale()->Rect(), (TkxGraphRect{0, 0, yBand, plot.Bottom + 1}));
    EXPECT_EQ(diagram.XScale()->PlotRect(), plot);
    EXPECT_EQ(diagram.Traces()[0]->Rect(), plot);
    EXPECT_EQ(diagram.Markers()[0]->Rect(), plot);
    EXPECT_EQ(diagram.TitleRect(), (TkxGraphRect{plot.Left, 0, 300, 0}));

    // A visible title takes a line; scales moved to the top and right.
    diagram.TextFormat().SetVisible(true);
    diagram.XScale()->SetPosition(TkxGraphScala::PositionTop);
    diagram.YScale()->SetPosition(TkxGraphScala::PositionRight);
    diagram.Layout(&device);
    const int titleBottom = QFontMetrics(diagram.TextFormat().Font(), &device).height() + 2;
    EXPECT_EQ(diagram.TitleRect().Bottom, titleBottom);
    EXPECT_EQ(diagram.XScale()->Rect().Top, titleBottom + 1);
    EXPECT_EQ(diagram.PlotRect(),
              (TkxGraphRect{1, titleBottom + 1 + xBand + 1, 300 - yBand - 1, 199}));

    // Too small for its scales: an empty plot, never a reversed one.
    diagram.SetRect({0, 0, 10, 10});
    diagram.Layout(&device);
    EXPECT_TRUE(diagram.PlotRect().IsEmpty());
    EXPECT_GE(diagram.PlotRect().Width(), 0);
    EXPECT_GE(diagram.PlotRect().Height(), 0);
}

TEST(TkxGraphDiagram, AutomaticRangesCoverVisibleTracesAndMarkers) {
    TkxGraphDiagram diagram("d");
    TkxGraphTraccia* a = diagram.AddTraccia("a");
    a->AddPoint(false, 1, 2);
    a->AddPoint(false, 3, 4);
    TkxGraphTraccia* b = diagram.AddTraccia("b");
    b->AddPoint(false, 2, -1);
    b->AddPoint(false, 5, 0);
    TkxGraphTraccia* hidden = diagram.AddTraccia("hidden");
    hidden->AddPoint(false, 100, 100);
    hidden->SetVisible(false);
    diagram.AddTraccia("empty"); // no points: no bounds to add
    TkxGraphMarker* marker = diagram.AddMarker("m");
    marker->SetVisible(false);

    diagram.AutoRange();
    EXPECT_EQ(diagram.XScale()->Min(), 1);
    EXPECT_EQ(diagram.XScale()->Max(), 5);
    EXPECT_EQ(diagram.YScale()->Min(), -1);
    EXPECT_EQ(diagram.YScale()->Max(), 4);

    // A visible marker left at its default value widens both ranges up to it.
    marker->SetVisible(true);
    diagram.AutoRange();
    EXPECT_EQ(diagram.XScale()->Max(), TkxGraphMarker::DefaultValue);
    EXPECT_EQ(diagram.YScale()->Max(), TkxGraphMarker::DefaultValue);
    EXPECT_EQ(diagram.YScale()->Min(), -1);

    // Only on the axes it draws; a value that is no number widens nothing.
    marker->SetAxes(TkxGraphMarker::AxisY);
    marker->SetValue({-50, std::nan("")});
    diagram.AutoRange();
    EXPECT_EQ(diagram.XScale()->Min(), 1);
    EXPECT_EQ(diagram.YScale()->Max(), 4);
    marker->SetValue({-50, -7});
    diagram.AutoRange();
    EXPECT_EQ(diagram.XScale()->Min(), 1);
    EXPECT_EQ(diagram.YScale()->Min(), -7);

    // AutoY off: the owner's range stays.
    diagram.SetAutoY(false);
    diagram.YScale()->SetRange(0, 20);
    diagram.AutoRange();
    EXPECT_EQ(diagram.YScale()->Min(), 0);
    EXPECT_EQ(diagram.YScale()->Max(), 20);
}

TEST(TkxGraphDiagram, AutomaticRangeEdges) {
    // Traces spanning no x range show 0 to 0; a flat y range stays as it is.
    TkxGraphDiagram single("d");
    single.AddTraccia("t")->AddPoint(false, 5, 3);
    single.AutoRange();
    EXPECT_EQ(single.XScale()->Min(), 0);
    EXPECT_EQ(single.XScale()->Max(), 0);
    EXPECT_EQ(single.YScale()->Min(), 3);
    EXPECT_EQ(single.YScale()->Max(), 3);

    // Nothing to fit to: the owner's ranges stay (a scope before its first sample).
    TkxGraphDiagram empty("d");
    empty.AddTraccia("t");
    empty.XScale()->SetRange(10, 40);
    empty.YScale()->SetRange(0, 128);
    empty.AutoRange();
    EXPECT_EQ(empty.XScale()->Min(), 10);
    EXPECT_EQ(empty.XScale()->Max(), 40);
    EXPECT_EQ(empty.YScale()->Max(), 128);
}

// A scope-like diagram: a current trace on a fixed vertical range and an "Act" marker that
// shows only its horizontal line.
struct CurrentDiagram {
    TkxGraphDiagram Diagram{"Current"};
    TkxGraphTraccia* Trace = Diagram.AddTraccia("Ampere");
    TkxGraphMarker* Act = Diagram.AddMarker("Act");

    CurrentDiagram() {
        Diagram.SetRect({0, 0, 400, 300});
        Diagram.SetAutoY(false);
        Diagram.YScale()->SetRange(0, 20);
        Diagram.YScale()->SetStep(5);
        Diagram.XScale()->SetStep(10);
        Diagram.YScale()->GridFormat().SetVisible(false);
        Diagram.XScale()->GridFormat().SetVisible(false);
        Diagram.SetPlotColor(Qt::black);
        Trace->LineFormat().SetPen(QPen(Qt::green, 1));
        Act->SetAxes(TkxGraphMarker::AxisY);
        Act->LineFormat().SetPen(QPen(Qt::red, 1));
    }

    void AddSample(double x, double y) {
        Trace->AddPoint(Trace->PointCount() >= 150, x, y);
        Act->SetValue(Trace->Points().back());
    }
};

TEST(TkxGraphDiagram, MarkerFollowsTheLatestSample) {
    CurrentDiagram scope;
    scope.AddSample(0, 4);
    scope.AddSample(1, 12.5);
    QImage image = Render(scope.Diagram, 400, 300);
    const TkxGraphRect plot = scope.Diagram.PlotRect();
    const int y = scope.Diagram.YScale()->ValueToPixel(12.5);
    EXPECT_EQ(y, plot.Bottom - static_cast<int>(std::trunc(12.5 * plot.Height() / 20.0)));
    // Away from the trace, across the plot.
    EXPECT_EQ(image.pixelColor(plot.Left + plot.Width() / 3, y), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(plot.Right - 2, y), QColor(Qt::red));
    // Its value box sits in the vertical scale's band, at the line.
    const TkxGraphRect box = scope.Act->YLabelRect();
    EXPECT_FALSE(box.IsEmpty());
    EXPECT_TRUE(scope.Act->XLabelRect().IsEmpty());
    EXPECT_LE(box.Right, plot.Left);
    EXPECT_LT(box.Top, y);
    EXPECT_GT(box.Bottom, y);

    scope.AddSample(2, 3);
    image = Render(scope.Diagram, 400, 300);
    const int moved = scope.Diagram.YScale()->ValueToPixel(3);
    EXPECT_EQ(image.pixelColor(plot.Left + plot.Width() / 3, moved), QColor(Qt::red));
    EXPECT_NE(image.pixelColor(plot.Left + plot.Width() / 3, y), QColor(Qt::red));

    // Outside the range: no line and no box.
    scope.AddSample(3, 25);
    image = Render(scope.Diagram, 400, 300);
    EXPECT_TRUE(scope.Act->YLabelRect().IsEmpty());
    for (int row = plot.Top; row < plot.Bottom; ++row) {
        ASSERT_NE(image.pixelColor(plot.Left + plot.Width() / 3, row), QColor(Qt::red)) << row;
    }
}

// A level marker of the current diagram, drawn after those before it.
TkxGraphMarker* AddLevel(CurrentDiagram& scope, const char* name, QColor color, double value) {
    TkxGraphMarker* level = scope.Diagram.AddMarker(name);
    level->SetAxes(TkxGraphMarker::AxisY);
    level->LineFormat().SetPen(QPen(color, 1));
    level->SetValue({0, value});
    return level;
}

bool Inside(const TkxGraphRect& box, const TkxGraphRect& area) {
    return box.Left >= area.Left && box.Top >= area.Top && box.Right <= area.Right &&
           box.Bottom <= area.Bottom;
}

TEST(TkxGraphDiagram, ValueBoxesOfNearMarkersDoNotCoverEachOther) {
    // A small panel of the scope's strip; the actual and the rated current, close together,
    // in the middle and at both ends of the range.
    const TkxGraphRect image{0, 0, 156, 100};
    const std::pair<double, double> cases[] = {
        {10, 10}, {10, 10.2}, {10, 9.8}, {0, 0.3}, {20, 19.7}};
    for (const auto& [actual, rated] : cases) {
        SCOPED_TRACE(testing::Message() << actual << " " << rated);
        CurrentDiagram scope;
        scope.Diagram.SetRect(image);
        scope.Diagram.TextFormat().SetVisible(true);
        scope.Act->LineFormat().SetPen(QPen(Qt::blue, 1));
        TkxGraphMarker* nominal = AddLevel(scope, "INom", Qt::red, rated);
        scope.AddSample(0, actual);
        const QImage picture = Render(scope.Diagram, image.Width(), image.Height());
        const TkxGraphRect first = scope.Act->YLabelRect();
        const TkxGraphRect second = nominal->YLabelRect();
        ASSERT_FALSE(first.IsEmpty());
        ASSERT_FALSE(second.IsEmpty());
        EXPECT_FALSE(first.ToQRect().intersects(second.ToQRect()));
        // Both inside the picture, beside the plot and along its height.
        for (const TkxGraphRect& box : {first, second}) {
            EXPECT_TRUE(Inside(box, image));
            EXPECT_TRUE(Inside(box, scope.Diagram.YScale()->Rect()));
            EXPECT_LE(box.Right, scope.Diagram.PlotRect().Left);
        }
        // Each box is drawn where it is reported, framed in its own marker's colour.
        EXPECT_EQ(picture.pixelColor(first.Left, (first.Top + first.Bottom) / 2), QColor(Qt::blue));
        EXPECT_EQ(picture.pixelColor(second.Left, (second.Top + second.Bottom) / 2),
                  QColor(Qt::red));
        // Moved just clear of each other, no further.
        EXPECT_TRUE(second.Top == first.Bottom || second.Bottom == first.Top);
        // A moved box is still picked by a click on it.
        ASSERT_TRUE(scope.Diagram.SelectAt((second.Left + second.Right) / 2,
                                           (second.Top + second.Bottom) / 2));
        EXPECT_EQ(scope.Diagram.Selected(), nominal);
    }
}

TEST(TkxGraphDiagram, ValueBoxesStayAtTheirLinesWhenApartOrWhenThereIsNoRoom) {
    CurrentDiagram scope;
    TkxGraphMarker* nominal = AddLevel(scope, "INom", Qt::red, 15);
    scope.AddSample(0, 5);
    Render(scope.Diagram, 400, 300);
    for (const TkxGraphMarker* marker : {scope.Act, nominal}) {
        const int line = scope.Diagram.YScale()->ValueToPixel(marker->Value().Y);
        EXPECT_LT(marker->YLabelRect().Top, line);
        EXPECT_GT(marker->YLabelRect().Bottom, line);
    }

    // A plot lower than two boxes: they cannot all be clear; each stays inside the picture.
    TkxGraphMarker* peak = AddLevel(scope, "IMax", Qt::blue, 10);
    nominal->SetValue({0, 10});
    scope.AddSample(1, 10);
    const TkxGraphRect image{0, 0, 200, 40};
    scope.Diagram.SetRect(image);
    Render(scope.Diagram, image.Width(), image.Height());
    ASSERT_LT(scope.Diagram.PlotRect().Height(), 2 * nominal->YLabelRect().Height());
    for (const TkxGraphMarker* marker : {scope.Act, nominal, peak}) {
        EXPECT_FALSE(marker->YLabelRect().IsEmpty());
        EXPECT_TRUE(Inside(marker->YLabelRect(), image));
    }
}

TEST(TkxGraphDiagram, GridLinesAtTheTicks) {
    CurrentDiagram scope;
    scope.Diagram.YScale()->GridFormat().SetVisible(true);
    scope.Diagram.YScale()->GridFormat().SetPen(QPen(Qt::blue, 1));
    const QImage image = Render(scope.Diagram, 400, 300);
    const TkxGraphScala& y = *scope.Diagram.YScale();
    const std::vector<double> ticks =
        y.TickValues(y.LabelExtent(QFontMetrics(y.LabelFormat().Font(), &image)));
    ASSERT_FALSE(ticks.empty());
    const int column = scope.Diagram.PlotRect().Left + 7;
    for (const double tick : ticks) {
        EXPECT_EQ(image.pixelColor(column, y.ValueToPixel(tick)), QColor(Qt::blue)) << tick;
        EXPECT_NE(image.pixelColor(column, y.ValueToPixel(tick) + 2), QColor(Qt::blue)) << tick;
    }
}

TEST(TkxGraphDiagram, SelectionTriesLegendThenMarkersThenTraces) {
    CurrentDiagram scope;
    TkxGraphTraccia* first = scope.Trace;
    TkxGraphTraccia* second = scope.Diagram.AddTraccia("Second");
    TkxGraphTraccia* hidden = scope.Diagram.AddTraccia("Hidden");
    hidden->SetVisible(false);
    scope.AddSample(0, 10);
    scope.AddSample(10, 10);
    scope.Diagram.Legend()->SetVisible(true);
    scope.Diagram.Legend()->SetLeft(200);
    Render(scope.Diagram, 400, 300);
    const TkxGraphRect plot = scope.Diagram.PlotRect();

    // Inside the plot: the last visible trace, with the value under the point.
    const int x = plot.Left + plot.Width() / 2;
    ASSERT_TRUE(scope.Diagram.SelectAt(x, plot.Bottom - plot.Height() / 4));
    EXPECT_EQ(scope.Diagram.Selected(), second);
    EXPECT_TRUE(second->Selected());
    EXPECT_NEAR(second->HitValue().X, 5.0, 0.1);
    EXPECT_NEAR(second->HitValue().Y, 5.0, 0.1);

    // A marker's value box.
    const TkxGraphRect box = scope.Act->YLabelRect();
    ASSERT_TRUE(scope.Diagram.SelectAt((box.Left + box.Right) / 2, (box.Top + box.Bottom) / 2));
    EXPECT_EQ(scope.Diagram.Selected(), scope.Act);
    EXPECT_EQ(scope.Act->HitPart(), TkxGraphMarker::HitYLabel);
    EXPECT_TRUE(scope.Act->Selected());
    EXPECT_FALSE(second->Selected());

    // The legend's cell of the first trace, though it lies inside the plot.
    const TkxGraphLegenda& legend = *scope.Diagram.Legend();
    EXPECT_EQ(legend.Rows(), 3);
    ASSERT_TRUE(scope.Diagram.SelectAt(legend.Rect().Left + 2, legend.Rect().Top + 2));
    EXPECT_EQ(scope.Diagram.Selected(), first);
    // The hidden trace's cell selects it only through the legend.
    EXPECT_EQ(legend.TraceAt(legend.Rect().Left + 2, legend.Rect().Bottom - 2), hidden);

    // Nothing there: the selection stays.
    EXPECT_FALSE(scope.Diagram.SelectAt(0, 0));
    EXPECT_EQ(scope.Diagram.Selected(), first);
    scope.Diagram.SelectElement(nullptr);
    EXPECT_FALSE(first->Selected());
    EXPECT_EQ(scope.Diagram.Selected(), nullptr);
}

TEST(TkxGraphDiagram, LegendGivesEveryTraceACell) {
    const QImage device = Canvas(1, 1);
    TkxGraphDiagram diagram("d");
    TkxGraphLegenda& legend = *diagram.Legend();
    EXPECT_FALSE(legend.Visible());
    diagram.SetRect({0, 0, 300, 200});
    diagram.Layout(&device);
    EXPECT_EQ(legend.Rows(), 1); // "Empty"
    for (const char* name : {"a", "bb", "ccc"}) {
        diagram.AddTraccia(name);
    }
    legend.SetColumns(2);
    diagram.Layout(&device);
    EXPECT_EQ(legend.Rows(), 2);
    const QFontMetrics metrics(legend.TextFormat().Font(), &device);
    EXPECT_EQ(legend.CellWidth(), metrics.horizontalAdvance("ccc"));
    EXPECT_EQ(legend.Rect().Width(), legend.CellWidth() * 10 / 9 * 2);
    EXPECT_EQ(legend.Rect().Height(), metrics.height() * 4 / 3 * 2);
    legend.SetColumns(0);
    EXPECT_EQ(legend.Columns(), 1);
    diagram.Layout(&device);
    EXPECT_EQ(legend.Rows(), 3);
}

} // namespace
