#pragma once

#include <QCheckBox>

#include <functional>

class TkxParBoolField;
class TkxParValue;

// A check box showing one bit of a parameter. Hidden until bound and refreshed; showing the
// bit never writes it back, a click stores it.
class TkxCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using EditedEvent = std::function<void(TkxParValue* par)>;

    explicit TkxCheckBox(QWidget* parent = nullptr);
    ~TkxCheckBox() override;

    // Caption from the field; null leaves "-empty-".
    void SetPar(TkxParBoolField* field);
    TkxParBoolField* Par() const { return FPar; }
    // Hidden without a field; otherwise visible as the field, enabled when it is editable,
    // checked as its bit.
    void RefreshData();
    void DoOnClick();

    EditedEvent OnEdited;

private:
    TkxParBoolField* FPar = nullptr;
};
