#pragma once

#include "tshellform.h"

#include <functional>

class QGroupBox;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TkxCheckBox;
class TkxDeviceQXDRV;
class TkxParValue;
class TkxUserInterfaceUtils;
class TNetwork;

// The remote control of the running drive: steps of the main and secondary references, the
// positioning values, the command bits and the hardware and virtual inputs. Every change the
// user makes here reaches the drive at once through the network module's write of watched
// parameters. A tool window sized to its content, bound anew for every drive.
class TControlForm : public TShellForm {
    Q_OBJECT
public:
    // The step of the reference actions, in the reference's own units.
    static constexpr double RefStep = 0.01;
    // Alternating row colours of the hardware inputs (0x00BBGGRR).
    static constexpr std::uint32_t InputEvenColor = 0xFFC8C0;
    static constexpr std::uint32_t InputOddColor = 0xFFE8E0;
    // The large button that also steps the main reference down.
    static constexpr int BigButtonWidth = 65;
    static constexpr int BigButtonHeight = 60;

    explicit TControlForm(QWidget* parent = nullptr);
    ~TControlForm() override;

    // Follows the network's drive: bound when one is linked, let go before it goes.
    void SetNetwork(TNetwork* network);
    // Binds the drive of the network to the list, the check boxes and the sync action;
    // nothing without one.
    void LinkDevice();
    void UnlinkDevice();
    // The hardware inputs from the last state read.
    void RefreshInputs();
    // Before each refresh: which references, commands and values the drive's configuration
    // lets the user change.
    void InterfaceBeforeRefresh();
    // After the user edited a parameter of this window.
    void InterfaceEdited(TkxParValue* par);

    // Shows the targets window modally; set by the owner.
    std::function<void()> ShowTargets;
    // After an edit here the setup window's view is brought up to date; set by the owner.
    std::function<void()> RefreshSetup;

    QAction* acClose = nullptr;
    QAction* acTarget = nullptr;
    QAction* acMainRefUp = nullptr;
    QAction* acMainRefDwn = nullptr;
    QAction* acMainRefZero = nullptr;
    QAction* acSecRefUp = nullptr;
    QAction* acSecRefDwn = nullptr;
    QAction* acSecRefZero = nullptr;
    QAction* acCmdSyncSignal = nullptr;
    QAction* acCmdEnable = nullptr;
    QAction* acCmdRstCounter = nullptr;
    QAction* acCmdZeroing = nullptr;
    QAction* acCmdAlignement = nullptr;
    QGroupBox* gbControl = nullptr;
    QTreeWidget* lvControl = nullptr;
    QToolButton* tbBigDown = nullptr;
    TkxCheckBox* cbHwEnable = nullptr;
    TkxCheckBox* cbHwZero = nullptr;
    TkxCheckBox* cbHwFcCw = nullptr;
    TkxCheckBox* cbHwFcCcw = nullptr;
    TkxCheckBox* cbHwReset = nullptr;
    TkxCheckBox* cbCmdRstCounter = nullptr;
    TkxCheckBox* cbCmdZeroing = nullptr;
    TkxCheckBox* cbCmdAlignement = nullptr;
    TkxCheckBox* cbSetPosition = nullptr;
    TkxCheckBox* cbSwEnable = nullptr;
    TkxUserInterfaceUtils* kxInterface = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildActions();
    void BuildControls();
    // Sets the reference to value (the change is written by the network module) and shows it.
    // ref := step, or ref + step when relative; the change is written by the network module.
    void StepReference(TkxParValue* TkxDeviceQXDRV::*ref, double step, bool relative);
    // A click on the box, which stores its bit and raises the edit; nothing while it is
    // disabled or unbound.
    static void Toggle(TkxCheckBox* box);
    // Sizes the list to show every column whole.
    void FitListWidth();
    // Places the step buttons level with the reference rows of the list.
    void AlignStepButtons();

    TNetwork* FNetwork = nullptr;
    // The step buttons' panel beside the list and the two rows of three buttons in it.
    QWidget* FStepPanel = nullptr;
    QWidget* FMainRow = nullptr;
    QWidget* FSecRow = nullptr;
    // The list rows of the references, or null.
    QTreeWidgetItem* FMainItem = nullptr;
    QTreeWidgetItem* FSecItem = nullptr;
};
