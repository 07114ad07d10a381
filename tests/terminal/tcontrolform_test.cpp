#include "tcontrolform.h"

#include "tmainform.h"
#include "tnetworkcmp.h"
#include "tsimsession.h"
#include "tterminalcls.h"

#include "devices/tkxdeviceqxdrvcls.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparlongcls.h"
#include "params/tkxparvaluecls.h"
#include "support/tkxtempfolder.h"
#include "ui/tkxcheckboxctrl.h"
#include "ui/tkxparrows.h"
#include "ui/tkxuitest.h"
#include "ui/tkxuserinterfaceutilscmp.h"

#include <QAction>
#include <QGroupBox>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace {

const std::string kShipped = std::string(TKX_BINARY_DIR) + "/tools/";

} // namespace

// The control window on an offline drive: its rows and boxes, which values the drive's
// configuration opens, the reference steps and the command toggles.
class TControlFormTest : public QObject {
    Q_OBJECT
private slots:
    void BindsTheRowsBoxesAndActionsOfTheDrive() {
        TkxTempFolder folder;
        TTerminal terminal(folder.Dir(), kShipped);
        TControlForm& form = terminal.ControlForm();
        QCOMPARE(form.windowTitle(), QStringLiteral("Remote Control"));
        QVERIFY(form.windowFlags().testFlag(Qt::Tool));
        QCOMPARE(form.acMainRefUp->shortcut(), QKeySequence(QStringLiteral("Ctrl+U")));
        QCOMPARE(form.acSecRefZero->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
        QCOMPARE(form.acCmdAlignement->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+A")));
        QCOMPARE(form.acTarget->text(), QStringLiteral("Set Targets"));
        QCOMPARE(form.tbBigDown->defaultAction(), form.acMainRefDwn);
        QCOMPARE(form.tbBigDown->size(), QSize(65, 60));
        // Boxes stay hidden until bound.
        QVERIFY(!form.cbSwEnable->isVisibleTo(&form));
        QCOMPARE(form.lvControl->topLevelItemCount(), 0);

        QVERIFY(terminal.Network().OpenOffline(0, 1, "QX460v400"));
        TkxDeviceQXDRV& drive = *terminal.Network().GetDrive();
        std::vector<TkxParValue*> expected;
        const auto add = [&](TkxParValue* par) {
            if (par != nullptr) {
                expected.push_back(par);
            }
        };
        add(drive.ParPrimaryRef);
        expected.push_back(nullptr);
        add(drive.ParSecondaryRef);
        expected.push_back(nullptr);
        add(drive.ParForceActPos);
        expected.push_back(nullptr);
        add(drive.ParElAxPosIndex);
        add(drive.ParElAxSpeedIndex);
        expected.push_back(nullptr);
        add(drive.ParPosPktAccel);
        add(drive.ParPosPktDecel);
        add(drive.ParPosPktSpeed);
        add(drive.ParPosPktTarget);
        expected.push_back(nullptr);
        add(drive.ParNextFixedPos);
        QCOMPARE(ListParameters(form.lvControl), expected);
        QCOMPARE(form.gbControl->height(), form.lvControl->height() + 25);
        for (auto [box, field] : {std::pair(form.cbSwEnable, drive.CmdEnable),
                                  std::pair(form.cbHwEnable, drive.HwEnable),
                                  std::pair(form.cbSetPosition, drive.CmdSetPosition),
                                  std::pair(form.cbHwFcCcw, drive.HwFcCcw)}) {
            QCOMPARE(box->Par(), field);
        }
        form.kxInterface->RefreshData();
        QVERIFY(form.cbSwEnable->isVisibleTo(&form) == (drive.CmdEnable != nullptr));

        // The drive going lets go of everything.
        terminal.Network().CloseConnection();
        QCOMPARE(form.lvControl->topLevelItemCount(), 0);
        QVERIFY(form.cbSwEnable->Par() == nullptr);
        QVERIFY(!form.cbSwEnable->isVisibleTo(&form));
    }

    void TheConfigurationOpensTheValuesItSelects() {
        TkxTempFolder folder;
        TTerminal terminal(folder.Dir(), kShipped);
        TControlForm& form = terminal.ControlForm();
        QVERIFY(terminal.Network().OpenOffline(0, 1, "QX460v400"));
        TkxDeviceQXDRV& drive = *terminal.Network().GetDrive();
        QVERIFY(drive.CfgCtrlMode != nullptr && drive.ParNextFixedPos != nullptr);

        drive.CfgCtrlMode->SetValueDouble(3);
        form.kxInterface->RefreshData();
        QVERIFY(form.acTarget->isEnabled());
        QVERIFY(drive.ParNextFixedPos->Enabled());
        QVERIFY(drive.CmdSyncSignal == nullptr || drive.CmdSyncSignal->Enabled());
        QVERIFY(drive.ParElAxPosIndex == nullptr || !drive.ParElAxPosIndex->Enabled());

        drive.CfgCtrlMode->SetValueDouble(4);
        form.kxInterface->RefreshData();
        QVERIFY(!form.acTarget->isEnabled());
        QVERIFY(!drive.ParNextFixedPos->Enabled());

        drive.CfgCtrlMode->SetValueDouble(2);
        form.kxInterface->RefreshData();
        QVERIFY(drive.ParElAxPosIndex == nullptr || drive.ParElAxPosIndex->Enabled());

        // Commands from the bus open the virtual enable and close the hardware one.
        drive.CfgCmdFromBus->SetBool(true);
        form.kxInterface->RefreshData();
        QVERIFY(drive.CmdEnable->Enabled());
        QVERIFY(!drive.HwEnable->Enabled());
        drive.CfgCmdFromBus->SetBool(false);
        form.kxInterface->RefreshData();
        QVERIFY(!drive.CmdEnable->Enabled());
        QVERIFY(drive.HwEnable->Enabled());

        // The main reference opens with the ramp's or the speed's selector on it; the current
        // selector does not open it on this model.
        for (TkxParEncoded* mux :
             {drive.ParRampRefMux, drive.ParSpeedRefMux, drive.ParCurrentRefMux}) {
            QVERIFY(mux != nullptr);
            mux->SetValueDouble(0);
        }
        form.kxInterface->RefreshData();
        QVERIFY(!drive.ParPrimaryRef->Enabled());
        drive.ParCurrentRefMux->SetValueDouble(1);
        form.kxInterface->RefreshData();
        QVERIFY(!drive.ParPrimaryRef->Enabled());
        drive.ParSpeedRefMux->SetValueDouble(1);
        form.kxInterface->RefreshData();
        QVERIFY(drive.ParPrimaryRef->Enabled());
    }

    void StepsTheReferencesAndTogglesTheCommands() {
        TkxTempFolder folder;
        TTerminal terminal(folder.Dir(), kShipped);
        TControlForm& form = terminal.ControlForm();
        QVERIFY(terminal.Network().OpenOffline(0, 1, "QX460v400"));
        TkxDeviceQXDRV& drive = *terminal.Network().GetDrive();
        // Lists are brought up to date while shown.
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // Offline the main window keeps the steps closed; they are opened for each press.
        const auto press = [](QAction* action) {
            action->setEnabled(true);
            action->trigger();
        };
        drive.ParPrimaryRef->SetValueDouble(0.1);
        for (int i = 0; i < 3; ++i) {
            press(form.acMainRefUp);
        }
        // The reference is held in steps of 1/32768.
        QVERIFY(std::abs(drive.ParPrimaryRef->GetValueDouble() - 0.13) < 2e-4);
        press(form.acMainRefDwn);
        QVERIFY(std::abs(drive.ParPrimaryRef->GetValueDouble() - 0.12) < 2e-4);
        press(form.acMainRefZero);
        QCOMPARE(drive.ParPrimaryRef->GetValueDouble(), 0.0);
        // The list shows the stepped value at once.
        int value = 0;
        while (TkxUserInterfaceUtils::ColumnTag(form.lvControl, value) != ckValue) {
            ++value;
        }
        QCOMPARE(form.lvControl->topLevelItem(0)->text(value),
                 TkxUserInterfaceUtils::RefreshColumn(drive.ParPrimaryRef, ckValue));
        drive.ParSecondaryRef->SetValueDouble(0);
        press(form.acSecRefUp);
        QVERIFY(std::abs(drive.ParSecondaryRef->GetValueDouble() - 0.01) < 2e-4);
        press(form.acSecRefDwn);
        press(form.acSecRefDwn);
        QVERIFY(std::abs(drive.ParSecondaryRef->GetValueDouble() + 0.01) < 2e-4);

        // A command toggle inverts its box, and so the bit, only while the box is open.
        drive.CfgCmdFromBus->SetBool(true);
        form.kxInterface->RefreshData();
        QVERIFY(!drive.CmdEnable->GetBool());
        form.acCmdEnable->trigger();
        QVERIFY(form.cbSwEnable->isChecked());
        QVERIFY(drive.CmdEnable->GetBool());
        form.acCmdEnable->trigger();
        QVERIFY(!drive.CmdEnable->GetBool());
        drive.CfgCmdFromBus->SetBool(false);
        form.kxInterface->RefreshData();
        form.acCmdEnable->trigger();
        QVERIFY(!drive.CmdEnable->GetBool());

        form.acCmdRstCounter->trigger();
        QVERIFY(drive.CmdResetCounter->GetBool());
        form.acCmdZeroing->trigger();
        QVERIFY(drive.CmdZeroing->GetBool());
        form.acCmdAlignement->trigger();
        QVERIFY(drive.CmdAlignement->GetBool());
    }
};

TKX_UI_TEST(TControlFormTest);

#include "tcontrolform_test.moc"
