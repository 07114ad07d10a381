#pragma once

#include <QGroupBox>

#include <functional>
#include <vector>

class QButtonGroup;
class QGridLayout;
class QRadioButton;
class TkxParEncoded;
class TkxParValue;

// A group of radio buttons, one per described value of a coded parameter. Showing the value
// never writes it back; a click stores the clicked button's value.
class TkxRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    using EditedEvent = std::function<void(TkxParValue* par)>;

    explicit TkxRadioGroup(QWidget* parent = nullptr);
    ~TkxRadioGroup() override;

    // Caption and buttons from the parameter; null leaves "-empty-" without buttons.
    void SetPar(TkxParEncoded* par);
    TkxParEncoded* Par() const { return FPar; }
    // Selects the button of the parameter's value (none when it has no button), enabled when
    // the parameter is editable, visible as the parameter.
    void RefreshData();
    // The button of item index was clicked (-1: none selected).
    void DoOnClick(int index);

    // The buttons run down the columns, as many in each as the first one needs.
    void SetColumns(int columns);
    int Columns() const { return FColumns; }
    int ItemCount() const { return static_cast<int>(FCodes.size()); }
    QRadioButton* Button(int index) const;
    // The selected item, -1 for none.
    int ItemIndex() const;

    EditedEvent OnEdited;

private:
    void Arrange();

    TkxParEncoded* FPar = nullptr;
    QButtonGroup* FButtons;
    QGridLayout* FLayout;
    std::vector<QRadioButton*> FButtonList;
    std::vector<int> FCodes;
    int FColumns = 1;
};
