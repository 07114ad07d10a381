#include "ui/tkxnewtransaform.h"

#include "base/tkxerror.h"
#include "devices/tkxdeviceslavecls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "ui/tkxqtconvert.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr int CaptionColumn = 0;
constexpr int MarkColumn = 1;
constexpr int DescriptionColumn = 2;
constexpr int AddressRole = Qt::UserRole;
// A transaction runs in passes of 100 ms.
constexpr int PassMs = 100;
constexpr int StillRunningWaitMs = 2500;

constexpr std::array<const char*, TkxMBTransaction::ReasonCount> ReasonTexts = {
    "Always (single execute)", "Valid response",     "Any Error",         "Exception response",
    "Timeout error",           "Function exception", "Address exception", "Value exception",
    "SlaveFail exception",     "Acknoledge ",        "SlaveBusy"};

bool InChain(const TkxRegBlock* chain, int address) {
    for (const TkxRegBlock* block = chain; block != nullptr; block = block->Next()) {
        if (block->Contains(address)) {
            return true;
        }
    }
    return false;
}

std::unique_ptr<TkxRegBlock> ChainOf(const QString& text) {
    return text.isEmpty() ? nullptr : std::make_unique<TkxRegBlock>(TkxAnsi(text));
}

} // namespace

const QString TkxNewTransaForm::ReadMark = QStringLiteral("Read");
const QString TkxNewTransaForm::WriteMark = QStringLiteral("Write");

TkxNewTransaForm::TkxNewTransaForm(QWidget* parent)
    : QDialog(parent)
    , FList(new QTreeWidget(this))
    , FName(new QLineEdit(this))
    , FComment(new QLineEdit(this))
    , FPeriod(new QSpinBox(this))
    , FEnabled(new QCheckBox(QStringLiteral("Enabled, but terminate if..."), this))
    , FDestroy(new QCheckBox(QStringLiteral("...and destroy"), this))
    , FTerminate(new QListWidget(this))
    , FReadAction(new QAction(QStringLiteral("Read mode"), this))
    , FWriteAction(new QAction(QStringLiteral("Write mode"), this))
    , FClearAction(new QAction(QStringLiteral("Set no action"), this)) {
    setWindowTitle(QStringLiteral("Transaction Setup"));
    setModal(true);
    FList->setColumnCount(3);
    FList->setHeaderLabels(
        {QStringLiteral("Reg#"), QStringLiteral("R/W"), QStringLiteral("Description")});
    FList->setRootIsDecorated(false);
    FList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FList->setContextMenuPolicy(Qt::ActionsContextMenu);
    FList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    FReadAction->setShortcut(Qt::Key_R);
    FWriteAction->setShortcut(Qt::Key_W);
    FClearAction->setShortcut(QKeySequence::Delete);
    auto* cycle = new QAction(this);
    cycle->setShortcut(Qt::Key_Space);
    auto* gotoAction = new QAction(QStringLiteral("Goto Reg#"), this);
    gotoAction->setShortcut(Qt::CTRL | Qt::Key_G);
    auto* searchAction = new QAction(QStringLiteral("Search..."), this);
    searchAction->setShortcut(Qt::CTRL | Qt::Key_F);
    for (QAction* action :
         {FReadAction, FWriteAction, FClearAction, cycle, gotoAction, searchAction}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        FList->addAction(action);
    }
    connect(FReadAction, &QAction::triggered, this, [this] { MarkSelected(ReadMark); });
    connect(FWriteAction, &QAction::triggered, this, [this] { MarkSelected(WriteMark); });
    connect(FClearAction, &QAction::triggered, this, [this] { MarkSelected(QString()); });
    connect(cycle, &QAction::triggered, this, [this] { CycleRow(FList->currentItem()); });
    connect(gotoAction, &QAction::triggered, this, [this] { AskGoto(); });
    connect(searchAction, &QAction::triggered, this, [this] { AskSearch(); });
    connect(FList, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* row) { CycleRow(row); });
    connect(FList, &QTreeWidget::currentItemChanged, this, [this] { UpdateActions(); });

    FPeriod->setRange(PassMs, 3600000);
    FPeriod->setSuffix(QStringLiteral(" ms"));
    auto* periods = new QHBoxLayout();
    periods->addWidget(FPeriod);
    for (int ms : {100, 250, 500, 1000}) {
        auto* button = new QPushButton(QString::number(ms), this);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, ms] { FPeriod->setValue(ms); });
        periods->addWidget(button);
    }
    for (const char* text : ReasonTexts) {
        auto* item = new QListWidgetItem(QString::fromLatin1(text), FTerminate);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }

    auto* fields = new QFormLayout();
    fields->addRow(QStringLiteral("Name"), FName);
    fields->addRow(QStringLiteral("Comment"), FComment);
    fields->addRow(QStringLiteral("Period"), periods);
    auto* side = new QVBoxLayout();
    side->addLayout(fields);
    side->addWidget(FEnabled);
    side->addWidget(FDestroy);
    side->addWidget(FTerminate);
    auto* body = new QHBoxLayout();
    body->addWidget(FList, 3);
    body->addLayout(side, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TkxNewTransaForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TkxNewTransaForm::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);

    FPeriod->setValue(100);
    FEnabled->setChecked(true);
    resize(900, 520);
}

TkxNewTransaForm::~TkxNewTransaForm() = default;

bool TkxNewTransaForm::PresetNew(TkxDeviceSlave* device, TkxTransaParamSet options) {
    if (device == nullptr || device->Defs() == nullptr) {
        return false;
    }
    FDevice = device;
    FEdited = nullptr;
    FOptions = options;
    Fill(device, nullptr);
    return true;
}

bool TkxNewTransaForm::PresetEdit(TkxMBChainedTransa* transaction, TkxTransaParamSet options) {
    if (transaction == nullptr || !transaction->IsUserDefined() ||
        transaction->Device() == nullptr || transaction->Device()->Defs() == nullptr) {
        return false;
    }
    FDevice = transaction->Device();
    FEdited = transaction;
    FOptions = options;
    Fill(FDevice, transaction);
    FName->setText(TkxQString(transaction->GetTransaName()));
    FComment->setText(TkxQString(transaction->GetComment()));
    const int period = transaction->GetRepeatTime() * PassMs;
    FPeriod->setRange(std::min(FPeriod->minimum(), period), std::max(FPeriod->maximum(), period));
    FPeriod->setValue(period);
    FEnabled->setChecked(transaction->IsEnabled());
    FDestroy->setChecked(transaction->GetTermDestroy());
    for (int i = 0; i < FTerminate->count(); ++i) {
        FTerminate->item(i)->setCheckState(
            transaction->TerminateIf.test(static_cast<std::size_t>(i)) ? Qt::Checked
                                                                       : Qt::Unchecked);
    }
    return true;
}

void TkxNewTransaForm::Fill(TkxDeviceSlave* device, const TkxMBChainedTransa* transaction) {
    FName->setReadOnly(FOptions.test(tpName));
    FComment->setReadOnly(FOptions.test(tpComment));
    FPeriod->setEnabled(!FOptions.test(tpPeriod));
    FEnabled->setEnabled(!FOptions.test(tpEnabled));
    FDestroy->setEnabled(!FOptions.test(tpDestroy));
    FTerminate->setEnabled(!FOptions.test(tpTerminateList));

    const TkxRegDefsList& defs = *device->Defs();
    std::vector<const TkxRegDefinition*> sorted;
    sorted.reserve(static_cast<std::size_t>(defs.Count()));
    for (int i = 0; i < defs.Count(); ++i) {
        sorted.push_back(defs.Items(i));
    }
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const TkxRegDefinition* a, const TkxRegDefinition* b) {
                         return a->Address() < b->Address();
                     });
    FList->clear();
    for (const TkxRegDefinition* definition : sorted) {
        const int address = definition->Address();
        auto* row = new QTreeWidgetItem(FList);
        row->setData(CaptionColumn, AddressRole, address);
        row->setText(CaptionColumn, QStringLiteral("[%1]").arg(address));
        if (transaction != nullptr && InChain(transaction->ReadBlocks(), address)) {
            row->setText(MarkColumn, ReadMark);
        } else if (transaction != nullptr && InChain(transaction->WriteBlocks(), address)) {
            row->setText(MarkColumn, WriteMark);
        }
        row->setText(DescriptionColumn,
                     QString::asprintf("%s (%6s x %2d)", definition->Name().c_str(),
                                       definition->TypeToString().c_str(), definition->Length()));
        try {
            row->setToolTip(DescriptionColumn, TkxQString(definition->GetDescr(-1)));
        } catch (const ETkxError&) {
            row->setToolTip(DescriptionColumn, TkxQString(definition->Name()));
        }
    }
    Paint();
    UpdateActions();
}

void TkxNewTransaForm::Paint() {
    for (int i = 0; i < FList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = FList->topLevelItem(i);
        const QString mark = row->text(MarkColumn);
        const QColor colour = mark == WriteMark  ? QColor(255, 192, 128)
                              : mark == ReadMark ? QColor(224, 233, 255)
                              : i % 2 != 0       ? QColor(238, 238, 238)
                                                 : QColor(221, 221, 221);
        for (int column = 0; column < FList->columnCount(); ++column) {
            row->setBackground(column, colour);
        }
    }
}

bool TkxNewTransaForm::MayMark(const QTreeWidgetItem* row, const QString& mark) const {
    if (row == nullptr) {
        return false;
    }
    const QString now = row->text(MarkColumn);
    const bool readLocked = now == ReadMark && FOptions.test(tpReadMarksLocked);
    const bool writeLocked = now == WriteMark && FOptions.test(tpWriteMarksLocked);
    if (mark == ReadMark) {
        return now != ReadMark && !FOptions.test(tpReadMarkingOff) && !writeLocked;
    }
    if (mark == WriteMark) {
        return now != WriteMark && !FOptions.test(tpWriteMarkingOff) && !readLocked;
    }
    return !readLocked && !writeLocked;
}

void TkxNewTransaForm::UpdateActions() {
    const QTreeWidgetItem* row = FList->currentItem();
    FReadAction->setEnabled(MayMark(row, ReadMark));
    FWriteAction->setEnabled(MayMark(row, WriteMark));
    FClearAction->setEnabled(MayMark(row, QString()));
}

void TkxNewTransaForm::MarkSelected(const QString& mark) {
    for (QTreeWidgetItem* row : FList->selectedItems()) {
        if (MayMark(row, mark)) {
            row->setText(MarkColumn, mark);
        }
    }
    Paint();
    UpdateActions();
}

void TkxNewTransaForm::CycleRow(QTreeWidgetItem* row) {
    if (row == nullptr) {
        return;
    }
    const QString now = row->text(MarkColumn);
    // The next mark of the cycle, or the one after it when that step is not allowed.
    const std::array<QString, 3> cycle = {ReadMark, WriteMark, QString()};
    const int at = now == ReadMark ? 1 : now == WriteMark ? 2 : 0;
    for (int step = 0; step < 3; ++step) {
        const QString& next = cycle.at(static_cast<std::size_t>((at + step) % 3));
        if (next != now && MayMark(row, next)) {
            row->setText(MarkColumn, next);
            break;
        }
    }
    Paint();
    UpdateActions();
}

bool TkxNewTransaForm::GotoRegister(const QString& address) {
    const QString caption = QStringLiteral("[%1]").arg(address.trimmed());
    for (int i = 0; i < FList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = FList->topLevelItem(i);
        if (row->text(CaptionColumn) == caption) {
            FList->setCurrentItem(row);
            FList->scrollToItem(row);
            return true;
        }
    }
    return false;
}

bool TkxNewTransaForm::SearchRegister(const QString& text) {
    for (int i = 0; i < FList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = FList->topLevelItem(i);
        if (row->text(DescriptionColumn).contains(text, Qt::CaseInsensitive)) {
            FList->setCurrentItem(row);
            FList->scrollToItem(row);
            return true;
        }
    }
    return false;
}

void TkxNewTransaForm::AskGoto() {
    bool ok = false;
    const QString input =
        QInputDialog::getText(this, QStringLiteral("Goto Reg# ..."), QStringLiteral("Insert Reg#"),
                              QLineEdit::Normal, QString(), &ok);
    if (ok && !GotoRegister(input)) {
        QMessageBox::information(this, windowTitle(),
                                 QStringLiteral("Reg#") + input + QStringLiteral(" not found!"));
    }
}

void TkxNewTransaForm::AskSearch() {
    bool ok = false;
    const QString input =
        QInputDialog::getText(this, QStringLiteral("Search register..."),
                              QStringLiteral("Register name:"), QLineEdit::Normal, QString(), &ok);
    if (ok && !SearchRegister(input)) {
        QMessageBox::information(this, windowTitle(),
                                 QStringLiteral("Register named \"") + input +
                                     QStringLiteral("\" not found!"));
    }
}

QString TkxNewTransaForm::ChainText(const QString& mark) const {
    QStringList runs;
    int first = -1;
    int last = -1;
    const auto close = [&] {
        if (first >= 0) {
            runs.append(first == last ? QString::number(first)
                                      : QStringLiteral("%1/%2").arg(first).arg(last));
        }
    };
    for (int i = 0; i < FList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = FList->topLevelItem(i);
        if (row->text(MarkColumn) != mark) {
            continue;
        }
        const int address = row->data(CaptionColumn, AddressRole).toInt();
        if (first >= 0 && address == last + 1) {
            last = address;
            continue;
        }
        close();
        first = last = address;
    }
    close();
    return runs.join(QLatin1Char(','));
}

void TkxNewTransaForm::accept() {
    const QString reads = ChainText(ReadMark);
    const QString writes = ChainText(WriteMark);
    if (reads.isEmpty() && writes.isEmpty()) {
        QDialog::reject();
        return;
    }
    TkxMBChainedTransa* transaction = FEdited;
    std::unique_ptr<TkxMBChainedTransa> made;
    if (transaction != nullptr) {
        transaction->SetEnabled(false);
        if (!transaction->WaitFor(StillRunningWaitMs)) {
            // It may even be gone by now: the changes are not applied.
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("Transaction is still running."));
            QDialog::reject();
            return;
        }
    } else {
        made = std::make_unique<TkxMBChainedTransa>(FDevice, 0);
        transaction = made.get();
    }
    transaction->SetReadBlocks(ChainOf(reads));
    transaction->SetWriteBlocks(ChainOf(writes));
    if (FName->text().isEmpty()) {
        transaction->UpdateName();
    } else {
        transaction->SetTransaName(TkxAnsi(FName->text()));
    }
    transaction->SetComment(TkxAnsi(FComment->text()));
    transaction->SetRepeatTime(FPeriod->value() / PassMs);
    transaction->SetTermDestroy(FDestroy->isChecked());
    TkxMBTransaction::TerminateSet reasons;
    for (int i = 0; i < FTerminate->count(); ++i) {
        reasons.set(static_cast<std::size_t>(i), FTerminate->item(i)->checkState() == Qt::Checked);
    }
    transaction->SetTerminateReasons(reasons);
    if (made != nullptr) {
        transaction = FDevice->Adopt(std::move(made));
    }
    transaction->SetEnabled(FEnabled->isChecked());
    FResult = transaction;
    QDialog::accept();
}
