#include "ui/tkxuserinterfaceutilscmp.h"

#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparvaluecls.h"
#include "ui/tkxcheckboxctrl.h"
#include "ui/tkxcomboboxctrl.h"
#include "ui/tkxparrows.h"
#include "ui/tkxqtconvert.h"
#include "ui/tkxradiogroupctrl.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <algorithm>

namespace {

// The paint state of a parameter row, kept on its cells so that a change repaints the row.
constexpr int StateRole = Qt::UserRole + 1;
constexpr int RowEnabled = 1;
constexpr int RowVisible = 2;
// Marks the columns that follow their content.
constexpr int AutoSizeRole = Qt::UserRole + 2;
constexpr int MinValueWidth = 100;
constexpr int ParamWidth = 150;

int RowState(const TkxParValue* par) {
    return (par->Enabled() ? RowEnabled : 0) | (par->Visible() ? RowVisible : 0);
}

// Paints the rows of a bound list: alternating row colours, separators in the button colour,
// disabled parameters grey, hidden ones blank, the first value column bold.
class TkxParRowDelegate : public QStyledItemDelegate {
public:
    TkxParRowDelegate(const TkxUserInterfaceUtils* utils, QTreeWidget* view)
        : QStyledItemDelegate(view)
        , FUtils(utils)
        , FView(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const TkxParValue* par = ParOfRow(index);
        if (!FUtils.isNull() && FView->isEnabled() && par != nullptr && !par->Visible()) {
            painter->fillRect(option.rect, TkxQColor(TkxUserInterfaceUtils::GreyRowColor));
            return;
        }
        QStyledItemDelegate::paint(painter, option, index);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        // A list may outlive the component that bound it; it then paints plainly.
        if (FUtils.isNull() || !FView->isEnabled()) {
            return;
        }
        const TkxParValue* par = ParOfRow(index);
        QColor background =
            TkxQColor(index.row() % 2 != 0 ? FUtils->OddColor() : FUtils->EvenColor());
        if (par == nullptr) {
            background = FView->palette().color(QPalette::Button);
        } else if (!par->Enabled() || !par->Visible()) {
            background = TkxQColor(TkxUserInterfaceUtils::GreyRowColor);
            option->palette.setColor(QPalette::Text,
                                     TkxQColor(TkxUserInterfaceUtils::GreyTextColor));
        }
        option->backgroundBrush = background;
        if (par != nullptr) {
            option->font.setBold(index.column() == 1);
        }
    }

private:
    TkxParValue* ParOfRow(const QModelIndex& index) const {
        return TkxParOfItem(FView->topLevelItem(index.row()));
    }

    QPointer<const TkxUserInterfaceUtils> FUtils;
    QTreeWidget* FView;
};

} // namespace

TkxUserInterfaceUtils::TkxUserInterfaceUtils(QObject* owner)
    : QObject(owner) {
    FRefreshTimer.setSingleShot(true);
    FRefreshTimer.setInterval(RefreshFrameMs);
    connect(&FRefreshTimer, &QTimer::timeout, this, &TkxUserInterfaceUtils::RefreshData);
}

TkxUserInterfaceUtils::~TkxUserInterfaceUtils() {
    // The editor may sit on a list of the window; it goes with this component.
    delete FEditor.data();
}

TkxComboBox& TkxUserInterfaceUtils::Editor() {
    if (FEditor.isNull()) {
        FEditor = new TkxComboBox();
        FEditor->OnEdited = [this](TkxParValue* par, TkxComboBox*) { DoOnEdited(par); };
    }
    return *FEditor;
}

int TkxUserInterfaceUtils::ColumnTag(const QTreeWidget* view, int column) {
    return view->headerItem()->data(column, Qt::UserRole).toInt();
}

void TkxUserInterfaceUtils::SetColumnTag(QTreeWidget* view, int column, int tag) {
    view->headerItem()->setData(column, Qt::UserRole, tag);
}

bool TkxUserInterfaceUtils::AddControl(QObject* control) {
    const bool known = std::any_of(FCtrlList.begin(), FCtrlList.end(),
                                   [&](const QPointer<QObject>& c) { return c == control; });
    if (!known) {
        FCtrlList.emplace_back(control);
    }
    return !known;
}

void TkxUserInterfaceUtils::MakeCurrent(QObject* control, Target kind) {
    FCurrent = control;
    FCurrentKind = kind;
}

void TkxUserInterfaceUtils::AddColumn(QTreeWidget* view, const QString& caption, int tag,
                                      int width) {
    const int column = view->columnCount();
    view->setColumnCount(column + 1);
    view->headerItem()->setText(column, caption);
    SetColumnTag(view, column, tag);
    if (width > 0) {
        view->setColumnWidth(column, width);
    } else {
        // Wide enough for the caption; the texts widen it as they come.
        view->headerItem()->setData(column, AutoSizeRole, true);
        const int fit = QFontMetrics(view->font()).horizontalAdvance(caption) + 24;
        view->setColumnWidth(column, tag == ckValue ? std::max(fit, MinValueWidth) : fit);
    }
}

bool TkxUserInterfaceUtils::With(QTreeWidget* view, TkxColumnSet columns) {
    if (view == nullptr) {
        return false;
    }
    if (AddControl(view)) {
        view->clear();
        // A new list has one untitled column; it counts as none.
        const bool untouched = view->columnCount() == 1 && ColumnTag(view, 0) == 0 &&
                               view->headerItem()->text(0) == QLatin1String("1");
        if (untouched) {
            view->setColumnCount(0);
            AddColumn(view, QStringLiteral("Parameter"), ckParam, ParamWidth);
        }
        if (view->columnCount() <= 1) {
            if (columns.Has(ckParam)) {
                AddColumn(view, QStringLiteral("Param."), ckParam, ParamWidth);
            }
            if (columns.Has(ckValue)) {
                AddColumn(view, QStringLiteral("Value"), ckValue, 0);
            }
            if (columns.Has(ckMin)) {
                AddColumn(view, QStringLiteral("Min"), ckMin, 0);
            }
            if (columns.Has(ckMax)) {
                AddColumn(view, QStringLiteral("Max"), ckMax, 0);
            }
            if (columns.Has(ckDefault)) {
                AddColumn(view, QStringLiteral("Default"), ckDefault, 0);
            }
        }
        view->setItemDelegate(new TkxParRowDelegate(this, view));
        view->installEventFilter(this);
        connect(view, &QTreeWidget::itemDoubleClicked, this,
                &TkxUserInterfaceUtils::ItemDoubleClicked, Qt::UniqueConnection);
    }
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->header()->setStretchLastSection(false);
    MakeCurrent(view, Target::ListView);
    return true;
}

bool TkxUserInterfaceUtils::With(TkxCheckBox* box, TkxParBoolField* field) {
    if (box == nullptr) {
        return false;
    }
    AddControl(box);
    box->SetPar(field);
    box->OnEdited = [this](TkxParValue* par) { DoOnEdited(par); };
    MakeCurrent(box, Target::CheckBox);
    return field != nullptr;
}

bool TkxUserInterfaceUtils::With(TkxRadioGroup* group, TkxParEncoded* par) {
    if (group == nullptr) {
        return false;
    }
    AddControl(group);
    group->SetPar(par);
    group->OnEdited = [this](TkxParValue* p) { DoOnEdited(p); };
    MakeCurrent(group, Target::RadioGroup);
    return par != nullptr;
}

bool TkxUserInterfaceUtils::With(QAction* action, TkxParBoolField* field) {
    if (action == nullptr) {
        return false;
    }
    AddControl(action);
    action->setVisible(field != nullptr);
    action->setText(field != nullptr ? TkxQString(field->GetDescription())
                                     : QStringLiteral("-empty-"));
    action->setCheckable(true);
    action->setData(QVariant::fromValue(reinterpret_cast<quintptr>(field)));
    connect(action, &QAction::triggered, this, &TkxUserInterfaceUtils::ActionTriggered,
            Qt::UniqueConnection);
    MakeCurrent(action, Target::Action);
    return field != nullptr;
}

bool TkxUserInterfaceUtils::List(TkxParValue* par) {
    auto* view = qobject_cast<QTreeWidget*>(FCurrent.data());
    if (par == nullptr || view == nullptr || FCurrentKind != Target::ListView) {
        return false;
    }
    auto* item = new QTreeWidgetItem();
    item->setText(0, RefreshColumn(par, ColumnTag(view, 0)));
    for (int column = 1; column < view->columnCount(); ++column) {
        item->setText(column, QString());
    }
    TkxSetParOfItem(item, par);
    view->addTopLevelItem(item);
    // The captions are written once, here; the column grows to show them whole.
    const int needed = QFontMetrics(view->font()).horizontalAdvance(item->text(0)) + 16;
    if (needed > view->columnWidth(0)) {
        view->setColumnWidth(0, needed);
    }
    return true;
}

bool TkxUserInterfaceUtils::ListSep() {
    auto* view = qobject_cast<QTreeWidget*>(FCurrent.data());
    if (view == nullptr || FCurrentKind != Target::ListView) {
        return false;
    }
    view->addTopLevelItem(new QTreeWidgetItem());
    return true;
}

int TkxUserInterfaceUtils::ListHeight(const QTreeWidget* view, int rows) {
    const int rowHeight =
        view->topLevelItemCount() > 0 ? view->sizeHintForRow(0) : TkxFontHeight(view->font()) + 4;
    const int header = view->isHeaderHidden() ? 2 : view->header()->sizeHint().height();
    return header + rows * rowHeight + 2 * view->frameWidth();
}

int TkxUserInterfaceUtils::AdaptHeight() {
    if (auto* view = qobject_cast<QTreeWidget*>(FCurrent.data());
        view != nullptr && FCurrentKind == Target::ListView) {
        const int height = ListHeight(view, view->topLevelItemCount());
        view->setFixedHeight(height);
        return height;
    }
    if (auto* group = qobject_cast<TkxRadioGroup*>(FCurrent.data());
        group != nullptr && FCurrentKind == Target::RadioGroup) {
        const int height = group->sizeHint().height();
        group->setFixedHeight(height);
        return height;
    }
    return 0;
}

int TkxUserInterfaceUtils::FitColumns(QTreeWidget* view) {
    int width = 2 * view->frameWidth();
    for (int column = 0; column < view->columnCount(); ++column) {
        view->resizeColumnToContents(column);
        width += view->columnWidth(column);
    }
    return width;
}

void TkxUserInterfaceUtils::Reset() {
    EndEdit();
    for (const QPointer<QObject>& control : FCtrlList) {
        if (auto* group = qobject_cast<TkxRadioGroup*>(control.data())) {
            group->SetPar(nullptr);
        } else if (auto* box = qobject_cast<TkxCheckBox*>(control.data())) {
            box->SetPar(nullptr);
        } else if (auto* view = qobject_cast<QTreeWidget*>(control.data())) {
            view->clear();
        } else if (auto* action = qobject_cast<QAction*>(control.data())) {
            action->setData(QVariant());
        }
    }
    FCtrlList.clear();
    FStale.clear();
    MakeCurrent(nullptr, Target::None);
}

void TkxUserInterfaceUtils::ScheduleRefresh() {
    if (!FRefreshTimer.isActive()) {
        FRefreshTimer.start();
    }
}

void TkxUserInterfaceUtils::RefreshData() {
    FRefreshTimer.stop();
    if (OnBeforeRefresh) {
        OnBeforeRefresh(this);
    }
    // A handler may bind or unbind controls; the refresh works on the list as it was.
    const std::vector<QPointer<QObject>> controls = FCtrlList;
    for (const QPointer<QObject>& control : controls) {
        if (auto* group = qobject_cast<TkxRadioGroup*>(control.data())) {
            RefreshRadioGroup(group);
        } else if (auto* view = qobject_cast<QTreeWidget*>(control.data())) {
            RefreshListView(view);
        } else if (auto* box = qobject_cast<TkxCheckBox*>(control.data())) {
            RefreshCheckBox(box);
        } else if (auto* action = qobject_cast<QAction*>(control.data())) {
            RefreshAction(action);
        }
    }
    MakeCurrent(nullptr, Target::None);
    if (OnAfterRefresh) {
        OnAfterRefresh(this);
    }
}

void TkxUserInterfaceUtils::RefreshListView(QTreeWidget* view) {
    if (view == nullptr) {
        return;
    }
    MakeCurrent(view, Target::ListView);
    if (!view->isVisible()) {
        if (std::find(FStale.begin(), FStale.end(), view) == FStale.end()) {
            FStale.emplace_back(view);
        }
        return;
    }
    const int count = view->topLevelItemCount();
    for (int i = 0; i < count; ++i) {
        RefreshItem(view->topLevelItem(i));
    }
}

void TkxUserInterfaceUtils::RefreshItem(QTreeWidgetItem* item) {
    const TkxParValue* par = TkxParOfItem(item);
    QTreeWidget* view = item != nullptr ? item->treeWidget() : nullptr;
    if (par == nullptr || view == nullptr) {
        return;
    }
    const int state = RowState(par);
    const bool stateChanged = item->data(0, StateRole).toInt() != state;
    for (int column = 1; column < view->columnCount(); ++column) {
        const QString text = RefreshColumn(par, ColumnTag(view, column));
        if (item->text(column) != text) {
            item->setText(column, text);
            FitColumn(view, column, text);
        }
    }
    if (stateChanged) {
        for (int column = 0; column < view->columnCount(); ++column) {
            item->setData(column, StateRole, state);
        }
    }
}

void TkxUserInterfaceUtils::FitColumn(QTreeWidget* view, int column, const QString& text) {
    if (!view->headerItem()->data(column, AutoSizeRole).toBool()) {
        return;
    }
    QFont font = view->font();
    font.setBold(column == 1);
    // Cell margins of the style, counted generously.
    const int needed = QFontMetrics(font).horizontalAdvance(text) + 16;
    const int wanted = std::max(needed, ColumnTag(view, column) == ckValue ? MinValueWidth : 0);
    if (wanted > view->columnWidth(column)) {
        view->setColumnWidth(column, wanted);
    }
}

QString TkxUserInterfaceUtils::RefreshColumn(const TkxParValue* par, int tag) {
    if (par == nullptr) {
        return {};
    }
    static const QString none = QStringLiteral("---");
    switch (tag) {
    case ckParam:
        return TkxQString(par->GetDescription());
    case ckValue:
        return TkxQString(par->GetValueString());
    case ckMin:
        return par->HasMin() ? TkxQString(par->GetMinText()) : none;
    case ckMax:
        return par->HasMax() ? TkxQString(par->GetMaxText()) : none;
    case ckDefault:
        return par->HasDflt() ? TkxQString(par->GetDfltText()) : none;
    default:
        return {};
    }
}

void TkxUserInterfaceUtils::RefreshCheckBox(TkxCheckBox* box) {
    if (box != nullptr) {
        box->RefreshData();
    }
}

void TkxUserInterfaceUtils::RefreshRadioGroup(TkxRadioGroup* group) {
    if (group != nullptr) {
        group->RefreshData();
    }
}

namespace {

TkxParBoolField* FieldOf(const QAction* action) {
    return reinterpret_cast<TkxParBoolField*>(action->data().value<quintptr>());
}

} // namespace

void TkxUserInterfaceUtils::RefreshAction(QAction* action) {
    if (action == nullptr) {
        return;
    }
    if (TkxParBoolField* field = FieldOf(action)) {
        action->setChecked(field->GetBool());
    }
    DoOnUpdate(action);
}

void TkxUserInterfaceUtils::DoOnUpdate(QAction* action) {
    TkxParBoolField* field = FieldOf(action);
    if (field == nullptr) {
        return;
    }
    action->setEnabled(TkxParIsEditable(field));
    action->setVisible(field->Visible());
}

void TkxUserInterfaceUtils::DoOnExecute(QAction* action, bool checked) {
    TkxParBoolField* field = action != nullptr ? FieldOf(action) : nullptr;
    if (field == nullptr) {
        return;
    }
    field->SetBool(checked);
    if (OnEdited) {
        OnEdited(field);
    }
    RefreshData();
}

void TkxUserInterfaceUtils::ActionTriggered(bool checked) {
    DoOnExecute(qobject_cast<QAction*>(sender()), checked);
}

void TkxUserInterfaceUtils::DoOnEdited(TkxParValue* par) {
    if (OnEdited) {
        OnEdited(par);
    }
    RefreshData();
}

bool TkxUserInterfaceUtils::ParEdit(QTreeWidget* view, QChar key) {
    QTreeWidgetItem* item = view != nullptr ? view->currentItem() : nullptr;
    TkxParValue* par = TkxParOfItem(item);
    if (par == nullptr || !item->isSelected()) {
        return false;
    }
    if (!par->Visible() || !TkxParIsEditable(par)) {
        return false;
    }
    bool canEdit = true;
    if (OnEditQuery) {
        OnEditQuery(par, canEdit);
    }
    if (!canEdit) {
        return false;
    }
    int valueColumn = -1;
    for (int column = 0; column < view->columnCount() && valueColumn < 0; ++column) {
        if (ColumnTag(view, column) == ckValue) {
            valueColumn = column;
        }
    }
    if (valueColumn < 0) {
        return false;
    }
    TkxComboBox& editor = Editor();
    editor.setFont(view->font());
    editor.EditThis(item, valueColumn, par, key);
    return editor.IsEditing();
}

void TkxUserInterfaceUtils::EndEdit() {
    if (!FEditor.isNull() && FEditor->IsEditing()) {
        FEditor->EndEdit();
    }
}

bool TkxUserInterfaceUtils::GetIsEditMode() const {
    return !FEditor.isNull() && FEditor->isVisible();
}

void TkxUserInterfaceUtils::ItemDoubleClicked() {
    ParEdit(qobject_cast<QTreeWidget*>(sender()), QChar());
}

bool TkxUserInterfaceUtils::ListKeyPress(QTreeWidget* view, QKeyEvent* key) {
    if (view->currentItem() == nullptr || !view->currentItem()->isSelected()) {
        return false;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        ParEdit(view, QChar());
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        EndEdit();
        return true;
    }
    const QString text = key->text();
    if (text.isEmpty() || !text.at(0).isPrint() ||
        (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0) {
        return false;
    }
    ParEdit(view, text.at(0));
    return true;
}

bool TkxUserInterfaceUtils::eventFilter(QObject* watched, QEvent* event) {
    auto* view = qobject_cast<QTreeWidget*>(watched);
    if (view != nullptr && event->type() == QEvent::KeyPress) {
        return ListKeyPress(view, static_cast<QKeyEvent*>(event));
    }
    if (view != nullptr && event->type() == QEvent::Show) {
        const auto stale = std::find(FStale.begin(), FStale.end(), view);
        if (stale != FStale.end()) {
            FStale.erase(stale);
            // Shown only once the show event is done.
            QTimer::singleShot(0, view, [this, view] { RefreshListView(view); });
        }
    }
    return QObject::eventFilter(watched, event);
}
