#include "graph/tkxgraphdiagramcls.h"
#include "ui/tkxqtconvert.h"

#include "graph/tkxgraphmarkercls.h"
#include "graph/tkxgraphscalacls.h"
#include "graph/tkxgraphtracciacls.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The corner of the frames around a selected element's name.
constexpr qreal FrameRadius = 5.0;

} // namespace

TkxGraphDiagram::TkxGraphDiagram(std::string_view name)
    : FTextFormat(name, TkxQFont(QStringLiteral("Arial"), -10))
    , FLegend(std::make_unique<TkxGraphLegenda>("", &FTraces))
    , FXScale(std::make_unique<TkxGraphScala>("", TkxGraphScala::PositionBottom))
    , FYScale(std::make_unique<TkxGraphScala>("", TkxGraphScala::PositionLeft)) {
    FTextFormat.SetVisible(false);
}

TkxGraphDiagram::~TkxGraphDiagram() = default;

TkxGraphTraccia* TkxGraphDiagram::AddTraccia(std::string_view name) {
    FTraces.push_back(std::make_unique<TkxGraphTraccia>(name));
    return FTraces.back().get();
}

TkxGraphMarker* TkxGraphDiagram::AddMarker(std::string_view name) {
    FMarkers.push_back(std::make_unique<TkxGraphMarker>(name));
    return FMarkers.back().get();
}

void TkxGraphDiagram::SelectElement(TkxGraphElement* element) {
    if (element == FSelected) {
        return;
    }
    if (FSelected != nullptr) {
        FSelected->SetSelected(false);
    }
    FSelected = element;
    if (FSelected != nullptr) {
        FSelected->SetSelected(true);
    }
}

bool TkxGraphDiagram::SelectAt(int x, int y) {
    if (FLegend->Visible()) {
        if (TkxGraphTraccia* trace = FLegend->TraceAt(x, y)) {
            SelectElement(trace);
            return true;
        }
    }
    for (auto marker = FMarkers.rbegin(); marker != FMarkers.rend(); ++marker) {
        if ((*marker)->Visible() && (*marker)->HitTest(x, y) != TkxGraphMarker::HitNone) {
            SelectElement(marker->get());
            return true;
        }
    }
    for (auto trace = FTraces.rbegin(); trace != FTraces.rend(); ++trace) {
        if ((*trace)->Visible() && (*trace)->IsInside(x, y)) {
            (*trace)->SetHitValue(ValueAt(x, y));
            SelectElement(trace->get());
            return true;
        }
    }
    return false;
}

Tkx2DPoint TkxGraphDiagram::ValueAt(int x, int y) const {
    return {FXScale->PixelToValue(x), FYScale->PixelToValue(y)};
}

void TkxGraphDiagram::Layout(const QPaintDevice* device) {
    const int titleBottom =
        FRect.Top +
        (FTextFormat.Visible() ? QFontMetrics(FTextFormat.Font(), device).height() + 2 : 0);
    FTitleRect = {FRect.Left, FRect.Top, FRect.Right, titleBottom};

    const bool xOnTop = FXScale->Position() == TkxGraphScala::PositionTop;
    TkxGraphRect xRect = FRect;
    if (xOnTop) {
        xRect.Top = titleBottom + 1;
        xRect.Bottom = xRect.Top + FXScale->BandThickness(device);
    } else {
        xRect.Top = FRect.Bottom - FXScale->BandThickness(device);
    }
    const bool yOnLeft = FYScale->Position() == TkxGraphScala::PositionLeft;
    TkxGraphRect yRect = FRect;
    if (yOnLeft) {
        yRect.Right = FRect.Left + FYScale->BandThickness(device);
    } else {
        yRect.Left = FRect.Right - FYScale->BandThickness(device);
    }

    TkxGraphRect plot;
    plot.Top = xOnTop ? xRect.Bottom + 1 : titleBottom + 1;
    plot.Bottom = xOnTop ? FRect.Bottom - 1 : xRect.Top - 1;
    plot.Left = yOnLeft ? yRect.Right + 1 : FRect.Left + 1;
    plot.Right = yOnLeft ? FRect.Right - 1 : yRect.Left - 1;
    // A diagram too small for its scales gets an empty plot rather than a reversed one.
    plot.Right = std::max(plot.Right, plot.Left);
    plot.Bottom = std::max(plot.Bottom, plot.Top);
    FPlotRect = plot;

    xRect.Left = plot.Left - 1;
    xRect.Right = plot.Right + 1;
    yRect.Top = plot.Top - 1;
    yRect.Bottom = plot.Bottom + 1;
    FXScale->SetRect(xRect);
    FYScale->SetRect(yRect);
    FXScale->SetPlotRect(plot);
    FYScale->SetPlotRect(plot);
    for (const auto& trace : FTraces) {
        trace->SetRect(plot);
    }
    for (const auto& marker : FMarkers) {
        marker->SetRect(plot);
    }
    FTitleRect.Left = plot.Left;
    FLegend->Layout(device, plot);
}

void TkxGraphDiagram::AutoRange() {
    if (FAutoX) {
        AutoRangeOf(*FXScale, true);
    }
    if (FAutoY) {
        AutoRangeOf(*FYScale, false);
    }
}

void TkxGraphDiagram::AutoRangeOf(TkxGraphScala& scale, bool horizontal) const {
    bool any = false;
    double low = scale.Min();
    double high = scale.Max();
    for (const auto& trace : FTraces) {
        if (!trace->Visible() || trace->PointCount() == 0) {
            continue;
        }
        const double traceLow = horizontal ? trace->XMin() : trace->YMin();
        const double traceHigh = horizontal ? trace->XMax() : trace->YMax();
        low = any ? std::min(low, traceLow) : traceLow;
        high = any ? std::max(high, traceHigh) : traceHigh;
        any = true;
    }
    const int axis = horizontal ? TkxGraphMarker::AxisX : TkxGraphMarker::AxisY;
    for (const auto& marker : FMarkers) {
        const double value = horizontal ? marker->Value().X : marker->Value().Y;
        if (!marker->Visible() || !marker->HasAxis(axis) || !std::isfinite(value)) {
            continue;
        }
        low = std::min(low, value);
        high = std::max(high, value);
    }
    if (horizontal && low == high) {
        low = high = 0.0;
    }
    scale.SetRange(low, high);
}

void TkxGraphDiagram::Render(QPainter& painter) {
    if (!FVisible) {
        return;
    }
    Layout(painter.device());
    AutoRange();
    painter.save();
    painter.fillRect(FRect.ToQRect(), FBackColor);
    painter.fillRect(FPlotRect.ToQRect(), FPlotColor);

    painter.setClipRect(FPlotRect.ToQRect());
    for (const auto& trace : FTraces) {
        if (trace->Visible()) {
            trace->Draw(painter, *FXScale, *FYScale);
        }
    }

    painter.setClipRect(FRect.ToQRect());
    painter.setBrush(Qt::NoBrush);
    FXScale->Draw(painter);
    FYScale->Draw(painter);
    DrawFrame(painter);
    for (const auto& marker : FMarkers) {
        marker->PlaceLabels(painter.device(), *FXScale, *FYScale);
    }
    SpreadLabels(TkxGraphMarker::HitXLabel);
    SpreadLabels(TkxGraphMarker::HitYLabel);
    for (const auto& marker : FMarkers) {
        marker->Draw(painter, *FXScale, *FYScale);
    }
    if (FTextFormat.Visible()) {
        DrawTitle(painter);
    }
    if (FLegend->Visible()) {
        FLegend->Draw(painter);
    }
    painter.restore();
}

void TkxGraphDiagram::SpreadLabels(int part) {
    // The x values' boxes lie side by side in the horizontal band, the y values' boxes one
    // above the other in the vertical one; each moves only along its band.
    const bool across = part == TkxGraphMarker::HitXLabel;
    const TkxGraphRect& band = across ? FXScale->Rect() : FYScale->Rect();
    const int low = across ? band.Left : band.Top;
    const int high = across ? band.Right : band.Bottom;
    struct TBox {
        TkxGraphMarker* Marker;
        TkxGraphRect Rect;
        int Start;
        int Size;
    };
    std::vector<TBox> boxes;
    boxes.reserve(FMarkers.size());
    for (const auto& marker : FMarkers) {
        const TkxGraphRect& rect = across ? marker->XLabelRect() : marker->YLabelRect();
        if (!rect.IsEmpty()) {
            boxes.push_back({marker.get(), rect, across ? rect.Left : rect.Top,
                             across ? rect.Width() : rect.Height()});
        }
    }
    if (boxes.empty()) {
        return;
    }
    // In the order of their lines; at a tie the earlier marker comes first.
    std::stable_sort(boxes.begin(), boxes.end(), [](const TBox& a, const TBox& b) {
        return 2 * a.Start + a.Size < 2 * b.Start + b.Size;
    });
    // Each box just past the one before it; then, where the last runs past the band's end,
    // each just before the one after it; then every box back inside the band, where boxes
    // cover each other only when the band has no room for them all.
    const std::size_t count = boxes.size();
    std::vector<int> starts(count);
    for (std::size_t i = 0; i < count; ++i) {
        starts[i] = i == 0 ? std::max(low, boxes[i].Start)
                           : std::max(boxes[i].Start, starts[i - 1] + boxes[i - 1].Size);
    }
    starts[count - 1] = std::min(starts[count - 1], high - boxes[count - 1].Size);
    for (std::size_t i = count - 1; i-- > 0;) {
        starts[i] = std::min(starts[i], starts[i + 1] - boxes[i].Size);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const int start = std::max(low, std::min(starts[i], high - boxes[i].Size));
        TkxGraphRect rect = boxes[i].Rect;
        const int shift = start - boxes[i].Start;
        (across ? rect.Left : rect.Top) += shift;
        (across ? rect.Right : rect.Bottom) += shift;
        boxes[i].Marker->MoveLabel(part, rect);
    }
}

void TkxGraphDiagram::DrawFrame(QPainter& painter) const {
    const TkxGraphRect& p = FPlotRect;
    painter.setPen(FXScale->LineFormat().Pen());
    painter.drawLine(p.Left - 1, p.Top - 1, p.Right, p.Top - 1);
    painter.drawLine(p.Left - 1, p.Bottom, p.Right, p.Bottom);
    painter.setPen(FYScale->LineFormat().Pen());
    painter.drawLine(p.Left - 1, p.Top - 1, p.Left - 1, p.Bottom);
    painter.drawLine(p.Right, p.Top - 1, p.Right, p.Bottom);
}

void TkxGraphDiagram::DrawTitle(QPainter& painter) const {
    const QFontMetrics metrics(FTextFormat.Font(), painter.device());
    const QString title = FTextFormat.QText();
    int x = FTitleRect.Left;
    const int y = FTitleRect.Top + 1;
    painter.setFont(FTextFormat.Font());
    painter.setPen(FTextFormat.Pen());
    painter.drawText(QRect(x, y, metrics.horizontalAdvance(title) + 1, metrics.height()),
                     Qt::AlignLeft | Qt::AlignTop, title);
    if (FSelected == nullptr) {
        return;
    }
    // The selected element's name, and a marker's value, each in a frame of its line colour.
    const QColor fill = FSelected->LineFormat().Pen().color();
    const auto framed = [&](const QString& text) {
        x += metrics.horizontalAdvance(title.isEmpty() ? QString() : QStringLiteral(" ")) + 4;
        const QRect frame(x, FTitleRect.Top, metrics.horizontalAdvance(text) + 10,
                          metrics.height() + 1);
        painter.setPen(fill);
        painter.setBrush(fill);
        painter.drawRoundedRect(frame, FrameRadius, FrameRadius);
        painter.setPen(FSelected->TextFormat().Pen());
        painter.drawText(frame, Qt::AlignCenter, text);
        x = frame.right();
    };
    x += metrics.horizontalAdvance(title);
    framed(FSelected->TextFormat().QText());
    if (const auto* marker = dynamic_cast<const TkxGraphMarker*>(FSelected)) {
        const int part = marker->HitPart() != TkxGraphMarker::HitNone ? marker->HitPart()
                         : marker->HasAxis(TkxGraphMarker::AxisX)     ? TkxGraphMarker::HitXLabel
                                                                      : TkxGraphMarker::HitYLabel;
        framed(marker->ValueText(part));
    }
    painter.setBrush(Qt::NoBrush);
}
