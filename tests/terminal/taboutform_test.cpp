#include "taboutform.h"
#include "tnetworkcmp.h"
#include "tterminalcls.h"

#include "support/tkxtempfolder.h"
#include "ui/tkxuitest.h"

#include <QPlainTextEdit>
#include <QTest>

namespace {

const std::string kShipped = std::string(TKX_BINARY_DIR) + "/tools/";

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "|";
    }
    return text;
}

} // namespace

// The about window's texts from the settings file and the drive's identity.
class TAboutFormTest : public QObject {
    Q_OBJECT
private slots:
    void WithoutSettingsNameVersionAndTwoEmptyLines() {
        TkxTempFolder folder;
        const std::vector<std::string> lines = TAboutForm::ProgramLines(folder.Dir());
        QCOMPARE(lines.size(), std::size_t(3));
        QCOMPARE(QString::fromStdString(lines[0]), QStringLiteral("\t-APPLICATION NAME- V.ER_"));
        QVERIFY(lines[1].empty());
        QVERIFY(lines[2].empty());
    }

    void ContactLinesAddressItemsAndFramedMessage() {
        TkxTempFolder folder;
        folder.Write("QX_DRIVE_ConfigTerm.ini",
                     "[AboutForm]\r\nApplication=Terminal\r\nVersion=2.1\r\nCompany=Acme s.r.l.\r\n"
                     "Address=\"Via Roma 1\",\"10100 Torino\"\r\nPhone=+39 011 000\r\n"
                     "Web=www.example.com\r\nMessage=\"Thank you\",\"for choosing us\"\r\n");
        const std::vector<std::string> lines = TAboutForm::ProgramLines(folder.Dir());
        const std::vector<std::string> expected = {"\tTerminal 2.1_",
                                                   "",
                                                   "Acme s.r.l.",
                                                   "Via Roma 1",
                                                   "10100 Torino",
                                                   "",
                                                   "Phone:\t+39 011 000",
                                                   "Web:\twww.example.com",
                                                   "",
                                                   "-------------------",
                                                   "Thank you",
                                                   "for choosing us",
                                                   "-------------------"};
        QCOMPARE(QString::fromStdString(Joined(lines)), QString::fromStdString(Joined(expected)));
    }

    void UnquotedAddressSplitsAtBlanks() {
        TkxTempFolder folder;
        folder.Write("QX_DRIVE_ConfigTerm.ini", "[AboutForm]\r\nAddress=Via Roma,1\r\n");
        const std::vector<std::string> lines = TAboutForm::ProgramLines(folder.Dir());
        QCOMPARE(lines.size(), std::size_t(7));
        QCOMPARE(QString::fromStdString(lines[2]), QStringLiteral("Via"));
        QCOMPARE(QString::fromStdString(lines[3]), QStringLiteral("Roma"));
        QCOMPARE(QString::fromStdString(lines[4]), QStringLiteral("1"));
    }

    void OfflineShowsNotConnected() {
        TkxTempFolder folder;
        TTerminal terminal(folder.Dir(), kShipped);
        TAboutForm& about = terminal.AboutForm();
        QCOMPARE(about.DeviceMemo->toPlainText(),
                 QStringLiteral("Not connected! (or unknown device)"));
        QVERIFY(terminal.Network().OpenOffline(0, 1, "QX460v400"));
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.DeviceMemo->toPlainText(),
                 QStringLiteral("Not connected! (or unknown device)"));
        QVERIFY(about.Memo->toPlainText().startsWith(QStringLiteral("\t-APPLICATION NAME-")));
        // Escape closes it.
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(!about.isVisible());
    }
};

TKX_UI_TEST(TAboutFormTest);
#include "taboutform_test.moc"
