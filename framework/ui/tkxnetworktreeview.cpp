#include "ui/tkxnetworktreeview.h"

#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxdeviceslavecls.h"
#include "devices/tkxmbnetworkcmp.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxmbthreadbindingcls.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "modbus/tkxmbthreadthr.h"
#include "modbus/tkxmbtransactioncls.h"
#include "registers/tkxtextresourcecls.h"
#include "ui/tkxnewtransaform.h"
#include "ui/tkxqtconvert.h"

#include <QHash>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QToolTip>

#include <array>

namespace {

constexpr int NoOverlay = -1;
constexpr const char* ConnectionElementName = "modbus_connection";

// The pictures the overlays 0..13 show: the program's own transactions (0), cut off (1, 2),
// one per state of the shared scale (3..12) and the unknown device (13).
constexpr std::array<int, 14> OverlayPictures = {21, 19, 20, 9,  10, 12, 8,
                                                 13, 17, 17, 16, 19, 22, 18};

QColor OverlayColor(int picture) {
    switch (picture) {
    case 8:
        return QColor(40, 170, 60); // running
    case 9:
        return QColor(150, 150, 150); // off-line
    case 10:
        return QColor(235, 235, 235); // disabled
    case 12:
        return QColor(250, 210, 40); // starting
    case 13:
        return QColor(240, 140, 30); // stopping
    case 16:
        return QColor(150, 60, 180); // setup error
    case 17:
        return QColor(215, 40, 40); // error
    case 18:
        return QColor(60, 110, 220); // unknown device
    case 19:
        return QColor(120, 40, 40); // cut off
    case 20:
        return QColor(120, 40, 120); // the program's own, cut off
    case 21:
        return QColor(90, 150, 230); // the program's own
    default:
        return QColor(0, 0, 0); // not registered (22)
    }
}

// The pictures of the nodes, drawn on a 16 x 16 square: a connection idle (1) and active (2),
// a device (3), a transaction idle (4), running (5) and failing (6), and the network (7).
void DrawImage(QPainter& painter, int image) {
    painter.setPen(QPen(QColor(60, 60, 60), 1));
    switch (image) {
    case 1:
    case 2:
        painter.setBrush(image == 2 ? QColor(100, 180, 240) : QColor(190, 190, 190));
        painter.drawRect(2, 5, 11, 6);
        painter.drawLine(0, 8, 2, 8);
        painter.drawLine(13, 8, 15, 8);
        break;
    case 3:
        painter.setBrush(QColor(230, 200, 120));
        painter.drawRect(3, 1, 9, 13);
        painter.setBrush(QColor(60, 60, 60));
        painter.drawRect(5, 3, 5, 3);
        break;
    case 4:
    case 5:
    case 6: {
        const QColor fill = image == 5   ? QColor(120, 210, 120)
                            : image == 6 ? QColor(240, 120, 120)
                                         : QColor(220, 220, 220);
        painter.setBrush(fill);
        painter.drawEllipse(2, 2, 11, 11);
        painter.drawLine(7, 7, 7, 4);
        painter.drawLine(7, 7, 10, 7);
        break;
    }
    case 7:
        painter.setBrush(QColor(120, 160, 220));
        painter.drawEllipse(4, 0, 7, 7);
        painter.drawLine(7, 7, 7, 10);
        painter.drawLine(2, 10, 13, 10);
        painter.drawRect(0, 11, 4, 4);
        painter.drawRect(11, 11, 4, 4);
        break;
    default:
        break;
    }
}

TkxMBThread* ThreadOf(const TkxMBThreadSetup& setup) {
    auto* binding = dynamic_cast<TkxMBThreadBinding*>(setup.Thread());
    return binding != nullptr ? &binding->Thread() : nullptr;
}

} // namespace

TkxNetworkTreeView::TkxNetworkTreeView(QWidget* parent)
    : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setMouseTracking(true);
}

void TkxNetworkTreeView::SetNetwork(TkxMBNetwork* network) {
    if (network == FNetwork) {
        return;
    }
    FNetwork = network;
    RefreshAll(true);
}

void TkxNetworkTreeView::SetOptions(TkxNtvOptions options) {
    FOptions = options;
    RefreshAll(false);
}

void TkxNetworkTreeView::RefreshAll(bool clear) {
    setUpdatesEnabled(false);
    if (clear) {
        this->clear();
    }
    if (FNetwork != nullptr) {
        RefreshNetwork(FNetwork);
        const TkxXmlElement* root = FNetwork->Root();
        const TkxXmlElement* network = root == nullptr ? nullptr
                                       : AnsiSameText(root->Name(), "modbus_network")
                                           ? root
                                           : root->FindChild("modbus_network", true);
        for (int i = 0; network != nullptr && i < network->ChildCount(); ++i) {
            auto* connection = dynamic_cast<TkxMBThreadSetup*>(network->Child(i));
            if (connection != nullptr && AnsiSameText(connection->Name(), ConnectionElementName)) {
                RefreshThread(connection);
            }
        }
    }
    setUpdatesEnabled(true);
}

TkxObject* TkxNetworkTreeView::NodeObject(const QTreeWidgetItem* node) {
    if (node == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<TkxObject*>(node->data(0, ObjectRole).value<quintptr>());
}

QTreeWidgetItem* TkxNetworkTreeView::FindData(QTreeWidgetItem* start,
                                              const TkxObject* object) const {
    if (object == nullptr) {
        return nullptr;
    }
    auto* self = const_cast<TkxNetworkTreeView*>(this);
    QTreeWidgetItemIterator it =
        start != nullptr ? QTreeWidgetItemIterator(start) : QTreeWidgetItemIterator(self);
    for (; *it != nullptr; ++it) {
        if (NodeObject(*it) == object) {
            return *it;
        }
    }
    return nullptr;
}

QTreeWidgetItem* TkxNetworkTreeView::NodeFor(QTreeWidgetItem* parent, TkxObject* object) {
    QTreeWidgetItem* node = FindData(nullptr, object);
    if (node == nullptr) {
        node = new QTreeWidgetItem();
        node->setData(0, ObjectRole, QVariant::fromValue(reinterpret_cast<quintptr>(object)));
        if (parent != nullptr) {
            parent->addChild(node);
        } else {
            addTopLevelItem(node);
        }
        scrollToItem(node);
    }
    return node;
}

void TkxNetworkTreeView::SetNode(QTreeWidgetItem* node, const QString& text, bool checked,
                                 int image, int overlay) {
    node->setText(0, text);
    node->setData(0, Qt::CheckStateRole, checked ? Qt::Checked : Qt::Unchecked);
    node->setData(0, StateImageRole, checked ? 2 : 1);
    node->setData(0, ImageRole, image);
    node->setData(0, OverlayRole, overlay);
    node->setIcon(0, NodeIcon(image, overlay));
    // The check box follows the object; clicks on it go through ToggleTreeViewCheckBoxes.
    node->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
}

QTreeWidgetItem* TkxNetworkTreeView::RefreshNetwork(TkxMBNetwork* network) {
    if (network == nullptr) {
        return nullptr;
    }
    QTreeWidgetItem* node = NodeFor(nullptr, network);
    const bool onLine = network->OnLine();
    SetNode(node, QStringLiteral("ModBus_Network"), onLine, 7, onLine ? NoOverlay : 3);
    return node;
}

QTreeWidgetItem* TkxNetworkTreeView::RefreshThread(TkxMBThreadSetup* setup) {
    if (setup == nullptr) {
        return nullptr;
    }
    auto* network = dynamic_cast<TkxObject*>(setup->GetNetwork());
    if (network == nullptr) {
        RefreshErased(setup);
        return nullptr;
    }
    QTreeWidgetItem* node = NodeFor(FindData(nullptr, network), setup);
    const int state = setup->GetState();
    SetNode(node, TkxQString(setup->ThreadName()), setup->Enabled(),
            state != TkxState::OffLine && state != TkxState::Disabled ? 2 : 1, state + 3);
    if (TkxMBThread* thread = ThreadOf(*setup)) {
        RefreshTransactions(thread);
    }
    for (int i = 0; i < setup->ChildCount(); ++i) {
        if (auto* device = dynamic_cast<TkxDeviceSetup*>(setup->Child(i))) {
            RefreshDevice(device);
        }
    }
    return node;
}

QTreeWidgetItem* TkxNetworkTreeView::RefreshDevice(TkxDeviceSetup* setup) {
    if (setup == nullptr) {
        return nullptr;
    }
    TkxMBThreadSetup* connection = setup->GetThreadSetup();
    if (connection == nullptr) {
        RefreshErased(setup);
        return nullptr;
    }
    QTreeWidgetItem* node = NodeFor(FindData(nullptr, connection), setup);
    const QString text = QStringLiteral("[%1] %2")
                             .arg(setup->DeviceAddr(), 3, 10, QLatin1Char('0'))
                             .arg(TkxQString(setup->DeviceName()));
    SetNode(node, text, setup->Enabled(), 3, setup->GetState() + 3);
    if (TkxDeviceSlave* device = setup->Device()) {
        RefreshTransactions(device);
    }
    return node;
}

void TkxNetworkTreeView::RefreshTransactions(TkxMBTransactionOwner* owner) {
    TkxMBTransactionOwner::TransactionList::Locked list(owner->Transactions());
    for (const auto& transaction : list.Items()) {
        RefreshTransa(transaction.get());
    }
}

bool TkxNetworkTreeView::IsHidden(const TkxMBTransaction* transaction) const {
    return FOptions.test(ntvHideTransa) ||
           (FOptions.test(ntvHidePredefined) && !transaction->IsUserDefined());
}

QTreeWidgetItem* TkxNetworkTreeView::TransaParentNode(TkxMBTransaction* transaction) {
    TkxMBTransactionOwner* owner = transaction->GetOwner();
    if (auto* device = dynamic_cast<TkxDeviceSlave*>(owner)) {
        return FindData(nullptr, &device->GetSetup());
    }
    // A thread's own transaction hangs under the connection whose thread it is.
    for (QTreeWidgetItemIterator it(this); *it != nullptr; ++it) {
        auto* connection = dynamic_cast<TkxMBThreadSetup*>(NodeObject(*it));
        if (connection != nullptr && owner != nullptr && ThreadOf(*connection) == owner) {
            return *it;
        }
    }
    return nullptr;
}

QTreeWidgetItem* TkxNetworkTreeView::RefreshTransa(TkxMBTransaction* transaction) {
    if (transaction == nullptr) {
        return nullptr;
    }
    TkxMBTransactionOwner* owner = transaction->GetOwner();
    if (owner == nullptr || !owner->HasTransaction(transaction) || IsHidden(transaction)) {
        RefreshErased(transaction);
        return nullptr;
    }
    QTreeWidgetItem* node = NodeFor(TransaParentNode(transaction), transaction);
    const int state = transaction->GetState();
    const int image = state == TkxState::Running                              ? 5
                      : state == TkxState::Error || state == TkxState::CutOff ? 6
                                                                              : 4;
    const bool cutOff = transaction->IsCutOff();
    const int overlay = !transaction->IsUserDefined() ? (cutOff ? 2 : 0) : (cutOff ? 1 : NoOverlay);
    SetNode(node, TkxQString(transaction->GetTransaName()), transaction->IsEnabled(), image,
            overlay);
    return node;
}

QTreeWidgetItem* TkxNetworkTreeView::RefreshThis(TkxObject* object) {
    if (auto* network = dynamic_cast<TkxMBNetwork*>(object)) {
        return RefreshNetwork(network);
    }
    if (auto* connection = dynamic_cast<TkxMBThreadSetup*>(object)) {
        return RefreshThread(connection);
    }
    if (auto* device = dynamic_cast<TkxDeviceSetup*>(object)) {
        return RefreshDevice(device);
    }
    if (auto* transaction = dynamic_cast<TkxMBTransaction*>(object)) {
        return RefreshTransa(transaction);
    }
    return nullptr;
}

bool TkxNetworkTreeView::RefreshErased(TkxObject* object) {
    if (object == nullptr) {
        return false;
    }
    delete FindData(nullptr, object);
    return true;
}

void TkxNetworkTreeView::ToggleTreeViewCheckBoxes(QTreeWidgetItem* node) {
    TkxObject* object = NodeObject(node);
    if (auto* connection = dynamic_cast<TkxMBThreadSetup*>(object)) {
        connection->SetEnabled(!connection->Enabled());
    } else if (auto* device = dynamic_cast<TkxDeviceSetup*>(object)) {
        device->SetEnabled(!device->Enabled());
    } else if (auto* network = dynamic_cast<TkxMBNetwork*>(object)) {
        network->SetOnLine(FOnLineMode && !network->OnLine());
    } else if (auto* transaction = dynamic_cast<TkxMBTransaction*>(object)) {
        transaction->SetEnabled(FOnLineMode && !transaction->IsEnabled());
    }
}

QString TkxNetworkTreeView::NodeHint(const QTreeWidgetItem* node) const {
    TkxObject* object = NodeObject(node);
    if (auto* network = dynamic_cast<TkxMBNetwork*>(object)) {
        return network->OnLine() ? QStringLiteral("On-Line") : QStringLiteral("Off-Line");
    }
    if (auto* connection = dynamic_cast<TkxMBThreadSetup*>(object)) {
        return TkxQString(connection->GetInfo());
    }
    if (auto* device = dynamic_cast<TkxDeviceSetup*>(object)) {
        return TkxQString(device->GetInfo());
    }
    if (auto* transaction = dynamic_cast<TkxMBTransaction*>(object)) {
        return TkxQString(transaction->GetInfo());
    }
    return {};
}

TkxMBThreadSetup* TkxNetworkTreeView::GetSelectedThread() const {
    return dynamic_cast<TkxMBThreadSetup*>(NodeObject(currentItem()));
}

TkxDeviceSetup* TkxNetworkTreeView::GetSelectedDevice() const {
    return dynamic_cast<TkxDeviceSetup*>(NodeObject(currentItem()));
}

TkxMBTransaction* TkxNetworkTreeView::GetSelectedTransa() const {
    return dynamic_cast<TkxMBTransaction*>(NodeObject(currentItem()));
}

bool TkxNetworkTreeView::GetSelectedCanEdit() const {
    if (FNetwork == nullptr) {
        return false;
    }
    if (TkxMBThreadSetup* connection = GetSelectedThread()) {
        return connection->CanEdit();
    }
    if (TkxDeviceSetup* device = GetSelectedDevice()) {
        return device->CanEdit();
    }
    if (TkxMBTransaction* transaction = GetSelectedTransa()) {
        return transaction->IsUserDefined();
    }
    return false;
}

int TkxNetworkTreeView::NewThreadSetup(TkxConnParamSet options,
                                       const TkxNewConnectionPreset& preset) {
    if (FNetwork == nullptr) {
        return KDlgNotEditable;
    }
    return FNetwork->NewThreadSetupDlg(options, preset);
}

int TkxNetworkTreeView::EditThreadSetup(TkxConnParamSet options) {
    TkxMBThreadSetup* connection = GetSelectedThread();
    if (FNetwork == nullptr || connection == nullptr) {
        return KDlgNotEditable;
    }
    return connection->EditDlg(options);
}

int TkxNetworkTreeView::DeleteThreadSetup() {
    TkxMBThreadSetup* connection = GetSelectedThread();
    if (FNetwork == nullptr || connection == nullptr) {
        return KDlgNotEditable;
    }
    return FNetwork->DeleteThreadSetupDlg(connection) ? KDlgDone : KDlgNotEditable;
}

int TkxNetworkTreeView::NewDeviceSetup(TkxDevParamSet options, int address, int repeatTime,
                                       int maxFault) {
    TkxMBThreadSetup* connection = GetSelectedThread();
    if (FNetwork == nullptr || connection == nullptr) {
        return KDlgNotEditable;
    }
    return connection->NewDeviceDlg(options, address, repeatTime, maxFault);
}

int TkxNetworkTreeView::EditDeviceSetup(TkxDevParamSet options) {
    TkxDeviceSetup* device = GetSelectedDevice();
    if (FNetwork == nullptr || device == nullptr) {
        return KDlgNotEditable;
    }
    return device->EditDlg(options);
}

int TkxNetworkTreeView::DeleteDeviceSetup() {
    TkxDeviceSetup* device = GetSelectedDevice();
    if (FNetwork == nullptr || device == nullptr || device->GetThreadSetup() == nullptr) {
        return KDlgNotEditable;
    }
    return device->GetThreadSetup()->DeleteDevice(device) ? KDlgDone : KDlgNotEditable;
}

int TkxNetworkTreeView::NewTransa(std::uint16_t options) {
    TkxDeviceSetup* setup = GetSelectedDevice();
    if (FNetwork == nullptr || setup == nullptr || setup->Device() == nullptr) {
        return KDlgNotEditable;
    }
    TkxNewTransaForm form(this);
    if (!form.PresetNew(setup->Device(), TkxTransaParamSet(options))) {
        return KDlgNotEditable;
    }
    return form.exec() == QDialog::Accepted ? KDlgDone : KDlgCancelled;
}

int TkxNetworkTreeView::EditTransa(std::uint16_t options) {
    TkxMBTransaction* transaction = GetSelectedTransa();
    if (FNetwork == nullptr || transaction == nullptr) {
        return KDlgNotEditable;
    }
    // The transactions the user makes are edited in the transaction dialog; the others offer
    // what their class offers.
    auto* chained = dynamic_cast<TkxMBChainedTransa*>(transaction);
    TkxNewTransaForm form(this);
    if (chained == nullptr || !form.PresetEdit(chained, TkxTransaParamSet(options))) {
        return transaction->EditDlg(options);
    }
    return form.exec() == QDialog::Accepted ? KDlgDone : KDlgCancelled;
}

int TkxNetworkTreeView::DeleteTransa() {
    TkxMBTransaction* transaction = GetSelectedTransa();
    if (FNetwork == nullptr || transaction == nullptr || !transaction->IsUserDefined() ||
        transaction->GetOwner() == nullptr) {
        return KDlgNotEditable;
    }
    return transaction->GetOwner()->DestroyTransaction(transaction) ? KDlgDone : KDlgNotEditable;
}

QIcon TkxNetworkTreeView::NodeIcon(int image, int overlay) {
    static QHash<int, QIcon> icons;
    const int key = image * 100 + overlay + 1;
    const auto found = icons.constFind(key);
    if (found != icons.constEnd()) {
        return *found;
    }
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawImage(painter, image);
    if (overlay >= 0 && overlay < static_cast<int>(OverlayPictures.size())) {
        painter.setPen(QPen(QColor(40, 40, 40), 1));
        painter.setBrush(OverlayColor(OverlayPictures.at(static_cast<std::size_t>(overlay))));
        painter.drawEllipse(QRectF(8.5, 8.5, 6.5, 6.5));
    }
    painter.end();
    const QIcon icon(pixmap);
    icons.insert(key, icon);
    return icon;
}

QRect TkxNetworkTreeView::CheckBoxRect(const QTreeWidgetItem* node) const {
    if (node == nullptr) {
        return {};
    }
    const QModelIndex index = indexFromItem(node);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.features |=
        QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration;
    option.decorationSize = iconSize().isValid() ? iconSize() : QSize(16, 16);
    return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
}

void TkxNetworkTreeView::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    QTreeWidgetItem* node = itemAt(event->position().toPoint());
    if (node != nullptr && event->button() == Qt::LeftButton &&
        CheckBoxRect(node).contains(event->position().toPoint())) {
        setCurrentItem(node);
        ToggleTreeViewCheckBoxes(node);
    }
    if (OnClick) {
        OnClick(this);
    }
}

void TkxNetworkTreeView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (currentItem() != nullptr) {
            ToggleTreeViewCheckBoxes(currentItem());
        }
        event->accept();
    } else {
        QTreeWidget::keyPressEvent(event);
    }
    if (OnKeyPress) {
        OnKeyPress(this, event);
    }
}

bool TkxNetworkTreeView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString hint = NodeHint(itemAt(help->pos()));
        if (hint.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), hint, viewport());
        }
        return true;
    }
    return QTreeWidget::viewportEvent(event);
}
