#include "network/tnetworkmonitorform.h"

#include "base/tkxerror.h"
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxdeviceslavecls.h"
#include "devices/tkxmbnetworkcmp.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregistercls.h"
#include "ui/tkxnetworktreeview.h"
#include "ui/tkxqtconvert.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// The transactions this program makes for itself.
constexpr int MonitorKind = 1;
constexpr std::uint32_t WholeValue = 0xFFFFFFFFu;
constexpr int LogLines = 2000;

QString ValueText(const TkxRegister& reg) {
    try {
        return TkxQString(reg.GetValueText(0, WholeValue));
    } catch (const ETkxError& error) {
        return QStringLiteral("? ") + TkxQString(error.what());
    }
}

// The defined registers of the device, by address, as a block list: one block per run of
// consecutive addresses.
std::unique_ptr<TkxRegBlock> ChainOf(const TkxDeviceSlave& device) {
    std::vector<std::uint16_t> addresses;
    addresses.reserve(static_cast<std::size_t>(device.RegisterCount()));
    for (int i = 0; i < device.RegisterCount(); ++i) {
        addresses.push_back(device.Registers(i)->Definition()->Address());
    }
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    std::unique_ptr<TkxRegBlock> chain;
    // Built from the last run backwards, so that the list runs in address order.
    std::size_t end = addresses.size();
    while (end > 0) {
        std::size_t first = end - 1;
        while (first > 0 && addresses[first - 1] + 1 == addresses[first]) {
            --first;
        }
        chain = std::make_unique<TkxRegBlock>(
            addresses[first], static_cast<std::uint16_t>(end - first), std::move(chain));
        end = first;
    }
    return chain;
}

} // namespace

TNetworkMonitorForm::TNetworkMonitorForm(const QString& definitionFolder,
                                         std::shared_ptr<TkxMBContext> context, QWidget* parent)
    : QMainWindow(parent)
    , FNetwork(std::make_unique<TkxMBNetwork>(std::move(context)))
    , FTree(new TkxNetworkTreeView(this))
    , FRegisters(new QTreeWidget(this))
    , FLog(new QPlainTextEdit(this))
    , FStatus(new QLabel(this)) {
    setWindowTitle(QStringLiteral("QX DRIVE network monitor"));
    FNetwork->SetFilePath(TkxAnsi(definitionFolder));
    FTree->SetOnLineMode(true);

    FRegisters->setColumnCount(3);
    FRegisters->setHeaderLabels(
        {QStringLiteral("Reg#"), QStringLiteral("Name"), QStringLiteral("Value")});
    FRegisters->setRootIsDecorated(false);
    FRegisters->setAlternatingRowColors(true);
    FRegisters->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    FLog->setReadOnly(true);
    FLog->setMaximumBlockCount(LogLines);

    auto* right = new QSplitter(Qt::Vertical, this);
    right->addWidget(FRegisters);
    right->addWidget(FLog);
    right->setStretchFactor(0, 3);
    right->setStretchFactor(1, 1);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(FTree);
    split->addWidget(right);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);
    setCentralWidget(split);
    statusBar()->addWidget(FStatus, 1);

    BuildActions();
    Follow();
    FTree->SetNetwork(FNetwork.get());
    FTree->expandAll();
    UpdateActions();
    resize(1000, 640);
}

// The network goes while the tree still hears its events.
TNetworkMonitorForm::~TNetworkMonitorForm() {
    FNetwork->SetOnLine(false);
    FNetwork.reset();
}

void TNetworkMonitorForm::BuildActions() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Open layout..."), QKeySequence::Open, this, [this] {
        const QString path =
            QFileDialog::getOpenFileName(this, QStringLiteral("Open layout"), FLayoutPath,
                                         QStringLiteral("Network layouts (*.xml);;All files (*)"));
        if (!path.isEmpty()) {
            OpenLayout(path);
        }
    });
    file->addAction(QStringLiteral("&Save layout as..."), QKeySequence::Save, this, [this] {
        const QString path =
            QFileDialog::getSaveFileName(this, QStringLiteral("Save layout"), FLayoutPath,
                                         QStringLiteral("Network layouts (*.xml);;All files (*)"));
        if (!path.isEmpty()) {
            SaveLayout(path);
        }
    });
    file->addSeparator();
    file->addAction(QStringLiteral("&Quit"), QKeySequence::Quit, this, &QWidget::close);

    QMenu* net = menuBar()->addMenu(QStringLiteral("&Network"));
    QToolBar* bar = addToolBar(QStringLiteral("Network"));
    FOnLine = net->addAction(QStringLiteral("On-&line"));
    FOnLine->setCheckable(true);
    connect(FOnLine, &QAction::triggered, this, [this](bool on) { SetOnLine(on); });
    net->addSeparator();
    QAction* serial = net->addAction(QStringLiteral("New &serial connection..."), this, [this] {
        ShowCommandResult(QStringLiteral("New connection"), FTree->NewThreadSetup({}, {}));
    });
    QAction* tcp = net->addAction(QStringLiteral("New &TCP/IP connection..."), this, [this] {
        ShowCommandResult(QStringLiteral("New connection"),
                          FTree->NewThreadSetup({}, {.Tcp = true}));
    });
    FNewDevice = net->addAction(QStringLiteral("New &device..."), this, [this] {
        ShowCommandResult(QStringLiteral("New device"), FTree->NewDeviceSetup({}, 1, 2000, 0));
    });
    FNewTransa = net->addAction(QStringLiteral("New t&ransaction..."), this, [this] {
        ShowCommandResult(QStringLiteral("New transaction"), FTree->NewTransa(0));
    });
    FEdit = net->addAction(QStringLiteral("&Edit..."), this, [this] {
        if (FTree->GetSelectedThread() != nullptr) {
            ShowCommandResult(QStringLiteral("Edit connection"), FTree->EditThreadSetup({}));
        } else if (FTree->GetSelectedDevice() != nullptr) {
            ShowCommandResult(QStringLiteral("Edit device"), FTree->EditDeviceSetup({}));
        } else if (FTree->GetSelectedTransa() != nullptr) {
            ShowCommandResult(QStringLiteral("Edit transaction"), FTree->EditTransa(0));
        }
    });
    FDelete = net->addAction(QStringLiteral("De&lete"), this, [this] {
        if (FTree->GetSelectedThread() != nullptr) {
            ShowCommandResult(QStringLiteral("Delete connection"), FTree->DeleteThreadSetup());
        } else if (FTree->GetSelectedDevice() != nullptr) {
            ShowCommandResult(QStringLiteral("Delete device"), FTree->DeleteDeviceSetup());
        } else if (FTree->GetSelectedTransa() != nullptr) {
            ShowCommandResult(QStringLiteral("Delete transaction"), FTree->DeleteTransa());
        }
    });
    net->addSeparator();
    FRead = net->addAction(QStringLiteral("&Read registers"), this,
                           [this] { ReadRegisters(FTree->GetSelectedDevice()); });
    net->addAction(QStringLiteral("Supported devices..."), this,
                   [this] { FNetwork->ShowSupportedDeviceList(); });
    for (QAction* action : {FOnLine, serial, tcp, FNewDevice, FNewTransa, FEdit, FDelete, FRead}) {
        bar->addAction(action);
    }
    connect(FTree, &QTreeWidget::currentItemChanged, this, [this] { UpdateActions(); });
    connect(FTree, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (TkxDeviceSetup* setup = FTree->GetSelectedDevice()) {
            ReadRegisters(setup);
        }
    });
}

void TNetworkMonitorForm::Follow() {
    const auto refresh = [this](TkxMBNetwork*, TkxObject* object) {
        Refresh(object);
        if (object == FNetwork.get()) {
            FOnLine->setChecked(FNetwork->OnLine());
        }
        UpdateActions();
    };
    FNetwork->OnNetSetupAdd = refresh;
    FNetwork->OnNetSetupChange = refresh;
    FNetwork->OnNetStateChange = refresh;
    FNetwork->OnNetSetupDel = [this](TkxMBNetwork*, TkxObject* object) {
        Forget(object);
        FTree->RefreshErased(object);
        UpdateActions();
    };
    FNetwork->OnTransaError = [this](TkxMBNetwork*, TkxMBTransaction* transaction) {
        Refresh(transaction);
        if (transaction->GetErrorChanged()) {
            Note(TkxQString(transaction->GetTransaName()) + QStringLiteral(": ") +
                 TkxQString(TkxMBTransaction::GetResultText(transaction->GetLastError())));
        }
    };
    FNetwork->OnTransaResponse = [this](TkxMBNetwork*, TkxMBTransaction* transaction) {
        Refresh(transaction);
        if (transaction == FReading) {
            ShowRegisterValues();
        }
    };
}

void TNetworkMonitorForm::Refresh(TkxObject* object) {
    FTree->RefreshThis(object);
    // A device's state follows its transactions, and reaches the tree only through them.
    if (auto* transaction = dynamic_cast<TkxMBTransaction*>(object)) {
        if (auto* device = dynamic_cast<TkxDeviceSlave*>(transaction->GetOwner())) {
            TkxDeviceSetup& setup = device->GetSetup();
            QTreeWidgetItem* node = FTree->FindData(nullptr, &setup);
            if (node != nullptr &&
                node->data(0, TkxNetworkTreeView::OverlayRole).toInt() != setup.GetState() + 3) {
                FTree->RefreshDevice(&setup);
            }
        }
    }
}

void TNetworkMonitorForm::Forget(TkxObject* object) {
    if (FReading == nullptr) {
        return;
    }
    // The read goes with itself, with its device and with whatever holds the device.
    const TkxDeviceSetup& setup = FReading->Device()->GetSetup();
    if (object == FReading || object == &setup || object == setup.GetThreadSetup()) {
        FReading = nullptr;
        FRegisters->clear();
    }
}

void TNetworkMonitorForm::Note(const QString& line) {
    FLog->appendPlainText(line);
    FStatus->setText(line);
}

void TNetworkMonitorForm::ShowCommandResult(const QString& what, int result) {
    switch (result) {
    case KDlgRefused:
        Note(what + QStringLiteral(": refused, the name or address is already used."));
        break;
    case KDlgDevMaxCount:
        Note(what + QStringLiteral(": refused, the network holds as many devices as it may."));
        break;
    case KDlgNotEditable:
        Note(what + QStringLiteral(": not possible now (take the line off-line first)."));
        break;
    default:
        break;
    }
    UpdateActions();
}

void TNetworkMonitorForm::UpdateActions() {
    const bool connection = FTree->GetSelectedThread() != nullptr;
    TkxDeviceSetup* device = FTree->GetSelectedDevice();
    FNewDevice->setEnabled(connection);
    FNewTransa->setEnabled(device != nullptr && device->Device() != nullptr);
    FEdit->setEnabled(FTree->GetSelectedCanEdit());
    FDelete->setEnabled(FTree->GetSelectedCanEdit());
    FRead->setEnabled(device != nullptr && device->Device() != nullptr);
}

bool TNetworkMonitorForm::OpenLayout(const QString& path) {
    FNetwork->SetOnLine(false);
    FRegisters->clear();
    FReading = nullptr;
    if (!FNetwork->LoadFromFile(TkxAnsi(path))) {
        Note(QStringLiteral("%1: %2").arg(path, TkxQString(FNetwork->LastError().Text())));
        FTree->RefreshAll(true);
        FTree->expandAll();
        return false;
    }
    FLayoutPath = path;
    for (const std::string& problem : FNetwork->LayoutProblems()) {
        Note(QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), TkxQString(problem)));
    }
    FTree->RefreshAll(true);
    FTree->expandAll();
    setWindowTitle(QStringLiteral("QX DRIVE network monitor - ") + QFileInfo(path).fileName());
    UpdateActions();
    return true;
}

bool TNetworkMonitorForm::SaveLayout(const QString& path) {
    try {
        FNetwork->SaveToFile(TkxAnsi(path));
    } catch (const ETkxError& error) {
        Note(TkxQString(error.what()));
        return false;
    }
    FLayoutPath = path;
    Note(QStringLiteral("Saved ") + path);
    return true;
}

void TNetworkMonitorForm::SetOnLine(bool onLine) {
    FNetwork->SetOnLine(onLine);
    FOnLine->setChecked(FNetwork->OnLine());
}

bool TNetworkMonitorForm::ReadRegisters(TkxDeviceSetup* setup) {
    TkxDeviceSlave* device = setup != nullptr ? setup->Device() : nullptr;
    if (device == nullptr) {
        return false;
    }
    if (FReading != nullptr && FReading->Device() != device) {
        FReading->Device()->DestroyTransaction(FReading);
        FReading = nullptr;
    }
    FRegisters->clear();
    std::vector<TkxRegister*> registers;
    registers.reserve(static_cast<std::size_t>(device->RegisterCount()));
    for (int i = 0; i < device->RegisterCount(); ++i) {
        registers.push_back(device->Registers(i));
    }
    std::stable_sort(registers.begin(), registers.end(), [](TkxRegister* a, TkxRegister* b) {
        return a->Definition()->Address() < b->Definition()->Address();
    });
    for (TkxRegister* reg : registers) {
        auto* row = new QTreeWidgetItem(FRegisters);
        row->setText(0, QStringLiteral("[%1]").arg(reg->Definition()->Address()));
        row->setText(1, TkxQString(reg->Definition()->Name()));
        row->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(reg)));
    }
    if (FReading == nullptr) {
        auto reading = std::make_unique<TkxMBChainedTransa>(device, MonitorKind);
        reading->SetTransaName("Register list");
        reading->SetComment("Reads every defined register once for the list.");
        reading->SetReadBlocks(ChainOf(*device));
        reading->TerminateIf.set(TkxMBTransaction::Always);
        FReading = device->Adopt(std::move(reading));
    }
    FReading->SetEnabled(true);
    return true;
}

void TNetworkMonitorForm::ShowRegisterValues() {
    ++FRegisterAnswers;
    for (int i = 0; i < FRegisters->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = FRegisters->topLevelItem(i);
        const auto* reg =
            reinterpret_cast<const TkxRegister*>(row->data(0, Qt::UserRole).value<quintptr>());
        row->setText(2, ValueText(*reg));
    }
}
