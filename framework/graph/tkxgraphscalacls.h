#pragma once

#include "graph/tkxgraphelementcls.h"

#include <QStringList>

#include <string_view>
#include <vector>

class QFontMetrics;
class QPainter;

// A scale of a diagram: the value range along one side of the plot, its ticks, tick labels,
// grid lines and title. The name (TextFormat's text) is the title, such as "[Hz]", written
// only while TextFormat is visible. Position 1 puts it on top, 2 at the bottom (both
// horizontal), 3 on the left and any other value on the right (vertical). The diagram lays
// out Rect and PlotRect before each render; values map to pixels of PlotRect.
class TkxGraphScala : public TkxGraphElement {
public:
    static constexpr int PositionTop = 1;
    static constexpr int PositionBottom = 2;
    static constexpr int PositionLeft = 3;
    static constexpr int PositionRight = 4;
    // The length of tick marks and of the band they take on the plot's side.
    static constexpr int TickLength = 5;

    TkxGraphScala(std::string_view name, int position);

    int Position() const { return FPosition; }
    void SetPosition(int position) { FPosition = position; }
    bool IsHorizontal() const { return FPosition == PositionTop || FPosition == PositionBottom; }
    double Min() const { return FMin; }
    double Max() const { return FMax; }
    // A bound that is not a finite number is refused: false, and the range stays.
    bool SetRange(double min, double max);
    // The distance of ticks before they are spread out to fit their labels; zero or less
    // draws no ticks.
    double Step() const { return FStep; }
    void SetStep(double step) { FStep = step; }
    bool DateLabels() const { return FDateLabels; }
    void SetDateLabels(bool on) { FDateLabels = on; }
    bool TimeLabels() const { return FTimeLabels; }
    void SetTimeLabels(bool on) { FTimeLabels = on; }
    // Its text is the number pattern of tick labels ("0.00"), its font the labels' font.
    TkxTextFormat& LabelFormat() { return FLabelFormat; }
    const TkxTextFormat& LabelFormat() const { return FLabelFormat; }
    TkxLineFormat& GridFormat() { return FGridFormat; }
    const TkxLineFormat& GridFormat() const { return FGridFormat; }
    const TkxGraphRect& PlotRect() const { return FPlotRect; }
    void SetPlotRect(const TkxGraphRect& rect) { FPlotRect = rect; }

    // Pixels per unit: the scale's length along its direction less 2, over the range; 1 for
    // an empty range.
    double PixelsPerUnit() const;
    // The pixel of a value: from the plot's left edge rightwards, or from its bottom edge
    // upwards. Values far outside the range land a bounded distance outside the plot.
    int ValueToPixel(double value) const;
    // The inverse of ValueToPixel, held to the range.
    double PixelToValue(int pixel) const;

    // The text lines of a tick label: the value by the number pattern, as a date, as a time
    // of day, or a date with the time on a second line.
    QStringList LabelLines(double value) const;
    // The room a label needs along the scale: the width of a sample label for horizontal
    // scales, twice a line's height for vertical ones.
    int LabelExtent(const QFontMetrics& labelMetrics) const;
    // The distance of ticks for labels of that extent, or 0 when the scale draws none: Step
    // cut by tens to at most half the range, then widened by 2, 5 or 10 until labels fit.
    double TickStep(int labelExtent) const;
    // The values ticks are drawn at for labels of that extent, from the first multiple of
    // the step above Min up to Max.
    std::vector<double> TickValues(int labelExtent) const;

    // The thickness of the band the scale needs across its direction, for the diagram's layout.
    int BandThickness(const QPaintDevice* device) const;
    // Ticks, grid lines, labels and title.
    void Draw(QPainter& painter) const;

private:
    void DrawLabels(QPainter& painter, const QFontMetrics& metrics,
                    const std::vector<double>& ticks) const;
    void DrawTitle(QPainter& painter) const;
    QString SampleLabel() const;

    int FPosition;
    double FMin = 0.0;
    double FMax = 0.0;
    double FStep = -1.0;
    bool FDateLabels = false;
    bool FTimeLabels = false;
    TkxTextFormat FLabelFormat;
    TkxLineFormat FGridFormat;
    TkxGraphRect FPlotRect;
};
