#include "tcontrolform.h"
#include "tmainform.h"
#include "tnetworkcmp.h"
#include "tsetupform.h"
#include "tshellform.h"
#include "ttargetsform.h"
#include "tterminalcls.h"

#include "support/tkxtempfolder.h"
#include "ui/tkxcomboboxctrl.h"
#include "ui/tkxparrows.h"
#include "ui/tkxuitest.h"
#include "ui/tkxuserinterfaceutilscmp.h"

#include "devices/tkxdeviceqxdrvcls.h"
#include "devices/tkxdevicesetupcls.h"
#include "params/tkxparencodedcls.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <fstream>
#include <sstream>

namespace {

const std::string kShipped = std::string(TKX_BINARY_DIR) + "/tools/";

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

QStringList SerialBanner(int port) {
    const QString rule = QString(74, QLatin1Char('_'));
    return {rule, QStringLiteral("SERIAL PORT SELECTED: COM%1").arg(port),
            QStringLiteral("- Need serial connection."), QStringLiteral("- Auto drive detection."),
            rule};
}

// Makes the row of the parameter the current, selected row of the list; false without one.
bool SelectRowOf(QTreeWidget* list, const TkxParValue* par) {
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        if (TkxParOfItem(list->topLevelItem(row)) == par) {
            list->setCurrentItem(list->topLevelItem(row));
            list->topLevelItem(row)->setSelected(true);
            return true;
        }
    }
    return false;
}

// The terminal offline with a drive of the version, its main window shown and active.
struct OfflineTerminal {
    explicit OfflineTerminal(const char* version)
        : Terminal(Folder.Dir(), kShipped) {
        Form().ChooseOfflineVersion = [version] { return std::optional<std::string>(version); };
        Form().acOpenConnection->trigger();
        Form().show();
        Form().activateWindow();
    }
    TMainForm& Form() const { return Terminal.MainForm(); }
    TkxDeviceQXDRV* Drive() const { return Terminal.Network().GetDrive(); }

    TkxTempFolder Folder;
    TTerminal Terminal;
};

} // namespace

// Start-up, the settings file and the connection choices of the main window.
class TMainFormTest : public QObject {
    Q_OBJECT
private slots:
    void StartsWithDefaultsWithoutASettingsFile() {
        TkxTempFolder folder;
        TTerminal terminal(folder.Dir(), kShipped);
        TMainForm& form = terminal.MainForm();
        QCOMPARE(form.pos(), QPoint(0, 0));
        QCOMPARE(form.size(), QSize(TMainForm::DesignWidth, TMainForm::DesignHeight));
        QCOMPARE(form.Port(), 0);
        QCOMPARE(form.tbSelectPort->text(), QStringLiteral("OFFLINE"));
        QVERIFY(form.mnOffline->isChecked());
        QCOMPARE(form.SlaveAddr(), 1);
        QCOMPARE(form.acSlaveAddr->text(), QStringLiteral("Slave #1"));
        QVERIFY(!form.RtsToggle());
        QVERIFY(!form.mnRtsToggle->isChecked());
        QCOMPARE(form.windowTitle(), QStringLiteral("QX DRIVE - Configuration Terminal 1.31"));
        QVERIFY(form.LogLines().isEmpty());
        QCOMPARE(form.tbModBus->defaultAction(), form.acOpenConnection);
        QVERIFY(!form.acCloseConnection->isEnabled());
    }

    void ReadsTheChoicesAndCaptionFromTheSettingsFile() {
        TkxTempFolder folder;
        folder.Write("QX_DRIVE_ConfigTerm.ini",
                     "[MainForm]\r\nTop=40\r\nLeft=30\r\nWidth=600\r\nHeight=500\r\n"
                     "[Setup]\r\nLastPort=3\r\nLastSlave=17\r\nLastRtsToggle=5\r\n"
                     "[AboutForm]\r\nApplication=Field Tool\r\nVersion=2.0\r\n");
        TTerminal terminal(folder.Dir(), kShipped);
        TMainForm& form = terminal.MainForm();
        QCOMPARE(form.pos(), QPoint(30, 40));
        QCOMPARE(form.size(), QSize(600, 500));
        QCOMPARE(form.Port(), 3);
        QCOMPARE(form.tbSelectPort->text(), QStringLiteral("COM3"));
        QVERIFY(form.mnCOM[2]->isChecked());
        QCOMPARE(form.SlaveAddr(), 17);
        QVERIFY(form.RtsToggle());
        QCOMPARE(form.windowTitle(), QStringLiteral("Field Tool 2.0"));
        QVERIFY(form.LogLines().isEmpty());
    }

    void PortSelectionLogsABannerOnlyWhenLeavingOffline() {
        TkxTempFolder folder;
        TTerminal terminal(folder.Dir(), kShipped);
        TMainForm& form = terminal.MainForm();
        form.SelectPort(3);
        QCOMPARE(form.LogLines(), SerialBanner(3));
        form.SelectPort(4);
        QCOMPARE(form.LogLines(), SerialBanner(3));
        QCOMPARE(form.tbSelectPort->text(), QStringLiteral("COM4"));
        for (int port = 1; port <= 8; ++port) {
            QCOMPARE(form.mnCOM[port - 1]->isChecked(), port == 4);
        }
        form.SelectPort(9);
        form.SelectPort(-1);
        QCOMPARE(form.Port(), 4);
        QCOMPARE(form.LogLines().size(), 5);

        form.SelectPort(0);
        const QStringList lines = form.LogLines();
        QCOMPARE(lines.size(), 12);
        QCOMPARE(lines[6], QStringLiteral("  !  OFFLINE MODE SELECTED  !"));
        QCOMPARE(lines[9], QStringLiteral("- At startup all parameters are set to default (were "
                                          "available)!"));
        QCOMPARE(lines[11], QString(74, QLatin1Char('_')));
        QCOMPARE(form.tbSelectPort->text(), QStringLiteral("OFFLINE"));
        QVERIFY(form.mnOffline->isChecked());
        QVERIFY(!form.mnCOM[3]->isChecked());

        // The menu item selects its port.
        form.mnCOM[6]->trigger();
        QCOMPARE(form.Port(), 7);
        QCOMPARE(form.LogLines().mid(12), SerialBanner(7));
    }

    void SlaveAddressIsCheckedAsTyped() {
        TkxTempFolder folder;
        TTerminal terminal(folder.Dir(), kShipped);
        TMainForm& form = terminal.MainForm();
        QStringList messages;
        QString typed;
        QString initial;
        QString prompt;
        form.ShowMessage = [&](const QString& message) { messages << message; };
        form.InputQuery = [&](const QString& title, const QString& text,
                              const QString& current) -> std::optional<QString> {
            prompt = title + "|" + text;
            initial = current;
            return typed;
        };
        for (const char* refused : {"0", "300", "-4"}) {
            typed = QString::fromLatin1(refused);
            form.acSlaveAddr->trigger();
            QCOMPARE(messages.takeLast(), QStringLiteral("Invalid Address value."));
            QCOMPARE(form.SlaveAddr(), 1);
        }
        QCOMPARE(prompt, QStringLiteral("Modify SlaveAddress|Insert a value from 1 to 32:"));
        QCOMPARE(initial, QStringLiteral("1"));
        for (const char* notNumber : {"abc", "", "12x"}) {
            typed = QString::fromLatin1(notNumber);
            form.acSlaveAddr->trigger();
            QCOMPARE(messages.takeLast(), QStringLiteral("Not a valid ModBus slave address!"));
        }
        typed = QStringLiteral("40");
        form.acSlaveAddr->trigger();
        QVERIFY(messages.isEmpty());
        QCOMPARE(form.SlaveAddr(), 40);
        QCOMPARE(form.tbSlaveAddr->text(), QStringLiteral("Slave #40"));
        typed = QStringLiteral("255");
        form.acSlaveAddr->trigger();
        QCOMPARE(form.SlaveAddr(), 255);
        QCOMPARE(initial, QStringLiteral("40"));

        // Cancelled: nothing changes.
        form.InputQuery = [](const QString&, const QString&, const QString&) {
            return std::optional<QString>();
        };
        form.acSlaveAddr->trigger();
        QCOMPARE(form.SlaveAddr(), 255);
        QVERIFY(messages.isEmpty());
    }

    void RtsToggleMenuItemInvertsTheChoice() {
        TkxTempFolder folder;
        TTerminal terminal(folder.Dir(), kShipped);
        TMainForm& form = terminal.MainForm();
        form.mnRtsToggle->trigger();
        QVERIFY(form.RtsToggle());
        QVERIFY(form.mnRtsToggle->isChecked());
        form.mnRtsToggle->trigger();
        QVERIFY(!form.RtsToggle());
    }

    void OfflineConnectCancelledChangesNothing() {
        TkxTempFolder folder;
        TTerminal terminal(folder.Dir(), kShipped);
        TMainForm& form = terminal.MainForm();
        int asked = 0;
        form.ChooseOfflineVersion = [&]() -> std::optional<std::string> {
            ++asked;
            return std::nullopt;
        };
        form.acOpenConnection->trigger();
        QCOMPARE(asked, 1);
        QVERIFY(terminal.Network().DeviceSetup() == nullptr);
        QVERIFY(form.LogLines().isEmpty());
        form.UpdateActions();
        QVERIFY(!form.acSetupForm->isEnabled());
    }

    void ActionsFollowTheConnectionWhenIdle() {
        TkxTempFolder folder;
        TTerminal terminal(folder.Dir(), kShipped);
        TMainForm& form = terminal.MainForm();
        // Without a connection everything that needs a drive is off, F7 included.
        QVERIFY(!form.acSetupForm->isEnabled());
        QVERIFY(!form.acRemoteCtrl->isEnabled());
        QVERIFY(!form.acScopeForm->isEnabled());
        QVERIFY(!terminal.SetupForm().Action("acExport")->isEnabled());
        QVERIFY(!terminal.ControlForm().Action("acMainRefUp")->isEnabled());
        form.acSetupForm->trigger();
        QVERIFY(!terminal.SetupForm().isVisible());

        // Offline with a drive: the setup window opens, the running-only windows stay off.
        form.ChooseOfflineVersion = [] { return std::optional<std::string>("QX460v400"); };
        form.acOpenConnection->trigger();
        QVERIFY(terminal.Network().GetDrive() != nullptr);
        QVERIFY(form.acSetupForm->isEnabled());
        QVERIFY(!form.acRemoteCtrl->isEnabled());
        QVERIFY(!form.acScopeForm->isEnabled());
        QVERIFY(terminal.SetupForm().Action("acExport")->isEnabled());
        QVERIFY(!terminal.SetupForm().Action("acSend")->isEnabled());
        QVERIFY(!terminal.TargetsForm().Action("acSave")->isEnabled());
        form.acSetupForm->trigger();
        QVERIFY(terminal.SetupForm().isVisible());
        QVERIFY(form.acSetupForm->isChecked());
        form.acSetupForm->trigger();
        QVERIFY(!terminal.SetupForm().isVisible());

        // The offline drive is bound to the lists without a word in the log.
        QVERIFY(form.LogLines().isEmpty());
        QVERIFY(form.lvHwInfo->topLevelItemCount() > 0);
        QVERIFY(form.lvActState->topLevelItemCount() > 0);
    }

    void ReservedRowsOpenOnlyThroughTheirKeyAndLogTheirEdit() {
        OfflineTerminal offline("QX460v400");
        TMainForm& form = offline.Form();
        TkxDeviceQXDRV* drive = offline.Drive();
        QVERIFY(drive != nullptr && drive->ParEEPwmFreq != nullptr);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(form.acEditRegister->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F9));
        TkxUserInterfaceUtils& slow = *form.kxSlowInterface;
        QVERIFY(SelectRowOf(form.lvHwInfo, drive->ParEEPwmFreq));

        // Without the focus on the list nothing opens; nor does Enter on the read-only row.
        form.Memo->setFocus();
        form.acEditRegister->trigger();
        QVERIFY(!slow.GetIsEditMode());
        form.lvHwInfo->setFocus();
        QTest::keyClick(form.lvHwInfo, Qt::Key_Return);
        QVERIFY(!slow.GetIsEditMode());

        // The key opens the editor and leaves the row read-only behind it.
        QTest::keyClick(form.lvHwInfo, Qt::Key_F9, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(slow.GetIsEditMode());
        QVERIFY(drive->ParEEPwmFreq->ReadOnly());
        TkxComboBox& editor = slow.Editor();
        const double before = drive->ParEEPwmFreq->GetValueDouble();
        if (editor.isEditable()) {
            editor.setEditText(QString::number(drive->ParEEPwmFreq->GetMin()));
        } else {
            for (int entry = 0; entry < editor.count(); ++entry) {
                if (editor.itemData(entry).toInt() >= 0 &&
                    editor.itemData(entry).toInt() != static_cast<int>(before)) {
                    editor.setCurrentIndex(entry);
                    break;
                }
            }
        }
        QTest::keyClick(&editor, Qt::Key_Return);
        QVERIFY(!slow.GetIsEditMode());
        QVERIFY(drive->ParEEPwmFreq->GetValueDouble() != before);
        const QString rule(74, QLatin1Char('_'));
        const QStringList pwmBlock = {
            rule,
            QStringLiteral("!RESERVED PARAMETER!"),
            QStringLiteral("\"PWM switching frequency\" has been modified."),
            QStringLiteral(" Warning: Motor may be less noisy with an higher frequency but the "
                           "power dissipation of the drive increases."),
            QStringLiteral(" Warning: This modification takes effect only after restart."),
            rule};
        QCOMPARE(form.LogLines().mid(form.LogLines().size() - 6), pwmBlock);
        QVERIFY(drive->ParEEPwmFreq->ReadOnly());

        // The current limit has its own block; any other row does nothing.
        QVERIFY(SelectRowOf(form.lvHwInfo, drive->ParEECurrRangeMax));
        form.lvHwInfo->setFocus();
        form.acEditRegister->trigger();
        QVERIFY(slow.GetIsEditMode());
        slow.Editor().setEditText(
            QString::fromStdString(drive->ParEECurrRangeMax->GetValueString()));
        QTest::keyClick(&slow.Editor(), Qt::Key_Return);
        QVERIFY(!slow.GetIsEditMode());
        QVERIFY(form.LogLines().contains(QStringLiteral(
            " Danger: Current range value depends on the sense shunt resistors. A wrong setup may "
            "result in an error on current supplied to the motor.")));
        QVERIFY(form.LogLines().contains(
            QStringLiteral("\"Hardware current limit\" has been modified.")));
        const int lines = form.LogLines().size();
        QVERIFY(SelectRowOf(form.lvHwInfo, drive->ParHWLimitVolt));
        form.acEditRegister->trigger();
        QVERIFY(!slow.GetIsEditMode());
        QCOMPARE(form.LogLines().size(), lines);
    }

    void DriveWithoutReservedCopiesHasNothingToEdit() {
        // The older drive types list the working registers in place of the EEPROM copies.
        for (const char* version : {"QX440v30x", "QX440v32x", "QX460v300", "QX470v301"}) {
            OfflineTerminal offline(version);
            TkxDeviceQXDRV* drive = offline.Drive();
            QVERIFY(drive != nullptr);
            if (drive->ParEEPwmFreq != nullptr || drive->ParPwmFreq == nullptr) {
                continue;
            }
            TMainForm& form = offline.Form();
            QVERIFY(QTest::qWaitForWindowActive(&form));
            QVERIFY(SelectRowOf(form.lvHwInfo, drive->ParPwmFreq));
            form.lvHwInfo->setFocus();
            form.acEditRegister->trigger();
            QVERIFY(!form.kxSlowInterface->GetIsEditMode());
            QVERIFY(form.LogLines().isEmpty());
            return;
        }
        QSKIP("every shipped drive type has the EEPROM copy of the PWM frequency");
    }

    void SetupReadShowsTheSetupUnlessItOrTheTargetsAreShown() {
        TkxTempFolder folder;
        TTerminal terminal(folder.Dir(), kShipped);
        emit terminal.Network().SetupRead();
        QVERIFY(terminal.SetupForm().isVisible());
        terminal.SetupForm().hide();
        terminal.TargetsForm().show();
        emit terminal.Network().SetupRead();
        QVERIFY(!terminal.SetupForm().isVisible());
        terminal.TargetsForm().hide();
        terminal.SetupForm().show();
        emit terminal.Network().SetupRead();
        QVERIFY(terminal.SetupForm().isVisible());
        QVERIFY(!terminal.TargetsForm().isVisible());
    }

    void CloseWritesTheSettingsAndKeepsOtherKeys() {
        TkxTempFolder folder;
        folder.Write("QX_DRIVE_ConfigTerm.ini",
                     "; kept\r\n[Ports]\r\nCOM2=/dev/ttyS9\r\n[AboutForm]\r\nCompany=Acme\r\n");
        {
            TTerminal terminal(folder.Dir(), kShipped);
            TMainForm& form = terminal.MainForm();
            // The port menu names the device path a port is mapped to.
            QCOMPARE(form.mnCOM[1]->text(), QStringLiteral("COM2\t/dev/ttyS9"));
            form.SelectPort(5);
            form.ShowMessage = [](const QString&) {};
            form.SetSlaveAddr(9);
            form.SetRtsToggle(true);
            form.move(12, 34);
            form.resize(610, 480);
            QVERIFY(form.close());
        }
        const std::string text = ReadAll(folder.PathOf("QX_DRIVE_ConfigTerm.ini"));
        for (const char* expected :
             {"; kept\r\n", "COM2=/dev/ttyS9\r\n", "Company=Acme\r\n", "[MainForm]\r\n",
              "Top=34\r\n", "Left=12\r\n", "Width=610\r\n", "Height=480\r\n", "LastPort=5\r\n",
              "LastSlave=9\r\n", "LastRtsToggle=1\r\n", "[SetupForm]\r\n", "[ScopeForm]\r\n"}) {
            QVERIFY2(text.find(expected) != std::string::npos,
                     (std::string(expected) + " in " + text).c_str());
        }
        // The next start finds what was written.
        TTerminal again(folder.Dir(), kShipped);
        QCOMPARE(again.MainForm().Port(), 5);
        QCOMPARE(again.MainForm().SlaveAddr(), 9);
        QVERIFY(again.MainForm().RtsToggle());
    }

    void DefinitionFilesOfTheStartFolderComeFirst() {
        TkxTempFolder folder;
        QCOMPARE(TTerminal::DefinitionFolder(folder.Dir(), kShipped), kShipped);
        folder.Write("own.par", "[x]\r\n");
        QCOMPARE(TTerminal::DefinitionFolder(folder.Dir(), kShipped), folder.Dir());
    }
};

TKX_UI_TEST(TMainFormTest);
#include "tmainform_test.moc"
