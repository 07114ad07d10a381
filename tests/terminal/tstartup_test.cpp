#include "tmainform.h"
#include "tstartupcls.h"

#include "support/simprocess.h"
#include "support/tkxtempfolder.h"
#include "ui/tkxuitest.h"

#include <QColor>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTest>

#include <variant>

namespace {

std::variant<TStartupOptions, QString> Parse(const QStringList& arguments) {
    return TStartup::Parse(QStringList{QStringLiteral("qxdrive-terminal")} + arguments);
}

} // namespace

// The command line: a port to connect to at once and a picture to take.
class TStartupTest : public QObject {
    Q_OBJECT
private slots:
    void ReadsThePortAndThePicture() {
        const auto none = Parse({});
        QVERIFY(std::holds_alternative<TStartupOptions>(none));
        QCOMPARE(std::get<TStartupOptions>(none).ConnectPort, 0);
        QVERIFY(std::get<TStartupOptions>(none).Screenshot.isEmpty());

        const auto both = Parse({"--connect", "com8", "--screenshot=/tmp/x.png"});
        QVERIFY(std::holds_alternative<TStartupOptions>(both));
        QCOMPARE(std::get<TStartupOptions>(both).ConnectPort, 8);
        QCOMPARE(std::get<TStartupOptions>(both).Screenshot, QStringLiteral("/tmp/x.png"));
        QCOMPARE(std::get<TStartupOptions>(Parse({"--connect=COM1"})).ConnectPort, 1);
    }

    void RefusesWhatMakesNoSense() {
        for (const QStringList& arguments :
             {QStringList{"--connect"}, QStringList{"--connect", "COM0"},
              QStringList{"--connect", "COM9"}, QStringList{"--connect", "/dev/ttyUSB0"},
              QStringList{"--connect", "COM"}, QStringList{"--connect=COM1x"},
              QStringList{"--screenshot"}, QStringList{"--screenshot="}, QStringList{"--port"},
              QStringList{"extra"}}) {
            const auto parsed = Parse(arguments);
            QVERIFY2(std::holds_alternative<QString>(parsed), qPrintable(arguments.join(' ')));
            QVERIFY(!std::get<QString>(parsed).isEmpty());
        }
        QVERIFY(TStartup::AsksForHelp({"qxdrive-terminal", "--connect", "COM1", "--help"}));
        QVERIFY(!TStartup::AsksForHelp({"qxdrive-terminal", "--connect", "COM1"}));
        QVERIFY(TStartup::Usage().contains(QStringLiteral("--connect COMn")));
    }
};

// The program itself under a virtual X server, connected to the simulated drive through the
// settings of its working folder: its picture shows the window with live values.
class TStartupScreenshotTest : public QObject {
    Q_OBJECT
private slots:
    void PictureOfTheConnectedMainWindow() {
        if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty()) {
            QFAIL("xvfb-run is missing: run scripts/install-deps.sh");
        }
        TkxTempFolder folder;
        qxsim::SimProcess sim({"--demo", "--link", folder.PathOf("drive")});
        QVERIFY2(sim.Started(), sim.Banner().c_str());
        folder.Write("QX_DRIVE_ConfigTerm.ini",
                     "[Ports]\r\nCOM1=" + folder.PathOf("drive") + "\r\n[Setup]\r\nLastPort=1\r\n");
        const QString picture = QString::fromStdString(folder.PathOf("terminal.png"));
        QProcess terminal;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        terminal.setProcessEnvironment(environment);
        terminal.setWorkingDirectory(QString::fromStdString(folder.Dir()));
        terminal.setProcessChannelMode(QProcess::ForwardedChannels);
        terminal.start(QStringLiteral("xvfb-run"),
                       {QStringLiteral("-a"), QStringLiteral("-s"),
                        QStringLiteral("-screen 0 1280x1024x24"),
                        QStringLiteral(TKX_TERMINAL_PROGRAM), QStringLiteral("--connect"),
                        QStringLiteral("COM1"), QStringLiteral("--screenshot"), picture});
        QVERIFY(terminal.waitForFinished(120000));
        QCOMPARE(terminal.exitStatus(), QProcess::NormalExit);
        QCOMPARE(terminal.exitCode(), 0);

        const QImage image(picture);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= TMainForm::DesignWidth && image.height() >= 400);
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2) {
            for (int x = 0; x < image.width(); x += 2) {
                colours.insert(image.pixel(x, y));
            }
        }
        QVERIFY2(colours.size() > 20, "text, rows and controls give many colours");
        // The log and the state rows are painted in their colours.
        QVERIFY(colours.contains(QColor(144, 200, 255).rgb()));
        QVERIFY(colours.contains(QColor(192, 201, 255).rgb()));
        QVERIFY(colours.contains(QColor(224, 233, 255).rgb()));
    }
};

TKX_UI_TEST(TStartupTest);
TKX_UI_TEST(TStartupScreenshotTest);
#include "tstartup_test.moc"
