#include "tmainform.h"
#include "tnetworkcmp.h"
#include "tofflinemodedlg.h"
#include "tterminalcls.h"

#include "support/tkxtempfolder.h"
#include "ui/tkxuitest.h"

#include "devices/tkxdeviceqxdrvcls.h"
#include "devices/tkxversionrecordcls.h"

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

const std::string kShipped = std::string(TKX_BINARY_DIR) + "/tools/";

// Clicks the button of that caption once the dialog is up.
void ClickWhenShown(TOfflineModeDlg& dialog, const char* caption) {
    QTimer::singleShot(0, &dialog, [&dialog, caption] {
        QVERIFY(dialog.isVisible());
        dialog.Button(caption)->click();
    });
}

} // namespace

// Offline work: the six drive types of the dialog, each made from its version text, and
// Cancel.
class TOfflineModeDlgTest : public QObject {
    Q_OBJECT
private slots:
    void EachDriveTypeMakesItsDriveSilently_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("version");
        for (const TOfflineModeDlg::DriveType& type : TOfflineModeDlg::DriveTypes) {
            QTest::newRow(type.Caption)
                << QString::fromLatin1(type.Caption) << QString::fromLatin1(type.Version);
        }
    }

    void EachDriveTypeMakesItsDriveSilently() {
        QFETCH(QString, caption);
        QFETCH(QString, version);
        TkxTempFolder folder;
        TTerminal terminal(folder.Dir(), kShipped);
        TMainForm& form = terminal.MainForm();
        const QByteArray captionBytes = caption.toLatin1();
        ClickWhenShown(terminal.OfflineModeDlg(), captionBytes.constData());
        form.acOpenConnection->trigger();

        TkxDeviceQXDRV* drive = terminal.Network().GetDrive();
        QVERIFY(drive != nullptr);
        QCOMPARE(drive->GetVersion().GetText(), TkxVersionRecord(version.toStdString()).GetText());
        QVERIFY(form.LogLines().isEmpty());
        QVERIFY(form.lvHwInfo->topLevelItemCount() >= 4);
        QVERIFY(form.lvActState->topLevelItemCount() >= 7);
        form.UpdateActions();
        QVERIFY(form.acSetupForm->isEnabled());
        QVERIFY(!form.acRemoteCtrl->isEnabled());
    }

    void CancelMakesNothing() {
        TkxTempFolder folder;
        TTerminal terminal(folder.Dir(), kShipped);
        ClickWhenShown(terminal.OfflineModeDlg(), "Cancel");
        terminal.MainForm().acOpenConnection->trigger();
        QVERIFY(terminal.Network().DeviceSetup() == nullptr);
        QVERIFY(terminal.MainForm().LogLines().isEmpty());
    }

    void ButtonsStandInTwoColumnsOfOneModelARow() {
        TOfflineModeDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Offline Mode"));
        const QPoint q440 = dialog.Button("QX440v30x")->pos();
        QCOMPARE(dialog.Button("QX440v32x")->pos().y(), q440.y());
        QVERIFY(dialog.Button("QX440v32x")->pos().x() > q440.x());
        QVERIFY(dialog.Button("QX460v3xx")->pos().y() > q440.y());
        QCOMPARE(dialog.Button("QX470v3xx")->pos().x(), q440.x());
        QCOMPARE(dialog.Button("QX470v4xx")->size(), QSize(137, 57));
        QVERIFY(dialog.Button("Cancel")->isDefault());
        QVERIFY(dialog.Button("Cancel")->pos().y() > dialog.Button("QX470v4xx")->pos().y());
        QVERIFY(!TOfflineModeDlg::VersionOfResult(QDialog::Rejected));
        QVERIFY(!TOfflineModeDlg::VersionOfResult(QDialog::Accepted));
    }

    void AVersionWithoutADefinitionFileMakesNoDrive() {
        TkxTempFolder folder;
        TTerminal terminal(folder.Dir(), kShipped);
        QVERIFY(!terminal.Network().OpenOffline(0, 1, "QX999v100"));
        QVERIFY(terminal.Network().GetDrive() == nullptr);
        // Nothing was bound, nothing is enabled that needs a drive.
        QCOMPARE(terminal.MainForm().lvHwInfo->topLevelItemCount(), 0);
    }
};

TKX_UI_TEST(TOfflineModeDlgTest);
#include "tofflinemodedlg_test.moc"
