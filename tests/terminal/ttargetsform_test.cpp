#include "ttargetsform.h"

#include "tmainform.h"
#include "tnetworkcmp.h"
#include "tsimsession.h"
#include "tterminalcls.h"

#include "devices/tkxdeviceqxdrvcls.h"
#include "params/tkxparlongcls.h"
#include "params/tkxparvaluecls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregistercls.h"
#include "support/tkxtempfolder.h"
#include "ui/tkxparrows.h"
#include "ui/tkxuitest.h"
#include "ui/tkxuserinterfaceutilscmp.h"

#include <QAction>
#include <QHeaderView>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>

namespace {

const std::string kShipped = std::string(TKX_BINARY_DIR) + "/tools/";

QStringList Tabs(const QTabBar* bar) {
    QStringList tabs;
    for (int i = 0; i < bar->count(); ++i) {
        tabs << bar->tabText(i);
    }
    return tabs;
}

// A terminal with an offline drive of the positioning kind.
struct OfflineDrive {
    TkxTempFolder Folder;
    TTerminal Terminal{Folder.Dir(), kShipped};
    TkxDeviceQXDRV* Drive = nullptr;

    OfflineDrive() {
        if (Terminal.Network().OpenOffline(0, 1, "QX460v400")) {
            Drive = Terminal.Network().GetDrive();
        }
    }
};

} // namespace

// The targets window: its tabs from the number of targets and the next one, the target of the
// selected tab, and the writes of the shown target.
class TTargetsFormTest : public QObject {
    Q_OBJECT
private slots:
    void TabsFollowTheNumberAndTheNextTarget() {
        OfflineDrive offline;
        QVERIFY(offline.Drive != nullptr);
        TkxDeviceQXDRV& drive = *offline.Drive;
        QVERIFY(drive.ParNumFixedPos != nullptr && drive.ParNextFixedPos != nullptr);
        TTargetsForm& form = offline.Terminal.TargetsForm();
        QCOMPARE(form.windowTitle(), QStringLiteral("Predefined Tartgets"));
        QCOMPARE(form.size(), QSize(TTargetsForm::DesignWidth, TTargetsForm::DesignHeight));

        drive.ParNumFixedPos->SetValueDouble(3);
        drive.ParNextFixedPos->SetValueDouble(2);
        form.RebuildTargets();
        QCOMPARE(Tabs(form.tcTarget), QStringList({"Target 1", ">Target 2<", "Target 3"}));
        // The first build selects the next target.
        QCOMPARE(form.tcTarget->currentIndex(), 1);
        const TkxFixedTarget second = drive.FixedTarget(2);
        QCOMPARE(
            ListParameters(form.lvTarget),
            (std::vector<TkxParValue*>{second.Accel, second.Decel, second.Speed, second.Target}));
        QCOMPARE(ListParameters(form.lvTargetCount),
                 (std::vector<TkxParValue*>{drive.ParNumFixedPos}));

        // Another tab lists its target and stays selected through a rebuild.
        form.tcTarget->setCurrentIndex(2);
        QCOMPARE(ListParameters(form.lvTarget).front(), drive.FixedTarget(3).Accel);
        form.RebuildTargets();
        QCOMPARE(form.tcTarget->currentIndex(), 2);

        // An edited, lower number rebuilds the tabs at once; the selected tab gone, the next
        // target's is selected.
        drive.ParNumFixedPos->SetValueDouble(2);
        form.kxInterface->DoOnEdited(drive.ParNumFixedPos);
        QCOMPARE(Tabs(form.tcTarget), QStringList({"Target 1", ">Target 2<"}));
        QCOMPARE(form.tcTarget->currentIndex(), 1);

        // The drive going empties the table.
        offline.Terminal.Network().CloseConnection();
        form.RebuildTargets();
        QCOMPARE(form.tcTarget->count(), 0);
        QCOMPARE(form.lvTarget->topLevelItemCount(), 0);
    }

    void SavingCopiesEachRegisterToItsEEPromMirror() {
        OfflineDrive offline;
        QVERIFY(offline.Drive != nullptr);
        TkxDeviceQXDRV& drive = *offline.Drive;
        TTargetsForm& form = offline.Terminal.TargetsForm();
        QStringList log;
        connect(&form, &TTargetsForm::Log, &form, [&](const QString& line) { log << line; });
        drive.ParNumFixedPos->SetValueDouble(1);
        drive.ParNextFixedPos->SetValueDouble(1);
        form.RebuildTargets();
        const TkxFixedTarget target = drive.FixedTarget(1);
        target.Speed->SetValueDouble(1234);
        form.SendExecute();
        QCOMPARE(log, QStringList({"Predefined targets setup sent to drive..."}));
        form.SaveExecute();
        QCOMPARE(log.last(), QStringLiteral("Predefined targets setup saved to drive..."));
        // The save copied the speed into its mirror when the drive keeps one.
        const TkxRegDefinition& definition = *target.Speed->Register()->Definition();
        if (definition.EEPromCopy() != definition.Address()) {
            const TkxRegister* mirror = drive.RegisterAt(definition.EEPromCopy());
            QVERIFY(mirror != nullptr);
            QCOMPARE(mirror->GetValueInteger(0), target.Speed->Register()->GetValueInteger(0));
        }
    }

    void TheShownTargetIsListedWhole() {
        OfflineDrive offline;
        QVERIFY(offline.Drive != nullptr);
        TkxDeviceQXDRV& drive = *offline.Drive;
        drive.ParNumFixedPos->SetValueDouble(TkxDeviceQXDRV::FixedTargetCount);
        drive.ParNextFixedPos->SetValueDouble(1);
        // The widest texts a target has: the last one, far out on the negative side.
        const TkxFixedTarget last = drive.FixedTarget(TkxDeviceQXDRV::FixedTargetCount);
        last.Target->SetValueDouble(-2000000000);
        TTargetsForm& form = offline.Terminal.TargetsForm();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.RebuildTargets();
        form.tcTarget->setCurrentIndex(TkxDeviceQXDRV::FixedTargetCount - 1);
        QCOMPARE(ListParameters(form.lvTarget).back(), last.Target);

        // Every column and every row inside the list, with no scrolling.
        const QTreeWidget& list = *form.lvTarget;
        const QHeaderView& header = *list.header();
        const int columns = list.columnCount();
        QTRY_VERIFY(header.sectionViewportPosition(columns - 1) + header.sectionSize(columns - 1) <=
                    list.viewport()->width());
        QVERIFY(!list.horizontalScrollBar()->isVisible());
        for (int column = 0; column < list.columnCount(); ++column) {
            QVERIFY2(header.sectionViewportPosition(column) + header.sectionSize(column) <=
                         list.viewport()->width(),
                     qPrintable(list.headerItem()->text(column)));
            for (int row = 0; row < list.topLevelItemCount(); ++row) {
                const QTreeWidgetItem* item = list.topLevelItem(row);
                QVERIFY2(QFontMetrics(item->font(column)).horizontalAdvance(item->text(column)) <
                             header.sectionSize(column),
                         qPrintable(item->text(column)));
            }
        }
        QVERIFY(!list.verticalScrollBar()->isVisible());
        const QTreeWidgetItem* bottom = list.topLevelItem(list.topLevelItemCount() - 1);
        QVERIFY(list.visualItemRect(bottom).bottom() < list.viewport()->height());
        // The window widened with its list.
        QVERIFY(list.geometry().right() < form.width());
        QVERIFY(form.width() >= TTargetsForm::DesignWidth);
        form.close();
    }

    void WithoutADriveThereIsNoTable() {
        TkxTempFolder folder;
        TTerminal terminal(folder.Dir(), kShipped);
        TTargetsForm& form = terminal.TargetsForm();
        form.RebuildTargets();
        QCOMPARE(form.tcTarget->count(), 0);
        QStringList log;
        connect(&form, &TTargetsForm::Log, &form, [&](const QString& line) { log << line; });
        form.SendExecute();
        form.SaveExecute();
        QVERIFY(log.isEmpty());
    }

    void ShownModallyAndClosedByItsAction() {
        OfflineDrive offline;
        QVERIFY(offline.Drive != nullptr);
        offline.Drive->ParNumFixedPos->SetValueDouble(4);
        offline.Drive->ParNextFixedPos->SetValueDouble(3);
        TTargetsForm& form = offline.Terminal.TargetsForm();
        int tabs = -1;
        TkxOnNextModal<TTargetsForm>([&](TTargetsForm* shown) {
            tabs = shown->tcTarget->count();
            shown->acClose->trigger();
        });
        form.ShowModal();
        QCOMPARE(tabs, 4);
        QVERIFY(!form.isVisible());
    }
};

TKX_UI_TEST(TTargetsFormTest);

#include "ttargetsform_test.moc"
