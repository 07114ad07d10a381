#include "ui/tkxnewtransaform.h"

#include "devices/tkxdeviceqxdrvcls.h"
#include "devices/tkxdevicesetupcls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefslistcmp.h"
#include "support/tkxofflinedrive.h"
#include "ui/tkxnetworktreeview.h"
#include "ui/tkxuitest.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>

namespace {

const std::string DataFolder = std::string(TKX_SOURCE_DIR) + "/data";

QTreeWidgetItem* Row(TkxNewTransaForm& form, int address) {
    const QList<QTreeWidgetItem*> found =
        form.RegisterList()->findItems(QStringLiteral("[%1]").arg(address), Qt::MatchExactly, 0);
    return found.isEmpty() ? nullptr : found.first();
}

void Select(TkxNewTransaForm& form, std::initializer_list<int> addresses) {
    form.RegisterList()->clearSelection();
    for (int address : addresses) {
        Row(form, address)->setSelected(true);
    }
}

// The addresses the blocks of a chain cover, ascending.
QList<int> Covered(const TkxRegBlock* chain) {
    QList<int> addresses;
    for (const TkxRegBlock* block = chain; block != nullptr; block = block->Next()) {
        for (int i = 0; i < block->Count(); ++i) {
            addresses.append(block->Start() + i);
        }
    }
    std::sort(addresses.begin(), addresses.end());
    return addresses;
}

QString Mark(TkxNewTransaForm& form, int address) {
    return Row(form, address)->text(1);
}

} // namespace

class TkxNewTransaFormTest : public QObject {
    Q_OBJECT
private slots:
    void RowsListEveryDefinitionByAddress() {
        TkxOfflineDrive offline(DataFolder, "QX460v410");
        TkxNewTransaForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Transaction Setup"));
        QVERIFY(form.PresetNew(&offline.Drive(), {}));
        QTreeWidget* list = form.RegisterList();
        QCOMPARE(list->topLevelItemCount(), offline.Drive().Defs()->Count());
        int previous = -1;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QString caption = list->topLevelItem(i)->text(0);
            const int address = caption.mid(1, caption.size() - 2).toInt();
            QVERIFY(address > previous);
            previous = address;
        }
        QVERIFY(Row(form, 1000)->text(2).startsWith(QStringLiteral("U_Dc_BusV (")));
        QVERIFY(Row(form, 1000)->text(2).endsWith(QStringLiteral(" x  1)")));
        QCOMPARE(list->topLevelItem(0)->background(0).color(), QColor(221, 221, 221));
        QCOMPARE(list->topLevelItem(1)->background(0).color(), QColor(238, 238, 238));
        QCOMPARE(form.PeriodEdit()->value(), 100);
        QVERIFY(form.EnabledBox()->isChecked());
        QVERIFY(!form.DestroyBox()->isChecked());
        QCOMPARE(form.TerminateList()->count(), 11);
        QCOMPARE(form.TerminateList()->item(9)->text(), QStringLiteral("Acknoledge "));
    }

    void MarkedRunsBecomeBlockLists() {
        TkxOfflineDrive offline(DataFolder, "QX460v410");
        TkxNewTransaForm form;
        form.PresetNew(&offline.Drive(), {});
        Select(form, {1000, 1001, 1002, 1020});
        form.MarkSelected(TkxNewTransaForm::ReadMark);
        Select(form, {1012});
        form.MarkSelected(TkxNewTransaForm::WriteMark);
        QCOMPARE(form.ChainText(TkxNewTransaForm::ReadMark), QStringLiteral("1000/1002,1020"));
        QCOMPARE(form.ChainText(TkxNewTransaForm::WriteMark), QStringLiteral("1012"));
        QCOMPARE(Row(form, 1001)->background(0).color(), QColor(224, 233, 255));
        QCOMPARE(Row(form, 1012)->background(2).color(), QColor(255, 192, 128));

        // Cycling a row: empty, Read, Write, empty.
        QTreeWidgetItem* row = Row(form, 1013);
        form.CycleRow(row);
        QCOMPARE(Mark(form, 1013), TkxNewTransaForm::ReadMark);
        form.CycleRow(row);
        QCOMPARE(Mark(form, 1013), TkxNewTransaForm::WriteMark);
        form.CycleRow(row);
        QCOMPARE(Mark(form, 1013), QString());
    }

    void OptionsLockAndSwitchOffMarking() {
        TkxOfflineDrive offline(DataFolder, "QX460v410");
        TkxNewTransaForm form;
        form.PresetNew(&offline.Drive(),
                       TkxTransaParamSet().set(tpReadMarkingOff).set(tpWriteMarksLocked));
        Select(form, {1000});
        form.MarkSelected(TkxNewTransaForm::ReadMark);
        QCOMPARE(Mark(form, 1000), QString());
        // Read is off, so the cycle falls through to Write, which is then locked.
        form.CycleRow(Row(form, 1000));
        QCOMPARE(Mark(form, 1000), TkxNewTransaForm::WriteMark);
        form.CycleRow(Row(form, 1000));
        QCOMPARE(Mark(form, 1000), TkxNewTransaForm::WriteMark);
        form.RegisterList()->setCurrentItem(Row(form, 1000));
        QVERIFY(!form.ClearAction()->isEnabled());
        QVERIFY(!form.ReadAction()->isEnabled());
        form.RegisterList()->setCurrentItem(Row(form, 1001));
        QVERIFY(form.WriteAction()->isEnabled());
        QVERIFY(form.ClearAction()->isEnabled());
    }

    void GotoAndSearchFindRowsOrSayNot() {
        TkxOfflineDrive offline(DataFolder, "QX460v410");
        TkxNewTransaForm form;
        form.PresetNew(&offline.Drive(), {});
        QVERIFY(form.GotoRegister(QStringLiteral("1020")));
        QCOMPARE(form.RegisterList()->currentItem(), Row(form, 1020));
        QVERIFY(!form.GotoRegister(QStringLiteral("99999")));
        QVERIFY(form.SearchRegister(QStringLiteral("u_motorv")));
        QCOMPARE(form.RegisterList()->currentItem(), Row(form, 1001));
        QVERIFY(!form.SearchRegister(QStringLiteral("no such register")));
    }

    void TreeMakesAndEditsAUserTransaction() {
        TkxOfflineDrive offline(DataFolder, "QX460v410");
        TkxNetworkTreeView tree;
        tree.SetNetwork(&offline.Network());
        tree.setCurrentItem(tree.FindData(nullptr, &offline.Setup()));
        const auto before = offline.Drive().Transactions().Count();

        // Nothing marked: closes unconfirmed, nothing made.
        TkxOnNextModal<TkxNewTransaForm>(
            [](TkxNewTransaForm* form) { QMetaObject::invokeMethod(form, "accept"); });
        QCOMPARE(tree.NewTransa(0), KDlgCancelled);
        QCOMPARE(offline.Drive().Transactions().Count(), before);

        TkxOnNextModal<TkxNewTransaForm>([](TkxNewTransaForm* form) {
            Select(*form, {1000, 1001, 1020});
            form->MarkSelected(TkxNewTransaForm::ReadMark);
            form->NameEdit()->setText(QStringLiteral("watch"));
            form->PeriodEdit()->setValue(500);
            form->EnabledBox()->setChecked(false);
            form->TerminateList()->item(2)->setCheckState(Qt::Checked);
            QMetaObject::invokeMethod(form, "accept");
        });
        QCOMPARE(tree.NewTransa(0), KDlgDone);
        QCOMPARE(offline.Drive().Transactions().Count(), before + 1);
        TkxMBChainedTransa* made = nullptr;
        {
            TkxMBTransactionOwner::TransactionList::Locked list(offline.Drive().Transactions());
            made = dynamic_cast<TkxMBChainedTransa*>(list.Items().back().get());
        }
        QVERIFY(made != nullptr);
        QVERIFY(made->IsUserDefined());
        QCOMPARE(made->GetTransaName(), "watch");
        QCOMPARE(Covered(made->ReadBlocks()), QList<int>({1000, 1001, 1020}));
        QCOMPARE(made->WriteBlocks(), nullptr);
        QCOMPARE(made->GetRepeatTime(), 5);
        QVERIFY(!made->IsEnabled());
        QVERIFY(made->TerminateIf.test(TkxMBTransaction::Error));

        tree.RefreshAll(false);
        tree.setCurrentItem(tree.FindData(nullptr, made));
        QString shownMark;
        int shownPeriod = 0;
        TkxOnNextModal<TkxNewTransaForm>([&](TkxNewTransaForm* form) {
            shownMark = Mark(*form, 1020);
            shownPeriod = form->PeriodEdit()->value();
            Select(*form, {1020});
            form->MarkSelected(TkxNewTransaForm::WriteMark);
            QMetaObject::invokeMethod(form, "accept");
        });
        QCOMPARE(tree.EditTransa(0), KDlgDone);
        QCOMPARE(shownMark, TkxNewTransaForm::ReadMark);
        QCOMPARE(shownPeriod, 500);
        QCOMPARE(Covered(made->ReadBlocks()), QList<int>({1000, 1001}));
        QCOMPARE(Covered(made->WriteBlocks()), QList<int>({1020}));
        QCOMPARE(made->GetRepeatTime(), 5);
        tree.SetNetwork(nullptr);
    }
};

TKX_UI_TEST(TkxNewTransaFormTest);
#include "tkxnewtransaform_test.moc"
