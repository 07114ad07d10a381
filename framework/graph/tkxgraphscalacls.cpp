#include "graph/tkxgraphscalacls.h"
#include "ui/tkxqtconvert.h"

#include "registers/tkxformatcls.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Values this far outside the plot (in pixels) are drawn at this distance: far enough to leave
// every visible line as it would be, near enough for integer pixels.
constexpr double FarPixels = 1 << 20;
// Ticks stay at least this many pixels apart, even for labels that take no room.
constexpr int MinTickSpacing = 2;
// The refinement of a step ends after this many tries; a step it cannot bring to the range
// (a range or step out of all proportion) draws no ticks.
constexpr int MaxStepTries = 1100;
// The space kept between labels side by side.
constexpr int LabelGap = 4;

const char* const DatePicture = "dd/mm/yyyy";
const char* const TimePicture = "hh:nn:ss";

} // namespace

TkxGraphScala::TkxGraphScala(std::string_view name, int position)
    : TkxGraphElement(name)
    , FPosition(position)
    , FLabelFormat("0.00")
    , FGridFormat(QPen(Qt::white, 1, Qt::DotLine), QBrush(Qt::black, Qt::NoBrush)) {
    TextFormat().SetFont(TkxQFont(QStringLiteral("Arial"), -10));
}

bool TkxGraphScala::SetRange(double min, double max) {
    if (!std::isfinite(min) || !std::isfinite(max)) {
        return false;
    }
    FMin = min;
    FMax = max;
    return true;
}

double TkxGraphScala::PixelsPerUnit() const {
    if (FMax == FMin) {
        return 1.0;
    }
    const int extent = IsHorizontal() ? Rect().Width() : Rect().Height();
    return (extent - 2) / (FMax - FMin);
}

int TkxGraphScala::ValueToPixel(double value) const {
    double offset = (value - FMin) * PixelsPerUnit();
    if (std::isnan(offset)) {
        offset = 0.0;
    }
    const int pixels = static_cast<int>(std::trunc(std::clamp(offset, -FarPixels, FarPixels)));
    return IsHorizontal() ? FPlotRect.Left + pixels : FPlotRect.Bottom - pixels;
}

double TkxGraphScala::PixelToValue(int pixel) const {
    const double ppu = PixelsPerUnit();
    const int offset = IsHorizontal() ? pixel - FPlotRect.Left : FPlotRect.Bottom - pixel;
    double value = ppu != 0.0 && std::isfinite(ppu) ? offset / ppu + FMin : FMin;
    const double low = std::min(FMin, FMax);
    const double high = std::max(FMin, FMax);
    if (!(value >= low)) {
        value = low;
    } else if (value > high) {
        value = high;
    }
    return value;
}

QStringList TkxGraphScala::LabelLines(double value) const {
    QStringList lines;
    if (FDateLabels) {
        lines << TkxQString(TkxFormat::FormatDateTime(DatePicture, value));
    }
    if (FTimeLabels) {
        lines << TkxQString(TkxFormat::FormatDateTime(TimePicture, value));
    }
    if (lines.isEmpty()) {
        lines << TkxQString(TkxFormat::FormatFloat(FLabelFormat.Text(), value));
    }
    return lines;
}

QString TkxGraphScala::SampleLabel() const {
    if (FDateLabels) {
        return TkxQString(TkxFormat::FormatDateTime(DatePicture, TkxFormat::Now()));
    }
    if (FTimeLabels) {
        return TkxQString(TkxFormat::FormatDateTime(TimePicture, TkxFormat::Now()));
    }
    return FLabelFormat.QText();
}

int TkxGraphScala::LabelExtent(const QFontMetrics& labelMetrics) const {
    if (IsHorizontal()) {
        return labelMetrics.horizontalAdvance(SampleLabel());
    }
    return 2 * labelMetrics.height();
}

double TkxGraphScala::TickStep(int labelExtent) const {
    if (Rect().Width() < 3 || Rect().Height() < 3) {
        return 0.0;
    }
    double step = FStep;
    const double range = FMax - FMin;
    if (!(step > 0.0) || !std::isfinite(step) || !(range > 0.0) || !std::isfinite(range)) {
        return 0.0;
    }
    for (int tries = 0; step > range / 2; ++tries) {
        if (tries == MaxStepTries) {
            return 0.0;
        }
        step /= 10;
    }
    const double ppu = PixelsPerUnit();
    const double extent = std::max(labelExtent, MinTickSpacing);
    for (int tries = 0; extent > ppu * step; ++tries) {
        if (tries == MaxStepTries) {
            return 0.0;
        }
        if (extent <= ppu * step * 2) {
            step *= 2;
        } else if (extent <= ppu * step * 5) {
            step *= 5;
        } else {
            step *= 10;
        }
    }
    return step > 0.0 && std::isfinite(step) ? step : 0.0;
}

std::vector<double> TkxGraphScala::TickValues(int labelExtent) const {
    std::vector<double> ticks;
    const double step = TickStep(labelExtent);
    if (step == 0.0) {
        return ticks;
    }
    const double first = std::floor(FMin / step) * step;
    // Ticks are at least MinTickSpacing pixels apart; the bound only guards rounding.
    const int most = std::max(Rect().Width(), Rect().Height()) + 2;
    for (int k = 1; k <= most; ++k) {
        const double value = first + k * step;
        if (value > FMax) {
            break;
        }
        ticks.push_back(value);
    }
    return ticks;
}

int TkxGraphScala::BandThickness(const QPaintDevice* device) const {
    const QFontMetrics labels(FLabelFormat.Font(), device);
    int thickness = TickLength;
    if (IsHorizontal()) {
        if (FLabelFormat.Visible()) {
            thickness += labels.height();
            if (FDateLabels && FTimeLabels) {
                thickness += labels.height();
            }
        }
    } else {
        const int digit = labels.horizontalAdvance(QLatin1Char('0'));
        if (FDateLabels) {
            thickness += 10 * digit;
        } else if (FTimeLabels) {
            thickness += 8 * digit;
        } else {
            thickness += static_cast<int>(FLabelFormat.Text().size()) * digit;
        }
    }
    if (TextFormat().Visible()) {
        thickness += QFontMetrics(TextFormat().Font(), device).height() + 2;
    }
    return thickness;
}

void TkxGraphScala::Draw(QPainter& painter) const {
    if (!Visible()) {
        return;
    }
    const QFontMetrics metrics(FLabelFormat.Font(), painter.device());
    const std::vector<double> ticks = TickValues(LabelExtent(metrics));
    const TkxGraphRect& r = Rect();
    for (const double value : ticks) {
        const int pixel = ValueToPixel(value);
        painter.setPen(LineFormat().Pen());
        switch (FPosition) {
        case PositionTop:
            painter.drawLine(pixel, r.Bottom - TickLength, pixel, r.Bottom - 1);
            break;
        case PositionBottom:
            painter.drawLine(pixel, r.Top, pixel, r.Top + TickLength - 1);
            break;
        case PositionLeft:
            painter.drawLine(r.Right - TickLength, pixel, r.Right - 1, pixel);
            break;
        default:
            painter.drawLine(r.Left, pixel, r.Left + TickLength - 1, pixel);
            break;
        }
        if (FGridFormat.Visible()) {
            painter.setPen(FGridFormat.Pen());
            if (IsHorizontal()) {
                painter.drawLine(pixel, FPlotRect.Top, pixel, FPlotRect.Bottom - 1);
            } else {
                painter.drawLine(FPlotRect.Left, pixel, FPlotRect.Right - 1, pixel);
            }
        }
    }
    if (FLabelFormat.Visible()) {
        DrawLabels(painter, metrics, ticks);
    }
    if (TextFormat().Visible()) {
        DrawTitle(painter);
    }
}

void TkxGraphScala::DrawLabels(QPainter& painter, const QFontMetrics& metrics,
                               const std::vector<double>& ticks) const {
    const TkxGraphRect& r = Rect();
    const int lineHeight = metrics.height();
    const int lines = FDateLabels && FTimeLabels ? 2 : 1;
    const int titleThickness =
        TextFormat().Visible() ? QFontMetrics(TextFormat().Font(), painter.device()).height() + 2
                               : 0;
    // The strip across the scale that labels take.
    int acrossFrom = 0;
    int acrossTo = 0;
    switch (FPosition) {
    case PositionTop:
        acrossTo = r.Bottom - TickLength;
        acrossFrom = acrossTo - lines * lineHeight;
        break;
    case PositionBottom:
        acrossFrom = r.Top + TickLength;
        acrossTo = acrossFrom + lines * lineHeight;
        break;
    // Beside a vertical scale, all the width the band keeps for labels: a label as wide as
    // its pattern is written whole, not clipped by a pixel.
    case PositionLeft:
        acrossFrom = r.Left + titleThickness;
        acrossTo = r.Right - TickLength;
        break;
    default:
        acrossFrom = r.Left + TickLength;
        acrossTo = r.Right - titleThickness;
        break;
    }
    // Spans along the scale already written, so that labels never overlap.
    std::vector<std::pair<int, int>> taken;
    painter.setFont(FLabelFormat.Font());
    painter.setPen(FLabelFormat.Pen());
    // anchor: -1 starts the label at `along`, 1 ends it there, 0 centres it on `along`.
    const auto write = [&](double value, int along, int anchor) {
        const QStringList text = LabelLines(value);
        int length = 0;
        for (const QString& line : text) {
            length = std::max(length, metrics.horizontalAdvance(line));
        }
        const int size = IsHorizontal() ? length : lines * lineHeight;
        const int from = anchor < 0 ? along : anchor > 0 ? along - size : along - size / 2;
        const int to = from + size;
        const int low = IsHorizontal() ? r.Left : r.Top;
        const int high = IsHorizontal() ? r.Right : r.Bottom;
        if (from < low || to > high) {
            return;
        }
        // Numbers side by side need a gap; lines of text one above the other may touch.
        const int gap = IsHorizontal() ? LabelGap : 0;
        for (const auto& [start, end] : taken) {
            if (from < end + gap && to + gap > start) {
                return;
            }
        }
        taken.emplace_back(from, to);
        if (IsHorizontal()) {
            painter.drawText(QRect(from, acrossFrom, size, acrossTo - acrossFrom),
                             Qt::AlignHCenter | Qt::AlignTop, text.join(QLatin1Char('\n')));
        } else {
            const Qt::Alignment side = FPosition == PositionLeft ? Qt::AlignRight : Qt::AlignLeft;
            painter.drawText(QRect(acrossFrom, from, acrossTo - acrossFrom, size),
                             side | Qt::AlignVCenter, text.join(QLatin1Char('\n')));
        }
    };
    if (IsHorizontal()) {
        write(FMin, r.Left + 1, -1);
        write(FMax, r.Right - 1, 1);
    } else {
        write(FMin, r.Bottom - 1, 1);
        write(FMax, r.Top + 1, -1);
    }
    for (const double value : ticks) {
        write(value, ValueToPixel(value), 0);
    }
}

void TkxGraphScala::DrawTitle(QPainter& painter) const {
    const TkxGraphRect& r = Rect();
    const int height = QFontMetrics(TextFormat().Font(), painter.device()).height();
    painter.setFont(TextFormat().Font());
    painter.setPen(TextFormat().Pen());
    switch (FPosition) {
    case PositionTop:
        painter.drawText(QRect(r.Left, r.Top + 1, r.Width(), height), Qt::AlignHCenter,
                         TextFormat().QText());
        break;
    case PositionBottom:
        painter.drawText(QRect(r.Left, r.Bottom - height - 1, r.Width(), height), Qt::AlignHCenter,
                         TextFormat().QText());
        break;
    default: {
        // Written upwards along the scale's outer edge.
        const int x = FPosition == PositionLeft ? r.Left + 1 : r.Right - height - 1;
        painter.save();
        painter.translate(x, r.Bottom);
        painter.rotate(-90);
        painter.drawText(QRect(0, 0, r.Height(), height), Qt::AlignHCenter, TextFormat().QText());
        painter.restore();
        break;
    }
    }
}
