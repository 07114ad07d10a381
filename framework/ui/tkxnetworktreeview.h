#pragma once

#include "devices/tkxdialogprovider.h"

#include <QTreeWidget>

#include <bitset>
#include <cstdint>
#include <functional>

class QKeyEvent;
class TkxDeviceSetup;
class TkxMBNetwork;
class TkxMBThreadSetup;
class TkxMBTransaction;
class TkxMBTransactionOwner;
class TkxObject;
struct TkxNewConnectionPreset;

// What the tree leaves out: every transaction, or those the program made itself.
enum enm_NtvOption {
    ntvHideTransa,
    ntvHidePredefined,
};
using TkxNtvOptions = std::bitset<2>;

// A network as a tree: the network, its connections, their devices and the transactions of
// connections and devices, each node with a check box (on-line or enabled), a picture of its
// kind and a small overlay of its state. The nodes mirror the network and are brought up to
// date by the Refresh... calls, which the application makes from the network's events; the
// commands open the core's dialogs through the installed dialog provider. Main thread only.
class TkxNetworkTreeView : public QTreeWidget {
    Q_OBJECT
public:
    // The data of a node: the object it shows, the picture, the overlay (-1: none) and the
    // check box picture (1 empty, 2 ticked), as the icon is drawn from them.
    static constexpr int ObjectRole = Qt::UserRole;
    static constexpr int ImageRole = Qt::UserRole + 1;
    static constexpr int OverlayRole = Qt::UserRole + 2;
    static constexpr int StateImageRole = Qt::UserRole + 3;

    explicit TkxNetworkTreeView(QWidget* parent = nullptr);

    TkxMBNetwork* Network() const { return FNetwork; }
    // A different network rebuilds the tree.
    void SetNetwork(TkxMBNetwork* network);
    TkxNtvOptions Options() const { return FOptions; }
    void SetOptions(TkxNtvOptions options);
    // False: the check boxes of the network and of transactions only switch them off.
    bool OnLineMode() const { return FOnLineMode; }
    void SetOnLineMode(bool onLineMode) { FOnLineMode = onLineMode; }

    void RefreshAll(bool clear);
    // Each finds or adds the object's node and sets it from the object; null when the object
    // has no node (gone from its owner, or hidden by the options).
    QTreeWidgetItem* RefreshNetwork(TkxMBNetwork* network);
    QTreeWidgetItem* RefreshThread(TkxMBThreadSetup* setup);
    QTreeWidgetItem* RefreshDevice(TkxDeviceSetup* setup);
    QTreeWidgetItem* RefreshTransa(TkxMBTransaction* transaction);
    // The refresh that applies to the object's class.
    QTreeWidgetItem* RefreshThis(TkxObject* object);
    // Removes the object's node, if any; false only for null.
    bool RefreshErased(TkxObject* object);
    // The first node from start on (from the top when null) that shows object.
    QTreeWidgetItem* FindData(QTreeWidgetItem* start, const TkxObject* object) const;
    static TkxObject* NodeObject(const QTreeWidgetItem* node);

    // Where the node's check box lies, in viewport coordinates.
    QRect CheckBoxRect(const QTreeWidgetItem* node) const;
    // What a click on the node's check box does.
    void ToggleTreeViewCheckBoxes(QTreeWidgetItem* node);
    // The hint over a node: the network's on-line state or the object's info text.
    QString NodeHint(const QTreeWidgetItem* node) const;

    TkxMBThreadSetup* GetSelectedThread() const;
    TkxDeviceSetup* GetSelectedDevice() const;
    TkxMBTransaction* GetSelectedTransa() const;
    bool GetSelectedCanEdit() const;

    // Commands; KDlgNotEditable (1) when there is no network or nothing suitable selected,
    // else the result of the core's operation (KDlg...).
    int NewThreadSetup(TkxConnParamSet options, const TkxNewConnectionPreset& preset);
    int EditThreadSetup(TkxConnParamSet options);
    int DeleteThreadSetup();
    int NewDeviceSetup(TkxDevParamSet options, int address, int repeatTime, int maxFault);
    int EditDeviceSetup(TkxDevParamSet options);
    int DeleteDeviceSetup();
    int NewTransa(std::uint16_t options);
    int EditTransa(std::uint16_t options);
    int DeleteTransa();

    // The icon of a picture with an overlay (-1: none), drawn once and kept.
    static QIcon NodeIcon(int image, int overlay);

    // Fired after the control's own handling.
    std::function<void(TkxNetworkTreeView* sender)> OnClick;
    std::function<void(TkxNetworkTreeView* sender, QKeyEvent* event)> OnKeyPress;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    // The node of object under parent (the top when null), added and shown when missing.
    QTreeWidgetItem* NodeFor(QTreeWidgetItem* parent, TkxObject* object);
    static void SetNode(QTreeWidgetItem* node, const QString& text, bool checked, int image,
                        int overlay);
    // The node of the connection or device that owns the transaction; null when none.
    QTreeWidgetItem* TransaParentNode(TkxMBTransaction* transaction);
    void RefreshTransactions(TkxMBTransactionOwner* owner);
    bool IsHidden(const TkxMBTransaction* transaction) const;

    TkxMBNetwork* FNetwork = nullptr;
    TkxNtvOptions FOptions;
    bool FOnLineMode = false;
};
