#include "tcontrolform.h"
#include "tmainform.h"
#include "tnetworkcmp.h"
#include "tscopeform.h"
#include "tsimsession.h"
#include "ttargetsform.h"
#include "tterminalcls.h"

#include "base/tkxstatescale.h"
#include "devices/tkxdeviceqxdrvcls.h"
#include "graph/tkxgraphdiagramcls.h"
#include "graph/tkxgraphtracciacls.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparlongcls.h"
#include "params/tkxparvaluecls.h"
#include "ui/tkxcheckboxctrl.h"
#include "ui/tkxuitest.h"

#include <QAction>
#include <QTest>

#include <cmath>

namespace {

constexpr int kWaitMs = TSimSession::WaitMs;

// Connects the session's terminal and waits for its drive and setup.
TkxDeviceQXDRV* Connect(TSimSession& session) {
    TMainForm& form = session.Form();
    form.acOpenConnection->trigger();
    if (!session.WaitLogged(QStringLiteral("Setup dowloaded, data refreshed.")) ||
        !QTest::qWaitFor([&] { return form.acRemoteCtrl->isEnabled(); }, kWaitMs)) {
        return nullptr;
    }
    return session.Terminal().Network().GetDrive();
}

// The parameter holds value (to the resolution of a 16-bit fraction) in the drive's reports.
bool Settles(const TkxParValue* par, double value) {
    return QTest::qWaitFor([&] { return std::abs(par->GetValueDouble() - value) < 2e-4; }, kWaitMs);
}

int SentLines(const TMainForm& form) {
    int lines = 0;
    for (const QString& line : form.LogLines()) {
        lines += line.startsWith(QStringLiteral("Register ")) &&
                 line.contains(QStringLiteral(" new value sent: "));
    }
    return lines;
}

} // namespace

// The control, targets and scope windows against the simulated drive.
class TDriveWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void EnabledAndRaisedTheFrequencyClimbsAlongTheRamp() {
        // Real time, so that the ramp spans several state reads.
        TSimSession session(1);
        QVERIFY2(session.Started(), qPrintable(session.Problem()));
        TkxDeviceQXDRV* drive = Connect(session);
        QVERIFY(drive != nullptr);
        TMainForm& form = session.Form();
        TControlForm& control = session.Terminal().ControlForm();
        TScopeForm& scope = session.Terminal().ScopeForm();
        form.acRemoteCtrl->trigger();
        form.acScopeForm->trigger();
        QVERIFY(control.isVisible() && scope.isVisible());
        QVERIFY(QTest::qWaitFor([&] { return control.acMainRefUp->isEnabled(); }, kWaitMs));

        // Each step is written at once and logged; the next step starts from the value the
        // drive reports back.
        const int before = SentLines(form);
        control.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&control));
        for (int i = 1; i <= 3; ++i) {
            QTest::keyClick(&control, Qt::Key_U, Qt::ControlModifier);
            QVERIFY2(Settles(drive->ParPrimaryRef, 0.01 * i),
                     qPrintable(QString::number(drive->ParPrimaryRef->GetValueDouble())));
        }
        QCOMPARE(SentLines(form) - before, 3);
        drive->ParPrimaryRef->SetValueDouble(0.5);
        QVERIFY(Settles(drive->ParPrimaryRef, 0.5));

        const TkxGraphTraccia& trace = *scope.Diagram(TScopeForm::Frequency)->Traces().front();
        const int still = trace.PointCount();
        QVERIFY(control.cbSwEnable->isEnabled());
        control.acCmdEnable->trigger();
        QVERIFY(QTest::qWaitFor(
            [&] { return drive->CmdEnable->GetBool() && control.cbSwEnable->isChecked(); },
            kWaitMs));
        // The samples climb from standstill to the reference without falling back.
        const double full = drive->ParMotorFmaxHz->GetValueDouble() * 0.5;
        QVERIFY2(QTest::qWaitFor([&] { return trace.Points().back().Y >= full * 0.95; }, kWaitMs),
                 qPrintable(session.Control(QStringLiteral("status"))));
        std::vector<double> climb;
        for (int i = still; i < trace.PointCount(); ++i) {
            climb.push_back(trace.Points()[std::size_t(i)].Y);
        }
        int between = 0;
        for (std::size_t i = 0; i < climb.size(); ++i) {
            between += climb[i] > full * 0.05 && climb[i] < full * 0.95;
            if (i > 0) {
                QVERIFY2(climb[i] >= climb[i - 1] - full * 0.02, qPrintable(QString::number(i)));
            }
        }
        QVERIFY2(between >= 1, qPrintable(QString::number(climb.size())));
        QVERIFY(scope.RenderCount() > 0);
    }

    void APredefinedTargetIsReached() {
        TSimSession session(10);
        QVERIFY2(session.Started(), qPrintable(session.Problem()));
        TkxDeviceQXDRV* drive = Connect(session);
        QVERIFY(drive != nullptr);
        TControlForm& control = session.Terminal().ControlForm();
        TTargetsForm& targets = session.Terminal().TargetsForm();
        session.Form().acRemoteCtrl->trigger();

        // Positioning from the target table.
        QVERIFY(drive->CfgCtrlMode != nullptr && drive->ParPosRefMux != nullptr);
        drive->CfgCtrlMode->SetValueDouble(3);
        QCOMPARE(drive->CfgCtrlMode->WriteToDevice(), 0);
        drive->ParPosRefMux->SetValueDouble(1);
        QCOMPARE(drive->ParPosRefMux->WriteToDevice(), 0);
        control.kxInterface->RefreshData();
        QVERIFY(control.acTarget->isEnabled());

        // Two targets, the second one written from the targets window.
        drive->ParNumFixedPos->SetValueDouble(2);
        QCOMPARE(drive->ParNumFixedPos->WriteToDevice(), 0);
        drive->ParNextFixedPos->SetValueDouble(2);
        QVERIFY(Settles(drive->ParNextFixedPos, 2));
        targets.RebuildTargets();
        targets.tcTarget->setCurrentIndex(1);
        QCOMPARE(targets.tcTarget->tabText(1), QStringLiteral(">Target 2<"));
        const TkxFixedTarget second = drive->FixedTarget(2);
        second.Accel->SetValueDouble(2000);
        second.Decel->SetValueDouble(2000);
        second.Speed->SetValueDouble(1500);
        second.Target->SetValueDouble(40000);
        targets.SendExecute();
        QVERIFY(session.Logged(QStringLiteral("Predefined targets setup sent to drive...")));

        control.acCmdEnable->trigger();
        QVERIFY(QTest::qWaitFor([&] { return drive->CmdEnable->GetBool(); }, kWaitMs));
        QVERIFY2(QTest::qWaitFor([&] { return drive->ParActualPos->GetValueDouble() == 40000.0; },
                                 kWaitMs),
                 qPrintable(session.Control(QStringLiteral("status"))));
    }

    void AHardwareInputShowsInTheControlWindow() {
        TSimSession session(10);
        QVERIFY2(session.Started(), qPrintable(session.Problem()));
        QVERIFY(Connect(session) != nullptr);
        TControlForm& control = session.Terminal().ControlForm();
        session.Form().acRemoteCtrl->trigger();
        QVERIFY(QTest::qWaitFor([&] { return control.cbHwFcCw->isVisible(); }, kWaitMs));
        QVERIFY(!control.cbHwFcCw->isChecked());
        QCOMPARE(session.Control(QStringLiteral("input HwFcCw on")), QStringLiteral("ok"));
        QVERIFY(QTest::qWaitFor([&] { return control.cbHwFcCw->isChecked(); }, kWaitMs));
        QVERIFY(!control.cbHwFcCw->isEnabled());
        QCOMPARE(session.Control(QStringLiteral("input HwFcCw off")), QStringLiteral("ok"));
        QVERIFY(QTest::qWaitFor([&] { return !control.cbHwFcCw->isChecked(); }, kWaitMs));
    }
};

TKX_UI_TEST(TDriveWindowsTest);

#include "tdrivewindows_test.moc"
