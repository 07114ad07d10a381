#include "ui/tkxradiogroupctrl.h"

#include "params/tkxparbitfieldcls.h"
#include "ui/tkxuitest.h"
#include "ui/tkxuitestparams.h"

#include <QRadioButton>
#include <QTest>

class TkxRadioGroupTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        FDrive = MakeOfflineDrive();
        FPar = FDrive->Drive().CfgCtrlMode;
        QVERIFY(FPar != nullptr);
        FItems.clear();
        FPar->FillItems(&FItems, false);
        QVERIFY(FItems.size() >= 2);
        FGroup = std::make_unique<TkxRadioGroup>();
        FGroup->show();
    }
    void cleanup() {
        FGroup.reset();
        FDrive.reset();
    }

    void OneButtonPerDescribedValue() {
        QCOMPARE(FGroup->title(), QStringLiteral("-empty-"));
        FGroup->SetPar(FPar);
        QCOMPARE(FGroup->title().toStdString(), FPar->GetDescription());
        QCOMPARE(FGroup->ItemCount(), static_cast<int>(FItems.size()));
        for (int i = 0; i < FGroup->ItemCount(); ++i) {
            QCOMPARE(FGroup->Button(i)->text().toStdString(),
                     FItems[static_cast<std::size_t>(i)].Text);
        }
        FGroup->SetPar(nullptr);
        QCOMPARE(FGroup->ItemCount(), 0);
        QCOMPARE(FGroup->title(), QStringLiteral("-empty-"));
    }

    void SelectsTheValueWithoutWritingItBack() {
        FGroup->SetPar(FPar);
        int changes = 0;
        FPar->OnChange = [&](TkxParValue*) { ++changes; };
        for (int i = FGroup->ItemCount() - 1; i >= 0; --i) {
            QVERIFY(FPar->SetCode(FItems[static_cast<std::size_t>(i)].Code));
            changes = 0;
            FGroup->RefreshData();
            QCOMPARE(FGroup->ItemIndex(), i);
            QCOMPARE(changes, 0);
        }
    }

    void AValueWithoutDescriptionSelectsNoButton() {
        FGroup->SetPar(FPar);
        FGroup->RefreshData();
        QVERIFY(FGroup->ItemIndex() >= 0);
        int undescribed = -1;
        for (int code = 0; code <= FPar->GetMaxField() && undescribed < 0; ++code) {
            const bool described = std::any_of(FItems.begin(), FItems.end(),
                                               [&](const TkxParItem& i) { return i.Code == code; });
            if (!described) {
                undescribed = code;
            }
        }
        QVERIFY(undescribed >= 0);
        QVERIFY(FPar->SetField(undescribed));
        FGroup->RefreshData();
        QCOMPARE(FGroup->ItemIndex(), -1);
    }

    void AClickStoresTheCode() {
        FGroup->SetPar(FPar);
        QVERIFY(FPar->SetCode(FItems.front().Code));
        FGroup->RefreshData();
        TkxParValue* edited = nullptr;
        FGroup->OnEdited = [&](TkxParValue* par) { edited = par; };
        QTest::mouseClick(FGroup->Button(1), Qt::LeftButton);
        QCOMPARE(FPar->GetCode(), FItems[1].Code);
        QCOMPARE(edited, static_cast<TkxParValue*>(FPar));
    }

    void DisabledOrReadOnlyParameterDisablesTheGroup() {
        FGroup->SetPar(FPar);
        FGroup->RefreshData();
        QVERIFY(FGroup->isEnabled());
        FPar->SetEnabled(false);
        FGroup->RefreshData();
        QVERIFY(!FGroup->isEnabled());
        FPar->SetEnabled(true);
        FPar->SetReadOnly(true);
        FGroup->RefreshData();
        QVERIFY(!FGroup->isEnabled());
        FPar->SetVisible(false);
        FGroup->RefreshData();
        QVERIFY(!FGroup->isVisible());
    }

private:
    std::unique_ptr<TkxOfflineDrive> FDrive;
    TkxParBitField* FPar = nullptr;
    TkxParItems FItems;
    std::unique_ptr<TkxRadioGroup> FGroup;
};

TKX_UI_TEST(TkxRadioGroupTest);
#include "tkxradiogroup_test.moc"
