#include "graph/tkxgraphlegendacls.h"
#include "ui/tkxqtconvert.h"

#include "graph/tkxgraphtracciacls.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

// Names start this many pixels into their cell.
constexpr int CellInset = 2;

} // namespace

TkxGraphLegenda::TkxGraphLegenda(std::string_view name, const TTraces* items)
    : TkxGraphElement(name)
    , FItems(items) {
    LineFormat().SetBrush(QBrush(Qt::black, Qt::SolidPattern));
    TextFormat().SetFont(TkxQFont(QStringLiteral("Arial"), -10));
    SetVisible(false);
}

void TkxGraphLegenda::SetColumns(int columns) {
    FColumns = std::max(1, columns);
}

void TkxGraphLegenda::Layout(const QPaintDevice* device, const TkxGraphRect& plot) {
    const QFontMetrics metrics(TextFormat().Font(), device);
    const int count = FItems == nullptr ? 0 : static_cast<int>(FItems->size());
    FCellWidth = 0;
    if (count == 0) {
        FCellWidth = metrics.horizontalAdvance(QStringLiteral("Empty"));
    } else {
        for (const auto& trace : *FItems) {
            FCellWidth =
                std::max(FCellWidth, metrics.horizontalAdvance(trace->TextFormat().QText()));
        }
    }
    // Every trace gets a cell: a last, partly filled row counts too.
    FRows = std::max(1, (count + FColumns - 1) / FColumns);
    FCellHeight = metrics.height() * 4 / 3;
    const int left = plot.Left + FLeft;
    const int top = plot.Top + FTop;
    SetRect(
        {left, top, left + CellPitch() * (count == 0 ? 1 : FColumns), top + FCellHeight * FRows});
}

TkxGraphTraccia* TkxGraphLegenda::TraceAt(int x, int y) const {
    if (FItems == nullptr || !IsInside(x, y) || CellPitch() <= 0 || FCellHeight <= 0) {
        return nullptr;
    }
    const int column = (x - Rect().Left) / CellPitch();
    const int row = (y - Rect().Top) / FCellHeight;
    if (column >= FColumns) {
        return nullptr;
    }
    const auto index = static_cast<std::size_t>(row * FColumns + column);
    return index < FItems->size() ? (*FItems)[index].get() : nullptr;
}

void TkxGraphLegenda::Draw(QPainter& painter) const {
    const TkxGraphRect& r = Rect();
    painter.setPen(LineFormat().Pen());
    painter.setBrush(LineFormat().Brush());
    painter.drawRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1);
    painter.setFont(TextFormat().Font());
    if (FItems == nullptr || FItems->empty()) {
        painter.setPen(TextFormat().Pen());
        painter.drawText(QRect(r.Left + CellInset, r.Top, CellPitch(), FCellHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Empty"));
        return;
    }
    for (std::size_t i = 0; i < FItems->size(); ++i) {
        const TkxGraphTraccia& trace = *(*FItems)[i];
        const int column = static_cast<int>(i) % FColumns;
        const int row = static_cast<int>(i) / FColumns;
        const QRect cell(r.Left + column * CellPitch(), r.Top + row * FCellHeight, CellPitch(),
                         FCellHeight);
        painter.setPen(trace.LineFormat().Pen().color());
        painter.drawText(cell.adjusted(CellInset, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         trace.TextFormat().QText());
    }
}
