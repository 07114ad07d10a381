#include "ui/tkxnetworktreeview.h"

#include "devices/tkxdeviceqxdrvcls.h"
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxmbnetworkcmp.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "support/tkxofflinedrive.h"
#include "ui/tkxuitest.h"

#include <QTest>

#include <memory>

namespace {

const std::string DataFolder = std::string(TKX_SOURCE_DIR) + "/data";

// A drive made offline shown in a tree that follows the network's events, as an application
// wires it.
struct ShownDrive {
    TkxOfflineDrive Offline{DataFolder, "QX460v410"};
    TkxNetworkTreeView Tree;

    ShownDrive() {
        TkxMBNetwork& network = Offline.Network();
        const auto refresh = [this](TkxMBNetwork*, TkxObject* object) { Tree.RefreshThis(object); };
        network.OnNetSetupAdd = refresh;
        network.OnNetSetupChange = refresh;
        network.OnNetStateChange = refresh;
        network.OnNetSetupDel = [this](TkxMBNetwork*, TkxObject* object) {
            Tree.RefreshErased(object);
        };
        Tree.resize(400, 500);
        Tree.SetNetwork(&network);
        Tree.expandAll();
    }
    ~ShownDrive() {
        TkxMBNetwork& network = Offline.Network();
        network.OnNetSetupAdd = nullptr;
        network.OnNetSetupChange = nullptr;
        network.OnNetStateChange = nullptr;
        network.OnNetSetupDel = nullptr;
    }

    TkxMBThreadSetup& Connection() { return *Offline.Setup().GetThreadSetup(); }
    QTreeWidgetItem* Node(const TkxObject* object) { return Tree.FindData(nullptr, object); }
    // A transaction of the user on the drive, reading one register.
    TkxMBChainedTransa* AddUserTransa() {
        auto transaction = std::make_unique<TkxMBChainedTransa>(&Offline.Drive(), 0);
        transaction->SetTransaName("mine");
        transaction->SetReadBlock(10, 1);
        return Offline.Drive().Adopt(std::move(transaction));
    }
    int TransaNodes() {
        int count = 0;
        for (QTreeWidgetItemIterator it(&Tree); *it != nullptr; ++it) {
            count +=
                dynamic_cast<TkxMBTransaction*>(TkxNetworkTreeView::NodeObject(*it)) != nullptr;
        }
        return count;
    }
};

int Overlay(const QTreeWidgetItem* node) {
    return node->data(0, TkxNetworkTreeView::OverlayRole).toInt();
}
int Image(const QTreeWidgetItem* node) {
    return node->data(0, TkxNetworkTreeView::ImageRole).toInt();
}
int StateImage(const QTreeWidgetItem* node) {
    return node->data(0, TkxNetworkTreeView::StateImageRole).toInt();
}

} // namespace

class TkxNetworkTreeViewTest : public QObject {
    Q_OBJECT
private slots:
    void NodesShowTheirObjectsByTheTable() {
        ShownDrive shown;
        QTreeWidgetItem* root = shown.Tree.topLevelItem(0);
        QCOMPARE(shown.Tree.topLevelItemCount(), 1);
        QCOMPARE(root->text(0), QStringLiteral("ModBus_Network"));
        QCOMPARE(StateImage(root), 1);
        QCOMPARE(Image(root), 7);
        QCOMPARE(Overlay(root), 3);

        QTreeWidgetItem* line = shown.Node(&shown.Connection());
        QVERIFY(line != nullptr);
        QCOMPARE(line->parent(), root);
        QCOMPARE(line->text(0), QStringLiteral("OFFLINE"));
        QCOMPARE(StateImage(line), 1);
        QCOMPARE(Image(line), 1);
        QCOMPARE(Overlay(line), shown.Connection().GetState() + 3);
        QCOMPARE(line->checkState(0), Qt::Unchecked);

        QTreeWidgetItem* device = shown.Node(&shown.Offline.Setup());
        QCOMPARE(device->parent(), line);
        QCOMPARE(device->text(0), QStringLiteral("[001] drive"));
        QCOMPARE(Image(device), 3);
        shown.Offline.Setup().SetDeviceAddr(7);
        shown.Offline.Setup().SetDeviceName("Pump");
        QCOMPARE(device->text(0), QStringLiteral("[007] Pump"));
        QCOMPARE(Overlay(device), shown.Offline.Setup().GetState() + 3);

        // The drive's own transactions are shown under it with the program's overlay.
        QVERIFY(device->childCount() > 0);
        for (int i = 0; i < device->childCount(); ++i) {
            QCOMPARE(Overlay(device->child(i)), 0);
        }
        TkxMBChainedTransa* mine = shown.AddUserTransa();
        QTreeWidgetItem* node = shown.Node(mine);
        QVERIFY(node != nullptr);
        QCOMPARE(node->parent(), device);
        QCOMPARE(node->text(0), QStringLiteral("mine"));
        QCOMPARE(Overlay(node), -1);
        QCOMPARE(StateImage(node), 1);
        QCOMPARE(Image(node), 4);
        mine->SetEnabled(true);
        QCOMPARE(StateImage(node), 2);
        QCOMPARE(Image(node), 5);
    }

    void OptionsHideTransactions() {
        ShownDrive shown;
        const int all = shown.TransaNodes();
        TkxMBChainedTransa* mine = shown.AddUserTransa();
        QCOMPARE(shown.TransaNodes(), all + 1);

        shown.Tree.SetOptions(TkxNtvOptions().set(ntvHidePredefined));
        QCOMPARE(shown.TransaNodes(), 1);
        QVERIFY(shown.Node(mine) != nullptr);
        shown.Tree.SetOptions(TkxNtvOptions().set(ntvHideTransa));
        QCOMPARE(shown.TransaNodes(), 0);
        QCOMPARE(shown.Tree.RefreshTransa(mine), nullptr);
        QCOMPARE(shown.TransaNodes(), 0);
        shown.Tree.SetOptions({});
        QCOMPARE(shown.TransaNodes(), all + 1);
    }

    void NetworkCheckBoxOnlySwitchesOffWithoutOnLineMode() {
        ShownDrive shown;
        TkxMBNetwork& network = shown.Offline.Network();
        network.SetOnLine(true);
        QTreeWidgetItem* root = shown.Tree.topLevelItem(0);
        QCOMPARE(StateImage(root), 2);
        QCOMPARE(Overlay(root), -1);

        const QPoint box = shown.Tree.CheckBoxRect(root).center();
        QTest::mouseClick(shown.Tree.viewport(), Qt::LeftButton, {}, box);
        QVERIFY(!network.OnLine());
        QCOMPARE(StateImage(root), 1);
        QTest::mouseClick(shown.Tree.viewport(), Qt::LeftButton, {}, box);
        QVERIFY(!network.OnLine());

        shown.Tree.SetOnLineMode(true);
        QTest::mouseClick(shown.Tree.viewport(), Qt::LeftButton, {}, box);
        QVERIFY(network.OnLine());
        network.SetOnLine(false);
    }

    void ClickOnTheTextSelectsWithoutToggling() {
        ShownDrive shown;
        QTreeWidgetItem* line = shown.Node(&shown.Connection());
        int clicks = 0;
        shown.Tree.OnClick = [&](TkxNetworkTreeView*) { ++clicks; };
        QTest::mouseClick(shown.Tree.viewport(), Qt::LeftButton, {},
                          shown.Tree.visualItemRect(line).center() + QPoint(30, 0));
        QCOMPARE(shown.Tree.GetSelectedThread(), &shown.Connection());
        QVERIFY(!shown.Connection().Enabled());
        QCOMPARE(clicks, 1);
    }

    void BlankTogglesTheSelectedNodeAndIsConsumed() {
        ShownDrive shown;
        TkxMBChainedTransa* mine = shown.AddUserTransa();
        bool seenAccepted = false;
        shown.Tree.OnKeyPress = [&](TkxNetworkTreeView*, QKeyEvent* event) {
            seenAccepted = event->isAccepted();
        };
        shown.Tree.setCurrentItem(shown.Node(&shown.Offline.Setup()));
        QTest::keyClick(&shown.Tree, Qt::Key_Space);
        QVERIFY(shown.Offline.Setup().Enabled());
        QVERIFY(seenAccepted);
        QCOMPARE(StateImage(shown.Node(&shown.Offline.Setup())), 2);
        QTest::keyClick(&shown.Tree, Qt::Key_Space);
        QVERIFY(!shown.Offline.Setup().Enabled());

        // A transaction is switched on only in on-line mode.
        shown.Tree.setCurrentItem(shown.Node(mine));
        QTest::keyClick(&shown.Tree, Qt::Key_Space);
        QVERIFY(!mine->IsEnabled());
        shown.Tree.SetOnLineMode(true);
        QTest::keyClick(&shown.Tree, Qt::Key_Space);
        QVERIFY(mine->IsEnabled());
        QTest::keyClick(&shown.Tree, Qt::Key_Space);
        QVERIFY(!mine->IsEnabled());
    }

    void HintsNameTheStateOrTheObjectsInfo() {
        ShownDrive shown;
        TkxMBChainedTransa* mine = shown.AddUserTransa();
        QCOMPARE(shown.Tree.NodeHint(shown.Tree.topLevelItem(0)), QStringLiteral("Off-Line"));
        QCOMPARE(shown.Tree.NodeHint(shown.Node(&shown.Connection())),
                 QString::fromStdString(shown.Connection().GetInfo()));
        QCOMPARE(shown.Tree.NodeHint(shown.Node(&shown.Offline.Setup())),
                 QString::fromStdString(shown.Offline.Setup().GetInfo()));
        QCOMPARE(shown.Tree.NodeHint(shown.Node(mine)), QString::fromStdString(mine->GetInfo()));
        QCOMPARE(shown.Tree.NodeHint(nullptr), QString());
    }

    void CommandsNeedANetworkAndASuitableSelection() {
        TkxNetworkTreeView empty;
        QCOMPARE(empty.NewThreadSetup({}, {}), KDlgNotEditable);
        QCOMPARE(empty.DeleteTransa(), KDlgNotEditable);
        QVERIFY(!empty.GetSelectedCanEdit());

        ShownDrive shown;
        QCOMPARE(shown.Tree.EditThreadSetup({}), KDlgNotEditable);
        QCOMPARE(shown.Tree.NewDeviceSetup({}, 2, 2000, 0), KDlgNotEditable);
        QCOMPARE(shown.Tree.EditDeviceSetup({}), KDlgNotEditable);
        QCOMPARE(shown.Tree.DeleteDeviceSetup(), KDlgNotEditable);
        QCOMPARE(shown.Tree.EditTransa(0), KDlgNotEditable);
        shown.Tree.setCurrentItem(shown.Node(&shown.Connection()));
        QCOMPARE(shown.Tree.NewTransa(0), KDlgNotEditable);
        QVERIFY(shown.Tree.GetSelectedCanEdit());
        QCOMPARE(shown.Tree.GetSelectedDevice(), nullptr);
    }

    void DeletingRemovesOnlyWhatMayGo() {
        ShownDrive shown;
        TkxMBThreadSetup& connection = shown.Connection();
        TkxMBChainedTransa* mine = shown.AddUserTransa();
        QTreeWidgetItem* device = shown.Node(&shown.Offline.Setup());
        QTreeWidgetItem* predefined = device->child(0);
        QVERIFY(predefined != shown.Node(mine));
        shown.Tree.setCurrentItem(predefined);
        QVERIFY(!shown.Tree.GetSelectedCanEdit());
        QCOMPARE(shown.Tree.DeleteTransa(), KDlgNotEditable);

        shown.Tree.setCurrentItem(shown.Node(mine));
        QVERIFY(shown.Tree.GetSelectedCanEdit());
        QCOMPARE(shown.Tree.DeleteTransa(), KDlgDone);
        QCOMPARE(shown.Node(mine), nullptr);

        shown.Tree.setCurrentItem(device);
        QCOMPARE(shown.Tree.DeleteDeviceSetup(), KDlgDone);
        QCOMPARE(connection.FindDevice("drive"), nullptr);
        QCOMPARE(shown.TransaNodes(), 0);
        QCOMPARE(shown.Node(&connection)->childCount(), 0);

        shown.Tree.setCurrentItem(shown.Node(&connection));
        QCOMPARE(shown.Tree.DeleteThreadSetup(), KDlgDone);
        QCOMPARE(shown.Tree.topLevelItem(0)->childCount(), 0);
    }

    void NodesOfObjectsGoneFromTheirOwnersAreDropped() {
        ShownDrive shown;
        // A device setup taken out of its connection without the network hearing it.
        TkxDeviceSetup& setup = shown.Offline.Setup();
        std::unique_ptr<TkxXmlElement> detached = setup.Detach();
        QCOMPARE(shown.Tree.RefreshDevice(&setup), nullptr);
        QCOMPARE(shown.Node(&setup), nullptr);
        QVERIFY(!shown.Tree.RefreshErased(nullptr));
        QVERIFY(shown.Tree.RefreshErased(&setup));
    }

    void AnotherNetworkRebuildsTheTree() {
        ShownDrive shown;
        TkxMBNetwork other;
        shown.Tree.SetNetwork(&other);
        QCOMPARE(shown.Tree.topLevelItemCount(), 1);
        QCOMPARE(shown.Tree.topLevelItem(0)->childCount(), 0);
        QCOMPARE(TkxNetworkTreeView::NodeObject(shown.Tree.topLevelItem(0)),
                 static_cast<TkxObject*>(&other));
        shown.Tree.SetNetwork(nullptr);
        QCOMPARE(shown.Tree.topLevelItemCount(), 0);
    }
};

TKX_UI_TEST(TkxNetworkTreeViewTest);
#include "tkxnetworktreeview_test.moc"
