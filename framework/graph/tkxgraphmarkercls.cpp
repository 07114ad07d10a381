#include "graph/tkxgraphmarkercls.h"
#include "ui/tkxqtconvert.h"

#include "graph/tkxgraphscalacls.h"
#include "registers/tkxformatcls.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <algorithm>

namespace {

// The size of end symbols.
constexpr int EndSize = 4;

bool Within(double value, const TkxGraphScala& scale) {
    return value >= std::min(scale.Min(), scale.Max()) &&
           value <= std::max(scale.Min(), scale.Max());
}

} // namespace

TkxGraphMarker::TkxGraphMarker(std::string_view name)
    : TkxGraphElement(name)
    , FValueFormat("0.00") {
    FValueFormat.SetBrush(QBrush(Qt::black, Qt::SolidPattern));
}

int TkxGraphMarker::HitTest(int x, int y) {
    if (FXLabelRect.Contains(x, y)) {
        FHitPart = HitXLabel;
    } else if (FYLabelRect.Contains(x, y)) {
        FHitPart = HitYLabel;
    } else {
        FHitPart = HitNone;
    }
    return FHitPart;
}

QString TkxGraphMarker::ValueText(int part) const {
    const double value = part == HitXLabel ? FValue.X : FValue.Y;
    return TkxQString(TkxFormat::FormatFloat(FValueFormat.Text(), value));
}

void TkxGraphMarker::PlaceLabels(const QPaintDevice* device, const TkxGraphScala& xScale,
                                 const TkxGraphScala& yScale) {
    FXLabelRect = {};
    FYLabelRect = {};
    if (!Visible()) {
        return;
    }
    if (HasAxis(AxisX) && Within(FValue.X, xScale)) {
        FXLabelRect = LabelRect(device, xScale, HitXLabel);
    }
    if (HasAxis(AxisY) && Within(FValue.Y, yScale)) {
        FYLabelRect = LabelRect(device, yScale, HitYLabel);
    }
}

void TkxGraphMarker::MoveLabel(int part, const TkxGraphRect& rect) {
    (part == HitXLabel ? FXLabelRect : FYLabelRect) = rect;
}

void TkxGraphMarker::Draw(QPainter& painter, const TkxGraphScala& xScale,
                          const TkxGraphScala& yScale) const {
    if (!FXLabelRect.IsEmpty()) {
        DrawAxis(painter, xScale, HitXLabel, FXLabelRect);
    }
    if (!FYLabelRect.IsEmpty()) {
        DrawAxis(painter, yScale, HitYLabel, FYLabelRect);
    }
}

TkxGraphRect TkxGraphMarker::LabelRect(const QPaintDevice* device, const TkxGraphScala& scale,
                                       int part) const {
    // The x value's box sits under or over its vertical line, the y value's beside its
    // horizontal one, in the scale's band next to the ticks.
    const bool vertical = part == HitXLabel;
    const int at = scale.ValueToPixel(vertical ? FValue.X : FValue.Y);
    const bool scaleFirst =
        scale.Position() == (vertical ? TkxGraphScala::PositionTop : TkxGraphScala::PositionLeft);
    const QFontMetrics metrics(FValueFormat.Font(), device);
    const int width = metrics.horizontalAdvance(ValueText(part)) + 4;
    const int height = metrics.height() + 2;
    const TkxGraphRect& band = scale.Rect();
    const int tick = TkxGraphScala::TickLength;
    const int left = vertical     ? at - width / 2
                     : scaleFirst ? band.Right - tick - width
                                  : band.Left + tick;
    const int top = !vertical    ? at - height / 2
                    : scaleFirst ? band.Bottom - tick - height
                                 : band.Top + tick;
    return {left, top, left + width, top + height};
}

void TkxGraphMarker::DrawAxis(QPainter& painter, const TkxGraphScala& scale, int part,
                              const TkxGraphRect& box) const {
    // The x value draws a vertical line, the y value a horizontal one.
    const bool vertical = part == HitXLabel;
    const TkxGraphRect& plot = Rect();
    const int at = scale.ValueToPixel(vertical ? FValue.X : FValue.Y);
    const QPoint from = vertical ? QPoint(at, plot.Top) : QPoint(plot.Left, at);
    const QPoint to = vertical ? QPoint(at, plot.Bottom - 1) : QPoint(plot.Right - 1, at);
    painter.setPen(LineFormat().Pen());
    painter.drawLine(from, to);
    // The end symbol sits on the scale's side, pointing into the plot.
    const bool scaleFirst =
        scale.Position() == (vertical ? TkxGraphScala::PositionTop : TkxGraphScala::PositionLeft);
    DrawEnd(painter, vertical ? FXEnd : FYEnd, scaleFirst ? from : to, scaleFirst ? 1 : -1,
            vertical);
    DrawValueBox(painter, ValueText(part), box.ToQRect());
}

void TkxGraphMarker::DrawEnd(QPainter& painter, int kind, QPoint at, int inward,
                             bool vertical) const {
    // Offsets along the line (into the plot) and across it.
    const auto point = [&](int along, int across) {
        return vertical ? QPoint(at.x() + across, at.y() + inward * along)
                        : QPoint(at.x() + inward * along, at.y() + across);
    };
    QPolygon shape;
    switch (kind) {
    case EndArrowIn:
        shape << point(EndSize, 0) << point(0, -EndSize) << point(0, EndSize);
        break;
    case EndArrowOut:
        shape << point(0, 0) << point(EndSize, -EndSize) << point(EndSize, EndSize);
        break;
    case EndDiamond:
        shape << point(0, 0) << point(EndSize, -EndSize) << point(2 * EndSize, 0)
              << point(EndSize, EndSize);
        break;
    case EndBox:
        shape << point(0, -EndSize) << point(2 * EndSize, -EndSize) << point(2 * EndSize, EndSize)
              << point(0, EndSize);
        break;
    default:
        return;
    }
    painter.save();
    painter.setPen(QPen(LineFormat().Pen().color(), 1));
    painter.setBrush(LineFormat().Pen().color());
    painter.drawPolygon(shape);
    painter.restore();
}

void TkxGraphMarker::DrawValueBox(QPainter& painter, const QString& text, const QRect& box) const {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(FValueFormat.Brush());
    painter.drawRect(box);
    painter.setPen(QPen(LineFormat().Pen().color(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setFont(FValueFormat.Font());
    painter.setPen(FValueFormat.Pen());
    painter.drawText(box, Qt::AlignCenter, text);
    painter.restore();
}
