// The gallery draws: run under a virtual X server, its screenshot is a picture of the window,
// not an empty or one-coloured one.
#include "ui/tkxuitest.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TkxGalleryTest : public QObject {
    Q_OBJECT
private slots:
    void ScreenshotUnderAVirtualDisplayShowsTheControls() {
        if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty()) {
            QFAIL("xvfb-run is missing: run scripts/install-deps.sh");
        }
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString picture = folder.filePath(QStringLiteral("gallery.png"));
        QProcess gallery;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        gallery.setProcessEnvironment(environment);
        gallery.setProcessChannelMode(QProcess::ForwardedChannels);
        gallery.start(QStringLiteral("xvfb-run"), {QStringLiteral("-a"), QStringLiteral("-s"),
                                                   QStringLiteral("-screen 0 1280x1024x24"),
                                                   QStringLiteral(TKX_GALLERY_PROGRAM),
                                                   QStringLiteral("--screenshot"), picture});
        QVERIFY(gallery.waitForFinished(120000));
        QCOMPARE(gallery.exitStatus(), QProcess::NormalExit);
        QCOMPARE(gallery.exitCode(), 0);

        const QImage image(picture);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= 600 && image.height() >= 400);
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3) {
            for (int x = 0; x < image.width(); x += 3) {
                colours.insert(image.pixel(x, y));
            }
        }
        QVERIFY2(colours.size() > 20, "text, rows and controls give many colours");
        // The list rows are painted in the row colours.
        QVERIFY(colours.contains(QColor(192, 201, 255).rgb()));
        QVERIFY(colours.contains(QColor(224, 233, 255).rgb()));
    }
};

TKX_UI_TEST(TkxGalleryTest);
#include "gallery_test.moc"
