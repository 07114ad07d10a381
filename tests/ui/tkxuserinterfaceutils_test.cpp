#include "ui/tkxuserinterfaceutilscmp.h"

#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "ui/tkxcheckboxctrl.h"
#include "ui/tkxcomboboxctrl.h"
#include "ui/tkxqtconvert.h"
#include "ui/tkxradiogroupctrl.h"
#include "ui/tkxuitest.h"
#include "ui/tkxuitestparams.h"

#include <QAction>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

class TkxUserInterfaceUtilsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        FDrive = MakeOfflineDrive();
        TkxDeviceQXDRV& drive = FDrive->Drive();
        FNumber = drive.ParMotorAccel;
        FOther = drive.ParMotorDecel;
        FReadOnly = FindParameter<TkxParValue>(drive, [](TkxParValue& p) { return p.ReadOnly(); });
        FNoMin = FindParameter<TkxParValue>(drive, [](TkxParValue& p) { return !p.HasMin(); });
        QVERIFY(FNumber && FOther && FReadOnly && FNoMin);
        FWindow = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(FWindow.get());
        FView = new QTreeWidget();
        layout->addWidget(FView);
        FWindow->resize(500, 400);
        FWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(FWindow.get()));
        FUtils = std::make_unique<TkxUserInterfaceUtils>();
    }
    void cleanup() {
        FUtils.reset();
        FWindow.reset();
        FDrive.reset();
    }

    void ColumnsAreAddedOnce() {
        FUtils->With(FView, {ckValue, ckMin, ckMax});
        QCOMPARE(FView->columnCount(), 4);
        QCOMPARE(FView->headerItem()->text(0), QStringLiteral("Parameter"));
        QCOMPARE(FView->headerItem()->text(1), QStringLiteral("Value"));
        QCOMPARE(FView->headerItem()->text(3), QStringLiteral("Max"));
        QCOMPARE(TkxUserInterfaceUtils::ColumnTag(FView, 2), int(ckMin));
        FUtils->List(FNumber);
        FUtils->With(FView, {ckValue, ckDefault});
        QCOMPARE(FView->columnCount(), 4);
        QCOMPARE(FUtils->CtrlList().size(), std::size_t{1});
        QCOMPARE(FView->topLevelItemCount(), 1);

        // A list that has its own columns keeps them.
        QTreeWidget own;
        own.setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Setting")});
        TkxUserInterfaceUtils::SetColumnTag(&own, 1, ckValue);
        FUtils->With(&own, {ckValue, ckMin});
        QCOMPARE(own.columnCount(), 2);
    }

    void RowsShowTheParameterColumns() {
        FUtils->With(FView, {ckValue, ckMin, ckMax, ckDefault});
        QVERIFY(FUtils->List(FNumber));
        QVERIFY(FUtils->ListSep());
        QVERIFY(FUtils->List(FNoMin));
        QVERIFY(!FUtils->List(nullptr));
        FUtils->RefreshData();
        const QTreeWidgetItem* row = FView->topLevelItem(0);
        QCOMPARE(row->text(0).toStdString(), FNumber->GetDescription());
        QCOMPARE(row->text(1).toStdString(), FNumber->GetValueString());
        QCOMPARE(row->text(2).toStdString(), FNumber->GetMinText());
        QCOMPARE(row->text(4).toStdString(), FNumber->GetDfltText());
        QCOMPARE(FView->topLevelItem(1)->text(0), QString());
        QCOMPARE(FView->topLevelItem(2)->text(2), QStringLiteral("---"));
        QVERIFY(FView->columnWidth(1) >= 100);
    }

    void RefreshRewritesOnlyWhatChanged() {
        FUtils->With(FView, {ckValue});
        FUtils->List(FNumber);
        FUtils->List(FOther);
        FUtils->RefreshData();
        QSignalSpy changed(FView->model(), &QAbstractItemModel::dataChanged);
        FUtils->RefreshData();
        QCOMPARE(changed.count(), 0);
        FOther->SetValueDouble(FOther->GetValueDouble() + 1);
        FUtils->RefreshData();
        QCOMPARE(changed.count(), 1);
        const auto index = changed.first().first().value<QModelIndex>();
        QCOMPARE(index.row(), 1);
        QCOMPARE(index.column(), 1);
    }

    void RequestsFasterThanTheScreenAreFolded() {
        int refreshes = 0;
        FUtils->OnBeforeRefresh = [&](TkxUserInterfaceUtils*) { ++refreshes; };
        for (int i = 0; i < 20; ++i) {
            FUtils->ScheduleRefresh();
        }
        QTRY_VERIFY(!FUtils->IsRefreshScheduled());
        QCOMPARE(refreshes, 1);
    }

    void HiddenListCatchesUpWhenShown() {
        FUtils->With(FView, {ckValue});
        FUtils->List(FNumber);
        FView->hide();
        FUtils->RefreshData();
        QCOMPARE(FView->topLevelItem(0)->text(1), QString());
        FView->show();
        QTRY_COMPARE(FView->topLevelItem(0)->text(1).toStdString(), FNumber->GetValueString());
    }

    void DigitOpensTheEditorAndEscapeClosesIt() {
        FUtils->With(FView, {ckValue});
        FUtils->List(FNumber);
        FUtils->RefreshData();
        Select(0);
        QTest::keyClick(FView, Qt::Key_5);
        QVERIFY(FUtils->GetIsEditMode());
        QCOMPARE(FUtils->Editor().Par(), FNumber);
        QCOMPARE(FUtils->Editor().currentText(), QStringLiteral("5"));
        QTest::keyClick(&FUtils->Editor(), Qt::Key_Escape);
        QVERIFY(!FUtils->GetIsEditMode());
    }

    void DoubleClickOpensTheEditorOverTheValueCell() {
        FUtils->With(FView, {ckValue, ckMin});
        FUtils->List(FNumber);
        FUtils->RefreshData();
        Select(0);
        const QRect cell = FView->visualRect(FView->model()->index(0, 1));
        QTest::mouseClick(FView->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(FView->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(FUtils->GetIsEditMode());
        QCOMPARE(FUtils->Editor().x(), cell.x());
        QCOMPARE(FUtils->Editor().width(), cell.width());
    }

    void TypedValueReachesTheParameterAndTheList() {
        FUtils->With(FView, {ckValue});
        FUtils->List(FNumber);
        FUtils->RefreshData();
        TkxParValue* edited = nullptr;
        FUtils->OnEdited = [&](TkxParValue* par) { edited = par; };
        Select(0);
        QTest::keyClick(FView, Qt::Key_Return);
        QVERIFY(FUtils->GetIsEditMode());
        FUtils->Editor().setEditText(QString());
        QTest::keyClicks(&FUtils->Editor(), "1234");
        QTest::keyClick(&FUtils->Editor(), Qt::Key_Return);
        QCOMPARE(FNumber->GetValueDouble(), 1234.0);
        QCOMPARE(edited, FNumber);
        QVERIFY(!FUtils->GetIsEditMode());
        QCOMPARE(FView->topLevelItem(0)->text(1).toStdString(), FNumber->GetValueString());
    }

    void RefusedValueLeavesTheParameterAndSaysWhy() {
        FUtils->With(FView, {ckValue});
        FUtils->List(FNumber);
        FUtils->RefreshData();
        const std::string before = FNumber->GetValueString();
        bool edited = false;
        FUtils->OnEdited = [&](TkxParValue*) { edited = true; };
        Select(0);
        QTest::keyClick(FView, Qt::Key_1);
        QTest::keyClicks(&FUtils->Editor(), "e99");
        QTest::keyClick(&FUtils->Editor(), Qt::Key_Return);
        QCOMPARE(FNumber->GetValueString(), before);
        QVERIFY(!edited);
        QVERIFY(FUtils->GetIsEditMode());
        QVERIFY(!FUtils->Editor().Refusal().isEmpty());
        QCOMPARE(FView->topLevelItem(0)->text(1).toStdString(), before);
    }

    void ReadOnlyHiddenOrRefusedRowsDoNotOpen() {
        FUtils->With(FView, {ckValue});
        FUtils->List(FReadOnly);
        FUtils->List(FNumber);
        FUtils->ListSep();
        FUtils->RefreshData();
        Select(0);
        QVERIFY(!FUtils->ParEdit(FView, QLatin1Char('1')));
        QTest::keyClick(FView, Qt::Key_1);
        QVERIFY(!FUtils->GetIsEditMode());
        Select(2);
        QVERIFY2(!FUtils->ParEdit(FView, QChar()), "a separator");

        Select(1);
        TkxParValue* asked = nullptr;
        FUtils->OnEditQuery = [&](TkxParValue* par, bool& canEdit) {
            asked = par;
            canEdit = false;
        };
        QVERIFY(!FUtils->ParEdit(FView, QChar()));
        QCOMPARE(asked, FNumber);
        FUtils->OnEditQuery = nullptr;
        FNumber->SetVisible(false);
        QVERIFY(!FUtils->ParEdit(FView, QChar()));
        FNumber->SetVisible(true);
        FNumber->SetEnabled(false);
        QVERIFY(!FUtils->ParEdit(FView, QChar()));
        FNumber->SetEnabled(true);
        QVERIFY2(FUtils->ParEdit(FView, QChar()), "an offline drive is edited");
    }

    void RowsArePaintedByTheirParameterState() {
        FUtils->With(FView, {ckValue});
        FUtils->List(FNumber);
        FUtils->List(FOther);
        FUtils->ListSep();
        TkxParValue* hidden = FindParameter<TkxParValue>(
            FDrive->Drive(), [&](TkxParValue& p) { return &p != FNumber && &p != FOther; });
        FUtils->List(hidden);
        FOther->SetEnabled(false);
        hidden->SetVisible(false);
        FUtils->RefreshData();
        FView->clearSelection();
        FView->setCurrentItem(nullptr);
        const QImage image = FView->viewport()->grab().toImage();
        const auto background = [&](int row) {
            const QRect rect = FView->visualItemRect(FView->topLevelItem(row));
            return image.pixelColor(rect.left() + 1, rect.center().y());
        };
        QCOMPARE(background(0), TkxQColor(FUtils->EvenColor()));
        QCOMPARE(background(1), TkxQColor(TkxUserInterfaceUtils::GreyRowColor));
        QCOMPARE(background(2), FView->palette().color(QPalette::Button));
        // The hidden parameter's row is left blank: no text drawn, only the grey.
        const QRect blank = FView->visualItemRect(FView->topLevelItem(3));
        const QColor grey = TkxQColor(TkxUserInterfaceUtils::GreyRowColor);
        for (int x = blank.left(); x < blank.right(); x += 2) {
            for (int y = blank.top(); y <= blank.bottom(); ++y) {
                QCOMPARE(image.pixelColor(x, y), grey);
            }
        }
        QVERIFY(!FView->topLevelItem(3)->text(1).isEmpty());
    }

    void ResetUnbindsButKeepsColumns() {
        FUtils->With(FView, {ckValue});
        FUtils->List(FNumber);
        TkxCheckBox box(FWindow.get());
        TkxRadioGroup group(FWindow.get());
        QVERIFY(FUtils->With(&box, FDrive->Drive().CfgUseRamp));
        QVERIFY(FUtils->With(&group, FDrive->Drive().CfgCtrlMode));
        QCOMPARE(FUtils->CtrlList().size(), std::size_t{3});
        FUtils->Reset();
        QVERIFY(FUtils->CtrlList().empty());
        QCOMPARE(FView->topLevelItemCount(), 0);
        QCOMPARE(FView->columnCount(), 2);
        QCOMPARE(box.Par(), nullptr);
        QCOMPARE(group.Par(), nullptr);
        int events = 0;
        FUtils->OnBeforeRefresh = [&](TkxUserInterfaceUtils*) { ++events; };
        FUtils->OnAfterRefresh = [&](TkxUserInterfaceUtils*) { ++events; };
        FUtils->RefreshData();
        QCOMPARE(events, 2);
        QVERIFY2(!FUtils->List(FNumber), "no list is current after a reset");
    }

    void BoundControlsAreRefreshedAndEditedThroughTheComponent() {
        TkxCheckBox box(FWindow.get());
        TkxParBoolField* field = FDrive->Drive().CfgUseRamp;
        FUtils->With(&box, field);
        field->SetBool(true);
        FUtils->RefreshData();
        QVERIFY(box.isChecked());
        TkxParValue* edited = nullptr;
        FUtils->OnEdited = [&](TkxParValue* par) { edited = par; };
        QTest::mouseClick(&box, Qt::LeftButton);
        QVERIFY(!field->GetBool());
        QCOMPARE(edited, static_cast<TkxParValue*>(field));
    }

    void ActionsFollowTheirField() {
        QAction empty;
        QVERIFY(!FUtils->With(&empty, nullptr));
        QVERIFY(!empty.isVisible());
        QCOMPARE(empty.text(), QStringLiteral("-empty-"));

        QAction action;
        TkxParBoolField* field = FDrive->Drive().CfgUseRamp;
        QVERIFY(FUtils->With(&action, field));
        QCOMPARE(action.text().toStdString(), field->GetDescription());
        field->SetBool(false);
        FUtils->RefreshData();
        QVERIFY(!action.isChecked());
        QVERIFY(action.isEnabled());
        int edits = 0;
        FUtils->OnEdited = [&](TkxParValue*) { ++edits; };
        action.trigger();
        QVERIFY(field->GetBool());
        QCOMPARE(edits, 1);
        field->SetReadOnly(true);
        FUtils->RefreshData();
        QVERIFY(!action.isEnabled());
    }

    void AdaptHeightShowsEveryRow() {
        FUtils->With(FView, {ckValue});
        for (TkxParValue* par : PublishedParameters(FDrive->Drive())) {
            if (FView->topLevelItemCount() < 8) {
                FUtils->List(par);
            }
        }
        const int height = FUtils->AdaptHeight();
        FUtils->RefreshData();
        QCOMPARE(FView->height(), height);
        QTRY_VERIFY(!FView->verticalScrollBar()->isVisible());
        const QRect last = FView->visualItemRect(FView->topLevelItem(7));
        QVERIFY(last.bottom() < FView->viewport()->height());
    }

    void FitColumnsShowsEveryColumnWhole() {
        FUtils->With(FView, {ckValue, ckMin, ckMax, ckDefault});
        for (TkxParValue* par : {FNumber, FOther, FNoMin, FReadOnly}) {
            FUtils->List(par);
        }
        FUtils->RefreshData();
        // Columns far too narrow for their texts, as a user may leave them.
        for (int column = 0; column < FView->columnCount(); ++column) {
            FView->setColumnWidth(column, 8);
        }
        const int width = TkxUserInterfaceUtils::FitColumns(FView);
        int columns = 0;
        for (int column = 0; column < FView->columnCount(); ++column) {
            columns += FView->columnWidth(column);
            const QString caption = FView->headerItem()->text(column);
            QVERIFY2(FView->fontMetrics().horizontalAdvance(caption) < FView->columnWidth(column),
                     qPrintable(caption));
            for (int row = 0; row < FView->topLevelItemCount(); ++row) {
                const QTreeWidgetItem* item = FView->topLevelItem(row);
                QVERIFY2(QFontMetrics(item->font(column)).horizontalAdvance(item->text(column)) <
                             FView->columnWidth(column),
                         qPrintable(item->text(column)));
            }
        }
        QCOMPARE(width, columns + 2 * FView->frameWidth());
        // At that width the list has no need to scroll sideways.
        FView->setFixedWidth(width);
        QTRY_COMPARE(FView->viewport()->width(), columns);
        QVERIFY(!FView->horizontalScrollBar()->isVisible());
    }

private:
    void Select(int row) {
        FView->setCurrentItem(FView->topLevelItem(row));
        FView->topLevelItem(row)->setSelected(true);
    }

    std::unique_ptr<TkxOfflineDrive> FDrive;
    TkxParValue* FNumber = nullptr;
    TkxParValue* FOther = nullptr;
    TkxParValue* FReadOnly = nullptr;
    TkxParValue* FNoMin = nullptr;
    std::unique_ptr<QWidget> FWindow;
    QTreeWidget* FView = nullptr;
    std::unique_ptr<TkxUserInterfaceUtils> FUtils;
};

TKX_UI_TEST(TkxUserInterfaceUtilsTest);
#include "tkxuserinterfaceutils_test.moc"
