#include "graph/tkxgraphcmp.h"

#include "graph/tkxgraphdiagramcls.h"
#include "graph/tkxgraphmarkercls.h"
#include "graph/tkxgraphscalacls.h"
#include "graph/tkxgraphtracciacls.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPalette>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The scope's layout: the last diagram large below, the others in a strip along the top.
void LayOutAsScope(TkxGraph& graph, int width, int height) {
    graph.SetRect({0, 0, width, height});
    const TkxGraphRect places[] = {{2 * width / 3, 0, width, 100},
                                   {width / 3, 0, 2 * width / 3, 100},
                                   {0, 0, width / 3, 100},
                                   {0, 100, width, height}};
    for (int i = 0; i < 4; ++i) {
        if (TkxGraphDiagram* diagram = graph.GetDgr(i)) {
            diagram->SetRect(places[i]);
        }
    }
}

TEST(TkxGraph, FindsDiagramsByNameAndPosition) {
    TkxGraph graph;
    TkxGraphDiagram* frequency = graph.AddDgr("Frequency");
    TkxGraphDiagram* current = graph.AddDgr("Current");
    graph.AddDgr("Current");
    EXPECT_EQ(graph.GetDgr("Current"), current);
    EXPECT_EQ(graph.GetDgr("current"), nullptr);
    EXPECT_EQ(graph.GetDgr("Volt"), nullptr);
    EXPECT_EQ(graph.GetDgr(0), frequency);
    EXPECT_EQ(graph.GetDgr(graph.DiagramCount()), nullptr);
    EXPECT_EQ(graph.GetDgr(-1), nullptr);

    graph.SetSelectedDgr(current);
    graph.ClearAll();
    EXPECT_EQ(graph.DiagramCount(), 0);
    EXPECT_EQ(graph.SelectedDgr(), nullptr);
    EXPECT_EQ(graph.GetDgr(0), nullptr);
}

TEST(TkxGraph, BringToFrontMovesAClickedPanelToTheLargeArea) {
    TkxGraph graph;
    for (const char* name : {"Frequency", "Current", "Voltage", "DcBus"}) {
        graph.AddDgr(name);
    }
    LayOutAsScope(graph, 468, 375);
    // "Current" is at position 1, the middle of the strip.
    graph.SelectAtPos(468 / 2, 50);
    ASSERT_NE(graph.SelectedDgr(), nullptr);
    EXPECT_EQ(graph.SelectedDgr()->Name(), "Current");
    graph.BringToFront(graph.SelectedDgr());
    const char* const order[] = {"Frequency", "Voltage", "DcBus", "Current"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(graph.GetDgr(i)->Name(), order[i]) << i;
    }
    // Null and a diagram of another graph change nothing.
    TkxGraph other;
    graph.BringToFront(nullptr);
    graph.BringToFront(other.AddDgr("x"));
    EXPECT_EQ(graph.GetDgr(3)->Name(), "Current");
    EXPECT_EQ(graph.DiagramCount(), 4);
}

TEST(TkxGraph, SelectionAndLookUpsUseTheStrictInside) {
    TkxGraph graph;
    TkxGraphDiagram* below = graph.AddDgr("below");
    TkxGraphDiagram* above = graph.AddDgr("above");
    below->SetRect({0, 0, 100, 100});
    above->SetRect({50, 50, 150, 150});

    graph.SelectAtPos(0, 40); // on the border
    EXPECT_EQ(graph.SelectedDgr(), nullptr);
    graph.SelectAtPos(100, 20);
    EXPECT_EQ(graph.SelectedDgr(), nullptr);
    graph.SelectAtPos(75, 75); // both: the top one
    EXPECT_EQ(graph.SelectedDgr(), above);
    above->SetVisible(false);
    graph.SelectAtPos(75, 75);
    EXPECT_EQ(graph.SelectedDgr(), below);
    graph.SelectAtPos(120, 120); // only the hidden one
    EXPECT_EQ(graph.SelectedDgr(), nullptr);
    above->SetVisible(true);

    // DgrAtPos goes by list order, visible or not.
    EXPECT_EQ(graph.DgrAtPos(75, 75), below);
    EXPECT_EQ(graph.DgrAtPos(120, 120), above);
    EXPECT_EQ(graph.DgrAtPos(50, 120), nullptr);

    Tkx2DPoint value{-3, -3};
    EXPECT_EQ(graph.CoordAtCurPos(150, 75, value), -1);
    EXPECT_EQ(value, (Tkx2DPoint{-3, -3}));
    EXPECT_EQ(graph.CoordAtCurPos(75, 75, value), 1);
    EXPECT_EQ(graph.CoordAtCurPos(20, 20, value), 0);
}

TEST(TkxGraph, ChangingTheDiagramClearsElementSelections) {
    TkxGraph graph;
    TkxGraphDiagram* first = graph.AddDgr("first");
    TkxGraphDiagram* second = graph.AddDgr("second");
    TkxGraphTraccia* a = first->AddTraccia("a");
    TkxGraphTraccia* b = second->AddTraccia("b");
    graph.SetSelectedDgr(first);
    first->SelectElement(a);
    second->SelectElement(b);
    graph.SetSelectedDgr(first); // unchanged: nothing happens
    EXPECT_TRUE(a->Selected());
    graph.SetSelectedDgr(second);
    EXPECT_EQ(first->Selected(), nullptr);
    EXPECT_FALSE(a->Selected());
    EXPECT_EQ(second->Selected(), nullptr);
    EXPECT_FALSE(b->Selected());
}

TEST(TkxGraph, ValueUnderThePointerInvertsTheDrawing) {
    TkxGraph graph;
    graph.SetRect({0, 0, 300, 200});
    TkxGraphDiagram* diagram = graph.AddDgr("d");
    diagram->SetRect({0, 0, 300, 200});
    diagram->SetAutoX(false);
    diagram->SetAutoY(false);
    diagram->XScale()->SetRange(0, 30);
    diagram->YScale()->SetRange(-10, 10);
    graph.RenderTo(static_cast<QPaintDevice*>(nullptr));
    const Tkx2DPoint point{12, 4};
    const int x = diagram->XScale()->ValueToPixel(point.X);
    const int y = diagram->YScale()->ValueToPixel(point.Y);
    Tkx2DPoint value;
    ASSERT_EQ(graph.CoordAtCurPos(x, y, value), 0);
    EXPECT_NEAR(value.X, point.X, 30.0 / diagram->PlotRect().Width());
    EXPECT_NEAR(value.Y, point.Y, 20.0 / diagram->PlotRect().Height());
    // Beyond the plot, inside the diagram: held to the ranges.
    ASSERT_EQ(graph.CoordAtCurPos(1, 198, value), 0);
    EXPECT_EQ(value, (Tkx2DPoint{0, -10}));
}

TEST(TkxGraph, EmptyGraphShowsTheButtonColour) {
    TkxGraph graph;
    int refreshed = 0;
    QSize seen;
    graph.OnRefreshed = [&](TkxGraph* sender, const QImage& picture) {
        EXPECT_EQ(sender, &graph);
        seen = picture.size();
        ++refreshed;
    };
    EXPECT_TRUE(graph.RenderTo(static_cast<QPaintDevice*>(nullptr)));
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(seen, QSize(319, 239));
    const QColor button = QGuiApplication::palette().color(QPalette::Button);
    EXPECT_EQ(graph.Bitmap().pixelColor(0, 0), button);
    EXPECT_EQ(graph.Bitmap().pixelColor(318, 238), button);

    // Copied to the target at the graph's place.
    graph.SetRect({10, 20, 30, 40});
    QImage target(50, 50, QImage::Format_RGB32);
    target.fill(Qt::magenta);
    graph.RenderTo(&target);
    EXPECT_EQ(target.pixelColor(9, 25), QColor(Qt::magenta));
    EXPECT_EQ(target.pixelColor(10, 20), button);
    EXPECT_EQ(target.pixelColor(29, 39), button);
    EXPECT_EQ(target.pixelColor(30, 39), QColor(Qt::magenta));
}

TEST(TkxGraph, TracePixelsLieWhereTheScalesPutThem) {
    TkxGraph graph;
    graph.SetRect({0, 0, 320, 240});
    TkxGraphDiagram* diagram = graph.AddDgr("d");
    diagram->SetRect({0, 0, 320, 240});
    diagram->SetBackColor(Qt::blue);
    diagram->SetPlotColor(Qt::black);
    diagram->SetAutoY(false);
    diagram->YScale()->SetRange(0, 100);
    diagram->XScale()->GridFormat().SetVisible(false);
    diagram->YScale()->GridFormat().SetVisible(false);
    TkxGraphTraccia* trace = diagram->AddTraccia("t");
    trace->SetLineStyle(TkxGraphTraccia::LineDots);
    trace->LineFormat().SetPen(QPen(Qt::red, 1));
    const Tkx2DPoint points[] = {{0, 0}, {7, 33}, {13, 50}, {19, 99}, {20, 71.5}};
    for (const Tkx2DPoint& p : points) {
        trace->AddPoint(false, p.X, p.Y);
    }
    graph.RenderTo(static_cast<QPaintDevice*>(nullptr));
    const QImage& image = graph.Bitmap();
    const TkxGraphRect plot = diagram->PlotRect();
    ASSERT_GT(plot.Width(), 100);
    ASSERT_GT(plot.Height(), 100);
    // x from 0 to 20 over the plot's width, y from 0 to 100 over its height.
    const double ppuX = plot.Width() / 20.0;
    const double ppuY = plot.Height() / 100.0;
    int inside = 0;
    for (const Tkx2DPoint& p : points) {
        const int x = plot.Left + static_cast<int>(std::trunc(p.X * ppuX));
        const int y = plot.Bottom - static_cast<int>(std::trunc(p.Y * ppuY));
        EXPECT_EQ(diagram->XScale()->ValueToPixel(p.X), x);
        EXPECT_EQ(diagram->YScale()->ValueToPixel(p.Y), y);
        // Points on the plot's right or bottom edge fall on the frame, outside the clip.
        if (x < plot.Right && y < plot.Bottom) {
            EXPECT_EQ(image.pixelColor(x, y), QColor(Qt::red)) << p.X << "," << p.Y;
            ++inside;
        }
    }
    EXPECT_EQ(inside, 3);
    // Dots only: the plot between them and the diagram around keep their colours.
    EXPECT_EQ(image.pixelColor(plot.Left + 3, plot.Top + 3), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(plot.Left + 3, plot.Bottom - 3), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(diagram->Rect().Right - 1, diagram->Rect().Bottom - 1),
              QColor(Qt::blue));
}

TEST(TkxGraph, SavesThePictureAsPngOrBmp) {
    TkxGraph graph;
    graph.SetRect({0, 0, 64, 48});
    TkxGraphDiagram* diagram = graph.AddDgr("d");
    diagram->SetRect({0, 0, 64, 48});
    diagram->SetBackColor(Qt::darkCyan);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString png = dir.filePath("scope.png");
    const QString bmp = dir.filePath("scope.bmp");
    const QString plain = dir.filePath("scope");
    ASSERT_TRUE(graph.SaveToFile(png));
    ASSERT_TRUE(graph.SaveToFile(bmp));
    ASSERT_TRUE(graph.SaveToFile(plain));
    EXPECT_EQ(QImageReader(png).format(), "png");
    EXPECT_EQ(QImageReader(bmp).format(), "bmp");
    EXPECT_EQ(QImageReader(plain).format(), "bmp");
    const QImage saved(png);
    EXPECT_EQ(saved.size(), QSize(64, 48));
    EXPECT_EQ(saved.pixelColor(0, 0), QColor(Qt::darkCyan));
    EXPECT_EQ(QImage(bmp).pixelColor(0, 0), QColor(Qt::darkCyan));

    // A folder that does not exist: reported, not pretended.
    EXPECT_FALSE(graph.SaveToFile(dir.filePath("missing/scope.png")));
    EXPECT_FALSE(QFile::exists(dir.filePath("missing/scope.png")));
}

TEST(TkxGraph, AScopeOfFourDiagramsRenders) {
    TkxGraph graph;
    const char* const names[] = {"Frequency", "Current", "Voltage", "DcBus"};
    for (const char* name : names) {
        TkxGraphDiagram* diagram = graph.AddDgr(name);
        diagram->TextFormat().SetVisible(true);
        diagram->SetAutoY(false);
        diagram->YScale()->SetRange(0, 700);
        diagram->YScale()->SetStep(100);
        diagram->XScale()->SetTimeLabels(true);
        diagram->XScale()->SetStep(10.0 / 86400);
        diagram->XScale()->TextFormat().SetVisible(false);
        TkxGraphTraccia* trace = diagram->AddTraccia("t");
        TkxGraphMarker* act = diagram->AddMarker("Act");
        act->SetAxes(TkxGraphMarker::AxisY);
        for (int i = 0; i < 200; ++i) {
            trace->AddPoint(trace->PointCount() >= 150, 46000 + i / 86400.0, 300 + i);
            act->SetValue(trace->Points().back());
        }
        diagram->SelectElement(act);
    }
    LayOutAsScope(graph, 468, 375);
    EXPECT_TRUE(graph.RenderTo(static_cast<QPaintDevice*>(nullptr)));
    for (int i = 0; i < 4; ++i) {
        const TkxGraphDiagram& diagram = *graph.GetDgr(i);
        EXPECT_EQ(diagram.Traces()[0]->PointCount(), 150);
        EXPECT_FALSE(diagram.PlotRect().IsEmpty()) << i;
        EXPECT_DOUBLE_EQ(diagram.XScale()->Min(), 46000 + 50 / 86400.0);
    }
}

} // namespace
