#include "tmainform.h"
#include "tnetworkcmp.h"
#include "tsetupform.h"
#include "tsimsession.h"
#include "tterminalcls.h"

#include "support/simprocess.h"
#include "support/tkxtempfolder.h"
#include "ui/tkxcheckboxctrl.h"
#include "ui/tkxqtconvert.h"
#include "ui/tkxuitest.h"
#include "ui/tkxuserinterfaceutilscmp.h"

#include <QAction>
#include <QLocalSocket>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <csignal>
#include <memory>

namespace {

const std::string kShipped = std::string(TKX_BINARY_DIR) + "/tools/";
constexpr int kWaitMs = TSimSession::WaitMs;
using Session = TSimSession;

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++Paints;
        }
        return false;
    }
};

QStringList Values(const QTreeWidget* list) {
    return ListValues(list);
}

bool IsFaultColour(const QWidget* widget) {
    return widget->palette().color(QPalette::Window) == TkxQColor(TMainForm::FaultColor);
}

} // namespace

// The terminal connected to a simulated drive: identification, live state, faults and their
// reset, a drive that vanishes, and the disconnect.
class TConnectedSessionTest : public QObject {
    Q_OBJECT
private slots:
    void ConnectSeeStateAndFaultsResetAndDisconnect() {
        Session session;
        QVERIFY2(session.Started(), qPrintable(session.Problem()));
        TMainForm& form = session.Form();
        form.acOpenConnection->trigger();
        QVERIFY(session.WaitLogged(QStringLiteral("Device found. Communication running.")));
        QVERIFY(session.Logged(QStringLiteral("Connection started.")));
        QVERIFY(session.Messages.isEmpty());
        QVERIFY(!form.acOpenConnection->isEnabled());
        QVERIFY(!form.tbSelectPort->isEnabled());
        QVERIFY(!form.acSlaveAddr->isEnabled());
        QVERIFY(form.acCloseConnection->isEnabled());
        QCOMPARE(form.tbModBus->defaultAction(), form.acCloseConnection);
        QVERIFY(session.Terminal().Network().GetDrive() != nullptr);
        QVERIFY(QTest::qWaitFor([&] { return form.acRemoteCtrl->isEnabled(); }, kWaitMs));

        // The hardware information and the actual state are filled and keep moving.
        QVERIFY(form.lvHwInfo->topLevelItemCount() >= 4);
        QVERIFY(form.lvActState->topLevelItemCount() >= 7);
        QVERIFY(session.WaitLogged(QStringLiteral("Setup dowloaded, data refreshed.")));
        // The setup read brings the setup up.
        QVERIFY(session.Terminal().SetupForm().isVisible());
        QVERIFY(
            QTest::qWaitFor([&] { return !Values(form.lvHwInfo).contains(QString()); }, kWaitMs));
        const QStringList first = Values(form.lvActState);
        QVERIFY2(QTest::qWaitFor([&] { return Values(form.lvActState) != first; }, kWaitMs),
                 qPrintable(first.join('|') + "\n" + form.LogLines().join('\n')));

        QVERIFY(QTest::qWaitFor(
            [&] { return form.ActFaultMemo->toPlainText() == QStringLiteral("- NO ERROR -"); },
            kWaitMs));
        QVERIFY(!IsFaultColour(form.cbCmdResetAlarm));
        QVERIFY(form.cbCmdResetAlarm->isVisible() || !form.isVisible());

        // A fault of the drive is listed and colours the reset.
        QCOMPARE(session.Control(QStringLiteral("fault overvoltage pulse")), QStringLiteral("ok"));
        QVERIFY(QTest::qWaitFor(
            [&] { return form.ActFaultMemo->toPlainText() != QStringLiteral("- NO ERROR -"); },
            kWaitMs));
        QVERIFY(!form.ActFaultMemo->toPlainText().isEmpty());
        QVERIFY(IsFaultColour(form.cbCmdResetAlarm));
        QVERIFY(QTest::qWaitFor(
            [&] { return form.PrevFaultMemo->toPlainText() != QStringLiteral("- NO ERROR -"); },
            kWaitMs));

        // One click of the alarm reset clears it: the reset bit shares its register with the
        // state read of every pass, and the write still carries the bit.
        QVERIFY(form.cbCmdResetAlarm->isVisible() && form.cbCmdResetAlarm->isEnabled());
        form.cbCmdResetAlarm->click();
        QVERIFY2(
            QTest::qWaitFor(
                [&] { return form.ActFaultMemo->toPlainText() == QStringLiteral("- NO ERROR -"); },
                kWaitMs),
            qPrintable(form.ActFaultMemo->toPlainText() + "\n" + session.Control("status") +
                       form.LogLines().filter("Register").join("\n")));
        QVERIFY(!IsFaultColour(form.cbCmdResetAlarm));
        bool sent = false;
        for (const QString& line : form.LogLines()) {
            sent = sent || (line.startsWith(QStringLiteral("Register ")) &&
                            line.contains(QStringLiteral(" new value sent: ")));
        }
        QVERIFY(sent);

        form.acCloseConnection->trigger();
        QVERIFY(session.WaitLogged(QStringLiteral("Connection closed.")));
        const QStringList lines = form.LogLines();
        const qsizetype closed = lines.lastIndexOf(QStringLiteral("Connection closed."));
        QCOMPARE(lines.value(closed + 1), QString(41, QLatin1Char('_')));
        QVERIFY(form.acOpenConnection->isEnabled());
        QVERIFY(!form.acCloseConnection->isEnabled());
        QVERIFY(form.tbSelectPort->isEnabled());
        QCOMPARE(form.tbModBus->defaultAction(), form.acOpenConnection);
        QVERIFY(session.Terminal().Network().DeviceSetup() == nullptr);
        QVERIFY(!session.Terminal().SetupForm().isVisible());
        form.UpdateActions();
        QVERIFY(!form.acSetupForm->isEnabled());
    }

    void AVanishingDriveIsReportedWhileTheWindowKeepsPainting() {
        Session session;
        QVERIFY2(session.Started(), qPrintable(session.Problem()));
        TMainForm& form = session.Form();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.acOpenConnection->trigger();
        QVERIFY(session.WaitLogged(QStringLiteral("Device found. Communication running.")));

        PaintCounter counter;
        form.Memo->viewport()->installEventFilter(&counter);
        session.Sim().Signal(SIGUSR1);
        int asked = 0;
        // Every turn of the event loop asks for a repaint; the window gets it while the line
        // waits for the drive that does not answer.
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         ++asked;
                         form.Memo->viewport()->update();
                         return session.Logged(QStringLiteral("Device is not responding!"));
                     },
                     kWaitMs),
                 qPrintable(form.LogLines().join('\n')));
        QVERIFY2(counter.Paints >= 3, qPrintable(QString::number(counter.Paints)));
        QVERIFY(asked >= counter.Paints);
    }

    void APortThatCannotBeOpenedSaysWhy() {
        TkxTempFolder folder;
        folder.Write("QX_DRIVE_ConfigTerm.ini", "[Ports]\r\nCOM2=" + folder.PathOf("missing") +
                                                    "\r\n[Setup]\r\nLastPort=2\r\n");
        TTerminal terminal(folder.Dir(), kShipped);
        TMainForm& form = terminal.MainForm();
        QStringList messages;
        form.ShowMessage = [&](const QString& message) { messages << message; };
        form.acOpenConnection->trigger();
        QVERIFY(QTest::qWaitFor([&] { return !messages.isEmpty(); }, kWaitMs));
        QVERIFY(messages[0].startsWith(QStringLiteral("Connection error!")));
        QVERIFY2(messages[0].contains(QString::fromStdString(folder.PathOf("missing"))),
                 qPrintable(messages[0]));
        QVERIFY(form.LogLines().contains(QStringLiteral("Connection error!")));
        QVERIFY(!terminal.Network().Network().OnLine());
    }
};

TKX_UI_TEST(TConnectedSessionTest);
#include "tconnectedsession_test.moc"
