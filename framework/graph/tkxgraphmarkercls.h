#pragma once

#include "graph/tkxgraphelementcls.h"

#include <string_view>

class QPaintDevice;
class QPainter;
class TkxGraphScala;

// A marker: a vertical line at a value's x and/or a horizontal line at its y, across the
// plot, with an end symbol at the scale's side and the value written in a box in the scale's
// band. A marker is drawn only where its value lies inside the scale's range; the default
// value 1e99 lies outside every sensible range. Its diagram may move a value box along the
// band, clear of another marker's box.
class TkxGraphMarker : public TkxGraphElement {
public:
    // Axes, as bits: the vertical line at x, the horizontal line at y.
    static constexpr int AxisX = 1;
    static constexpr int AxisY = 2;
    static constexpr int AxisBoth = AxisX | AxisY;

    // End symbols: none, arrows of three shapes (1 to 3), a box (5); other kinds draw none.
    static constexpr int EndNone = 0;
    static constexpr int EndArrowIn = 1;
    static constexpr int EndArrowOut = 2;
    static constexpr int EndDiamond = 3;
    static constexpr int EndBox = 5;

    // What a selection hit: nothing, the x value box, the y value box.
    static constexpr int HitNone = 0;
    static constexpr int HitXLabel = 1;
    static constexpr int HitYLabel = 2;

    static constexpr double DefaultValue = 1e99;

    explicit TkxGraphMarker(std::string_view name);

    const Tkx2DPoint& Value() const { return FValue; }
    void SetValue(const Tkx2DPoint& value) { FValue = value; }
    int Axes() const { return FAxes; }
    void SetAxes(int axes) { FAxes = axes; }
    bool HasAxis(int axis) const { return (FAxes & axis) != 0; }
    int XEnd() const { return FXEnd; }
    void SetXEnd(int kind) { FXEnd = kind; }
    int YEnd() const { return FYEnd; }
    void SetYEnd(int kind) { FYEnd = kind; }
    // Its text is the number pattern of the value boxes ("0.00").
    TkxTextFormat& ValueFormat() { return FValueFormat; }
    const TkxTextFormat& ValueFormat() const { return FValueFormat; }
    // Where the value boxes were last placed; empty when not drawn.
    const TkxGraphRect& XLabelRect() const { return FXLabelRect; }
    const TkxGraphRect& YLabelRect() const { return FYLabelRect; }
    int HitPart() const { return FHitPart; }

    // The box holding the point (HitXLabel before HitYLabel), remembered in HitPart.
    int HitTest(int x, int y);
    // The value of the box part as its pattern writes it.
    QString ValueText(int part) const;
    // Where the value boxes belong, at the lines of the values that lie inside the scales'
    // ranges, for texts measured on device; the boxes of lines not drawn are forgotten. A
    // diagram places every marker, moves the boxes that would cover each other, then draws.
    void PlaceLabels(const QPaintDevice* device, const TkxGraphScala& xScale,
                     const TkxGraphScala& yScale);
    // Moves the placed box of a part (HitXLabel or HitYLabel) along its scale's band.
    void MoveLabel(int part, const TkxGraphRect& rect);
    // The lines of the placed boxes, their end symbols and the boxes.
    void Draw(QPainter& painter, const TkxGraphScala& xScale, const TkxGraphScala& yScale) const;

private:
    // The box of one part (HitXLabel or HitYLabel) beside its line.
    TkxGraphRect LabelRect(const QPaintDevice* device, const TkxGraphScala& scale, int part) const;
    // The line of one part, its end symbol and its value box in box.
    void DrawAxis(QPainter& painter, const TkxGraphScala& scale, int part,
                  const TkxGraphRect& box) const;
    void DrawEnd(QPainter& painter, int kind, QPoint at, int inward, bool vertical) const;
    void DrawValueBox(QPainter& painter, const QString& text, const QRect& box) const;

    Tkx2DPoint FValue{DefaultValue, DefaultValue};
    int FAxes = AxisBoth;
    int FXEnd = EndNone;
    int FYEnd = EndNone;
    TkxTextFormat FValueFormat;
    TkxGraphRect FXLabelRect;
    TkxGraphRect FYLabelRect;
    int FHitPart = HitNone;
};
