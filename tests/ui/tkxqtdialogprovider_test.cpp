#include "ui/tkxqtdialogprovidercls.h"

#include "devices/tkxmbnetworkcmp.h"
#include "ui/tkxqtconvert.h"
#include "ui/tkxsupporteddevicelistdlg.h"
#include "ui/tkxuitest.h"

#include <QApplication>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

class TkxQtDialogProviderTest : public QObject {
    Q_OBJECT
private slots:
    void SupportedDevicesListEveryFileOrSaysThereIsNone() {
        TkxSupportedDeviceList form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Supported devices"));
        QCOMPARE(form.size(), QSize(499, 240));
        QCOMPARE(form.Memo()->lineWrapMode(), QPlainTextEdit::NoWrap);
        QVERIFY(form.Memo()->isReadOnly());
        QVERIFY(QFontInfo(form.Memo()->font()).fixedPitch());
        form.Fill(nullptr);
        QCOMPARE(form.Memo()->toPlainText(), QStringLiteral("- Unknown DataModels collection -"));

        TkxMBNetwork network;
        network.SetFilePath(std::string(TKX_SOURCE_DIR) + "/data");
        form.Fill(network.DataModels());
        QStringList expected;
        for (const std::string& line :
             TkxDialogProvider::SupportedDeviceLines(network.DataModels())) {
            expected.append(TkxQString(line));
        }
        QCOMPARE(form.Memo()->toPlainText().split(QLatin1Char('\n')), expected);
        QVERIFY(form.Memo()->toPlainText().contains(QStringLiteral("qx460v4xx.par")));
    }

    void EscapeClosesTheList() {
        TkxSupportedDeviceList form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::keyClick(form.Memo(), Qt::Key_Escape);
        QVERIFY(!form.isVisible());
    }

    void InstalledProviderShowsTheListModally() {
        TkxQtDialogProvider provider;
        provider.Install();
        QCOMPARE(TkxGetDialogProvider(), static_cast<TkxDialogProvider*>(&provider));
        QString shown;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* form = qobject_cast<TkxSupportedDeviceList*>(modal)) {
                shown = form->Memo()->toPlainText();
                form->reject();
            }
        });
        TkxGetDialogProvider()->ShowSupportedDevices(nullptr);
        QCOMPARE(shown, QStringLiteral("- Unknown DataModels collection -"));
    }

    void DestroyedProviderIsUninstalled() {
        {
            TkxQtDialogProvider provider;
            provider.Install();
        }
        QCOMPARE(TkxGetDialogProvider(), nullptr);
    }
};

TKX_UI_TEST(TkxQtDialogProviderTest);
#include "tkxqtdialogprovider_test.moc"
