#include "ui/tkxradiogroupctrl.h"

#include "params/tkxparencodedcls.h"
#include "ui/tkxparrows.h"
#include "ui/tkxqtconvert.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>
#include <QSignalBlocker>

TkxRadioGroup::TkxRadioGroup(QWidget* parent)
    : QGroupBox(parent)
    , FButtons(new QButtonGroup(this))
    , FLayout(new QGridLayout(this)) {
    setTitle(QStringLiteral("-empty-"));
    connect(FButtons, &QButtonGroup::idClicked, this, &TkxRadioGroup::DoOnClick);
}

TkxRadioGroup::~TkxRadioGroup() = default;

void TkxRadioGroup::SetPar(TkxParEncoded* par) {
    setTitle(par != nullptr ? TkxQString(par->GetDescription()) : QStringLiteral("-empty-"));
    for (QRadioButton* button : FButtonList) {
        FButtons->removeButton(button);
        delete button;
    }
    FButtonList.clear();
    FCodes.clear();
    FPar = par;
    if (par == nullptr) {
        return;
    }
    TkxParItems items;
    par->FillItems(&items, false);
    FButtonList.reserve(items.size());
    FCodes.reserve(items.size());
    for (const TkxParItem& item : items) {
        auto* button = new QRadioButton(TkxQString(item.Text), this);
        FButtons->addButton(button, static_cast<int>(FButtonList.size()));
        FButtonList.push_back(button);
        FCodes.push_back(item.Code);
    }
    Arrange();
}

void TkxRadioGroup::SetColumns(int columns) {
    FColumns = std::max(1, columns);
    Arrange();
}

void TkxRadioGroup::Arrange() {
    const int count = ItemCount();
    const int rows = (count + FColumns - 1) / FColumns;
    for (int i = 0; i < count; ++i) {
        FLayout->removeWidget(FButtonList[static_cast<std::size_t>(i)]);
        FLayout->addWidget(FButtonList[static_cast<std::size_t>(i)], i % rows, i / rows);
    }
}

QRadioButton* TkxRadioGroup::Button(int index) const {
    if (index < 0 || index >= ItemCount()) {
        return nullptr;
    }
    return FButtonList[static_cast<std::size_t>(index)];
}

int TkxRadioGroup::ItemIndex() const {
    return FButtons->checkedId();
}

void TkxRadioGroup::RefreshData() {
    const QSignalBlocker detached(FButtons);
    const int code = FPar != nullptr ? FPar->GetCode() : -1;
    // An exclusive group keeps one button checked; none may be, when no value matches.
    FButtons->setExclusive(false);
    for (int i = 0; i < ItemCount(); ++i) {
        FButtonList[static_cast<std::size_t>(i)]->setChecked(
            FPar != nullptr && FCodes[static_cast<std::size_t>(i)] == code);
    }
    FButtons->setExclusive(true);
    if (FPar != nullptr) {
        setEnabled(TkxParIsEditable(FPar));
        setVisible(FPar->Visible());
    }
}

void TkxRadioGroup::DoOnClick(int index) {
    if (FPar == nullptr) {
        return;
    }
    if (index < 0 || index >= ItemCount()) {
        FPar->SetDefault();
    } else {
        switch (const int code = FCodes[static_cast<std::size_t>(index)]) {
        case TkxParItem::MaximumCode:
            FPar->SetCode(FPar->GetMaxCode());
            break;
        case TkxParItem::MinimumCode:
            FPar->SetCode(FPar->GetMinCode());
            break;
        case TkxParItem::DefaultCode:
            FPar->SetDefault();
            break;
        case TkxParItem::SeparatorCode:
            break;
        default:
            FPar->SetCode(code);
            break;
        }
    }
    if (OnEdited) {
        OnEdited(FPar);
    }
}
