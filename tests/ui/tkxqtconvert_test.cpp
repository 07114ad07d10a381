#include "ui/tkxqtconvert.h"

#include "ui/tkxuitest.h"

#include <QFontInfo>
#include <QTest>

class TkxQtConvertTest : public QObject {
    Q_OBJECT
private slots:
    void TextCrossesTheBoundaryBothWays() {
        QCOMPARE(TkxQString("25\xB0"
                            "C \x80"),
                 QString::fromUtf8("25°C €"));
        QCOMPARE(TkxAnsi(QString::fromUtf8("25°C €")), std::string("25\xB0"
                                                                   "C \x80"));
        // Every byte survives the trip, the unassigned ones included.
        std::string all;
        for (int c = 1; c < 256; ++c) {
            all.push_back(static_cast<char>(c));
        }
        QCOMPARE(TkxAnsi(TkxQString(all)), all);
    }

    void TextWithoutAnAnsiFormIsReplacedNotDropped() {
        QCOMPARE(TkxAnsi(QString::fromUtf8("a\xE6\xBC\xA2z")), std::string("a\xBFz"));
    }

    void ColoursAreBlueGreenRed() {
        const QColor even = TkxQColor(0xFFC9C0);
        QCOMPARE(even, QColor(192, 201, 255));
        QCOMPARE(TkxColorRef(even), 0xFFC9C0u);
        QCOMPARE(TkxColorRef(TkxQColor(16771552)), 16771552u);
        QCOMPARE(TkxQColor(0x0000FF), QColor(Qt::red));
    }

    void FontSizesAreCellPointsWhenNegative() {
        QCOMPARE(TkxQFont(QStringLiteral("Arial"), -10).pixelSize(), 13);
        QCOMPARE(TkxQFont(QStringLiteral("Arial"), 8).pointSize(), 8);
        QCOMPARE(TkxFontHeight(TkxQFont(QStringLiteral("Arial"), -12)), 16);
        QCOMPARE(TkxQFont(QStringLiteral("Arial"), -1).pixelSize(), 1);
        QVERIFY(QFontInfo(TkxQFont(QStringLiteral("Courier New"), 10)).fixedPitch());
    }
};

TKX_UI_TEST(TkxQtConvertTest);
#include "tkxqtconvert_test.moc"
