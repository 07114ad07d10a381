#include "tcontrolform.h"

#include "tnetworkcmp.h"

#include "base/tkxstatescale.h"
#include "devices/tkxdeviceqxdrvcls.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparlongcls.h"
#include "params/tkxparvaluecls.h"
#include "ui/tkxcheckboxctrl.h"
#include "ui/tkxqtconvert.h"
#include "ui/tkxuserinterfaceutilscmp.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The model number of the drive whose current reference is not stepped from here.
constexpr int NoCurrentRefModel = 460;
// Control modes of the drive's configuration.
constexpr int PositioningMode = 3;
constexpr int SequenceMode = 5;
constexpr int ElAxisMode = 2;
constexpr int ElAxisSpeedMode = 15;
// The edge of the small step buttons.
constexpr int StepButton = 22;

bool Is(const TkxParValue* par, double value) {
    return par != nullptr && par->GetValueDouble() == value;
}

bool IsOn(const TkxParBoolField* field) {
    return field != nullptr && field->GetBool();
}

void SetEnabled(TkxParValue* par, bool on) {
    if (par != nullptr) {
        par->SetEnabled(on);
    }
}

TkxCheckBox* MakeBox(const char* name, const char* hint, QWidget* parent) {
    auto* box = new TkxCheckBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    if (hint != nullptr) {
        box->setToolTip(QString::fromLatin1(hint));
    }
    return box;
}

QToolButton* StepButtonFor(QAction* action, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setDefaultAction(action);
    button->setFixedSize(StepButton, StepButton);
    button->setAutoRaise(true);
    return button;
}

QWidget* ButtonRow(std::initializer_list<QAction*> actions, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    for (QAction* action : actions) {
        layout->addWidget(StepButtonFor(action, row));
    }
    row->adjustSize();
    return row;
}

} // namespace

TControlForm::TControlForm(QWidget* parent)
    : TShellForm(QStringLiteral("ControlForm"), QStringLiteral("Remote Control"),
                 {"acClose", "acTarget", "acMainRefUp", "acMainRefDwn", "acMainRefZero",
                  "acSecRefUp", "acSecRefDwn", "acSecRefZero", "acCmdSyncSignal", "acCmdEnable",
                  "acCmdRstCounter", "acCmdZeroing", "acCmdAlignement"},
                 parent) {
    setWindowFlag(Qt::Tool, true);
    kxInterface = new TkxUserInterfaceUtils(this);
    kxInterface->setObjectName(QStringLiteral("kxInterface"));
    kxInterface->OnBeforeRefresh = [this](TkxUserInterfaceUtils*) { InterfaceBeforeRefresh(); };
    kxInterface->OnEdited = [this](TkxParValue* par) { InterfaceEdited(par); };
    kxInterface->OnAfterRefresh = [this](TkxUserInterfaceUtils*) { FitListWidth(); };
    BuildActions();
    BuildControls();
}

TControlForm::~TControlForm() = default;

void TControlForm::BuildActions() {
    struct TActionEntry {
        QAction** Field;
        const char* Name;
        const char* Caption;
        const char* Hint;
        QKeySequence Keys;
    };
    const TActionEntry entries[] = {
        {&acClose, "acClose", "&Close", nullptr, QKeySequence(Qt::CTRL | Qt::Key_X)},
        {&acMainRefUp, "acMainRefUp", "+", "Main reference up", QKeySequence(Qt::CTRL | Qt::Key_U)},
        {&acMainRefDwn, "acMainRefDwn", "-", "Main reference down",
         QKeySequence(Qt::CTRL | Qt::Key_D)},
        {&acMainRefZero, "acMainRefZero", "0", "Main reference zero",
         QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {&acSecRefUp, "acSecRefUp", "+", "Secondary reference up",
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U)},
        {&acSecRefDwn, "acSecRefDwn", "-", "Secondary reference down",
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D)},
        {&acSecRefZero, "acSecRefZero", "0", "Secondary reference zero",
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
        {&acCmdSyncSignal, "acCmdSyncSignal", "Sync", "Positioning target synchronization",
         QKeySequence(Qt::CTRL | Qt::Key_S)},
        {&acCmdEnable, "acCmdEnable", "Enable", nullptr, QKeySequence(Qt::CTRL | Qt::Key_E)},
        {&acCmdRstCounter, "acCmdRstCounter", "Reset counter", "Reset position counter",
         QKeySequence(Qt::CTRL | Qt::Key_R)},
        {&acCmdZeroing, "acCmdZeroing", "Zeroing", "Zero axis execute",
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)},
        {&acCmdAlignement, "acCmdAlignement", "Alignement", "Motor-Sensor phase alignement",
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)},
        {&acTarget, "acTarget", "Set Targets", nullptr, QKeySequence()},
    };
    for (const TActionEntry& entry : entries) {
        QAction* action = Action(entry.Name);
        action->setText(QString::fromLatin1(entry.Caption));
        if (entry.Hint != nullptr) {
            action->setToolTip(QString::fromLatin1(entry.Hint));
        }
        action->setShortcut(entry.Keys);
        action->setShortcutContext(Qt::WindowShortcut);
        *entry.Field = action;
    }
    connect(acClose, &QAction::triggered, this, &QWidget::hide);
    connect(acMainRefUp, &QAction::triggered, this,
            [this] { StepReference(&TkxDeviceQXDRV::ParPrimaryRef, RefStep, true); });
    connect(acMainRefDwn, &QAction::triggered, this,
            [this] { StepReference(&TkxDeviceQXDRV::ParPrimaryRef, -RefStep, true); });
    connect(acMainRefZero, &QAction::triggered, this,
            [this] { StepReference(&TkxDeviceQXDRV::ParPrimaryRef, 0.0, false); });
    connect(acSecRefUp, &QAction::triggered, this,
            [this] { StepReference(&TkxDeviceQXDRV::ParSecondaryRef, RefStep, true); });
    connect(acSecRefDwn, &QAction::triggered, this,
            [this] { StepReference(&TkxDeviceQXDRV::ParSecondaryRef, -RefStep, true); });
    connect(acSecRefZero, &QAction::triggered, this,
            [this] { StepReference(&TkxDeviceQXDRV::ParSecondaryRef, 0.0, false); });
    connect(acCmdEnable, &QAction::triggered, this, [this] { Toggle(cbSwEnable); });
    connect(acCmdRstCounter, &QAction::triggered, this, [this] { Toggle(cbCmdRstCounter); });
    connect(acCmdZeroing, &QAction::triggered, this, [this] { Toggle(cbCmdZeroing); });
    connect(acCmdAlignement, &QAction::triggered, this, [this] { Toggle(cbCmdAlignement); });
    connect(acTarget, &QAction::triggered, this, [this] {
        if (ShowTargets) {
            ShowTargets();
        }
    });
}

void TControlForm::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 4);
    layout->setSpacing(4);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("ToolBar"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    toolBar->addAction(acClose);
    toolBar->addSeparator();
    toolBar->addAction(acTarget);
    layout->addWidget(toolBar);

    gbControl = new QGroupBox(QStringLiteral(" Remote control "), this);
    gbControl->setObjectName(QStringLiteral("gbControl"));
    auto* controlRow = new QHBoxLayout(gbControl);
    controlRow->setContentsMargins(4, 4, 4, 4);
    lvControl = new QTreeWidget(gbControl);
    lvControl->setObjectName(QStringLiteral("lvControl"));
    lvControl->setFont(TkxQFont(QStringLiteral("Arial"), -11));
    lvControl->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lvControl->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    controlRow->addWidget(lvControl);
    FStepPanel = new QWidget(gbControl);
    FStepPanel->setObjectName(QStringLiteral("StepPanel"));
    FMainRow = ButtonRow({acMainRefUp, acMainRefDwn, acMainRefZero}, FStepPanel);
    FSecRow = ButtonRow({acSecRefUp, acSecRefDwn, acSecRefZero}, FStepPanel);
    tbBigDown = new QToolButton(FStepPanel);
    tbBigDown->setObjectName(QStringLiteral("tbBigDown"));
    tbBigDown->setDefaultAction(acMainRefDwn);
    tbBigDown->setFixedSize(BigButtonWidth, BigButtonHeight);
    FStepPanel->setFixedWidth(std::max(FMainRow->width(), BigButtonWidth));
    FStepPanel->setMinimumHeight(2 * StepButton + BigButtonHeight + 8);
    controlRow->addWidget(FStepPanel);
    controlRow->addStretch(1);
    layout->addWidget(gbControl);

    auto* panel = new QWidget(this);
    auto* groups = new QHBoxLayout(panel);
    groups->setContentsMargins(0, 0, 0, 0);
    const auto group = [panel, groups](const char* name, const char* title) {
        auto* box = new QGroupBox(QString::fromLatin1(title), panel);
        box->setObjectName(QString::fromLatin1(name));
        auto* column = new QVBoxLayout(box);
        column->setContentsMargins(4, 4, 4, 4);
        column->setSpacing(0);
        groups->addWidget(box, 0, Qt::AlignTop);
        return std::pair(box, column);
    };
    auto [hwBox, hwColumn] = group("gbHwInputs", " Hardware inputs state ");
    int row = 0;
    for (auto [field, name] :
         {std::pair(&cbHwEnable, "cbHwEnable"), std::pair(&cbHwZero, "cbHwZero"),
          std::pair(&cbHwFcCw, "cbHwFcCw"), std::pair(&cbHwFcCcw, "cbHwFcCcw"),
          std::pair(&cbHwReset, "cbHwReset")}) {
        TkxCheckBox* box = MakeBox(name, nullptr, hwBox);
        // The text stands left of the box, rows in alternating colours.
        box->setLayoutDirection(Qt::RightToLeft);
        box->setAutoFillBackground(true);
        QPalette palette = box->palette();
        palette.setColor(QPalette::Window,
                         TkxQColor(row % 2 == 0 ? InputEvenColor : InputOddColor));
        palette.setColor(QPalette::WindowText, Qt::black);
        box->setPalette(palette);
        hwColumn->addWidget(box);
        *field = box;
        ++row;
    }
    auto [cmdBox, cmdColumn] = group("gbCommands", " Commands signals ");
    cbCmdRstCounter = MakeBox("cbCmdRstCounter", "Reset position counter (Ctrl+R)", cmdBox);
    cbCmdZeroing = MakeBox("cbCmdZeroing", "Zero axis execute (Shift+Ctrl+R)", cmdBox);
    cbCmdAlignement =
        MakeBox("cbCmdAlignement", "Motor-Sensor phase alignement (Shift+Ctrl+A)", cmdBox);
    cbSetPosition = MakeBox("cbSetPosition", "Drive enable (Ctrl+E)", cmdBox);
    for (TkxCheckBox* box : {cbCmdRstCounter, cbCmdZeroing, cbCmdAlignement, cbSetPosition}) {
        cmdColumn->addWidget(box);
    }
    auto [swBox, swColumn] = group("gbSwInputs", " Virtual inputs ");
    cbSwEnable = MakeBox("cbSwEnable", "Drive enable (Ctrl+E)", swBox);
    swColumn->addWidget(cbSwEnable);
    layout->addWidget(panel);
}

void TControlForm::SetNetwork(TNetwork* network) {
    FNetwork = network;
    connect(network, &TNetwork::DriveLinked, this, [this] {
        LinkDevice();
        kxInterface->RefreshData();
    });
    connect(network, &TNetwork::DriveGoing, this, &TControlForm::UnlinkDevice);
    connect(network, &TNetwork::ActStateRead, this, [this] {
        RefreshInputs();
        if (isVisible()) {
            kxInterface->ScheduleRefresh();
        }
    });
    connect(network, &TNetwork::SetupRead, kxInterface, &TkxUserInterfaceUtils::ScheduleRefresh);
}

void TControlForm::LinkDevice() {
    TkxDeviceQXDRV* drive = FNetwork != nullptr ? FNetwork->GetDrive() : nullptr;
    UnlinkDevice();
    if (drive == nullptr) {
        return;
    }
    kxInterface->With(lvControl, {ckValue, ckMin, ckMax});
    const auto list = [this](TkxParValue* par) {
        const int before = lvControl->topLevelItemCount();
        kxInterface->List(par);
        return lvControl->topLevelItemCount() > before
                   ? lvControl->topLevelItem(lvControl->topLevelItemCount() - 1)
                   : nullptr;
    };
    FMainItem = list(drive->ParPrimaryRef);
    kxInterface->ListSep();
    FSecItem = list(drive->ParSecondaryRef);
    kxInterface->ListSep();
    list(drive->ParForceActPos);
    kxInterface->ListSep();
    list(drive->ParElAxPosIndex);
    list(drive->ParElAxSpeedIndex);
    kxInterface->ListSep();
    for (TkxParValue* par : {drive->ParPosPktAccel, drive->ParPosPktDecel, drive->ParPosPktSpeed,
                             static_cast<TkxParValue*>(drive->ParPosPktTarget)}) {
        list(par);
    }
    kxInterface->ListSep();
    list(drive->ParNextFixedPos);
    const int height = kxInterface->AdaptHeight();
    FitListWidth();
    gbControl->setFixedHeight(std::max(height, FStepPanel->minimumHeight()) + 25);

    kxInterface->With(acCmdSyncSignal, drive->CmdSyncSignal);
    for (auto [box, field] :
         {std::pair(cbSwEnable, drive->CmdEnable),
          std::pair(cbCmdRstCounter, drive->CmdResetCounter),
          std::pair(cbSetPosition, drive->CmdSetPosition),
          std::pair(cbCmdAlignement, drive->CmdAlignement),
          std::pair(cbCmdZeroing, drive->CmdZeroing), std::pair(cbHwEnable, drive->HwEnable),
          std::pair(cbHwZero, drive->HwZero), std::pair(cbHwFcCw, drive->HwFcCw),
          std::pair(cbHwFcCcw, drive->HwFcCcw), std::pair(cbHwReset, drive->HwReset)}) {
        kxInterface->With(box, field);
    }
    AlignStepButtons();
    adjustSize();
}

void TControlForm::FitListWidth() {
    // Every column whole: the list widens to its texts, never narrows while bound.
    const int width = TkxUserInterfaceUtils::FitColumns(lvControl);
    if (width > lvControl->width() || lvControl->minimumWidth() != lvControl->maximumWidth()) {
        lvControl->setFixedWidth(width);
    }
}

void TControlForm::UnlinkDevice() {
    kxInterface->Reset();
    lvControl->clear();
    FMainItem = nullptr;
    FSecItem = nullptr;
    for (TkxCheckBox* box : {cbSwEnable, cbCmdRstCounter, cbSetPosition, cbCmdAlignement,
                             cbCmdZeroing, cbHwEnable, cbHwZero, cbHwFcCw, cbHwFcCcw, cbHwReset}) {
        box->SetPar(nullptr);
        box->RefreshData();
    }
}

void TControlForm::RefreshInputs() {
    for (TkxCheckBox* box : {cbHwEnable, cbHwZero, cbHwFcCw, cbHwFcCcw, cbHwReset}) {
        box->RefreshData();
    }
}

void TControlForm::InterfaceBeforeRefresh() {
    TkxDeviceQXDRV* drive = FNetwork != nullptr ? FNetwork->GetDrive() : nullptr;
    if (drive == nullptr) {
        return;
    }
    // A selector the drive lacks selects nothing.
    SetEnabled(drive->ParPrimaryRef, Is(drive->ParRampRefMux, 1) || Is(drive->ParSpeedRefMux, 1) ||
                                         (drive->GetVersion().Model != NoCurrentRefModel &&
                                          Is(drive->ParCurrentRefMux, 1)));
    SetEnabled(drive->ParSecondaryRef, Is(drive->ParCurrentLimitMux, 1));
    const bool fromBus = IsOn(drive->CfgCmdFromBus);
    SetEnabled(drive->CmdEnable, fromBus);
    SetEnabled(drive->HwEnable, !fromBus);
    const bool targets =
        Is(drive->CfgCtrlMode, PositioningMode) || Is(drive->CfgCtrlMode, SequenceMode);
    acTarget->setEnabled(targets);
    SetEnabled(drive->ParNextFixedPos, targets);
    SetEnabled(drive->CmdSyncSignal, IsOn(drive->CfgUseSyncSignal) || targets);
    const bool axis = Is(drive->CfgCtrlMode, ElAxisMode) || Is(drive->CfgCtrlMode, ElAxisSpeedMode);
    SetEnabled(drive->ParElAxPosIndex, axis);
    SetEnabled(drive->ParElAxSpeedIndex, axis);
}

void TControlForm::InterfaceEdited(TkxParValue* par) {
    TkxDeviceQXDRV* drive = FNetwork != nullptr ? FNetwork->GetDrive() : nullptr;
    if (drive == nullptr || par == nullptr) {
        return;
    }
    if (drive->ParNextFixedPos != nullptr && drive->ParNextFixedPos->Enabled()) {
        drive->ParNextFixedPos->ReadFromDevice();
    }
    if (par == drive->ParPosPktAccel || par == drive->ParPosPktDecel ||
        par == drive->ParPosPktSpeed) {
        FNetwork->WriteParValue(par);
    } else if (par == drive->ParPosPktTarget) {
        FNetwork->RefPosEdited(par);
    }
    if (RefreshSetup) {
        RefreshSetup();
    }
}

void TControlForm::StepReference(TkxParValue* TkxDeviceQXDRV::*ref, double step, bool relative) {
    TkxDeviceQXDRV* drive = FNetwork != nullptr ? FNetwork->GetDrive() : nullptr;
    TkxParValue* par = drive != nullptr ? drive->*ref : nullptr;
    if (par == nullptr) {
        return;
    }
    par->SetValueDouble(relative ? par->GetValueDouble() + step : step);
    kxInterface->RefreshData();
}

void TControlForm::Toggle(TkxCheckBox* box) {
    if (box->Par() != nullptr && box->isEnabled()) {
        box->click();
    }
}

void TControlForm::AlignStepButtons() {
    // The rows' places in the list, in the step panel's coordinates; a missing row keeps its
    // buttons at the top.
    const auto rowTop = [this](QTreeWidgetItem* item, int fallback) {
        if (item == nullptr) {
            return fallback;
        }
        const QRect rect = lvControl->visualItemRect(item);
        const QPoint at = lvControl->viewport()->mapTo(gbControl, rect.topLeft());
        return at.y() - FStepPanel->y() + (rect.height() - StepButton) / 2;
    };
    FMainRow->move(0, std::max(0, rowTop(FMainItem, 0)));
    FSecRow->move(0, std::max(FMainRow->y() + StepButton, rowTop(FSecItem, StepButton + 2)));
    tbBigDown->move(
        0, std::max(FSecRow->y() + StepButton + 4, FStepPanel->height() - BigButtonHeight));
}

void TControlForm::showEvent(QShowEvent* event) {
    TShellForm::showEvent(event);
    AlignStepButtons();
}

void TControlForm::resizeEvent(QResizeEvent* event) {
    TShellForm::resizeEvent(event);
    AlignStepButtons();
}
