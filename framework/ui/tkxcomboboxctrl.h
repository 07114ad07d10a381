#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QTreeWidgetItem;
class TkxParValue;
class TkxRegister;

// The in-place editor of one parameter: it appears over a list cell (or any rectangle), offers
// the parameter's choices (default, limits and, for coded parameters, the described values)
// and, for plain numbers, takes typed text. Enter applies, Escape or leaving it ends the edit.
// Typed characters the register cannot take are refused and turn the editor red. A typed
// value the parameter refuses changes nothing: the editor stays open, red, with the reason.
class TkxComboBox : public QComboBox {
    Q_OBJECT
public:
    using EditedEvent = std::function<void(TkxParValue* par, TkxComboBox* sender)>;
    using QuitEvent = std::function<void(TkxParValue* par)>;

    explicit TkxComboBox(QWidget* parent = nullptr);
    ~TkxComboBox() override;

    // A null key opens the editor without a first input.
    void EditThis(TkxParValue* par, QWidget* parent, const QRect& rect, QChar key);
    // Over a cell of a list row: the cell's column is the parameter's element plus
    // columnOffset. Without a parameter, the one the row carries; a row without one is not
    // edited.
    void EditThis(QTreeWidgetItem* item, int columnOffset, TkxParValue* par, QChar key);
    // One element of a register, through a parameter of the editor's own; an element below 0
    // is the last one, one beyond the register's length element 0.
    void EditThis(QTreeWidgetItem* item, int columnOffset, TkxRegister* reg, int element,
                  QChar key);
    void EndEdit();

    bool IsEditing() const { return FPar != nullptr; }
    TkxParValue* Par() const { return FPar; }
    // The row being edited, null over a plain rectangle.
    QTreeWidgetItem* Item() const { return FItem; }
    // Red after a refused character or value, until the next accepted key.
    bool IsRejecting() const { return FRejecting; }
    // Why the last value typed was refused; empty after one was taken.
    const QString& Refusal() const { return FRefusal; }

    EditedEvent OnEdited;
    QuitEvent OnQuit;

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    // Whether the register behind the parameter can take ch as typed input.
    bool Accepts(QChar ch) const;
    // Applies the chosen entry or the typed text; false when the value was refused.
    bool Commit();
    void ShowRejecting(bool rejecting);
    void ShowRefusal(const QString& reason);
    // The first key, through the filter: the text becomes that one character.
    void FirstKey(QChar key);
    // The list row next to the edited one (below, or above with up), at column offset 1.
    void MoveToRow(bool up);
    // The next or previous element of the register edited, wrapping at both ends.
    void MoveToElement(int step);
    int SelectedEntry() const;

    TkxParValue* FPar = nullptr;
    QTreeWidgetItem* FItem = nullptr;
    int FColumnOffset = 0;
    std::unique_ptr<TkxParValue> FOwnPar;
    QWidget* FFocusReturn = nullptr;
    QPointer<QLineEdit> FWatchedEdit;
    // The entry picked from the list of an editable editor; -1 once text is typed.
    int FPicked = -1;
    bool FRejecting = false;
    bool FEnding = false;
    QString FRefusal;
};
