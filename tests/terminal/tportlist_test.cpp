#include "tportlistcls.h"
#include "ttermsettingscls.h"

#include "support/tkxtempfolder.h"
#include "ui/tkxuitest.h"

#include <QTest>

#include <filesystem>

// Which device path each COM port gets.
class TPortListTest : public QObject {
    Q_OBJECT
private slots:
    void AdaptersByStableNameFirstWithoutTwins() {
        TkxTempFolder dev;
        for (const char* name : {"ttyS0", "ttyS1", "ttyUSB10", "ttyUSB2", "ttyACM0", "tty0"}) {
            dev.Write(name, "");
        }
        std::filesystem::create_directories(dev.Path() / "serial" / "by-id");
        const std::string byId = dev.PathOf("serial/by-id/usb-FTDI_A1-if00-port0");
        std::filesystem::create_symlink(dev.PathOf("ttyUSB10"), byId);
        const std::vector<std::string> expected = {byId, dev.PathOf("ttyUSB2"),
                                                   dev.PathOf("ttyACM0"), dev.PathOf("ttyS0"),
                                                   dev.PathOf("ttyS1")};
        QCOMPARE(TPortList::Adapters(dev.Path().string()), expected);
    }

    void SettingsFirstThenAdaptersInTurn() {
        TkxTempFolder folder;
        folder.Write("QX_DRIVE_ConfigTerm.ini", "[Ports]\r\nCOM2=/dev/ttyS7\r\n");
        TTermSettings settings(folder.Dir());
        const auto paths = TPortList::Map(settings, {"/dev/ttyUSB0", "/dev/ttyACM0"});
        QCOMPARE(paths[0], std::string("/dev/ttyUSB0"));
        QCOMPARE(paths[1], std::string("/dev/ttyS7"));
        QCOMPARE(paths[2], std::string("/dev/ttyACM0"));
        QVERIFY(paths[3].empty());
        QVERIFY(paths[7].empty());
    }
};

TKX_UI_TEST(TPortListTest);
#include "tportlist_test.moc"
