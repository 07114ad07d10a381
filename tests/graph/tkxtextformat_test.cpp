#include "graph/tkxtextformatcls.h"
#include "ui/tkxqtconvert.h"

#include <QFontInfo>

#include <gtest/gtest.h>

namespace {

TEST(TkxTextFormat, NotifiesOnlyRealChangesOfTextAndVisibility) {
    TkxTextFormat format("Act");
    std::vector<TkxLineFormat*> senders;
    format.OnChange = [&](TkxLineFormat* sender) { senders.push_back(sender); };
    format.SetText("Act");
    format.SetVisible(true);
    EXPECT_TRUE(senders.empty());
    format.SetText("Ref");
    format.SetVisible(false);
    format.SetVisible(false);
    format.SetPen(QPen(Qt::red)); // pens, brushes and fonts are read at the next render
    format.SetFont(TkxQFont("Arial", -12));
    ASSERT_EQ(senders.size(), 2u);
    EXPECT_EQ(senders[0], &format);
    EXPECT_EQ(format.Text(), "Ref");
    EXPECT_FALSE(format.Visible());

    // Text is 8-bit: "°" is one byte.
    format.SetText("[\xB0"
                   "C]");
    EXPECT_EQ(format.QText(), QString::fromUtf8("[°C]"));

    // Unassigned: nothing to call.
    TkxLineFormat line;
    line.SetVisible(false);
    EXPECT_FALSE(line.Visible());
}

TEST(TkxTextFormat, DefaultsAndFontSizes) {
    const TkxTextFormat format("name");
    EXPECT_TRUE(format.Visible());
    EXPECT_EQ(format.Pen().color(), QColor(Qt::white));
    EXPECT_EQ(format.Pen().style(), Qt::SolidLine);
    EXPECT_EQ(format.Pen().width(), 1);
    EXPECT_EQ(format.Brush().style(), Qt::NoBrush);
    EXPECT_EQ(format.Brush().color(), QColor(Qt::black));
    EXPECT_EQ(format.Font().family(), "Arial Narrow");
    // -10: a cell of 10 points, 13 pixels at 96 pixels per inch.
    EXPECT_EQ(format.Font().pixelSize(), 13);
    EXPECT_EQ(TkxQFont("Arial", -12).pixelSize(), 16);
    EXPECT_EQ(TkxQFont("Arial", 9).pointSize(), 9);

    // A family this machine lacks still gives a usable font.
    const QFont missing = TkxQFont("No Such Family 1234", -10);
    EXPECT_FALSE(QFontInfo(missing).family().isEmpty());
    EXPECT_GT(QFontInfo(missing).pixelSize(), 0);
}

} // namespace
