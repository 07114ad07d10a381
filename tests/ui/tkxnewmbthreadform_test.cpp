#include "ui/tkxnewmbthreadform.h"

#include "devices/tkxmbnetworkcmp.h"
#include "modbus/tkxmbcontextcls.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "ui/tkxqtdialogprovidercls.h"
#include "ui/tkxuitest.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <QTest>

#include <memory>

namespace {

// A serial setup on COM2 at 9600 baud, even parity, two stop bits, RTS / CTS.
std::unique_ptr<TkxMBThreadSetup> SerialSetup(const std::string& name) {
    auto setup = std::make_unique<TkxMBThreadSetup>();
    setup->SetThreadName(name);
    setup->SetComPort(2);
    setup->SetBaudRate(9600);
    setup->SetParity(2);
    setup->SetStopBits(2);
    setup->SetFlowCtrl(2);
    setup->SetTimeOut(750);
    return setup;
}

void ClickOk(QDialog* dialog) {
    QMetaObject::invokeMethod(dialog, "accept");
}

} // namespace

class TkxNewMBThreadFormTest : public QObject {
    Q_OBJECT
private slots:
    void NewConnectionStartsFromTheDefaults() {
        TkxNewMBThreadForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Connection Setup"));
        QVERIFY(form.NameEdit()->text().isEmpty());
        QVERIFY(!form.TcpBox()->isChecked());
        QCOMPARE(form.BaudGroup()->checkedId(), 5);
        QCOMPARE(form.PortGroup()->checkedId(), -1);
        QCOMPARE(form.ParityGroup()->checkedId(), 0);
        QCOMPARE(form.TimeOutEdit()->value(), 500);
        QCOMPARE(form.HostEdit()->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(form.HostPortEdit()->value(), 502);

        form.show();
        QVERIFY(form.SerialGroup()->isVisible());
        QVERIFY(!form.TcpGroup()->isVisible());
        form.TcpBox()->setChecked(true);
        QVERIFY(!form.SerialGroup()->isVisible());
        QVERIFY(form.TcpGroup()->isVisible());
        form.TcpBox()->setChecked(false);
        QVERIFY(form.SerialGroup()->isVisible());
    }

    void EditingPresetsEveryControl() {
        auto setup = SerialSetup("line");
        TkxNewMBThreadForm form;
        form.PresetEdit(*setup);
        QCOMPARE(form.NameEdit()->text(), QStringLiteral("line"));
        QCOMPARE(form.PortGroup()->checkedId(), 1);
        QCOMPARE(form.BaudGroup()->checkedId(), 3);
        QCOMPARE(form.ParityGroup()->checkedId(), 2);
        QCOMPARE(form.StopGroup()->checkedId(), 2);
        QCOMPARE(form.FlowGroup()->checkedButton()->text(), QStringLiteral("RTS / CTS"));
        QCOMPARE(form.TimeOutEdit()->value(), 750);

        // A rate off the list selects nothing; OK then stores 19200.
        setup->SetBaudRate(12345);
        setup->SetFlowCtrl(8);
        TkxNewMBThreadForm odd;
        odd.PresetEdit(*setup);
        QCOMPARE(odd.BaudGroup()->checkedId(), -1);
        QCOMPARE(odd.FlowGroup()->checkedButton()->text(), QStringLiteral("RTS Toggle"));
        odd.accept();
        QCOMPARE(odd.result(), int(QDialog::Accepted));
        QCOMPARE(setup->BaudRate(), 19200);
        QCOMPARE(setup->FlowCtrl(), 8);
    }

    void OkStoresTheFixedFieldsAndNoRetriesOnSlowLines() {
        auto setup = SerialSetup("slow");
        setup->SetByteSize(7);
        setup->SetSilentInt(50);
        setup->SetTxMode(1);
        TkxNewMBThreadForm form;
        form.PresetEdit(*setup);
        form.BaudGroup()->button(1)->setChecked(true);
        form.accept();
        QCOMPARE(setup->BaudRate(), 2400);
        QCOMPARE(setup->Retries(), 0);
        QCOMPARE(setup->ByteSize(), 8);
        QCOMPARE(setup->SilentInt(), 20);
        QCOMPARE(setup->TxMode(), 0);
        QCOMPARE(setup->ComPort(), 2);
        QCOMPARE(setup->ConnType(), TkxMBThreadSetup::KConnSerial);

        auto fast = SerialSetup("fast");
        TkxNewMBThreadForm again;
        again.PresetEdit(*fast);
        again.BaudGroup()->button(2)->setChecked(true); // 4800, the last slow one
        again.accept();
        QCOMPARE(fast->Retries(), 0);
        auto faster = SerialSetup("faster");
        TkxNewMBThreadForm third;
        third.PresetEdit(*faster);
        third.accept();
        QCOMPARE(faster->Retries(), 2);
    }

    void EmptyNameOffersTheDefaultName() {
        auto setup = SerialSetup("old");
        TkxNewMBThreadForm form;
        form.PresetEdit(*setup);
        form.NameEdit()->clear();
        QCOMPARE(form.DefaultName(), QStringLiteral("COM2-9600-8E2-RTS/CTS"));
        QString asked;
        TkxOnNextModal<QMessageBox>([&](QMessageBox* box) {
            asked = box->windowTitle() + "|" + box->text();
            box->button(QMessageBox::Ok)->click();
        });
        form.accept();
        QCOMPARE(asked, QStringLiteral("Name is empty.|Use default name? COM2-9600-8E2-RTS/CTS"));
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(setup->ThreadName(), "COM2-9600-8E2-RTS/CTS");
    }

    void RefusedDefaultNameKeepsTheDialogOpenAndTheSetupAsItWas() {
        auto setup = SerialSetup("old");
        TkxNewMBThreadForm form;
        form.PresetEdit(*setup);
        form.show();
        form.NameEdit()->clear();
        form.BaudGroup()->button(8)->setChecked(true);
        TkxOnNextModal<QMessageBox>(
            [](QMessageBox* box) { box->button(QMessageBox::Cancel)->click(); });
        form.accept();
        QVERIFY(form.isVisible());
        QVERIFY(form.NameEdit()->text().isEmpty());
        QVERIFY(!form.ProblemLabel()->text().isEmpty());
        QCOMPARE(setup->ThreadName(), "old");
        QCOMPARE(setup->BaudRate(), 9600);
    }

    void InvalidLinesStayOpenAndMakeNothing() {
        TkxNewMBThreadForm form;
        form.PresetNew(std::make_shared<TkxMBContext>(), {.PortIndex = -1});
        form.show();
        form.NameEdit()->setText(QStringLiteral("no port"));
        form.accept();
        QVERIFY(form.isVisible());
        QCOMPARE(form.ProblemLabel()->text(), QStringLiteral("Choose a port."));
        QCOMPARE(form.TakeCreated(), nullptr);

        form.TcpBox()->setChecked(true);
        form.HostEdit()->setText(QStringLiteral("  "));
        form.accept();
        QVERIFY(form.isVisible());
        QCOMPARE(form.ProblemLabel()->text(), QStringLiteral("Enter the host address."));

        form.HostEdit()->setText(QStringLiteral("192.168.0.9"));
        form.HostPortEdit()->setValue(1502);
        form.accept();
        QVERIFY(!form.isVisible());
        const std::unique_ptr<TkxMBThreadSetup> made = form.TakeCreated();
        QVERIFY(made != nullptr);
        QCOMPARE(made->ConnType(), TkxMBThreadSetup::KConnTcpIp);
        QCOMPARE(made->HostName(), "192.168.0.9");
        QCOMPARE(made->TcpIpPort(), 1502);
        QCOMPARE(made->ThreadName(), "no port");
    }

    void NumericFieldsTakeDigitsOnly() {
        TkxNewMBThreadForm form;
        form.show();
        form.TimeOutEdit()->clear();
        QTest::keyClicks(form.TimeOutEdit(), QStringLiteral("1x2y0"));
        QCOMPARE(form.TimeOutEdit()->value(), 120);
        form.HostPortEdit()->clear();
        QTest::keyClicks(form.HostPortEdit(), QStringLiteral("5-0a2"));
        QCOMPARE(form.HostPortEdit()->value(), 502);
    }

    void LockedFieldsCannotBeChanged() {
        TkxNewMBThreadForm form;
        form.Lock(TkxConnParamSet().set(cpName).set(cpBaudRate).set(cpTcpIp).set(cpHostPort));
        QVERIFY(form.NameEdit()->isReadOnly());
        QVERIFY(!form.BaudGroup()->button(0)->isEnabled());
        QVERIFY(form.PortGroup()->button(0)->isEnabled());
        QVERIFY(!form.TcpBox()->isEnabled());
        QVERIFY(!form.HostPortEdit()->isEnabled());
        QVERIFY(form.TimeOutEdit()->isEnabled());
    }

    void NetworkRefusesATakenNameThroughTheProvider() {
        TkxQtDialogProvider provider;
        provider.Install();
        TkxMBNetwork network;
        const auto newLine = [&](const QString& name) {
            TkxOnNextModal<TkxNewMBThreadForm>([name](TkxNewMBThreadForm* form) {
                form->NameEdit()->setText(name);
                ClickOk(form);
            });
            return network.NewThreadSetupDlg({}, {.PortIndex = 0});
        };
        QCOMPARE(newLine(QStringLiteral("A")), KDlgDone);
        QCOMPARE(newLine(QStringLiteral("A")), KDlgRefused);
        QCOMPARE(newLine(QStringLiteral("B")), KDlgDone);
        QVERIFY(network.FindMBThread("B") != nullptr);

        TkxOnNextModal<TkxNewMBThreadForm>([](TkxNewMBThreadForm* form) { form->reject(); });
        QCOMPARE(network.NewThreadSetupDlg({}, {}), KDlgCancelled);

        // Renaming B to A is refused and B keeps its name.
        TkxOnNextModal<TkxNewMBThreadForm>([](TkxNewMBThreadForm* form) {
            form->NameEdit()->setText(QStringLiteral("A"));
            ClickOk(form);
        });
        QCOMPARE(network.FindMBThread("B")->EditDlg({}), KDlgRefused);
        QVERIFY(network.FindMBThread("B") != nullptr);
    }
};

TKX_UI_TEST(TkxNewMBThreadFormTest);
#include "tkxnewmbthreadform_test.moc"
