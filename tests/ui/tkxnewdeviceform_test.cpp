#include "ui/tkxnewdeviceform.h"

#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxmbnetworkcmp.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "ui/tkxqtdialogprovidercls.h"
#include "ui/tkxuitest.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

#include <memory>

namespace {

// A network with one serial connection "line" and a device "Pump" at address 7.
struct OneLine {
    TkxMBNetwork Network;
    TkxMBThreadSetup* Line = nullptr;
    TkxDeviceSetup* Pump = nullptr;

    OneLine() {
        auto line = std::make_unique<TkxMBThreadSetup>(Network.Context());
        line->SetThreadName("line");
        Line = line.get();
        Network.AddConnection(line);
        auto pump = std::make_unique<TkxDeviceSetup>();
        pump->SetDeviceName("Pump");
        pump->SetDeviceAddr(7);
        Pump = pump.get();
        Line->AddDeviceSetup(pump);
    }

    // The device dialog for a new device, filled in and confirmed.
    int NewDevice(const QString& name, int address) {
        TkxOnNextModal<TkxNewDeviceForm>([name, address](TkxNewDeviceForm* form) {
            form->NameEdit()->setText(name);
            form->AddressEdit()->setValue(address);
            QMetaObject::invokeMethod(form, "accept");
        });
        return Line->NewDeviceDlg({}, 1, 2000, 0);
    }
};

} // namespace

class TkxNewDeviceFormTest : public QObject {
    Q_OBJECT
private slots:
    void NewDeviceStartsFromThePreset() {
        TkxNewDeviceForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Device Setup"));
        QVERIFY(form.NameEdit()->text().isEmpty());
        QCOMPARE(form.AddressEdit()->value(), 1);
        QCOMPARE(form.MaxFaultEdit()->value(), 0);
        QCOMPARE(form.SampleTimeEdit()->value(), 2000);
        QCOMPARE(form.SampleTimeEdit()->minimum(), 100);
        QCOMPARE(form.SampleTimeEdit()->maximum(), 10000);
        QVERIFY(!form.EnabledBox()->isChecked());
        form.PresetNew({.Address = 9, .RepeatTimeMs = 500, .MaxFault = 3});
        QCOMPARE(form.AddressEdit()->value(), 9);
        QCOMPARE(form.SampleTimeEdit()->value(), 500);
        QCOMPARE(form.MaxFaultEdit()->value(), 3);
    }

    void EditingKeepsTheRepeatTimeInPasses() {
        TkxDeviceSetup setup;
        setup.SetDeviceName("Pump");
        setup.SetDeviceAddr(7);
        setup.SetRepeatTime(5);
        setup.SetMaxFault(4);
        setup.SetEnabled(true);
        TkxNewDeviceForm form;
        form.PresetEdit(setup);
        QCOMPARE(form.SampleTimeEdit()->value(), 500);
        QCOMPARE(form.AddressEdit()->value(), 7);
        QCOMPARE(form.MaxFaultEdit()->value(), 4);
        QVERIFY(form.EnabledBox()->isChecked());
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(setup.RepeatTime(), 5);
        QCOMPARE(setup.DeviceName(), "Pump");

        // A repeat time beyond the field's range is shown as it is, not cut to fit.
        setup.SetRepeatTime(250);
        TkxNewDeviceForm slow;
        slow.PresetEdit(setup);
        QCOMPARE(slow.SampleTimeEdit()->value(), 25000);
        slow.accept();
        QCOMPARE(setup.RepeatTime(), 250);
    }

    void InvalidFieldsStayOpenAndLeaveTheSetupAlone() {
        TkxDeviceSetup setup;
        setup.SetDeviceName("Pump");
        setup.SetRepeatTime(5);
        TkxNewDeviceForm form;
        form.PresetEdit(setup);
        form.show();
        form.NameEdit()->clear();
        form.SampleTimeEdit()->setValue(800);
        form.accept();
        QVERIFY(form.isVisible());
        QCOMPARE(form.ProblemLabel()->text(), QStringLiteral("The device needs a name."));
        QCOMPARE(setup.DeviceName(), "Pump");
        QCOMPARE(setup.RepeatTime(), 5);

        // A sample time between two passes is refused rather than cut down.
        form.NameEdit()->setText(QStringLiteral("Fan"));
        form.SampleTimeEdit()->setValue(2050);
        form.accept();
        QVERIFY(form.isVisible());
        QVERIFY(form.ProblemLabel()->text().contains(QStringLiteral("steps of 100 ms")));
        QCOMPARE(setup.RepeatTime(), 5);

        form.SampleTimeEdit()->setValue(2100);
        form.accept();
        QVERIFY(!form.isVisible());
        QCOMPARE(setup.DeviceName(), "Fan");
        QCOMPARE(setup.RepeatTime(), 21);
    }

    void NumericFieldsTakeDigitsOnlyAndLockedOnesNothing() {
        TkxNewDeviceForm form;
        form.show();
        form.AddressEdit()->clear();
        QTest::keyClicks(form.AddressEdit(), QStringLiteral("1a2"));
        QCOMPARE(form.AddressEdit()->value(), 12);
        form.Lock(TkxDevParamSet().set(dpAddress).set(dpEnabled));
        QVERIFY(!form.AddressEdit()->isEnabled());
        QVERIFY(!form.EnabledBox()->isEnabled());
        QVERIFY(form.SampleTimeEdit()->isEnabled());
        QVERIFY(!form.NameEdit()->isReadOnly());
    }

    void ConnectionRefusesTakenNamesAndAddressesAndTheLimit() {
        TkxQtDialogProvider provider;
        provider.Install();
        OneLine net;
        QCOMPARE(net.NewDevice(QStringLiteral("Fan"), 8), KDlgDone);
        QCOMPARE(net.NewDevice(QStringLiteral("Pump"), 9), KDlgRefused);
        QCOMPARE(net.NewDevice(QStringLiteral("Heater"), 7), KDlgRefused);
        QCOMPARE(net.Line->GetDevCount(), 2);
        QCOMPARE(net.Line->FindDevice("Fan")->DeviceAddr(), 8);

        // Editing Fan onto the address of Pump is refused; Fan keeps its address.
        TkxOnNextModal<TkxNewDeviceForm>([](TkxNewDeviceForm* form) {
            form->AddressEdit()->setValue(7);
            QMetaObject::invokeMethod(form, "accept");
        });
        QCOMPARE(net.Line->FindDevice("Fan")->EditDlg({}), KDlgRefused);
        QCOMPARE(net.Line->FindDevice("Fan")->DeviceAddr(), 8);

        // At the network's limit no dialog opens.
        net.Network.SetDevMaxCount(2);
        bool opened = false;
        TkxOnNextModal<TkxNewDeviceForm>([&](TkxNewDeviceForm* form) {
            opened = true;
            form->reject();
        });
        QCOMPARE(net.Line->NewDeviceDlg({}, 1, 2000, 0), KDlgDevMaxCount);
        QCoreApplication::processEvents();
        QVERIFY(!opened);
        QCOMPARE(net.Line->GetDevCount(), 2);
    }
};

TKX_UI_TEST(TkxNewDeviceFormTest);
#include "tkxnewdeviceform_test.moc"
