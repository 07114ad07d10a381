#include "ui/tkxcheckboxctrl.h"

#include "params/tkxparboolfieldcls.h"
#include "ui/tkxuitest.h"
#include "ui/tkxuitestparams.h"

#include <QTest>
#include <QWidget>

class TkxCheckBoxTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        FDrive = MakeOfflineDrive();
        FField = FDrive->Drive().CfgUseRamp;
        QVERIFY(FField != nullptr);
        FWindow = std::make_unique<QWidget>();
        FBox = new TkxCheckBox(FWindow.get());
        FWindow->show();
    }
    void cleanup() {
        FWindow.reset();
        FDrive.reset();
    }

    void HiddenUntilBoundAndRefreshed() {
        QVERIFY(!FBox->isVisible());
        FBox->SetPar(nullptr);
        QCOMPARE(FBox->text(), QStringLiteral("-empty-"));
        FBox->RefreshData();
        QVERIFY(!FBox->isVisible());
        FBox->SetPar(FField);
        QCOMPARE(FBox->text().toStdString(), FField->GetDescription());
        FBox->RefreshData();
        QVERIFY(FBox->isVisible());
        QVERIFY2(FBox->isEnabled(), "an offline drive is edited");
    }

    void ShowsTheBitWithoutWritingItBack() {
        FBox->SetPar(FField);
        int changes = 0;
        int edited = 0;
        FField->OnChange = [&](TkxParValue*) { ++changes; };
        FBox->OnEdited = [&](TkxParValue*) { ++edited; };
        for (const bool bit : {true, false, true}) {
            FField->SetBool(bit);
            changes = 0;
            FBox->RefreshData();
            QCOMPARE(FBox->isChecked(), bit);
            QCOMPARE(changes, 0);
        }
        QCOMPARE(edited, 0);
    }

    void AClickStoresTheBit() {
        FBox->SetPar(FField);
        FField->SetBool(false);
        FBox->RefreshData();
        TkxParValue* edited = nullptr;
        FBox->OnEdited = [&](TkxParValue* par) { edited = par; };
        QTest::mouseClick(FBox, Qt::LeftButton);
        QVERIFY(FField->GetBool());
        QCOMPARE(edited, static_cast<TkxParValue*>(FField));
    }

    void ReadOnlyOrDisabledFieldIsShownDisabled() {
        FBox->SetPar(FField);
        FField->SetReadOnly(true);
        FBox->RefreshData();
        QVERIFY(!FBox->isEnabled());
        FField->SetReadOnly(false);
        FField->SetEnabled(false);
        FBox->RefreshData();
        QVERIFY(!FBox->isEnabled());
        FField->SetEnabled(true);
        FField->SetVisible(false);
        FBox->RefreshData();
        QVERIFY(!FBox->isVisible());
    }

private:
    std::unique_ptr<TkxOfflineDrive> FDrive;
    TkxParBoolField* FField = nullptr;
    std::unique_ptr<QWidget> FWindow;
    TkxCheckBox* FBox = nullptr;
};

TKX_UI_TEST(TkxCheckBoxTest);
#include "tkxcheckbox_test.moc"
