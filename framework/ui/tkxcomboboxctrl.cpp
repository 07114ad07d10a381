#include "ui/tkxcomboboxctrl.h"

#include "base/tkxerror.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparvaluecls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregistercls.h"
#include "ui/tkxparrows.h"
#include "ui/tkxqtconvert.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolTip>
#include <QTreeWidget>

namespace {

bool IsEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

QTreeWidget* ViewOf(const QTreeWidgetItem* item) {
    return item != nullptr ? item->treeWidget() : nullptr;
}

} // namespace

TkxComboBox::TkxComboBox(QWidget* parent)
    : QComboBox(parent) {
    setVisible(false);
    setFocusPolicy(Qt::ClickFocus);
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, &QComboBox::activated, this, [this](int index) {
        FPicked = index;
        ShowRejecting(false);
    });
}

TkxComboBox::~TkxComboBox() = default;

void TkxComboBox::EditThis(TkxParValue* par, QWidget* parent, const QRect& rect, QChar key) {
    if (par == nullptr) {
        return;
    }
    FPar = par;
    FRefusal.clear();
    if (parent != nullptr && parentWidget() != parent) {
        setParent(parent);
    }
    if (FFocusReturn == nullptr) {
        FFocusReturn = parent;
    }
    const bool fixedList = dynamic_cast<TkxParEncoded*>(par) != nullptr;
    clear();
    setEditable(!fixedList);
    // Each editable turn gets a new line edit; typing in it drops the entry picked.
    if (QLineEdit* edit = lineEdit(); edit != nullptr && edit != FWatchedEdit) {
        FWatchedEdit = edit;
        connect(edit, &QLineEdit::textEdited, this, [this] { FPicked = -1; });
    }
    TkxParItems items;
    par->FillItems(&items, true);
    for (const TkxParItem& item : items) {
        addItem(TkxQString(item.Text), item.Code);
    }
    const QString value = TkxQString(par->GetValueString());
    if (fixedList) {
        setCurrentIndex(findText(value));
    } else {
        setCurrentIndex(-1);
        setEditText(value);
    }
    FPicked = -1;
    const int height = std::max(sizeHint().height(), rect.height());
    setGeometry(rect.left(), rect.center().y() - height / 2, rect.width(), height);
    ShowRejecting(false);
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
    FirstKey(key);
}

void TkxComboBox::EditThis(QTreeWidgetItem* item, int columnOffset, TkxParValue* par, QChar key) {
    QTreeWidget* view = ViewOf(item);
    if (par == nullptr) {
        par = TkxParOfItem(item);
    }
    if (view == nullptr || par == nullptr) {
        return;
    }
    if (par != FOwnPar.get()) {
        FOwnPar.reset();
    }
    const int column = par->Element() + columnOffset;
    if (column >= view->columnCount()) {
        return;
    }
    FItem = item;
    FColumnOffset = columnOffset;
    FFocusReturn = view;
    const QRect row = view->visualItemRect(item);
    const QRect cell(view->header()->sectionViewportPosition(column), row.top(),
                     view->columnWidth(column), row.height());
    view->scrollToItem(item);
    EditThis(par, view->viewport(), cell, key);
}

void TkxComboBox::EditThis(QTreeWidgetItem* item, int columnOffset, TkxRegister* reg, int element,
                           QChar key) {
    if (reg == nullptr || reg->Definition() == nullptr) {
        return;
    }
    const int length = reg->Definition()->Length();
    if (element < 0) {
        element = length - 1;
    } else if (element >= length) {
        element = 0;
    }
    // The old parameter may be the one being edited: replaced only once the new one is made.
    auto own = std::make_unique<TkxParValue>(reg, static_cast<std::uint8_t>(element));
    TkxParValue* par = own.get();
    FPar = nullptr;
    FOwnPar = std::move(own);
    EditThis(item, columnOffset, par, key);
}

void TkxComboBox::EndEdit() {
    if (FEnding) {
        return;
    }
    FEnding = true;
    ShowRejecting(false);
    QToolTip::hideText();
    TkxParValue* par = FPar;
    FPar = nullptr;
    FItem = nullptr;
    hide();
    if (par != nullptr && OnQuit) {
        OnQuit(par);
    }
    if (FFocusReturn != nullptr) {
        FFocusReturn->setFocus(Qt::OtherFocusReason);
    }
    FFocusReturn = nullptr;
    FEnding = false;
}

bool TkxComboBox::Accepts(QChar ch) const {
    const TkxRegister* reg = FPar != nullptr ? FPar->Register() : nullptr;
    const TkxRegDefinition* definition = reg != nullptr ? reg->Definition() : nullptr;
    if (definition != nullptr && definition->IsDate()) {
        return ch.isDigit() || ch == QLatin1Char('/');
    }
    if (definition != nullptr && definition->IsTime()) {
        return ch.isDigit() || ch == QLatin1Char(':');
    }
    if (definition != nullptr && definition->IsString()) {
        return ch.isPrint();
    }
    if (ch.isDigit() || QStringLiteral("abcdefABCDEF+-.xXhHeEbB|").contains(ch)) {
        return true;
    }
    return false;
}

void TkxComboBox::ShowRejecting(bool rejecting) {
    FRejecting = rejecting;
    if (!rejecting) {
        setPalette(QPalette());
        return;
    }
    QPalette red = palette();
    for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Button, QPalette::Window}) {
        red.setColor(role, Qt::red);
    }
    for (const QPalette::ColorRole role :
         {QPalette::Text, QPalette::ButtonText, QPalette::WindowText}) {
        red.setColor(role, Qt::yellow);
    }
    setPalette(red);
}

void TkxComboBox::ShowRefusal(const QString& reason) {
    FRefusal = reason;
    ShowRejecting(true);
    setToolTip(reason);
    if (isVisible()) {
        QToolTip::showText(mapToGlobal(QPoint(0, height())), reason, this);
    }
}

void TkxComboBox::FirstKey(QChar key) {
    if (key.isNull() || key == QLatin1Char('\b') || key == QLatin1Char('\t')) {
        return;
    }
    if (!Accepts(key)) {
        ShowRejecting(true);
        return;
    }
    if (QLineEdit* edit = lineEdit()) {
        edit->setText(QString(key));
        edit->setCursorPosition(1);
        FPicked = -1;
    }
}

int TkxComboBox::SelectedEntry() const {
    if (isEditable()) {
        return FPicked;
    }
    return currentIndex();
}

bool TkxComboBox::Commit() {
    TkxParValue* par = FPar;
    const int entry = SelectedEntry();
    try {
        if (entry < 0) {
            if (!isEditable()) {
                return true;
            }
            const std::string refusal = par->SetValueString(TkxAnsi(currentText()));
            if (!refusal.empty()) {
                ShowRefusal(TkxQString(refusal));
                return false;
            }
        } else {
            const int code = itemData(entry).toInt();
            switch (code) {
            case TkxParItem::SeparatorCode:
                return true;
            case TkxParItem::MaximumCode:
                par->SetValueDouble(par->GetMax());
                break;
            case TkxParItem::MinimumCode:
                par->SetValueDouble(par->GetMin());
                break;
            case TkxParItem::DefaultCode:
                par->SetDefault();
                break;
            default:
                par->SetValueDouble(code);
                break;
            }
        }
    } catch (const ETkxError& error) {
        ShowRefusal(QString::fromUtf8(error.what()));
        return false;
    }
    FRefusal.clear();
    if (OnEdited) {
        OnEdited(par, this);
    }
    return true;
}

bool TkxComboBox::event(QEvent* e) {
    // Tab and Shift+Tab move the editor between rows instead of the focus between controls.
    if (e->type() == QEvent::KeyPress && FItem != nullptr) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            MoveToRow(key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier) != 0);
            return true;
        }
    }
    return QComboBox::event(e);
}

void TkxComboBox::keyPressEvent(QKeyEvent* e) {
    if (FPar == nullptr) {
        QComboBox::keyPressEvent(e);
        return;
    }
    const int key = e->key();
    if (IsEnter(key)) {
        e->accept();
        if (Commit()) {
            EndEdit();
        }
        return;
    }
    if (key == Qt::Key_Escape) {
        e->accept();
        EndEdit();
        return;
    }
    if (FItem != nullptr && (e->modifiers() & Qt::ShiftModifier) != 0 &&
        (key == Qt::Key_Left || key == Qt::Key_Right)) {
        e->accept();
        MoveToElement(key == Qt::Key_Left ? -1 : 1);
        return;
    }
    const QString text = e->text();
    if (key == Qt::Key_Backspace || text.isEmpty() || !text.at(0).isPrint()) {
        QComboBox::keyPressEvent(e);
        return;
    }
    if (!Accepts(text.at(0))) {
        e->accept();
        ShowRejecting(true);
        return;
    }
    ShowRejecting(false);
    QComboBox::keyPressEvent(e);
}

void TkxComboBox::focusOutEvent(QFocusEvent* e) {
    QComboBox::focusOutEvent(e);
    // The drop-down list of the editor takes the focus while it is open; that is no exit.
    if (e->reason() == Qt::PopupFocusReason || (view() != nullptr && view()->isVisible())) {
        return;
    }
    if (FPar != nullptr) {
        EndEdit();
    }
}

void TkxComboBox::MoveToRow(bool up) {
    QTreeWidget* view = ViewOf(FItem);
    if (view == nullptr) {
        return;
    }
    QTreeWidgetItem* next = up ? view->itemAbove(FItem) : view->itemBelow(FItem);
    if (next == nullptr) {
        return;
    }
    EndEdit();
    view->setCurrentItem(next);
    EditThis(next, 1, static_cast<TkxParValue*>(nullptr), QChar());
}

void TkxComboBox::MoveToElement(int step) {
    TkxParValue* par = FPar;
    QTreeWidgetItem* item = FItem;
    if (par == nullptr || par->Register() == nullptr || item == nullptr) {
        return;
    }
    const int offset = FColumnOffset;
    EndEdit();
    EditThis(item, offset, par->Register(), par->Element() + step, QChar());
}
