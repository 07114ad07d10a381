#pragma once

#include <QDialog>

#include <bitset>
#include <cstdint>

class QAction;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;
class TkxDeviceSlave;
class TkxMBChainedTransa;

// Fields of the transaction dialog; a member in the set locks that field or switches the
// marking off.
enum enm_TransaParams {
    tpName,
    tpComment,
    tpReadMarksLocked,
    tpReadMarkingOff,
    tpWriteMarksLocked,
    tpWriteMarkingOff,
    tpPeriod,
    tpEnabled,
    tpDestroy,
    tpTerminateList,
};
using TkxTransaParamSet = std::bitset<10>;

// The transaction dialog, "Transaction Setup": a user transaction of a device that reads and
// writes the registers marked in the list of the device's register definitions, with its
// name, comment, period, enabled flag and the results that terminate it. It makes a new
// transaction for a device or edits one the user made.
class TkxNewTransaForm : public QDialog {
    Q_OBJECT
public:
    static const QString ReadMark;
    static const QString WriteMark;

    explicit TkxNewTransaForm(QWidget* parent = nullptr);
    ~TkxNewTransaForm() override;

    // A new transaction of device; false when it has no register definitions.
    bool PresetNew(TkxDeviceSlave* device, TkxTransaParamSet options);
    // Edits a transaction the user made; false for any other.
    bool PresetEdit(TkxMBChainedTransa* transaction, TkxTransaParamSet options);
    // The transaction OK made or edited; null before.
    TkxMBChainedTransa* Result() const { return FResult; }

    // The block list of the rows marked with mark, in list order: runs of consecutive
    // addresses as "first/last", joined by ",".
    QString ChainText(const QString& mark) const;
    // Marks the selected rows; nothing when the options switch that marking off.
    void MarkSelected(const QString& mark);
    // One step of the cycle empty -> Read -> Write -> empty for the focused row.
    void CycleRow(QTreeWidgetItem* row);
    // Selects and shows the row of the register address; false when there is none.
    bool GotoRegister(const QString& address);
    // Selects the first row whose description holds text, ignoring case; false for none.
    bool SearchRegister(const QString& text);

    QTreeWidget* RegisterList() const { return FList; }
    QLineEdit* NameEdit() const { return FName; }
    QLineEdit* CommentEdit() const { return FComment; }
    QSpinBox* PeriodEdit() const { return FPeriod; }
    QCheckBox* EnabledBox() const { return FEnabled; }
    QCheckBox* DestroyBox() const { return FDestroy; }
    QListWidget* TerminateList() const { return FTerminate; }
    QAction* ReadAction() const { return FReadAction; }
    QAction* WriteAction() const { return FWriteAction; }
    QAction* ClearAction() const { return FClearAction; }

public slots:
    void accept() override;

private:
    void Fill(TkxDeviceSlave* device, const TkxMBChainedTransa* transaction);
    void Paint();
    void UpdateActions();
    bool MayMark(const QTreeWidgetItem* row, const QString& mark) const;
    void AskGoto();
    void AskSearch();

    TkxDeviceSlave* FDevice = nullptr;
    TkxMBChainedTransa* FEdited = nullptr;
    TkxMBChainedTransa* FResult = nullptr;
    TkxTransaParamSet FOptions;

    QTreeWidget* FList;
    QLineEdit* FName;
    QLineEdit* FComment;
    QSpinBox* FPeriod;
    QCheckBox* FEnabled;
    QCheckBox* FDestroy;
    QListWidget* FTerminate;
    QAction* FReadAction;
    QAction* FWriteAction;
    QAction* FClearAction;
};
