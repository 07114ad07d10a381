#include "graph/tkxgraphtracciacls.h"

#include "graph/tkxgraphscalacls.h"

#include <QPainter>
#include <QPoint>
#include <QPolygon>

#include <cmath>
#include <cstddef>

TkxGraphTraccia::TkxGraphTraccia(std::string_view name)
    : TkxGraphElement(name) {}

bool TkxGraphTraccia::AddPoint(bool dropFirst, double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return false;
    }
    if (dropFirst) {
        DeleteFirst(1);
    }
    FPoints.push_back({x, y});
    if (FPoints.size() == 1) {
        FXMin = FXMax = x;
        FYMin = FYMax = y;
        return true;
    }
    if (x > FXMax) {
        FXMax = x;
    } else if (x < FXMin) {
        FXMin = x;
    }
    if (y > FYMax) {
        FYMax = y;
    } else if (y < FYMin) {
        FYMin = y;
    }
    return true;
}

void TkxGraphTraccia::DeleteFirst(int count) {
    if (count < 1 || static_cast<std::size_t>(count) >= FPoints.size()) {
        return;
    }
    FPoints.erase(FPoints.begin(), FPoints.begin() + count);
    FPoints.shrink_to_fit();
    RecomputeBounds();
}

void TkxGraphTraccia::RecomputeBounds() {
    const Tkx2DPoint& first = FPoints.front();
    FXMin = FXMax = first.X;
    FYMin = FYMax = first.Y;
    for (const Tkx2DPoint& point : FPoints) {
        FXMin = std::min(FXMin, point.X);
        FXMax = std::max(FXMax, point.X);
        FYMin = std::min(FYMin, point.Y);
        FYMax = std::max(FYMax, point.Y);
    }
}

void TkxGraphTraccia::Draw(QPainter& painter, const TkxGraphScala& xScale,
                           const TkxGraphScala& yScale) const {
    if (FPoints.empty()) {
        return;
    }
    QPolygon pixels(static_cast<int>(FPoints.size()));
    for (int i = 0; i < pixels.size(); ++i) {
        const Tkx2DPoint& point = FPoints[static_cast<std::size_t>(i)];
        pixels[i] = QPoint(xScale.ValueToPixel(point.X), yScale.ValueToPixel(point.Y));
    }
    const QPen& pen = LineFormat().Pen();
    painter.setPen(pen);
    painter.setBrush(LineFormat().Brush());
    switch (FLineStyle) {
    case LinePolyline:
        painter.drawPolyline(pixels);
        break;
    case LineSteps:
        for (int i = 0; i + 1 < pixels.size(); ++i) {
            const QPoint corner(pixels[i + 1].x(), pixels[i].y());
            painter.drawLine(pixels[i], corner);
            painter.drawLine(corner, pixels[i + 1]);
        }
        break;
    case LineBars: {
        const int zero = yScale.ValueToPixel(0.0);
        for (int i = 0; i < pixels.size(); ++i) {
            const int right = i + 1 < pixels.size() ? pixels[i + 1].x() + 1 : pixels[i].x() + 1;
            painter.drawRect(
                QRect(QPoint(pixels[i].x(), pixels[i].y()), QPoint(right - 1, zero)).normalized());
        }
        break;
    }
    case LineDots:
        painter.setPen(QPen(pen.color(), 1));
        painter.drawPoints(pixels);
        painter.setPen(pen);
        break;
    default:
        break;
    }
    for (const QPoint& p : pixels) {
        // A symbol of 5 by 5 pixels around the point.
        const QRect cell(p.x() - 2, p.y() - 2, 5, 5);
        switch (FPointStyle) {
        case PointCircle:
            painter.drawEllipse(cell);
            break;
        case PointSquare:
            painter.drawRect(cell.adjusted(0, 0, -1, -1));
            break;
        case PointTriangle: {
            const QPoint corners[3] = {
                {p.x() - 3, p.y() + 2}, {p.x() + 3, p.y() + 2}, {p.x(), p.y() - 5}};
            painter.save();
            painter.setBrush(pen.color());
            painter.drawPolygon(corners, 3);
            painter.restore();
            break;
        }
        case PointCross:
            painter.drawLine(cell.topLeft(), cell.bottomRight());
            painter.drawLine(cell.topRight(), cell.bottomLeft());
            break;
        default:
            break;
        }
    }
}
