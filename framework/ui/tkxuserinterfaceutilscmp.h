#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <bitset>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

class QAction;
class QKeyEvent;
class QTreeWidget;
class QTreeWidgetItem;
class TkxCheckBox;
class TkxComboBox;
class TkxParBoolField;
class TkxParEncoded;
class TkxParValue;
class TkxRadioGroup;

// What a list column shows, kept as the column's tag.
enum TkxColumnKind : int {
    ckParam = 2,   // the description
    ckValue = 3,   // the value text
    ckMin = 4,     // the lower limit, or "---"
    ckMax = 5,     // the upper limit, or "---"
    ckDefault = 6, // the default, or "---"
};

// A set of column kinds.
class TkxColumnSet {
public:
    TkxColumnSet() = default;
    TkxColumnSet(std::initializer_list<TkxColumnKind> kinds) {
        for (const TkxColumnKind kind : kinds) {
            FBits.set(static_cast<std::size_t>(kind));
        }
    }
    bool Has(TkxColumnKind kind) const { return FBits.test(static_cast<std::size_t>(kind)); }

private:
    std::bitset<7> FBits;
};

// Binds parameters to the controls of a window: report lists (one row per parameter, columns
// by kind), check boxes, radio groups and actions. It fills the lists, refreshes every bound
// control on request, paints rows by the state of their parameter and opens the in-place
// editor on a row, by double click, Enter or a typed character that becomes the first input.
//
// A refresh rewrites only the cells whose text changed, so only those are repainted; a list
// that is not shown is brought up to date when it is shown. ScheduleRefresh folds the
// requests that come faster than the screen shows them into one refresh.
class TkxUserInterfaceUtils : public QObject {
    Q_OBJECT
public:
    using NotifyEvent = std::function<void(TkxUserInterfaceUtils* sender)>;
    using EditQueryEvent = std::function<void(TkxParValue* par, bool& canEdit)>;
    using EditedEvent = std::function<void(TkxParValue* par)>;

    // The row colours the windows keep (0x00BBGGRR).
    static constexpr std::uint32_t DefaultEvenColor = 0xFFC9C0;
    static constexpr std::uint32_t DefaultOddColor = 0xFFE9E0;
    // Rows of parameters that are disabled or hidden.
    static constexpr std::uint32_t GreyRowColor = 0xC0C0C0;
    static constexpr std::uint32_t GreyTextColor = 0x808080;
    // The shortest wait between two coalesced refreshes, about one frame.
    static constexpr int RefreshFrameMs = 16;

    explicit TkxUserInterfaceUtils(QObject* owner = nullptr);
    ~TkxUserInterfaceUtils() override;

    // Prepares a list (columns added only to a list without any) and makes it current.
    bool With(QTreeWidget* view, TkxColumnSet columns);
    bool With(TkxCheckBox* box, TkxParBoolField* field);
    bool With(TkxRadioGroup* group, TkxParEncoded* par);
    // A checkable action for the field; hidden with caption "-empty-" without one.
    bool With(QAction* action, TkxParBoolField* field);
    // A row for the parameter at the end of the current list; false without either.
    bool List(TkxParValue* par);
    bool ListSep();
    // Sizes the current list or radio group to its content; the new height, or 0.
    int AdaptHeight();
    // Sizes each column of a list to its texts; the width that shows every column whole.
    static int FitColumns(QTreeWidget* view);
    // The height a list needs to show its header and rows rows without scrolling.
    static int ListHeight(const QTreeWidget* view, int rows);
    void Reset();

    void RefreshData();
    // A RefreshData soon, once for all requests until it runs.
    void ScheduleRefresh();
    bool IsRefreshScheduled() const { return FRefreshTimer.isActive(); }
    void RefreshListView(QTreeWidget* view);
    void RefreshItem(QTreeWidgetItem* item);
    // The text of a cell of that column kind for the parameter.
    static QString RefreshColumn(const TkxParValue* par, int tag);
    void RefreshCheckBox(TkxCheckBox* box);
    void RefreshRadioGroup(TkxRadioGroup* group);
    void RefreshAction(QAction* action);

    // Opens the editor on the selected row of the list with an optional first key; false when
    // no edit started.
    bool ParEdit(QTreeWidget* view, QChar key);
    void EndEdit();
    bool GetIsEditMode() const;
    void DoOnEdited(TkxParValue* par);
    void DoOnExecute(QAction* action, bool checked);
    void DoOnUpdate(QAction* action);

    // Every control bound since the last Reset, in binding order (destroyed ones as null).
    const std::vector<QPointer<QObject>>& CtrlList() const { return FCtrlList; }
    std::uint32_t EvenColor() const { return FEvenColor; }
    void SetEvenColor(std::uint32_t color) { FEvenColor = color; }
    std::uint32_t OddColor() const { return FOddColor; }
    void SetOddColor(std::uint32_t color) { FOddColor = color; }
    // The in-place editor, made on first need.
    TkxComboBox& Editor();

    // The column kind of a column (0 for a column without one).
    static int ColumnTag(const QTreeWidget* view, int column);
    static void SetColumnTag(QTreeWidget* view, int column, int tag);

    NotifyEvent OnBeforeRefresh;
    NotifyEvent OnAfterRefresh;
    EditQueryEvent OnEditQuery;
    EditedEvent OnEdited;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void ItemDoubleClicked();
    void ActionTriggered(bool checked);

private:
    enum class Target { None, ListView, CheckBox, RadioGroup, Action };

    bool AddControl(QObject* control);
    void MakeCurrent(QObject* control, Target kind);
    void AddColumn(QTreeWidget* view, const QString& caption, int tag, int width);
    // Widens an auto-sized column that a new text no longer fits.
    void FitColumn(QTreeWidget* view, int column, const QString& text);
    // Enter, Escape and typed characters on a list; true when taken.
    bool ListKeyPress(QTreeWidget* view, QKeyEvent* key);

    std::vector<QPointer<QObject>> FCtrlList;
    QPointer<QObject> FCurrent;
    Target FCurrentKind = Target::None;
    QPointer<TkxComboBox> FEditor;
    QTimer FRefreshTimer;
    // Lists that missed a refresh while they were not shown.
    std::vector<QPointer<QTreeWidget>> FStale;
    std::uint32_t FEvenColor = DefaultEvenColor;
    std::uint32_t FOddColor = DefaultOddColor;
};
