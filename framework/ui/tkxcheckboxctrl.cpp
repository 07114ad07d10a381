#include "ui/tkxcheckboxctrl.h"

#include "params/tkxparboolfieldcls.h"
#include "ui/tkxparrows.h"
#include "ui/tkxqtconvert.h"

#include <QSignalBlocker>

TkxCheckBox::TkxCheckBox(QWidget* parent)
    : QCheckBox(parent) {
    setVisible(false);
    connect(this, &QCheckBox::clicked, this, &TkxCheckBox::DoOnClick);
}

TkxCheckBox::~TkxCheckBox() = default;

void TkxCheckBox::SetPar(TkxParBoolField* field) {
    setText(field != nullptr ? TkxQString(field->GetDescription()) : QStringLiteral("-empty-"));
    FPar = field;
}

void TkxCheckBox::RefreshData() {
    if (FPar == nullptr) {
        setVisible(false);
        return;
    }
    setVisible(FPar->Visible());
    setEnabled(TkxParIsEditable(FPar));
    const QSignalBlocker detached(this);
    setChecked(FPar->GetBool());
}

void TkxCheckBox::DoOnClick() {
    if (FPar == nullptr) {
        return;
    }
    FPar->SetBool(isChecked());
    if (OnEdited) {
        OnEdited(FPar);
    }
}
