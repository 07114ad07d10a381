#pragma once

#include <QMainWindow>

#include <memory>

class QAction;
class QLabel;
class QPlainTextEdit;
class QTreeWidget;
class TkxDeviceSetup;
class TkxMBChainedTransa;
class TkxMBContext;
class TkxMBNetwork;
class TkxMBTransaction;
class TkxNetworkTreeView;
class TkxObject;

// The network monitor: a network built by hand or read from a layout file, shown as a tree
// whose state icons, transactions and errors follow the network's events; connections and
// devices are added and edited through the core's dialogs, the network goes on-line as a
// whole, and the registers of an identified device are read once into a list. Main thread
// only.
class TNetworkMonitorForm : public QMainWindow {
    Q_OBJECT
public:
    // The connections make their threads and lines through context (null: a fresh one). The
    // definition files are searched in definitionFolder.
    explicit TNetworkMonitorForm(const QString& definitionFolder,
                                 std::shared_ptr<TkxMBContext> context = nullptr,
                                 QWidget* parent = nullptr);
    ~TNetworkMonitorForm() override;

    TkxMBNetwork& Network() const { return *FNetwork; }
    TkxNetworkTreeView* Tree() const { return FTree; }
    QTreeWidget* RegisterList() const { return FRegisters; }
    QPlainTextEdit* Log() const { return FLog; }
    QAction* OnLineAction() const { return FOnLine; }

    // Takes the network off-line and reads the layout; false, with the network as it was and
    // the reason in the log, when the file cannot be read. What the layout held that the
    // network left out is logged.
    bool OpenLayout(const QString& path);
    // False, with the reason in the log, when the file cannot be written.
    bool SaveLayout(const QString& path);
    void SetOnLine(bool onLine);
    // Reads every defined register of the device once, without waiting for the line; the
    // list shows the definitions at once and the values when the answer arrives. False when
    // the device is not identified.
    bool ReadRegisters(TkxDeviceSetup* setup);
    // How many answers of register reads the list has shown.
    int RegisterAnswers() const { return FRegisterAnswers; }

private:
    void BuildActions();
    void Follow();
    void Note(const QString& line);
    void ShowRegisterValues();
    void UpdateActions();
    void ShowCommandResult(const QString& what, int result);
    void Forget(TkxObject* object);
    // The object's node, and the node of the device whose state it may have changed.
    void Refresh(TkxObject* object);

    std::unique_ptr<TkxMBNetwork> FNetwork;
    TkxNetworkTreeView* FTree;
    QTreeWidget* FRegisters;
    QPlainTextEdit* FLog;
    QLabel* FStatus;
    QAction* FOnLine = nullptr;
    QAction* FEdit = nullptr;
    QAction* FDelete = nullptr;
    QAction* FNewDevice = nullptr;
    QAction* FNewTransa = nullptr;
    QAction* FRead = nullptr;
    QString FLayoutPath;
    // The one-shot read of the device whose registers the list shows; it belongs to the
    // device and is forgotten when the network reports it gone.
    TkxMBChainedTransa* FReading = nullptr;
    int FRegisterAnswers = 0;
};
