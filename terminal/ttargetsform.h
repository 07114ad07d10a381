#pragma once

#include "tshellform.h"

#include <QString>

#include <vector>

class QEventLoop;
class QGroupBox;
class QTabBar;
class QTreeWidget;
class TkxParValue;
class TkxUserInterfaceUtils;
class TNetwork;

// The table of the drive's predefined positioning targets: their number, and one target per
// tab with its acceleration, deceleration, speed and position. The shown target is written,
// or written and saved in the drive's EEPROM, register by register. Shown modally; its content
// is rebuilt on every show, tab change, edit of the number and setup read.
class TTargetsForm : public TShellForm {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 568;
    static constexpr int DesignHeight = 252;

    explicit TTargetsForm(QWidget* parent = nullptr);
    ~TTargetsForm() override;

    void SetNetwork(TNetwork* network);
    // Shows the window modally: the drive reloads its setup, the table is rebuilt.
    void ShowModal();
    // The number of targets and the tabs from the drive, the selected tab's target listed.
    void RebuildTargets();
    // The number of targets and the shown target, written to the drive.
    void SendExecute();
    // The same, each register then also written to its EEPROM copy where it has one.
    void SaveExecute();
    void ReloadExecute();

    QAction* acClose = nullptr;
    QAction* acReload = nullptr;
    QAction* acSend = nullptr;
    QAction* acSave = nullptr;
    QGroupBox* gbTargetCount = nullptr;
    QTreeWidget* lvTargetCount = nullptr;
    QTabBar* tcTarget = nullptr;
    QTreeWidget* lvTarget = nullptr;
    TkxUserInterfaceUtils* kxInterface = nullptr;

signals:
    void Log(const QString& line);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls();
    // Widens the target list, and so the window, to show every column whole.
    void FitTargetColumns();
    // The number of targets and the parameters of the shown target, in list order.
    std::vector<TkxParValue*> ShownParameters() const;

    TNetwork* FNetwork = nullptr;
    // The loop of a modal show, ended when the window hides.
    QEventLoop* FModalLoop = nullptr;
};
