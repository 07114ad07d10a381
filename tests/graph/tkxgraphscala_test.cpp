#include "graph/tkxgraphscalacls.h"

#include "registers/tkxformatcls.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <utility>

namespace {

// A plot of 100 by 50 pixels at (10, 10) with its scales laid out as a diagram does: the
// horizontal one spans a pixel more on each side, and so does the vertical one.
constexpr TkxGraphRect Plot{10, 10, 110, 60};

std::unique_ptr<TkxGraphScala> HorizontalScale(double min, double max) {
    auto scale = std::make_unique<TkxGraphScala>("", TkxGraphScala::PositionBottom);
    scale->SetRect({Plot.Left - 1, Plot.Bottom + 1, Plot.Right + 1, Plot.Bottom + 30});
    scale->SetPlotRect(Plot);
    scale->SetRange(min, max);
    return scale;
}

std::unique_ptr<TkxGraphScala> VerticalScale(double min, double max) {
    auto scale = std::make_unique<TkxGraphScala>("", TkxGraphScala::PositionLeft);
    scale->SetRect({0, Plot.Top - 1, Plot.Left - 1, Plot.Bottom + 1});
    scale->SetPlotRect(Plot);
    scale->SetRange(min, max);
    return scale;
}

TEST(TkxGraphScala, ValuesMapToPixelsOfThePlotAndBack) {
    const auto x = HorizontalScale(0, 50);
    EXPECT_DOUBLE_EQ(x->PixelsPerUnit(), 2.0);
    EXPECT_EQ(x->ValueToPixel(0), 10);
    EXPECT_EQ(x->ValueToPixel(25), 60);
    EXPECT_EQ(x->ValueToPixel(50), 110);
    EXPECT_EQ(x->ValueToPixel(0.99), 11); // truncated, not rounded
    EXPECT_DOUBLE_EQ(x->PixelToValue(60), 25.0);

    const auto y = VerticalScale(-5, 5);
    EXPECT_DOUBLE_EQ(y->PixelsPerUnit(), 5.0);
    EXPECT_EQ(y->ValueToPixel(-5), 60);
    EXPECT_EQ(y->ValueToPixel(0), 35);
    EXPECT_EQ(y->ValueToPixel(5), 10);
    EXPECT_EQ(y->ValueToPixel(-0.3), 37); // 23.5 pixels above the bottom, truncated
    EXPECT_DOUBLE_EQ(y->PixelToValue(35), 0.0);
    // A pixel off the plot reads as the nearest end of the range.
    EXPECT_DOUBLE_EQ(y->PixelToValue(0), 5.0);
    EXPECT_DOUBLE_EQ(y->PixelToValue(500), -5.0);
    EXPECT_DOUBLE_EQ(x->PixelToValue(-20), 0.0);
}

TEST(TkxGraphScala, EmptyOrInvalidRanges) {
    const auto flat = HorizontalScale(7, 7);
    EXPECT_DOUBLE_EQ(flat->PixelsPerUnit(), 1.0);
    EXPECT_EQ(flat->ValueToPixel(7), Plot.Left);
    EXPECT_EQ(flat->ValueToPixel(9), Plot.Left + 2);
    EXPECT_DOUBLE_EQ(flat->PixelToValue(80), 7.0);

    const auto scale = HorizontalScale(1, 2);
    EXPECT_FALSE(scale->SetRange(std::nan(""), 3));
    EXPECT_FALSE(scale->SetRange(0, std::numeric_limits<double>::infinity()));
    EXPECT_EQ(scale->Min(), 1);
    EXPECT_EQ(scale->Max(), 2);

    // Reversed: mirrored, values still held to the range.
    const auto reversed = HorizontalScale(50, 0);
    EXPECT_EQ(reversed->ValueToPixel(50), 10);
    EXPECT_EQ(reversed->ValueToPixel(0), 110);
    EXPECT_DOUBLE_EQ(reversed->PixelToValue(60), 25.0);
    EXPECT_DOUBLE_EQ(reversed->PixelToValue(500), 0.0);
}

TEST(TkxGraphScala, ValuesFarOutsideTheRangeStayInIntegerPixels) {
    const auto x = HorizontalScale(0, 1e-12);
    const int far = x->ValueToPixel(1e300);
    EXPECT_GT(far, Plot.Right);
    EXPECT_LT(far, Plot.Right + (1 << 22));
    EXPECT_LT(x->ValueToPixel(-1e300), Plot.Left);
    EXPECT_EQ(x->ValueToPixel(std::nan("")), Plot.Left);
    const auto y = VerticalScale(0, 1);
    EXPECT_LT(y->ValueToPixel(1e99), Plot.Top);
    EXPECT_GT(y->ValueToPixel(-1e99), Plot.Bottom);
}

TEST(TkxGraphScala, StepIsCutToHalfTheRangeThenWidenedUntilLabelsFit) {
    const auto x = HorizontalScale(0, 100); // one pixel per unit
    x->SetStep(100);                        // above half the range: cut to 10
    EXPECT_DOUBLE_EQ(x->TickStep(5), 10.0);
    EXPECT_DOUBLE_EQ(x->TickStep(10), 10.0);
    EXPECT_DOUBLE_EQ(x->TickStep(15), 20.0);
    EXPECT_DOUBLE_EQ(x->TickStep(30), 50.0);
    EXPECT_DOUBLE_EQ(x->TickStep(70), 100.0);
    // 10 -> 100 is not enough either, so 100 -> 1000 (10 times again).
    EXPECT_DOUBLE_EQ(x->TickStep(600), 1000.0);

    const std::vector<double> ticks = x->TickValues(15);
    EXPECT_EQ(ticks, (std::vector<double>{20, 40, 60, 80, 100}));

    // The first tick is the first multiple of the step above the minimum.
    const auto shifted = HorizontalScale(-35, 65);
    shifted->SetStep(20);
    EXPECT_EQ(shifted->TickValues(1), (std::vector<double>{-20, 0, 20, 40, 60}));

    // A vertical scale spaces ticks by twice a label's height.
    const auto y = VerticalScale(0, 50); // one pixel per unit
    y->SetStep(5);
    const QImage device(1, 1, QImage::Format_RGB32);
    const QFontMetrics metrics(y->LabelFormat().Font(), &device);
    EXPECT_EQ(y->LabelExtent(metrics), 2 * metrics.height());
    EXPECT_GE(y->TickStep(y->LabelExtent(metrics)), 2.0 * metrics.height());
}

TEST(TkxGraphScala, StepsThatCannotBeRefinedDrawNoTicks) {
    for (const double step :
         {0.0, -1.0, -10.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        const auto x = HorizontalScale(0, 100);
        x->SetStep(step);
        EXPECT_EQ(x->TickStep(10), 0.0) << step;
        EXPECT_TRUE(x->TickValues(10).empty()) << step;
    }
    const auto reversed = HorizontalScale(100, 0);
    reversed->SetStep(10);
    EXPECT_TRUE(reversed->TickValues(10).empty());
    const auto flat = HorizontalScale(3, 3);
    flat->SetStep(1);
    EXPECT_TRUE(flat->TickValues(10).empty());
    const auto thin = HorizontalScale(0, 100);
    thin->SetRect({0, 0, 100, 2});
    thin->SetStep(10);
    EXPECT_TRUE(thin->TickValues(10).empty());
}

TEST(TkxGraphScala, StepsOutOfAllProportionStayBounded) {
    const auto x = HorizontalScale(0, 1e6);
    x->SetStep(1e-300); // would give 1e306 ticks unrefined
    const std::vector<double> ticks = x->TickValues(0);
    EXPECT_FALSE(ticks.empty());
    EXPECT_LE(ticks.size(), 51u); // at least 2 pixels apart on 100 pixels

    x->SetStep(1e300);
    EXPECT_FALSE(x->TickValues(20).empty());

    // The range a default marker stretches to still gets a few ticks.
    const auto y = VerticalScale(0, 1e99);
    y->SetStep(10);
    EXPECT_LE(y->TickValues(26).size(), 2u);
}

TEST(TkxGraphScala, LabelsAsNumbersDatesAndTimes) {
    const auto scale = HorizontalScale(0, 1);
    scale->LabelFormat().SetText("000.0");
    EXPECT_EQ(scale->LabelLines(12.46), QStringList{"012.5"});

    double day = 0;
    double time = 0;
    ASSERT_TRUE(TkxFormat::TryEncodeDate(2026, 3, 7, day));
    ASSERT_TRUE(TkxFormat::TryEncodeTime(13, 5, 30, 0, time));
    scale->SetTimeLabels(true);
    EXPECT_EQ(scale->LabelLines(day + time), QStringList{"13:05:30"});
    scale->SetDateLabels(true);
    EXPECT_EQ(scale->LabelLines(day + time), (QStringList{"07/03/2026", "13:05:30"}));
    scale->SetTimeLabels(false);
    EXPECT_EQ(scale->LabelLines(day + time), QStringList{"07/03/2026"});
    // A value that is no date writes nothing rather than garbage.
    EXPECT_EQ(scale->LabelLines(1e99), QStringList{""});
}

TEST(TkxGraphScala, BandThicknessFollowsLabelsAndTitle) {
    const QImage device(1, 1, QImage::Format_RGB32);
    TkxGraphScala x("[s]", TkxGraphScala::PositionBottom);
    const int line = QFontMetrics(x.LabelFormat().Font(), &device).height();
    const int title = QFontMetrics(x.TextFormat().Font(), &device).height();
    EXPECT_EQ(x.BandThickness(&device), TkxGraphScala::TickLength + line + title + 2);
    x.SetDateLabels(true);
    x.SetTimeLabels(true);
    EXPECT_EQ(x.BandThickness(&device), TkxGraphScala::TickLength + 2 * line + title + 2);
    x.TextFormat().SetVisible(false);
    x.LabelFormat().SetVisible(false);
    EXPECT_EQ(x.BandThickness(&device), TkxGraphScala::TickLength);

    TkxGraphScala y("", TkxGraphScala::PositionLeft);
    y.TextFormat().SetVisible(false);
    const int digit = QFontMetrics(y.LabelFormat().Font(), &device).horizontalAdvance('0');
    y.LabelFormat().SetText("000.0");
    EXPECT_EQ(y.BandThickness(&device), TkxGraphScala::TickLength + 5 * digit);
    y.SetTimeLabels(true);
    EXPECT_EQ(y.BandThickness(&device), TkxGraphScala::TickLength + 8 * digit);
    y.SetDateLabels(true);
    EXPECT_EQ(y.BandThickness(&device), TkxGraphScala::TickLength + 10 * digit);
}

// The first and last column in [left, right) holding, in rows [top, bottom), a pixel that is not
// white; {right, left} when there is none.
std::pair<int, int> InkColumns(const QImage& image, int left, int right, int top, int bottom) {
    std::pair<int, int> ink{right, left};
    for (int x = left; x < right; ++x) {
        for (int y = top; y < bottom; ++y) {
            if (image.pixelColor(x, y) != QColor(Qt::white)) {
                ink = {std::min(ink.first, x), std::max(ink.second, x)};
            }
        }
    }
    return ink;
}

TEST(TkxGraphScala, LabelsAsWideAsTheirPatternAreWrittenWhole) {
    for (const int position : {TkxGraphScala::PositionLeft, TkxGraphScala::PositionRight}) {
        SCOPED_TRACE(position);
        QImage image(200, 120, QImage::Format_RGB32);
        image.setDotsPerMeterX(3780);
        image.setDotsPerMeterY(3780);
        image.fill(Qt::white);
        TkxGraphScala scale("[V]", position);
        scale.LabelFormat().SetText("000");
        scale.LabelFormat().SetPen(QPen(Qt::black));
        scale.GridFormat().SetVisible(false);
        scale.SetRange(0, 700);
        scale.SetStep(100);
        const int thickness = scale.BandThickness(&image);
        const bool left = position == TkxGraphScala::PositionLeft;
        const TkxGraphRect plot =
            left ? TkxGraphRect{thickness + 1, 10, 190, 100} : TkxGraphRect{10, 10, 100, 100};
        const TkxGraphRect band =
            left ? TkxGraphRect{0, 9, thickness, 101} : TkxGraphRect{101, 9, 101 + thickness, 101};
        scale.SetRect(band);
        scale.SetPlotRect(plot);
        {
            QPainter painter(&image);
            scale.Draw(painter);
        }
        // The lowest label, "000", ends at the band's bottom; between the title and the ticks.
        const QFontMetrics metrics(scale.LabelFormat().Font(), &image);
        const int title = QFontMetrics(scale.TextFormat().Font(), &image).height() + 2;
        const int from = left ? band.Left + title : band.Left + TkxGraphScala::TickLength;
        const int to = left ? band.Right - TkxGraphScala::TickLength : band.Right - title;
        const auto written =
            InkColumns(image, from, to, band.Bottom - 1 - metrics.height(), band.Bottom - 1);

        QImage free(100, 40, QImage::Format_RGB32);
        free.setDotsPerMeterX(3780);
        free.setDotsPerMeterY(3780);
        free.fill(Qt::white);
        {
            QPainter painter(&free);
            painter.setFont(scale.LabelFormat().Font());
            painter.setPen(scale.LabelFormat().Pen());
            painter.drawText(20, 30, QStringLiteral("000"));
        }
        const auto whole = InkColumns(free, 0, 100, 0, 40);
        ASSERT_LT(whole.first, whole.second);
        EXPECT_EQ(written.second - written.first, whole.second - whole.first);
    }
}

} // namespace
