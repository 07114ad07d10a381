#pragma once

#include "base/tkxobject.h"
#include "graph/tkxgraphelementcls.h"
#include "graph/tkxgraphlegendacls.h"

#include <QColor>

#include <memory>
#include <string_view>
#include <vector>

class QPaintDevice;
class QPainter;
class TkxGraphMarker;
class TkxGraphScala;
class TkxGraphTraccia;

// A framed plot of a graph: a title line, a horizontal scale (XScale, at the bottom unless
// placed on top) and a vertical one (YScale, on the left unless placed on the right), the plot
// between them with its traces and markers, and a legend. The diagram owns all of them. Each
// render lays it out inside Rect and, with AutoX/AutoY, fits the scales to the visible traces
// and markers first. Markers' value boxes that would cover each other are moved apart.
class TkxGraphDiagram : public TkxObject {
public:
    using TTraces = std::vector<std::unique_ptr<TkxGraphTraccia>>;
    using TMarkers = std::vector<std::unique_ptr<TkxGraphMarker>>;

    explicit TkxGraphDiagram(std::string_view name);
    ~TkxGraphDiagram() override;

    TkxGraphDiagram(const TkxGraphDiagram&) = delete;
    TkxGraphDiagram& operator=(const TkxGraphDiagram&) = delete;

    // The title: its text is the diagram's name; hidden until the owner shows it.
    TkxTextFormat& TextFormat() { return FTextFormat; }
    const TkxTextFormat& TextFormat() const { return FTextFormat; }
    const std::string& Name() const { return FTextFormat.Text(); }
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible) { FVisible = visible; }
    bool AutoX() const { return FAutoX; }
    void SetAutoX(bool on) { FAutoX = on; }
    bool AutoY() const { return FAutoY; }
    void SetAutoY(bool on) { FAutoY = on; }
    const TkxGraphRect& Rect() const { return FRect; }
    void SetRect(const TkxGraphRect& rect) { FRect = rect; }
    const TkxGraphRect& TitleRect() const { return FTitleRect; }
    const TkxGraphRect& PlotRect() const { return FPlotRect; }
    const QColor& BackColor() const { return FBackColor; }
    void SetBackColor(const QColor& color) { FBackColor = color; }
    const QColor& PlotColor() const { return FPlotColor; }
    void SetPlotColor(const QColor& color) { FPlotColor = color; }

    TkxGraphLegenda* Legend() const { return FLegend.get(); }
    TkxGraphScala* XScale() const { return FXScale.get(); }
    TkxGraphScala* YScale() const { return FYScale.get(); }
    const TTraces& Traces() const { return FTraces; }
    const TMarkers& Markers() const { return FMarkers; }

    // Appended last, so drawn over the others.
    TkxGraphTraccia* AddTraccia(std::string_view name);
    TkxGraphMarker* AddMarker(std::string_view name);

    // The selected trace or marker, or null.
    TkxGraphElement* Selected() const { return FSelected; }
    // Moves the selection: the old element's flag cleared, the new one's set.
    void SelectElement(TkxGraphElement* element);
    // Selects what lies at the point: a legend entry's trace, else a marker's value box (last
    // marker first), else a visible trace (last first) whose plot holds it. False when nothing
    // is hit; the selection then stays.
    bool SelectAt(int x, int y);
    // The values of both scales at a pixel, each held to its range.
    Tkx2DPoint ValueAt(int x, int y) const;

    // Places the title, scales, plot and legend inside Rect for texts measured on device.
    void Layout(const QPaintDevice* device);
    // Fits the scales with AutoX/AutoY to the visible traces that have points (a scale keeps
    // its range when there are none) and widens them to the visible markers' values.
    void AutoRange();
    // Layout, automatic ranges and drawing; nothing while hidden.
    void Render(QPainter& painter);

private:
    void AutoRangeOf(TkxGraphScala& scale, bool horizontal) const;
    // Moves the markers' value boxes of a part (x or y) along their band so that none covers
    // another, each as little as it takes, all inside the band.
    void SpreadLabels(int part);
    void DrawFrame(QPainter& painter) const;
    void DrawTitle(QPainter& painter) const;

    TkxTextFormat FTextFormat;
    bool FVisible = true;
    bool FAutoX = true;
    bool FAutoY = true;
    TkxGraphRect FRect;
    TkxGraphRect FTitleRect;
    TkxGraphRect FPlotRect;
    QColor FBackColor{Qt::black};
    QColor FPlotColor{Qt::black};
    TTraces FTraces;
    TMarkers FMarkers;
    std::unique_ptr<TkxGraphLegenda> FLegend;
    std::unique_ptr<TkxGraphScala> FXScale;
    std::unique_ptr<TkxGraphScala> FYScale;
    TkxGraphElement* FSelected = nullptr;
};
