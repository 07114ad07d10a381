// The network monitor with two simulated drives, one on a serial line (a pseudo-terminal) and
// one on TCP/IP, built through the dialogs as a service engineer builds it.
#include "network/tnetworkmonitorform.h"

#include "base/tkxstatescale.h"
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxmbnetworkcmp.h"
#include "modbus/tkxmbcontextcls.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "support/simprocess.h"
#include "support/tkxtempfolder.h"
#include "ui/tkxnetworktreeview.h"
#include "ui/tkxnewdeviceform.h"
#include "ui/tkxnewmbthreadform.h"
#include "ui/tkxqtdialogprovidercls.h"
#include "ui/tkxuitest.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTest>

#include <csignal>
#include <memory>

namespace {

const QString ShippedFolder = QStringLiteral(TKX_BINARY_DIR "/tools/");
constexpr int WaitMs = 20000;

std::vector<std::string> SimArgs(const std::string& where, const std::string& value) {
    return {
        "--defs",   ShippedFolder.toStdString() + "qx460v4xx.par", where, value, "--drive-version",
        "QX460v410"};
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TNetworkMonitorFormTest : public QObject {
    Q_OBJECT
private:
    // A connection made through the connection dialog.
    static void NewConnection(TNetworkMonitorForm& form, const QString& name, bool tcp,
                              int hostPort) {
        TkxOnNextModal<TkxNewMBThreadForm>([=](TkxNewMBThreadForm* dialog) {
            dialog->NameEdit()->setText(name);
            dialog->TcpBox()->setChecked(tcp);
            dialog->PortGroup()->button(0)->setChecked(true);
            dialog->TimeOutEdit()->setValue(200);
            dialog->HostPortEdit()->setValue(hostPort);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QCOMPARE(form.Tree()->NewThreadSetup({}, {.Tcp = tcp}), KDlgDone);
    }

    // An enabled drive at address 1 of the connection, made through the device dialog.
    static void NewDrive(TNetworkMonitorForm& form, const std::string& line, const QString& name) {
        TkxMBThreadSetup* connection = form.Network().FindMBThread(line);
        QVERIFY(connection != nullptr);
        form.Tree()->setCurrentItem(form.Tree()->FindData(nullptr, connection));
        TkxOnNextModal<TkxNewDeviceForm>([=](TkxNewDeviceForm* dialog) {
            dialog->NameEdit()->setText(name);
            dialog->EnabledBox()->setChecked(true);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QCOMPARE(form.Tree()->NewDeviceSetup({}, 1, 500, 0), KDlgDone);
        // The line is switched on through its check box, as the user does.
        form.Tree()->ToggleTreeViewCheckBoxes(form.Tree()->FindData(nullptr, connection));
        QVERIFY(connection->Enabled());
    }

    static int Overlay(TNetworkMonitorForm& form, const TkxObject* object) {
        QTreeWidgetItem* node = form.Tree()->FindData(nullptr, object);
        return node != nullptr ? node->data(0, TkxNetworkTreeView::OverlayRole).toInt() : -99;
    }

private slots:
    void TwoDrivesOnTwoLinesComeAndGoAndTheLayoutSurvives() {
        TkxTempFolder folder;
        const std::string link = folder.PathOf("drive");
        qxsim::SimProcess serialSim(SimArgs("--link", link));
        qxsim::SimProcess tcpSim(SimArgs("--tcp", "0"));
        QVERIFY2(serialSim.Started(), serialSim.Banner().c_str());
        QVERIFY2(tcpSim.Started() && tcpSim.TcpPort() > 0, tcpSim.Banner().c_str());

        auto context = std::make_shared<TkxMBContext>();
        context->Ports().Set(1, link);
        TNetworkMonitorForm form(ShippedFolder, context);
        TkxQtDialogProvider provider(&form);
        provider.Install();
        form.show();

        NewConnection(form, QStringLiteral("Serial line"), false, 502);
        NewConnection(form, QStringLiteral("Plant LAN"), true, tcpSim.TcpPort());
        NewDrive(form, "Serial line", QStringLiteral("Pump"));
        NewDrive(form, "Plant LAN", QStringLiteral("Fan"));
        TkxDeviceSetup* pump = form.Network().FindMBThread("Serial line")->FindDevice("Pump");
        TkxDeviceSetup* fan = form.Network().FindMBThread("Plant LAN")->FindDevice("Fan");
        QCOMPARE(form.Tree()->FindData(nullptr, pump)->text(0), QStringLiteral("[001] Pump"));

        form.OnLineAction()->trigger();
        QVERIFY(form.Network().OnLine());
        QVERIFY(QTest::qWaitFor(
            [&] {
                return pump->GetState() == TkxState::Running &&
                       fan->GetState() == TkxState::Running;
            },
            WaitMs));
        QVERIFY(pump->Device() != nullptr && fan->Device() != nullptr);
        QVERIFY(
            QTest::qWaitFor([&] { return Overlay(form, fan) == TkxState::Running + 3; }, WaitMs));
        QCOMPARE(Overlay(form, form.Network().FindMBThread("Plant LAN")), TkxState::Running + 3);
        QCOMPARE(form.Tree()
                     ->FindData(nullptr, &form.Network())
                     ->data(0, TkxNetworkTreeView::StateImageRole)
                     .toInt(),
                 2);

        // The drive on TCP/IP vanishes: its icon and its text say so, the other runs on.
        const QString running =
            QString::fromStdString(TkxDeviceSetup::StateText(TkxState::Running));
        QVERIFY(form.Tree()->NodeHint(form.Tree()->FindData(nullptr, fan)).contains(running));
        tcpSim.Signal(SIGUSR1);
        // The tree follows the events, a pass or so after the state.
        QVERIFY(QTest::qWaitFor(
            [&] {
                return fan->GetState() == TkxState::Error &&
                       Overlay(form, fan) == TkxState::Error + 3;
            },
            WaitMs));
        const QString error = QString::fromStdString(TkxDeviceSetup::StateText(TkxState::Error));
        QVERIFY(form.Tree()->NodeHint(form.Tree()->FindData(nullptr, fan)).contains(error));
        QCOMPARE(pump->GetState(), TkxState::Running);
        QVERIFY(!form.Log()->toPlainText().isEmpty());

        tcpSim.Signal(SIGUSR2);
        QVERIFY(QTest::qWaitFor(
            [&] {
                return fan->GetState() == TkxState::Running &&
                       Overlay(form, fan) == TkxState::Running + 3;
            },
            WaitMs));

        // The registers of the serial drive, read once into the list.
        QVERIFY(form.ReadRegisters(pump));
        QVERIFY(form.RegisterList()->topLevelItemCount() > 10);
        QVERIFY(QTest::qWaitFor([&] { return form.RegisterAnswers() > 0; }, WaitMs));
        QVERIFY(!form.RegisterList()->topLevelItem(0)->text(2).isEmpty());

        // Saved, read by another monitor and saved again: the same bytes.
        const QString first = QString::fromStdString(folder.PathOf("first.xml"));
        const QString second = QString::fromStdString(folder.PathOf("second.xml"));
        QVERIFY(form.SaveLayout(first));
        form.SetOnLine(false);
        TNetworkMonitorForm other(ShippedFolder);
        QVERIFY(other.OpenLayout(first));
        QVERIFY(other.Network().LayoutProblems().empty());
        QVERIFY(other.Network().FindMBThread("Plant LAN")->FindDevice("Fan") != nullptr);
        QCOMPARE(other.Tree()->topLevelItem(0)->childCount(), 2);
        QVERIFY(other.SaveLayout(second));
        QVERIFY(!Bytes(first).isEmpty());
        QCOMPARE(Bytes(second), Bytes(first));
    }

    void AnUnreadableLayoutKeepsTheNetwork() {
        TkxTempFolder folder;
        const QString broken = QString::fromStdString(folder.PathOf("broken.xml"));
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<modbus_network><modbus_connection>");
        file.close();

        TNetworkMonitorForm form(ShippedFolder);
        TkxQtDialogProvider provider(&form);
        provider.Install();
        NewConnection(form, QStringLiteral("kept"), true, 502);
        QVERIFY(!form.OpenLayout(broken));
        QVERIFY(form.Network().FindMBThread("kept") != nullptr);
        QVERIFY(form.Tree()->FindData(nullptr, form.Network().FindMBThread("kept")) != nullptr);
        QVERIFY(form.Log()->toPlainText().contains(QStringLiteral("broken.xml")));
        QVERIFY(!form.SaveLayout(QString::fromStdString(folder.PathOf("no/such/folder.xml"))));
    }
};

TKX_UI_TEST(TNetworkMonitorFormTest);
#include "tnetworkmonitorform_test.moc"
