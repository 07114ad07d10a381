#include "tmainform.h"

#include "tlogtexts.h"
#include "tmemo.h"
#include "tnetworkcmp.h"
#include "tshellform.h"
#include "ttermsettingscls.h"

#include "base/tkxstatescale.h"
#include "devices/tkxdeviceqxdrvcls.h"
#include "devices/tkxdevicesetupcls.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparlongcls.h"
#include "ui/tkxcheckboxctrl.h"
#include "ui/tkxparrows.h"
#include "ui/tkxqtconvert.h"
#include "ui/tkxuserinterfaceutilscmp.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

namespace {

QTreeWidget* MakeStateList(QWidget* parent, const QString& name) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setHeaderHidden(true);
    list->setFrameShape(QFrame::NoFrame);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setFont(TkxQFont(QStringLiteral("Arial"), -11));
    QPalette palette = list->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    list->setPalette(palette);
    return list;
}

// The colour behind a widget; white text on anything but the window's own colour.
void SetBackground(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    palette.setColor(QPalette::WindowText,
                     color == widget->window()->palette().color(QPalette::Window)
                         ? widget->window()->palette().color(QPalette::WindowText)
                         : QColor(Qt::white));
    widget->setAutoFillBackground(true);
    widget->setPalette(palette);
}

} // namespace

TMainForm::TMainForm(const std::string& appPath, QWidget* parent)
    : QMainWindow(parent)
    , FAppPath(appPath) {
    setObjectName(QStringLiteral("MainForm"));
    resize(DesignWidth, DesignHeight);
    ShowMessage = [this](const QString& message) {
        QMessageBox::warning(this, windowTitle(), message);
    };
    InputQuery = [this](const QString& title, const QString& prompt,
                        const QString& text) -> std::optional<QString> {
        bool ok = false;
        QString entered = QInputDialog::getText(this, title, prompt, QLineEdit::Normal, text, &ok);
        return ok ? std::optional<QString>(entered) : std::nullopt;
    };
    BuildActions();
    BuildToolBar();
    BuildPanels();
    ReadSettings();
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &TMainForm::UpdateActions);
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildActions() {
    const auto make = [this](const char* name, const QString& caption, const QString& hint,
                             const QKeySequence& shortcut) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(hint);
        action->setStatusTip(hint);
        action->setShortcut(shortcut);
        addAction(action);
        return action;
    };
    acOpenConnection = make("acOpenConnection", QStringLiteral("Connect"),
                            QStringLiteral("Open ModBus connection"), QKeySequence(Qt::Key_F9));
    acCloseConnection =
        make("acCloseConnection", QStringLiteral("Disconnect"),
             QStringLiteral("Close ModBus connection"), QKeySequence(Qt::CTRL | Qt::Key_F9));
    acClose = make("acClose", QStringLiteral("Exit"), QStringLiteral("Exit from program"),
                   QKeySequence(Qt::ALT | Qt::Key_X));
    acAbout = make("acAbout", QStringLiteral("About"),
                   QStringLiteral("Information about this program"), QKeySequence());
    acSlaveAddr = make("acSlaveAddr", QStringLiteral("Slave#"),
                       QStringLiteral("Modify ModBus slave address"), QKeySequence());
    acSetupForm = make("acSetupForm", QStringLiteral("Drive Setup"),
                       QStringLiteral("Modify drive setup"), QKeySequence(Qt::Key_F7));
    acRemoteCtrl = make("acRemoteCtrl", QStringLiteral("Remote Control"),
                        QStringLiteral("Remote drive control"), QKeySequence(Qt::Key_F6));
    acScopeForm = make("acScopeForm", QStringLiteral("Oscilloscope"),
                       QStringLiteral("Oscilloscope"), QKeySequence(Qt::Key_F8));
    acSupportedDev =
        make("acSupportedDev", QStringLiteral("acSupportedDev"),
             QStringLiteral("Show supported devices list"), QKeySequence(Qt::SHIFT | Qt::Key_F11));
    acEditRegister = make("acEditRegister", QStringLiteral("Edit PwmFreq"),
                          QStringLiteral("Modify PWM switching frequency."),
                          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F9));
    // Glyphs of the tool bar, from the style so that they follow the desktop's theme.
    const std::pair<QAction*, QStyle::StandardPixmap> glyphs[] = {
        {acOpenConnection, QStyle::SP_MediaPlay},
        {acCloseConnection, QStyle::SP_MediaStop},
        {acClose, QStyle::SP_DialogCloseButton},
        {acAbout, QStyle::SP_MessageBoxInformation},
        {acSlaveAddr, QStyle::SP_FileDialogDetailedView},
        {acSetupForm, QStyle::SP_FileDialogContentsView},
        {acRemoteCtrl, QStyle::SP_MediaSeekForward},
        {acScopeForm, QStyle::SP_DesktopIcon}};
    for (const auto& [action, glyph] : glyphs) {
        action->setIcon(style()->standardIcon(glyph));
    }
    acCloseConnection->setEnabled(false);
    for (QAction* toggle : {acSetupForm, acRemoteCtrl, acScopeForm}) {
        toggle->setCheckable(true);
    }
    connect(acOpenConnection, &QAction::triggered, this, &TMainForm::OpenConnectionExecute);
    connect(acCloseConnection, &QAction::triggered, this, &TMainForm::CloseConnectionExecute);
    connect(acClose, &QAction::triggered, this, &QWidget::close);
    connect(acAbout, &QAction::triggered, this, [this] {
        if (ShowAbout) {
            ShowAbout();
        }
    });
    connect(acSlaveAddr, &QAction::triggered, this, &TMainForm::SlaveAddrExecute);
    connect(acEditRegister, &QAction::triggered, this, &TMainForm::EditRegisterExecute);
    const auto toggle = [this](QAction* action, TShellForm* Windows::*window) {
        connect(action, &QAction::triggered, this, [this, action, window] {
            if (TShellForm* form = FWindows.*window) {
                form->ToggleVisible();
            }
            action->setChecked((FWindows.*window) != nullptr && (FWindows.*window)->isVisible());
        });
    };
    toggle(acSetupForm, &Windows::Setup);
    toggle(acRemoteCtrl, &Windows::Control);
    toggle(acScopeForm, &Windows::Scope);
    connect(acSupportedDev, &QAction::triggered, this, [this] {
        if (FNetwork != nullptr) {
            FNetwork->Network().ShowSupportedDeviceList();
        }
    });
}

void TMainForm::BuildToolBar() {
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("tbarMain"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    addToolBar(bar);

    FPortMenu = new QMenu(this);
    FPortMenu->setObjectName(QStringLiteral("ppmModBusSetup"));
    mnRtsToggle = FPortMenu->addAction(QStringLiteral("RS232 / RTS-TOGGLE"));
    mnRtsToggle->setObjectName(QStringLiteral("mnRtsToggle"));
    mnRtsToggle->setCheckable(true);
    connect(mnRtsToggle, &QAction::triggered, this, [this] { SetRtsToggle(!FRtsToggle); });
    FPortMenu->addSeparator();
    auto* group = new QActionGroup(this);
    const auto portItem = [this, group](const QString& caption, int tag) {
        QAction* item = FPortMenu->addAction(caption);
        item->setCheckable(true);
        item->setData(tag);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, item, tag] {
            item->setChecked(true);
            SelectPort(tag);
        });
        return item;
    };
    for (int port = 1; port <= 8; ++port) {
        mnCOM[port - 1] = portItem(QStringLiteral("COM%1").arg(port), port);
        mnCOM[port - 1]->setObjectName(QStringLiteral("mnCOM%1").arg(port));
    }
    mnOffline = portItem(QStringLiteral("OFFLINE"), 0);
    mnOffline->setObjectName(QStringLiteral("mnOffline"));

    const auto button = [bar](const char* name) {
        auto* made = new QToolButton(bar);
        made->setObjectName(QString::fromLatin1(name));
        made->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        made->setMinimumSize(80, 36);
        return made;
    };
    auto* exit = button("tbExit");
    exit->setDefaultAction(acClose);
    bar->addWidget(exit);
    bar->addSeparator();
    tbSelectPort = button("tbSelectPort");
    tbSelectPort->setText(QStringLiteral("COM1"));
    tbSelectPort->setToolTip(QStringLiteral("Select serial communication port"));
    tbSelectPort->setIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
    tbSelectPort->setMenu(FPortMenu);
    tbSelectPort->setPopupMode(QToolButton::InstantPopup);
    bar->addWidget(tbSelectPort);
    tbSlaveAddr = button("tbSlaveAddr");
    tbSlaveAddr->setDefaultAction(acSlaveAddr);
    bar->addWidget(tbSlaveAddr);
    tbModBus = button("tbModBus");
    bar->addWidget(tbModBus);
    bar->addSeparator();
    const std::pair<const char*, QAction*> windows[] = {{"tbRemoteCtrl", acRemoteCtrl},
                                                        {"tbDriveSetup", acSetupForm},
                                                        {"tbViewScope", acScopeForm}};
    for (const auto& [name, action] : windows) {
        auto* made = button(name);
        made->setDefaultAction(action);
        bar->addWidget(made);
    }
    bar->addSeparator();
    auto* about = button("tbAbout");
    about->setDefaultAction(acAbout);
    bar->addWidget(about);
}

void TMainForm::BuildPanels() {
    auto* splitHoriz = new QSplitter(Qt::Vertical, this);
    splitHoriz->setObjectName(QStringLiteral("SplitHoriz"));
    splitHoriz->setOpaqueResize(true);
    setCentralWidget(splitHoriz);

    Memo = TMakeMemo(splitHoriz, QStringLiteral("Memo"));
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setTabChangesFocus(false);
    Memo->setFont(TkxQFont(QStringLiteral("Courier"), -8));
    QPalette memoPalette = Memo->palette();
    memoPalette.setColor(QPalette::Base, TkxQColor(MemoColor));
    Memo->setPalette(memoPalette);

    auto* driveState = new QSplitter(Qt::Horizontal, splitHoriz);
    driveState->setObjectName(QStringLiteral("SplitVert"));

    auto* left = new QWidget(driveState);
    left->setObjectName(QStringLiteral("Panel1"));
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* resetBox = new QGroupBox(left);
    auto* resetLayout = new QVBoxLayout(resetBox);
    resetLayout->setContentsMargins(4, 2, 4, 2);
    cbCmdResetAlarm = new TkxCheckBox(resetBox);
    cbCmdResetAlarm->setObjectName(QStringLiteral("cbCmdResetAlarm"));
    SetBackground(cbCmdResetAlarm, palette().color(QPalette::Window));
    resetLayout->addWidget(cbCmdResetAlarm);
    leftLayout->addWidget(resetBox);
    pcFaultState = new QTabWidget(left);
    pcFaultState->setObjectName(QStringLiteral("pcFaultState"));
    ActFaultMemo = TMakeMemo(pcFaultState, QStringLiteral("ActFaultMemo"));
    PrevFaultMemo = TMakeMemo(pcFaultState, QStringLiteral("PrevFaultMemo"));
    QPalette infoPalette = PrevFaultMemo->palette();
    infoPalette.setColor(QPalette::Base, infoPalette.color(QPalette::ToolTipBase));
    PrevFaultMemo->setPalette(infoPalette);
    pcFaultState->addTab(ActFaultMemo, QStringLiteral("Present Fault List"));
    pcFaultState->addTab(PrevFaultMemo, QStringLiteral("Previous Fault List"));
    leftLayout->addWidget(pcFaultState, 1);

    auto* state = new QGroupBox(QStringLiteral("System State"), driveState);
    state->setObjectName(QStringLiteral("gbActState"));
    auto* stateLayout = new QVBoxLayout(state);
    lvHwInfo = MakeStateList(state, QStringLiteral("lvHwInfo"));
    lvActState = MakeStateList(state, QStringLiteral("lvActState"));
    stateLayout->addWidget(lvHwInfo);
    stateLayout->addWidget(lvActState);
    // The lists take the height of their rows; the room left stays below them.
    stateLayout->addStretch(1);

    splitHoriz->addWidget(Memo);
    splitHoriz->addWidget(driveState);
    splitHoriz->setStretchFactor(0, 1);
    splitHoriz->setSizes({DesignHeight - StatePaneHeight, StatePaneHeight});
    // Faults two fifths, state three fifths of the width.
    driveState->setSizes({DesignWidth * 2 / 5, DesignWidth * 3 / 5});

    kxFastInterface = new TkxUserInterfaceUtils(this);
    kxSlowInterface = new TkxUserInterfaceUtils(this);
    for (TkxUserInterfaceUtils* utils : {kxFastInterface, kxSlowInterface}) {
        utils->SetEvenColor(EvenColor);
        utils->SetOddColor(OddColor);
    }
    kxFastInterface->OnBeforeRefresh = [this](TkxUserInterfaceUtils*) {
        FastInterfaceBeforeRefresh();
    };
    kxSlowInterface->OnEdited = [this](TkxParValue* par) { SlowInterfaceEdited(par); };
}

void TMainForm::SetNetwork(TNetwork* network) {
    FNetwork = network;
    connect(network, &TNetwork::Log, this, &TMainForm::LogLine);
    connect(network, &TNetwork::Alert, this, &TMainForm::Alert);
    connect(network, &TNetwork::ConnectionClosed, this, &TMainForm::ConnectionClosed);
    connect(network, &TNetwork::ConnectionRunning, this, &TMainForm::ConnectionRunning);
    connect(network, &TNetwork::DriveLinked, this, [this] {
        LinkDevice();
        kxFastInterface->RefreshData();
        kxSlowInterface->RefreshData();
    });
    connect(network, &TNetwork::ActStateRead, kxFastInterface,
            &TkxUserInterfaceUtils::ScheduleRefresh);
    connect(network, &TNetwork::SetupRead, kxSlowInterface,
            &TkxUserInterfaceUtils::ScheduleRefresh);
    connect(network, &TNetwork::DriveGoing, this, &TMainForm::UnlinkDevice);
    connect(network, &TNetwork::StateChanged, this, &TMainForm::UpdateActions);
    connect(network, &TNetwork::FaultStateRead, this, &TMainForm::RebuildFaultLists);
    connect(network, &TNetwork::HideDriveWindows, this, [this] {
        for (TShellForm* form : {FWindows.Setup, FWindows.Control}) {
            if (form != nullptr) {
                form->hide();
            }
        }
    });
    UpdateActions();
}

void TMainForm::ReadSettings() {
    TTermSettings settings(FAppPath);
    move(settings.ReadInteger("MainForm", "Left", 0), settings.ReadInteger("MainForm", "Top", 0));
    resize(settings.ReadInteger("MainForm", "Width", width()),
           settings.ReadInteger("MainForm", "Height", height()));
    SelectPort(settings.ReadInteger("Setup", "LastPort", 0));
    SetSlaveAddr(settings.ReadInteger("Setup", "LastSlave", 1));
    SetRtsToggle(settings.ReadBool("Setup", "LastRtsToggle", false));
    const std::string version = settings.ReadString("AboutForm", "Version", "1.31");
    const std::string application =
        settings.ReadString("AboutForm", "Application", "QX DRIVE - Configuration Terminal");
    setWindowTitle(TkxQString(application + " " + version));
    // The start-up port banner is not shown.
    Memo->clear();
    tbModBus->setDefaultAction(acOpenConnection);
    if (!settings.Problem().empty()) {
        LogLine(TkxQString("Settings not read: " + settings.Problem()));
    }
}

bool TMainForm::WriteSettings() {
    TTermSettings settings(FAppPath);
    settings.WriteInteger("MainForm", "Top", y());
    settings.WriteInteger("MainForm", "Left", x());
    settings.WriteInteger("MainForm", "Width", width());
    settings.WriteInteger("MainForm", "Height", height());
    settings.WriteInteger("Setup", "LastPort", FPort);
    settings.WriteInteger("Setup", "LastSlave", FSlaveAddr);
    settings.WriteBool("Setup", "LastRtsToggle", FRtsToggle);
    for (TShellForm* form : {FWindows.Setup, FWindows.Control, FWindows.Targets, FWindows.Scope}) {
        if (form != nullptr) {
            form->WriteGeometry(settings);
        }
    }
    return settings.Save();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // A window holding unfinished work may keep the program open.
    for (TShellForm* form : {FWindows.Setup, FWindows.Control, FWindows.Targets, FWindows.Scope}) {
        if (form != nullptr && !form->CloseQuery()) {
            event->ignore();
            return;
        }
    }
    WriteSettings();
    if (FNetwork != nullptr) {
        FNetwork->CloseConnection();
    }
    for (TShellForm* form : {FWindows.Setup, FWindows.Control, FWindows.Targets, FWindows.Scope}) {
        if (form != nullptr) {
            form->close();
        }
    }
    event->accept();
}

QStringList TMainForm::LogLines() const {
    QStringList lines = Memo->toPlainText().split(QLatin1Char('\n'));
    if (Memo->document()->isEmpty()) {
        lines.clear();
    }
    return lines;
}

void TMainForm::LogLine(const QString& line) {
    Memo->appendPlainText(line);
}

void TMainForm::LogRule() {
    LogLine(QString::fromLatin1(TLogTexts::BannerRule));
}

void TMainForm::Alert(const QString& message) {
    if (ShowMessage) {
        ShowMessage(message);
    }
}

void TMainForm::SelectPort(int port) {
    if (port == 0) {
        LogRule();
        for (const char* line : {"  !  OFFLINE MODE SELECTED  !", "- No serial connection.",
                                 "- User choosen drive type.",
                                 "- At startup all parameters are set to default (were available)!",
                                 "- Import/Export from file capability!"}) {
            LogLine(QString::fromLatin1(line));
        }
        LogRule();
        tbSelectPort->setText(QStringLiteral("OFFLINE"));
        mnOffline->setChecked(true);
        FPort = 0;
    } else if (port >= 1 && port <= 8) {
        if (FPort == 0) {
            LogRule();
            LogLine(QStringLiteral("SERIAL PORT SELECTED: COM%1").arg(port));
            LogLine(QStringLiteral("- Need serial connection."));
            LogLine(QStringLiteral("- Auto drive detection."));
            LogRule();
        }
        tbSelectPort->setText(QStringLiteral("COM%1").arg(port));
        for (int item = 1; item <= 8; ++item) {
            mnCOM[item - 1]->setChecked(item == port);
        }
        FPort = port;
    }
}

void TMainForm::ShowPortPath(int port, const std::string& path) {
    if (port < 1 || port > 8) {
        return;
    }
    const QString name = QStringLiteral("COM%1").arg(port);
    mnCOM[port - 1]->setText(path.empty() ? name : name + QStringLiteral("\t") + TkxQString(path));
}

void TMainForm::SetSlaveAddr(int address) {
    if (address < 1 || address > 255) {
        Alert(QStringLiteral("Invalid Address value."));
        return;
    }
    if (address == FSlaveAddr) {
        return;
    }
    FSlaveAddr = address;
    acSlaveAddr->setText(QStringLiteral("Slave #%1").arg(address));
}

void TMainForm::SetRtsToggle(bool on) {
    mnRtsToggle->setChecked(on);
    FRtsToggle = on;
}

void TMainForm::SlaveAddrExecute() {
    if (!InputQuery) {
        return;
    }
    const std::optional<QString> text =
        InputQuery(QStringLiteral("Modify SlaveAddress"),
                   QStringLiteral("Insert a value from 1 to 32:"), QString::number(FSlaveAddr));
    if (!text) {
        return;
    }
    bool ok = false;
    const int address = text->trimmed().toInt(&ok);
    if (!ok) {
        Alert(QStringLiteral("Not a valid ModBus slave address!"));
        return;
    }
    SetSlaveAddr(address);
}

void TMainForm::OpenConnectionExecute() {
    if (FNetwork == nullptr) {
        return;
    }
    if (FPort != 0) {
        FNetwork->OpenConnection(FPort, FSlaveAddr, FRtsToggle);
        return;
    }
    if (!ChooseOfflineVersion) {
        return;
    }
    if (const std::optional<std::string> version = ChooseOfflineVersion()) {
        FNetwork->OpenOffline(0, FSlaveAddr, *version);
    }
}

void TMainForm::CloseConnectionExecute() {
    if (FNetwork != nullptr) {
        FNetwork->CloseConnection();
    }
}

void TMainForm::ConnectionClosed() {
    acCloseConnection->setEnabled(false);
    tbModBus->setDefaultAction(acOpenConnection);
    acOpenConnection->setEnabled(true);
    tbSelectPort->setEnabled(true);
    acSlaveAddr->setEnabled(true);
}

void TMainForm::ConnectionRunning() {
    acOpenConnection->setEnabled(false);
    tbSelectPort->setEnabled(false);
    acSlaveAddr->setEnabled(false);
    tbModBus->setDefaultAction(acCloseConnection);
    acCloseConnection->setEnabled(true);
}

void TMainForm::LinkDevice() {
    TkxDeviceQXDRV* drive = FNetwork != nullptr ? FNetwork->GetDrive() : nullptr;
    if (drive == nullptr) {
        return;
    }
    kxSlowInterface->Reset();
    kxSlowInterface->With(lvHwInfo, {ckValue});
    kxSlowInterface->List(drive->ParHWLimitVolt);
    kxSlowInterface->List(drive->ParHWLimitAmp);
    kxSlowInterface->List(drive->ParHWLimitAmpNom);
    kxSlowInterface->List(drive->ParEECurrRangeMax != nullptr ? drive->ParEECurrRangeMax
                                                              : drive->ParCurrRangeMax);
    kxSlowInterface->List(drive->ParEESpeedRangeMax != nullptr ? drive->ParEESpeedRangeMax
                                                               : drive->ParSpeedRangeMax);
    kxSlowInterface->List(drive->ParEEPwmFreq != nullptr ? drive->ParEEPwmFreq : drive->ParPwmFreq);
    kxSlowInterface->AdaptHeight();

    kxFastInterface->Reset();
    kxFastInterface->With(lvActState, {ckValue});
    for (TkxParValue* par :
         {drive->ParU_Dc_BusV, drive->ParU_MotorV, drive->ParI_MotorA, drive->ParF_MotorHz,
          drive->ParS_MotorRPM, static_cast<TkxParValue*>(drive->ParActualPos),
          drive->ParArmatureVolt}) {
        kxFastInterface->List(par);
    }
    kxFastInterface->ListSep();
    for (TkxParValue* par : {static_cast<TkxParValue*>(drive->StateSpeedLoop),
                             static_cast<TkxParValue*>(drive->StateProfile),
                             static_cast<TkxParValue*>(drive->StatePosLoop),
                             static_cast<TkxParValue*>(drive->StateMotor)}) {
        kxFastInterface->List(par);
    }
    kxFastInterface->ListSep();
    kxFastInterface->List(drive->ParAnalogRef);
    kxFastInterface->AdaptHeight();
    kxFastInterface->With(cbCmdResetAlarm, drive->CmdReset);
}

void TMainForm::UnlinkDevice() {
    kxSlowInterface->Reset();
    kxFastInterface->Reset();
    lvHwInfo->clear();
    lvActState->clear();
    cbCmdResetAlarm->SetPar(nullptr);
    cbCmdResetAlarm->RefreshData();
    ActFaultMemo->clear();
    PrevFaultMemo->clear();
    SetBackground(cbCmdResetAlarm, palette().color(QPalette::Window));
}

void TMainForm::FastInterfaceBeforeRefresh() {
    TkxDeviceQXDRV* drive = FNetwork != nullptr ? FNetwork->GetDrive() : nullptr;
    if (drive == nullptr || drive->ParAnalogRef == nullptr) {
        return;
    }
    bool analog = false;
    for (const TkxParValue* mux : {drive->ParRampRefMux, drive->ParCurrentLimitMux,
                                   drive->ParCurrentRefMux, drive->ParSpeedRefMux}) {
        if (mux != nullptr && mux->GetValueDouble() == 2.0) {
            analog = true;
            break;
        }
    }
    drive->ParAnalogRef->SetEnabled(analog);
}

void TMainForm::EditRegisterExecute() {
    TkxDeviceQXDRV* drive = FNetwork != nullptr ? FNetwork->GetDrive() : nullptr;
    QTreeWidgetItem* row = lvHwInfo->currentItem();
    if (drive == nullptr || focusWidget() != lvHwInfo || row == nullptr || !row->isSelected()) {
        return;
    }
    TkxParValue* par = TkxParOfItem(row);
    if (par == nullptr || (par != drive->ParEEPwmFreq && par != drive->ParEECurrRangeMax)) {
        return;
    }
    // The row is editable only for the editor's opening; the editor keeps its parameter.
    par->SetReadOnly(false);
    kxSlowInterface->ParEdit(lvHwInfo, QChar());
    par->SetReadOnly(true);
}

void TMainForm::SlowInterfaceEdited(TkxParValue* par) {
    TkxDeviceQXDRV* drive = FNetwork != nullptr ? FNetwork->GetDrive() : nullptr;
    if (drive == nullptr || par == nullptr) {
        return;
    }
    const char* what = nullptr;
    const char* warning = nullptr;
    if (par == drive->ParEEPwmFreq) {
        what = "\"PWM switching frequency\" has been modified.";
        warning = " Warning: Motor may be less noisy with an higher frequency but the power "
                  "dissipation of the drive increases.";
    } else if (par == drive->ParEECurrRangeMax) {
        what = "\"Hardware current limit\" has been modified.";
        warning = " Danger: Current range value depends on the sense shunt resistors. A wrong "
                  "setup may result in an error on current supplied to the motor.";
    } else {
        return;
    }
    LogRule();
    for (const char* line : {"!RESERVED PARAMETER!", what, warning,
                             " Warning: This modification takes effect only after restart."}) {
        LogLine(QString::fromLatin1(line));
    }
    LogRule();
}

void TMainForm::RebuildFaultLists() {
    TkxDeviceQXDRV* drive = FNetwork != nullptr ? FNetwork->GetDrive() : nullptr;
    if (drive == nullptr) {
        return;
    }
    const auto fill = [drive](QPlainTextEdit* memo, const TkxRegister* first,
                              const TkxRegister* second) {
        std::vector<std::string> lines;
        drive->ListSetBits(first, lines);
        drive->ListSetBits(second, lines);
        const bool faults = !lines.empty();
        QStringList text;
        for (const std::string& line : lines) {
            text << TkxQString(line);
        }
        if (!faults) {
            text << QStringLiteral("- NO ERROR -");
        }
        const QString joined = text.join(QLatin1Char('\n'));
        // Rewritten only when changed, so a steady list keeps its scroll position.
        if (memo->toPlainText() != joined) {
            memo->setPlainText(joined);
        }
        return faults;
    };
    const bool present = fill(ActFaultMemo, drive->RegActFault1, drive->RegActFault2);
    fill(PrevFaultMemo, drive->RegPreFault1, drive->RegPreFault2);
    SetBackground(cbCmdResetAlarm,
                  present ? TkxQColor(FaultColor) : palette().color(QPalette::Window));
}

void TMainForm::UpdateActions() {
    const int state = FNetwork != nullptr ? FNetwork->DeviceState() : -1;
    const bool hasDrive = state >= 0;
    const bool running = state == TkxState::Running;
    acSetupForm->setEnabled(running || (FPort == 0 && hasDrive));
    acRemoteCtrl->setEnabled(running);
    acScopeForm->setEnabled(running);
    const auto enable = [](TShellForm* form, const char* name, bool on) {
        if (form != nullptr) {
            if (QAction* action = form->Action(name)) {
                action->setEnabled(on);
            }
        }
    };
    for (const char* name : {"acSend", "acSave", "acReload"}) {
        enable(FWindows.Setup, name, running);
        enable(FWindows.Targets, name, running);
    }
    for (const char* name : {"acExport", "acImport", "acPrint"}) {
        enable(FWindows.Setup, name, hasDrive);
    }
    TkxDeviceQXDRV* drive = running ? FNetwork->GetDrive() : nullptr;
    // A drive without a reference has nothing to step.
    const bool primary =
        drive != nullptr && drive->ParPrimaryRef != nullptr && drive->ParPrimaryRef->Enabled();
    const bool secondary =
        drive != nullptr && drive->ParSecondaryRef != nullptr && drive->ParSecondaryRef->Enabled();
    for (const char* name : {"acMainRefUp", "acMainRefDwn", "acMainRefZero"}) {
        enable(FWindows.Control, name, primary);
    }
    for (const char* name : {"acSecRefUp", "acSecRefDwn", "acSecRefZero"}) {
        enable(FWindows.Control, name, secondary);
    }
    if (FWindows.Control != nullptr) {
        if (QAction* target = FWindows.Control->Action("acTarget")) {
            target->setCheckable(true);
            target->setChecked(FWindows.Targets != nullptr && FWindows.Targets->isVisible());
        }
    }
    acSetupForm->setChecked(FWindows.Setup != nullptr && FWindows.Setup->isVisible());
    acRemoteCtrl->setChecked(FWindows.Control != nullptr && FWindows.Control->isVisible());
    acScopeForm->setChecked(FWindows.Scope != nullptr && FWindows.Scope->isVisible());
}
