#pragma once

#include "graph/tkxgraphelementcls.h"

#include <string_view>
#include <vector>

class QPainter;
class TkxGraphScala;

// A trace: a growing list of points drawn in a diagram's plot, with the bounds of all its
// points kept up to date. Its pen and brush (LineFormat) draw it; its name goes to the legend.
class TkxGraphTraccia : public TkxGraphElement {
public:
    static constexpr int LinePolyline = 1;
    static constexpr int LineSteps = 2;
    static constexpr int LineBars = 3;
    static constexpr int LineDots = 4;

    static constexpr int PointNone = 0;
    static constexpr int PointCircle = 1;
    static constexpr int PointSquare = 2;
    static constexpr int PointTriangle = 3;
    static constexpr int PointCross = 4;

    explicit TkxGraphTraccia(std::string_view name);

    // Appends a point, with dropFirst first removing the oldest (DeleteFirst(1)), and widens
    // the bounds. A coordinate that is not a finite number is refused: false, nothing changes.
    bool AddPoint(bool dropFirst, double x, double y);
    // Removes the count oldest points and recomputes the bounds, but only while at least one
    // point would stay; otherwise, and for a count below 1, nothing changes.
    void DeleteFirst(int count);
    int PointCount() const { return static_cast<int>(FPoints.size()); }
    const std::vector<Tkx2DPoint>& Points() const { return FPoints; }

    double XMin() const { return FXMin; }
    double XMax() const { return FXMax; }
    double YMin() const { return FYMin; }
    double YMax() const { return FYMax; }

    int LineStyle() const { return FLineStyle; }
    void SetLineStyle(int style) { FLineStyle = style; }
    int PointStyle() const { return FPointStyle; }
    void SetPointStyle(int style) { FPointStyle = style; }

    // The value under the point where the trace was last hit by a selection.
    const Tkx2DPoint& HitValue() const { return FHitValue; }
    void SetHitValue(const Tkx2DPoint& value) { FHitValue = value; }

    // Draws the points by the two scales; the caller clips to the plot.
    void Draw(QPainter& painter, const TkxGraphScala& xScale, const TkxGraphScala& yScale) const;

private:
    void RecomputeBounds();

    std::vector<Tkx2DPoint> FPoints;
    double FXMin = 0.0;
    double FXMax = 0.0;
    double FYMin = 0.0;
    double FYMax = 0.0;
    int FLineStyle = LinePolyline;
    int FPointStyle = PointNone;
    Tkx2DPoint FHitValue;
};
