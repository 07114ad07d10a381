#include "ui/tkxcomboboxctrl.h"

#include "params/tkxparboolfieldcls.h"
#include "registers/tkxregdatabuffercls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"
#include "ui/tkxparrows.h"
#include "ui/tkxuitest.h"
#include "ui/tkxuitestparams.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

class TkxComboBoxTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        FDrive = MakeOfflineDrive();
        FNumber = FDrive->Drive().ParMotorAccel;
        FField = FDrive->Drive().CfgUseRamp;
        QVERIFY(FNumber != nullptr && FField != nullptr);
        QVERIFY(FNumber->HasMax());
        FWindow = std::make_unique<QWidget>();
        FWindow->resize(300, 200);
        FWindow->show();
        FEditor = new TkxComboBox(FWindow.get());
        FEdited = 0;
        FQuit = 0;
        FEditor->OnEdited = [this](TkxParValue*, TkxComboBox*) { ++FEdited; };
        FEditor->OnQuit = [this](TkxParValue*) { ++FQuit; };
    }
    void cleanup() {
        FWindow.reset();
        FDrive.reset();
    }

    void FreshEditorIsHiddenAndIdle() {
        QVERIFY(!FEditor->isVisible());
        QVERIFY(!FEditor->IsEditing());
        QCOMPARE(FEditor->focusPolicy() & Qt::TabFocus, 0);
    }

    void BooleanFieldGivesAFixedList() {
        Open(FField);
        QVERIFY(!FEditor->isEditable());
        QVERIFY(FEditor->isVisible());
        QVERIFY(FEditor->count() >= 2);
    }

    void TypedNumberIsAppliedByEnter() {
        Open(FNumber);
        QVERIFY(FEditor->isEditable());
        FEditor->lineEdit()->clear();
        QTest::keyClicks(FEditor, "2500");
        QTest::keyClick(FEditor, Qt::Key_Return);
        QCOMPARE(FNumber->GetValueDouble(), 2500.0);
        QCOMPARE(FEdited, 1);
        QCOMPARE(FQuit, 1);
        QVERIFY(!FEditor->isVisible());
        QVERIFY(FEditor->Refusal().isEmpty());
    }

    void RefusedNumberChangesNothingAndSaysWhy() {
        const double before = FNumber->GetValueDouble();
        Open(FNumber);
        FEditor->lineEdit()->clear();
        QTest::keyClicks(FEditor, QString::number(FNumber->GetMax() + 1));
        QTest::keyClick(FEditor, Qt::Key_Return);
        QCOMPARE(FNumber->GetValueDouble(), before);
        QCOMPARE(FEdited, 0);
        QVERIFY2(FEditor->IsEditing(), "left open for a correction");
        QVERIFY(FEditor->IsRejecting());
        QVERIFY2(FEditor->Refusal().contains(QStringLiteral("at most")),
                 qPrintable(FEditor->Refusal()));
        QCOMPARE(FEditor->toolTip(), FEditor->Refusal());
    }

    void SeparatorEntryEndsWithoutAnEdit() {
        FField->SetBool(true);
        Open(FField);
        const int separator = FEditor->findData(TkxParItem::SeparatorCode);
        QVERIFY(separator >= 0);
        FEditor->setCurrentIndex(separator);
        QTest::keyClick(FEditor, Qt::Key_Return);
        QVERIFY(FField->GetBool());
        QCOMPARE(FEdited, 0);
        QCOMPARE(FQuit, 1);
        QVERIFY(!FEditor->isVisible());
    }

    void LimitEntriesApplyTheLimits() {
        Open(FNumber);
        PickEntry(TkxParItem::MaximumCode);
        QTest::keyClick(FEditor, Qt::Key_Return);
        QCOMPARE(FNumber->GetValueDouble(), FNumber->GetMax());
        Open(FNumber);
        PickEntry(TkxParItem::MinimumCode);
        QTest::keyClick(FEditor, Qt::Key_Return);
        QCOMPARE(FNumber->GetValueDouble(), FNumber->GetMin());
        Open(FNumber);
        PickEntry(TkxParItem::DefaultCode);
        QTest::keyClick(FEditor, Qt::Key_Return);
        QCOMPARE(FNumber->GetValueDouble(), FNumber->GetDflt());
        QCOMPARE(FEdited, 3);
    }

    void LetterInANumberTurnsRedUntilTheNextDigit() {
        Open(FNumber);
        FEditor->lineEdit()->clear();
        QTest::keyClick(FEditor, Qt::Key_Q);
        QVERIFY(FEditor->IsRejecting());
        QCOMPARE(FEditor->currentText(), QString());
        QCOMPARE(FEditor->palette().color(QPalette::Base), QColor(Qt::red));
        QTest::keyClick(FEditor, Qt::Key_4);
        QVERIFY(!FEditor->IsRejecting());
        QCOMPARE(FEditor->currentText(), QStringLiteral("4"));
    }

    void FirstKeyBecomesTheText() {
        FEditor->EditThis(FNumber, FWindow.get(), QRect(0, 0, 150, 20), QLatin1Char('7'));
        QCOMPARE(FEditor->currentText(), QStringLiteral("7"));
        QCOMPARE(FEditor->lineEdit()->cursorPosition(), 1);
        FEditor->EndEdit();
        FEditor->EditThis(FNumber, FWindow.get(), QRect(0, 0, 150, 20), QLatin1Char('q'));
        QVERIFY(FEditor->IsRejecting());
        QCOMPARE(FEditor->currentText().toStdString(), FNumber->GetValueString());
    }

    void EscapeEndsWithoutChange() {
        const double before = FNumber->GetValueDouble();
        Open(FNumber);
        FEditor->lineEdit()->clear();
        QTest::keyClicks(FEditor, "12");
        QTest::keyClick(FEditor, Qt::Key_Escape);
        QCOMPARE(FNumber->GetValueDouble(), before);
        QCOMPARE(FEdited, 0);
        QCOMPARE(FQuit, 1);
        QVERIFY(!FEditor->IsEditing());
    }

    void ShiftRightOnTheLastElementWrapsToTheFirst() {
        TkxRegDefsList defs;
        defs.SetText("[DataModel]\nMaxBufferSize=64\n[Versions]\nVersions=QX440v1**\n"
                     "[256]\nName=Table\nLength=3\n");
        defs.Build();
        TkxRegDataBuffer buffer(&defs);
        TkxRegister* table = buffer.RegisterByName("Table");
        QVERIFY(table != nullptr);
        TkxParValue last(table, 2);
        QTreeWidget view(FWindow.get());
        view.setColumnCount(4);
        auto* item = new QTreeWidgetItem(&view);
        TkxSetParOfItem(item, &last);
        view.show();
        FEditor->setParent(nullptr);
        FEditor->EditThis(item, 1, nullptr, QChar());
        QCOMPARE(FEditor->Par(), &last);
        QTest::keyClick(FEditor, Qt::Key_Right, Qt::ShiftModifier);
        QVERIFY(FEditor->IsEditing());
        QCOMPARE(FEditor->Par()->Register(), table);
        QCOMPARE(static_cast<int>(FEditor->Par()->Element()), 0);
        QCOMPARE(FEditor->x(), view.header()->sectionViewportPosition(1));
        QTest::keyClick(FEditor, Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(static_cast<int>(FEditor->Par()->Element()), 2);
        FEditor->EndEdit();
        delete FEditor;
    }

private:
    void Open(TkxParValue* par) {
        FEditor->EditThis(par, FWindow.get(), QRect(10, 10, 200, 20), QChar());
        QVERIFY(FEditor->IsEditing());
    }
    void PickEntry(int code) {
        const int index = FEditor->findData(code);
        QVERIFY(index >= 0);
        FEditor->setCurrentIndex(index);
        emit FEditor->activated(index);
    }

    std::unique_ptr<TkxOfflineDrive> FDrive;
    TkxParValue* FNumber = nullptr;
    TkxParBoolField* FField = nullptr;
    std::unique_ptr<QWidget> FWindow;
    TkxComboBox* FEditor = nullptr;
    int FEdited = 0;
    int FQuit = 0;
};

TKX_UI_TEST(TkxComboBoxTest);
#include "tkxcombobox_test.moc"
