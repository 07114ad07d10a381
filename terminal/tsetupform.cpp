#include "tsetupform.h"

#include "tlogtexts.h"
#include "tnetworkcmp.h"
#include "ttermsettingscls.h"

#include "ui/tkxcheckboxctrl.h"
#include "ui/tkxparrows.h"
#include "ui/tkxprintrtfdoccmp.h"
#include "ui/tkxqtconvert.h"
#include "ui/tkxradiogroupctrl.h"
#include "ui/tkxuserinterfaceutilscmp.h"

#include "base/tkxerror.h"
#include "base/tkxstatescale.h"
#include "devices/tkxconfigfilecls.h"
#include "devices/tkxdeviceqxdrvcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparfrac16cls.h"
#include "params/tkxparlongcls.h"
#include "registers/tkxformatcls.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregboundcls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <exception>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace {

constexpr int kButtonWidth = 76;
constexpr int kButtonHeight = 36;
// The report's rules and heading width.
constexpr int kReportWidth = 100;

// The parameter's column comes first in every list.
const TkxColumnSet kValue{ckValue};
const TkxColumnSet kValueMinMax{ckValue, ckMin, ckMax};

QTreeWidget* MakeList(QWidget* parent, const char* name) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setRootIsDecorated(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    return list;
}

TkxRadioGroup* MakeRadioGroup(QWidget* parent, const char* name, int columns) {
    auto* group = new TkxRadioGroup(parent);
    group->setObjectName(QString::fromLatin1(name));
    group->SetColumns(columns);
    return group;
}

QWidget* MakePage(QTabWidget* tabs, const char* name, const char* caption) {
    auto* page = new QWidget(tabs);
    page->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    tabs->addTab(page, QString::fromLatin1(caption));
    return page;
}

// A row of radio groups at the top of a page.
void AddRadioRow(QWidget* page, std::initializer_list<TkxRadioGroup*> groups) {
    auto* row = new QHBoxLayout();
    for (TkxRadioGroup* group : groups) {
        row->addWidget(group, 0, Qt::AlignTop);
    }
    row->addStretch(1);
    static_cast<QVBoxLayout*>(page->layout())->addLayout(row);
}

QToolButton* MakeSaveButton(QWidget* parent, const char* name, const char* hint) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(QStringLiteral("<=Save"));
    button->setToolTip(QString::fromLatin1(hint));
    return button;
}

// A group box with a list and, beside it, a column of buttons one per row.
QGroupBox* MakeListGroup(QWidget* parent, const char* name, const char* caption, QTreeWidget*& list,
                         const char* listName, std::initializer_list<QToolButton**> buttons,
                         std::initializer_list<const char*> buttonNames, const char* hint) {
    auto* group = new QGroupBox(QString::fromLatin1(caption), parent);
    group->setObjectName(QString::fromLatin1(name));
    auto* layout = new QHBoxLayout(group);
    layout->setContentsMargins(4, 4, 4, 4);
    list = MakeList(group, listName);
    layout->addWidget(list, 1);
    if (buttons.size() > 0) {
        auto* column = new QVBoxLayout();
        column->setSpacing(0);
        auto buttonName = buttonNames.begin();
        for (QToolButton** button : buttons) {
            *button = MakeSaveButton(group, *buttonName++, hint);
            column->addWidget(*button);
        }
        column->addStretch(1);
        layout->addLayout(column);
    }
    return group;
}

int Code(const TkxParEncoded* par) {
    return par->GetCode();
}

void Enable(TkxParValue* par, bool on) {
    if (par != nullptr) {
        par->SetEnabled(on);
    }
}

// A test on a parameter that is missing does not hold.
bool CodeIs(const TkxParEncoded* par, int code) {
    return par != nullptr && Code(par) == code;
}
bool CodeIsNot(const TkxParEncoded* par, int code) {
    return par != nullptr && Code(par) != code;
}

// A row of a list: a parameter (a missing one gives no row) or a separator.
struct TRow {
    TRow(TkxParValue* par)
        : Par(par) {}
    static TRow Separator() {
        TRow row(nullptr);
        row.Sep = true;
        return row;
    }
    TkxParValue* Par;
    bool Sep = false;
};

QString Padded(const QString& text) {
    return text.left(kReportWidth);
}

QString Heading(const QString& caption) {
    return Padded(QStringLiteral(" %1 %2").arg(caption, QString(kReportWidth, QLatin1Char('-'))));
}

} // namespace

TSetupForm::TSetupForm(const std::string& appPath, QWidget* parent)
    : TShellForm(QStringLiteral("SetupForm"), QStringLiteral("Drive Setup"),
                 {"acClose", "acReload", "acSend", "acSave", "acImport", "acExport", "acPrint",
                  "acTarget"},
                 parent)
    , FAppPath(appPath) {
    resize(560, 520);
    kxInterface = new TkxUserInterfaceUtils(this);
    kxInterface->setObjectName(QStringLiteral("kxInterface"));
    kxInterface->OnBeforeRefresh = [this](TkxUserInterfaceUtils*) { InterfaceBeforeRefresh(); };
    kxInterface->OnAfterRefresh = [this](TkxUserInterfaceUtils*) { InterfaceAfterRefresh(); };
    kxInterface->OnEdited = [this](TkxParValue*) { InterfaceEdited(); };
    kxPrintDoc = new TkxPrintRtfDoc(this);
    kxPrintDoc->setObjectName(QStringLiteral("kxPrintDoc"));
    kxPrintDoc->PixToTwips = 1440;
    kxPrintDoc->L_Margin = 2;
    kxPrintDoc->R_Margin = 1;
    kxPrintDoc->T_Margin = 1;
    kxPrintDoc->B_Margin = 1;
    BuildActions();
    BuildPages();
    ConfirmWarning = [this](const QString& message) {
        return QMessageBox::warning(this, windowTitle(), message,
                                    QMessageBox::Yes | QMessageBox::No,
                                    QMessageBox::No) == QMessageBox::Yes;
    };
    ShowError = [this](const QString& message) {
        QMessageBox::critical(this, windowTitle(), message);
    };
    const auto chooser = [this](bool save) {
        return [this, save](const QString& title, const QString& filter, int filterIndex,
                            const QString& extension) {
            QFileDialog dialog(this, title);
            const QStringList filters = filter.split(QStringLiteral(";;"));
            dialog.setNameFilters(filters);
            dialog.selectNameFilter(filters.value(filterIndex - 1));
            dialog.setDefaultSuffix(extension);
            dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
            dialog.setDirectory(TkxQString(FAppPath));
            return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                       ? dialog.selectedFiles().first()
                       : QString();
        };
    };
    ChooseExportFile = chooser(true);
    ChooseImportFile = chooser(false);
}

TSetupForm::~TSetupForm() = default;

void TSetupForm::BuildActions() {
    const auto setUp = [this](QAction*& field, const char* name, const char* caption,
                              const char* hint, const QKeySequence& shortcut) {
        field = Action(name);
        field->setText(QString::fromLatin1(caption));
        field->setToolTip(QString::fromLatin1(hint));
        field->setShortcut(shortcut);
        field->setShortcutContext(Qt::WindowShortcut);
    };
    setUp(acClose, "acClose", "&Close", "Close setup", QKeySequence(Qt::CTRL | Qt::Key_X));
    setUp(acReload, "acReload", "&Reload", "Refresh data from drive, overwriting actual values",
          QKeySequence());
    setUp(acSend, "acSend", "Send To Drive", "Send setup to drive",
          QKeySequence(Qt::CTRL | Qt::Key_T));
    setUp(acSave, "acSave", "Save To Drive", "Send and save setup to drive",
          QKeySequence(Qt::CTRL | Qt::Key_S));
    setUp(acImport, "acImport", "From File ...", "Load setup from file", QKeySequence());
    setUp(acExport, "acExport", "To File ...", "Save setup to file", QKeySequence());
    setUp(acPrint, "acPrint", "Print", "Print setup", QKeySequence());
    setUp(acTarget, "acTarget", "Setup Predefined Targets", "", QKeySequence());
    acTarget->setEnabled(false);
    connect(acClose, &QAction::triggered, this, &QWidget::close);
    connect(acReload, &QAction::triggered, this, &TSetupForm::ReloadExecute);
    connect(acSend, &QAction::triggered, this, &TSetupForm::SendExecute);
    connect(acSave, &QAction::triggered, this, &TSetupForm::SaveExecute);
    connect(acImport, &QAction::triggered, this, &TSetupForm::ImportExecute);
    connect(acExport, &QAction::triggered, this, &TSetupForm::ExportExecute);
    connect(acPrint, &QAction::triggered, this, &TSetupForm::PrintExecute);
    connect(acTarget, &QAction::triggered, this, [this] {
        if (ShowTargets) {
            ShowTargets();
        }
    });
}

void TSetupForm::BuildPages() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tbSetup = new QToolBar(this);
    tbSetup->setObjectName(QStringLiteral("tbSetup"));
    tbSetup->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const auto button = [this](const char* name, QAction* action) {
        auto* made = new QToolButton(tbSetup);
        made->setObjectName(QString::fromLatin1(name));
        made->setDefaultAction(action);
        made->setAutoRaise(true);
        made->setToolButtonStyle(Qt::ToolButtonTextOnly);
        made->setMinimumSize(kButtonWidth, kButtonHeight);
        tbSetup->addWidget(made);
    };
    button("tbClose", acClose);
    tbSetup->addSeparator();
    button("tbReload", acReload);
    tbSetup->addSeparator();
    button("tbSend", acSend);
    button("tbSave", acSave);
    tbSetup->addSeparator();
    button("tbImport", acImport);
    button("tbExport", acExport);
    tbSetup->addSeparator();
    button("tbPrint", acPrint);
    layout->addWidget(tbSetup);

    pcSetup = new QTabWidget(this);
    pcSetup->setObjectName(QStringLiteral("pcSetup"));
    layout->addWidget(pcSetup, 1);

    QWidget* page = MakePage(pcSetup, "tsMains", "Mains");
    lvMains = MakeList(page, "lvMains");
    page->layout()->addWidget(lvMains);
    static_cast<QVBoxLayout*>(page->layout())->addStretch(1);

    page = MakePage(pcSetup, "tsMotor", "Motor setup");
    rgMotorType = MakeRadioGroup(page, "rgMotorType", 4);
    rgPhaseGenMux = MakeRadioGroup(page, "rgPhaseGenMux", 3);
    AddRadioRow(page, {rgMotorType, rgPhaseGenMux});
    lvMotor = MakeList(page, "lvMotor");
    page->layout()->addWidget(lvMotor);
    static_cast<QVBoxLayout*>(page->layout())->addStretch(1);

    page = MakePage(pcSetup, "tsTransducers", "Transducers");
    pcTransducers = new QTabWidget(page);
    pcTransducers->setObjectName(QStringLiteral("pcTransducers"));
    page->layout()->addWidget(pcTransducers);
    const auto encoderPage = [this](const char* name, const char* caption, const char* groupName,
                                    TkxRadioGroup*& group, const char* listName) {
        QWidget* sub = MakePage(pcTransducers, name, caption);
        group = MakeRadioGroup(sub, groupName, 2);
        AddRadioRow(sub, {group});
        QTreeWidget* list = MakeList(sub, listName);
        sub->layout()->addWidget(list);
        static_cast<QVBoxLayout*>(sub->layout())->addStretch(1);
        return list;
    };
    lvResolver =
        encoderPage("tsResolver", "Resolver", "rgResolverReverse", rgResolverReverse, "lvResolver");
    lvMainEncoder = encoderPage("tsMainEncoder", "Main Encoder", "rgMainEncoderReverse",
                                rgMainEncoderReverse, "lvMainEncoder");
    lvSecondaryEncoder =
        encoderPage("tsSecondaryEncoder", "Secondary Encoder", "rgSecondaryEncoderReverse",
                    rgSecondaryEncoderReverse, "lvSecondaryEncoder");
    page = MakePage(pcTransducers, "tsHallEffect", "Hall Effect");
    lvHallEffect = MakeList(page, "lvHallEffect");
    page->layout()->addWidget(lvHallEffect);
    static_cast<QVBoxLayout*>(page->layout())->addStretch(1);

    page = MakePage(pcSetup, "tsControlMode", "Control mode");
    lvControlMode = MakeList(page, "lvControlMode");
    page->layout()->addWidget(lvControlMode);
    pcControlMode = new QTabWidget(page);
    pcControlMode->setObjectName(QStringLiteral("pcControlMode"));
    page->layout()->addWidget(pcControlMode);
    static_cast<QVBoxLayout*>(page->layout())->addStretch(1);
    // A sub-page of the control mode: its radio groups in a row above its list.
    const auto loopPage =
        [this](const char* name, const char* caption, const char* listName,
               std::initializer_list<std::pair<TkxRadioGroup**, const char*>> groups) {
            QWidget* sub = MakePage(pcControlMode, name, caption);
            std::vector<TkxRadioGroup*> made;
            for (const auto& [field, groupName] : groups) {
                *field = MakeRadioGroup(sub, groupName, 2);
                made.push_back(*field);
            }
            if (!made.empty()) {
                auto* row = new QHBoxLayout();
                for (TkxRadioGroup* group : made) {
                    row->addWidget(group, 0, Qt::AlignTop);
                }
                row->addStretch(1);
                static_cast<QVBoxLayout*>(sub->layout())->addLayout(row);
            }
            QTreeWidget* list = MakeList(sub, listName);
            sub->layout()->addWidget(list);
            return sub;
        };
    const auto finish = [](QWidget* sub) {
        static_cast<QVBoxLayout*>(sub->layout())->addStretch(1);
    };
    finish(loopPage("tsFieldLoop", "Field Loop", "lvFieldLoop", {}));
    lvFieldLoop = pcControlMode->widget(0)->findChild<QTreeWidget*>(QStringLiteral("lvFieldLoop"));
    QWidget* sub = loopPage(
        "tsCurrentLoop", "Current Loop", "lvCurrentLoop",
        {{&rgCurrentLimitMux, "rgCurrentLimitMux"}, {&rgCurrentRefMux, "rgCurrentRefMux"}});
    lvCurrentLoop = sub->findChild<QTreeWidget*>(QStringLiteral("lvCurrentLoop"));
    finish(sub);
    sub =
        loopPage("tsSpeedLoop", "Speed Loop", "lvSpeedLoop",
                 {{&rgSpeedRefMux, "rgSpeedRefMux"}, {&rgSpeedFeedbackMux, "rgSpeedFeedbackMux"}});
    lvSpeedLoop = sub->findChild<QTreeWidget*>(QStringLiteral("lvSpeedLoop"));
    finish(sub);
    sub = loopPage("tsRamp", "Ramp", "lvRampSetup", {{&rgRampRefMux, "rgRampRefMux"}});
    lvRampSetup = sub->findChild<QTreeWidget*>(QStringLiteral("lvRampSetup"));
    finish(sub);
    sub = loopPage("tsPositionLoop", "Position Loop", "lvPositionLoop",
                   {{&rgPosRefMux, "rgPosRefMux"}, {&rgPosFeedbackMux, "rgPosFeedbackMux"}});
    lvPositionLoop = sub->findChild<QTreeWidget*>(QStringLiteral("lvPositionLoop"));
    finish(sub);
    sub = loopPage("tsElAxis", "El. Axis", "lvElAxis", {{&rgPosIncRefMux, "rgPosIncRefMux"}});
    lvElAxis = sub->findChild<QTreeWidget*>(QStringLiteral("lvElAxis"));
    finish(sub);
    sub = loopPage("tsPosTarget", "Position Target", "lvPosTarget",
                   {{&rgUseSyncSignal, "rgUseSyncSignal"}});
    lvPosTarget = sub->findChild<QTreeWidget*>(QStringLiteral("lvPosTarget"));
    btnSetTarget = new QToolButton(sub);
    btnSetTarget->setObjectName(QStringLiteral("btnSetTarget"));
    btnSetTarget->setDefaultAction(acTarget);
    btnSetTarget->setToolButtonStyle(Qt::ToolButtonTextOnly);
    sub->layout()->addWidget(btnSetTarget);
    finish(sub);

    page = MakePage(pcSetup, "tsZeroing", "Zeroing");
    // The radio groups and the picture share a panel.
    auto* panel = new QWidget(page);
    panel->setObjectName(QStringLiteral("pnZeroing"));
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    rgZeroLevel = MakeRadioGroup(panel, "rgZeroLevel", 2);
    rgZeroDir = MakeRadioGroup(panel, "rgZeroDir", 2);
    panelLayout->addWidget(rgZeroLevel, 0, Qt::AlignTop);
    panelLayout->addWidget(rgZeroDir, 0, Qt::AlignTop);
    panelLayout->addStretch(1);
    Image = new QLabel(panel);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setFixedSize(ZeroPictureWidth, ZeroPictureHeight);
    Image->setAlignment(Qt::AlignCenter);
    Image->setAttribute(Qt::WA_TranslucentBackground);
    Image->setPixmap(ZeroPicture(FZeroPicture));
    panelLayout->addWidget(Image, 0, Qt::AlignRight | Qt::AlignVCenter);
    page->layout()->addWidget(panel);
    lvZeroing = MakeList(page, "lvZeroing");
    page->layout()->addWidget(lvZeroing);
    static_cast<QVBoxLayout*>(page->layout())->addStretch(1);

    page = MakePage(pcSetup, "tsBrake", "Brake");
    rgCfgOutRelayMode = MakeRadioGroup(page, "rgCfgOutRelayMode", 2);
    AddRadioRow(page, {rgCfgOutRelayMode});
    lvBrake = MakeList(page, "lvBrake");
    page->layout()->addWidget(lvBrake);
    static_cast<QVBoxLayout*>(page->layout())->addStretch(1);

    page = MakePage(pcSetup, "tsLimits", "Limits");
    rgUseHwLimits = MakeRadioGroup(page, "rgUseHwLimits", 2);
    rgUseSwLimits = MakeRadioGroup(page, "rgUseSwLimits", 2);
    rgCfgEndSwitchBrake = MakeRadioGroup(page, "rgCfgEndSwitchBrake", 2);
    AddRadioRow(page, {rgUseHwLimits, rgUseSwLimits, rgCfgEndSwitchBrake});
    lvLimits = MakeList(page, "lvLimits");
    page->layout()->addWidget(lvLimits);
    static_cast<QVBoxLayout*>(page->layout())->addStretch(1);

    page = MakePage(pcSetup, "tsFieldBus", "Field Bus");
    lvCmdFromBus = MakeList(page, "lvCmdFromBus");
    page->layout()->addWidget(lvCmdFromBus);
    const char* modBusHint = "Save this value as new slave address for ModBus";
    gbModBus = MakeListGroup(page, "gbModBus", "ModBus", lvModBusSlave, "lvModBusSlave",
                             {&sbtnSaveModBusSlave, &sbtnSaveModBusBaudRate},
                             {"sbtnSaveModBusSlave", "sbtnSaveModBusBaudRate"}, modBusHint);
    page->layout()->addWidget(gbModBus);
    gbCanBus = MakeListGroup(
        page, "gbCanBus", "CanBus", lvCanBusBaudRate, "lvCanBusBaudRate",
        {&sbtnSaveCanBusAddress, &sbtnSaveCanBusBaudRate, &sbtnSaveStdCanRxID, &sbtnSaveStdCanTxID},
        {"sbtnSaveCanBusAddress", "sbtnSaveCanBusBaudRate", "sbtnSaveStdCanRxID",
         "sbtnSaveStdCanTxID"},
        "Save this value");
    page->layout()->addWidget(gbCanBus);
    // A frame field's choice reads "address name | description": the frame lists take the
    // page's whole width, one above the other.
    gbRxFrames = MakeListGroup(page, "gbRxFrames", "CAN-bus RX Frames", lvRxFrames, "lvRxFrames",
                               {}, {}, "");
    gbTxFrames = MakeListGroup(page, "gbTxFrames", "CAN-bus TX Frames", lvTxFrames, "lvTxFrames",
                               {}, {}, "");
    page->layout()->addWidget(gbRxFrames);
    page->layout()->addWidget(gbTxFrames);
    static_cast<QVBoxLayout*>(page->layout())->addStretch(1);

    // Each button writes its EEPROM parameter of the drive at once.
    using TParOf = TkxParValue* (*)(TkxDeviceQXDRV&);
    const auto saveButton = [this](QToolButton* sbtn, const char* name, TParOf par) {
        connect(sbtn, &QToolButton::clicked, this, [this, name, par] {
            if (TkxDeviceQXDRV* drive = Drive()) {
                SaveEEValue(par(*drive), name);
            }
        });
    };
    saveButton(sbtnSaveModBusSlave, "ModBus Address",
               [](TkxDeviceQXDRV& d) -> TkxParValue* { return d.ParEEModBusAddress; });
    saveButton(sbtnSaveModBusBaudRate, "ModBus BaudRate",
               [](TkxDeviceQXDRV& d) -> TkxParValue* { return d.ParEEModBusBaudrate; });
    saveButton(sbtnSaveCanBusAddress, "CanBus Address",
               [](TkxDeviceQXDRV& d) -> TkxParValue* { return d.ParEECanBusAddress; });
    saveButton(sbtnSaveCanBusBaudRate, "CanBus BaudRate",
               [](TkxDeviceQXDRV& d) -> TkxParValue* { return d.ParEECanBusBaudrate; });
    saveButton(sbtnSaveStdCanRxID, "Standard Rx ID base address",
               [](TkxDeviceQXDRV& d) -> TkxParValue* { return d.ParEECanStdRxIDbase; });
    saveButton(sbtnSaveStdCanTxID, "Standard Tx ID base address",
               [](TkxDeviceQXDRV& d) -> TkxParValue* { return d.ParEECanStdTxIDbase; });
}

TkxDeviceQXDRV* TSetupForm::Drive() const {
    return FNetwork != nullptr ? FNetwork->GetDrive() : nullptr;
}

bool TSetupForm::DriveRunning() const {
    return Drive() != nullptr && FNetwork->DeviceState() == TkxState::Running;
}

void TSetupForm::LinkDevice() {
    kxInterface->Reset();
    TkxDeviceQXDRV* d = Drive();
    if (d == nullptr) {
        return;
    }
    TkxUserInterfaceUtils& ui = *kxInterface;
    const auto radio = [&ui](TkxRadioGroup* group, TkxParEncoded* par) {
        ui.With(group, par);
        ui.AdaptHeight();
    };
    const TRow sep = TRow::Separator();
    const auto rows = [&ui](QTreeWidget* view, TkxColumnSet columns,
                            std::initializer_list<TRow> pars, bool adapt = true) {
        ui.With(view, columns);
        for (const TRow& row : pars) {
            if (row.Sep) {
                ui.ListSep();
            } else {
                ui.List(row.Par);
            }
        }
        if (adapt) {
            ui.AdaptHeight();
        }
    };

    rows(lvMains, kValue, {d->ParMainVoltage});

    radio(rgMotorType, d->ParMotorType);
    radio(rgPhaseGenMux, d->ParPhaseGenMux);
    rows(lvMotor, kValueMinMax,
         {d->ParMotorUrV,
          sep,
          d->ParMotorIpA,
          d->ParMotorIrA,
          d->ParMotorI2Ttime,
          sep,
          d->ParMotorImrA,
          d->ParMotorTrLR,
          sep,
          d->ParPolesNumber,
          d->ParMotorSmaxRPM,
          d->ParMotorSrRPM,
          sep,
          d->ParMotorStepRev,
          d->ParMicrostepNumber,
          sep,
          d->ParMotorRxI,
          d->ParArmatureOffset,
          sep,
          d->CfgTempSense,
          d->CfgUseAutoCalib});

    radio(rgResolverReverse, d->UseResolverReverse);
    rows(lvResolver, kValueMinMax, {d->ParResolverPoles});
    radio(rgMainEncoderReverse, d->UseMainEncodeReverse);
    rows(lvMainEncoder, kValueMinMax, {d->ParMainEncoderPulseRev});
    radio(rgSecondaryEncoderReverse, d->UseSecondaryEncodeReverse);
    rows(lvSecondaryEncoder, kValueMinMax, {d->ParSecondaryEncoderPulseRev});
    // Bound twice: the second binding keeps the columns of the first.
    rows(lvHallEffect, kValue,
         {d->UseHallEffectSensorSequence, d->UseHallEffectInputExchange, d->UseHallEffectLevel,
          d->UseHallEffectSpeedFiltering, d->UseHallEffectBEMFcommutation,
          d->UseHallEffectMotorSequence, d->UseHallEffectReverse, d->UseHallEffectCommutation,
          sep});
    rows(lvHallEffect, kValueMinMax, {d->ParHallEffectPhaseShift});

    rows(lvControlMode, kValue,
         {d->CfgCtrlMode, d->CfgFieldWeakening, d->CfgBrakeBehavior, d->CfgStopMode, sep,
          d->ParAnalogRefOffset, sep});
    rows(lvFieldLoop, kValueMinMax,
         {d->ParField_PGain, d->ParField_IGain, d->ParField_ICorrection});
    radio(rgCurrentLimitMux, d->ParCurrentLimitMux);
    radio(rgCurrentRefMux, d->ParCurrentRefMux);
    rows(lvCurrentLoop, kValueMinMax,
         {d->ParSD_PGain, d->ParSD_IGain, d->ParSD_ICorrection, sep, d->ParSQ_PGain, d->ParSQ_IGain,
          d->ParSQ_ICorrection});
    radio(rgSpeedRefMux, d->ParSpeedRefMux);
    radio(rgSpeedFeedbackMux, d->ParSpeedFeedbackMux);
    rows(lvSpeedLoop, kValueMinMax,
         {d->ParSpeedFFGain, d->ParSpeedPGain, d->ParSpeedIGain, d->ParSpeedICorrection, sep,
          d->ParSpeedWindow});
    radio(rgRampRefMux, d->ParRampRefMux);
    rows(lvRampSetup, kValueMinMax, {d->ParMotorAccel, d->ParMotorDecel});
    radio(rgPosRefMux, d->ParPosRefMux);
    radio(rgPosFeedbackMux, d->ParPosFeedbackMux);
    ui.With(lvPositionLoop, kValueMinMax);
    if (d->ParPosFFGain != nullptr) {
        ui.List(d->ParPosFFGain);
        ui.ListSep();
    }
    for (TkxParValue* par :
         {static_cast<TkxParValue*>(d->ParPosPGain), static_cast<TkxParValue*>(d->ParPosIGain),
          d->ParPosICorrection, static_cast<TkxParValue*>(d->ParPosDGain)}) {
        ui.List(par);
    }
    ui.ListSep();
    ui.List(d->ParPosWindow);
    if (d->ParPosStaPGain != nullptr || d->ParPosStaIGain != nullptr ||
        d->ParPosStaICorrection != nullptr || d->ParPosStaDGain != nullptr) {
        ui.ListSep();
        for (TkxParValue* par :
             {static_cast<TkxParValue*>(d->ParPosStaPGain),
              static_cast<TkxParValue*>(d->ParPosStaIGain), d->ParPosStaICorrection,
              static_cast<TkxParValue*>(d->ParPosStaDGain)}) {
            ui.List(par);
        }
    }
    ui.AdaptHeight();
    radio(rgPosIncRefMux, d->ParPosIncRefMux);
    rows(lvElAxis, kValueMinMax,
         {d->ParElAx_FFGain, d->ParElAx_PGain, d->ParElAx_IGain, d->ParElAx_ICorrection,
          d->ParElAx_DGain, sep, d->ParGearNum, d->ParGearDenom});
    radio(rgUseSyncSignal, d->CfgUseSyncSignal);
    rows(lvPosTarget, kValueMinMax,
         {d->ParPosPktAccel, d->ParPosPktDecel, sep, d->ParPosPktSpeed, sep, d->ParPosPktTarget});

    radio(rgZeroLevel, d->CfgZeroActiveLevel);
    radio(rgZeroDir, d->CfgZeroDirection);
    rows(lvZeroing, kValueMinMax, {d->ParZeroSpeedMax, d->ParZeroSpeedMin, d->ParZeroTimeout});

    radio(rgCfgOutRelayMode, d->CfgOutRelayMode);
    rows(lvBrake, kValueMinMax, {d->ParBrakeOffTime, d->ParBrakeOnTime});

    radio(rgUseHwLimits, d->CfgUseHwLimits);
    radio(rgUseSwLimits, d->CfgUseSwLimits);
    radio(rgCfgEndSwitchBrake, d->CfgEndSwitchBrake);
    rows(lvLimits, kValueMinMax, {d->ParPosMaxLimit, d->ParPosMinLimit});

    rows(lvCmdFromBus, kValue,
         {d->CfgCmdFromBus, d->CfgStpFromBus, d->CfgCommTimelink, d->CfgCanProtocolType});
    rows(lvModBusSlave, kValue, {d->ParEEModBusAddress, d->ParEEModBusBaudrate}, false);
    rows(lvCanBusBaudRate, kValue,
         {d->ParEECanBusAddress, d->ParEECanBusBaudrate, d->ParEECanStdRxIDbase,
          d->ParEECanStdTxIDbase},
         false);
    // These two keep one height, that of the longest, beside their buttons.
    for (QTreeWidget* bus : {lvModBusSlave, lvCanBusBaudRate}) {
        bus->setFixedHeight(TkxUserInterfaceUtils::ListHeight(bus, 4));
    }
    // The frame lists show address, name and description in columns of fixed pitch.
    QFont fixed = TkxQFont(QStringLiteral("Courier New"), 8);
    fixed.setStyleHint(QFont::TypeWriter);
    for (auto [view, group, pars] :
         {std::tuple{lvRxFrames, gbRxFrames,
                     std::array<TkxParValue*, 4>{d->ParCyclicRx1, d->ParCyclicRx2, d->ParCyclicRx3,
                                                 d->ParCyclicRx4}},
          std::tuple{lvTxFrames, gbTxFrames,
                     std::array<TkxParValue*, 4>{d->ParCyclicTx1, d->ParCyclicTx2, d->ParCyclicTx3,
                                                 d->ParCyclicTx4}}}) {
        view->setFont(fixed);
        ui.With(view, kValue);
        for (TkxParValue* par : pars) {
            ui.List(par);
        }
        group->setFixedHeight(ui.AdaptHeight() + 18 + group->contentsMargins().top());
    }
    OfferFrameChoices(*d, "CanRxRegs",
                      {d->ParCyclicRx1, d->ParCyclicRx2, d->ParCyclicRx3, d->ParCyclicRx4});
    OfferFrameChoices(*d, "CanTxRegs",
                      {d->ParCyclicTx1, d->ParCyclicTx2, d->ParCyclicTx3, d->ParCyclicTx4});
}

void TSetupForm::OfferFrameChoices(TkxDeviceQXDRV& drive, const char* group,
                                   std::initializer_list<TkxParEncoded*> frames) {
    TkxRegDefsList* defs = drive.Defs();
    if (defs == nullptr) {
        return;
    }
    // A frame field names a register of its group by address, or 0 for none. Its choices read
    // "address name | description" in columns; its range ends at the group's highest register.
    const auto offer = [&](int address, std::string_view name, std::string_view text) {
        const std::string key = "Descr[0m0v" + std::to_string(address) + "]";
        const std::string choice = TkxFormat::Printf("%03d %-20s | %s", {address, name, text});
        for (TkxParEncoded* frame : frames) {
            if (frame != nullptr) {
                defs->SetDescription(frame->Register()->Definition(), key, choice);
            }
        }
    };
    offer(0, "-none-", "Disabled field");
    int highest = 0;
    const std::unique_ptr<TkxRegBlock> blocks = defs->CategoryBlocks(group);
    for (const TkxRegBlock* block = blocks.get(); block != nullptr; block = block->Next()) {
        for (int address = block->Start(); address < block->Start() + block->Count(); ++address) {
            if (const TkxRegDefinition* reg = defs->FindByAddress(address)) {
                offer(address, reg->Name(), reg->GetDescr(-1));
                highest = std::max(highest, address);
            }
        }
    }
    for (TkxParEncoded* frame : frames) {
        if (frame != nullptr) {
            frame->Register()->SetLimits(0, highest);
        }
    }
}

void TSetupForm::UnlinkDevice() {
    kxInterface->Reset();
}

void TSetupForm::InterfaceBeforeRefresh() {
    TkxDeviceQXDRV* d = Drive();
    if (d == nullptr) {
        return;
    }
    TkxParEncoded* const motor = d->ParMotorType;
    // 1, 2: the motor type.
    if (motor != nullptr) {
        Enable(d->ParMotorImrA, Code(motor) == 2);
        Enable(d->ParMotorTrLR, Code(motor) == 2);
        for (TkxParValue* par : {static_cast<TkxParValue*>(d->ParSD_PGain),
                                 static_cast<TkxParValue*>(d->ParSD_IGain), d->ParSD_ICorrection}) {
            Enable(par, Code(motor) != 3);
        }
        if (d->ParPhaseGenMux != nullptr) {
            if (TkxRegBound* max = d->ParPhaseGenMux->Register()->MaxBound()) {
                max->SetValue(Code(motor) == 2 ? 1 : 2);
            }
        }
    }
    TkxParEncoded* const posInc = d->ParPosIncRefMux;
    TkxParEncoded* const posFeedback = d->ParPosFeedbackMux;
    TkxParEncoded* const speedRef = d->ParSpeedRefMux;
    TkxParEncoded* const speedFeedback = d->ParSpeedFeedbackMux;
    TkxParEncoded* const phaseGen = d->ParPhaseGenMux;
    // 3: the resolver serves as soon as one source selects it; a missing selector selects
    // nothing.
    if (d->UseResolverReverse != nullptr && d->ParResolverPoles != nullptr) {
        const bool on = CodeIs(posInc, 0) || CodeIs(posFeedback, 0) || CodeIs(speedRef, 7) ||
                        CodeIs(speedFeedback, 0) || CodeIs(phaseGen, 0);
        Enable(d->UseResolverReverse, on);
        Enable(d->ParResolverPoles, on);
    }
    // 4, 5: the encoders.
    if (d->UseMainEncodeReverse != nullptr && d->ParMainEncoderPulseRev != nullptr) {
        const bool on = CodeIs(posInc, 1) || CodeIs(posFeedback, 1) || CodeIs(speedRef, 8) ||
                        CodeIs(speedFeedback, 1) || CodeIs(phaseGen, 1);
        Enable(d->UseMainEncodeReverse, on);
        Enable(d->ParMainEncoderPulseRev, on);
    }
    if (d->UseSecondaryEncodeReverse != nullptr && d->ParSecondaryEncoderPulseRev != nullptr) {
        const bool on = CodeIs(posInc, 2) || CodeIs(posFeedback, 2) || CodeIs(speedRef, 9) ||
                        CodeIs(speedFeedback, 2);
        Enable(d->UseSecondaryEncodeReverse, on);
        Enable(d->ParSecondaryEncoderPulseRev, on);
    }
    // 6, 7: the Hall sensors.
    const bool anySource = CodeIsNot(posInc, 0) || CodeIsNot(posFeedback, 0) ||
                           CodeIsNot(speedRef, 7) || CodeIsNot(speedFeedback, 0);
    if (motor != nullptr) {
        const bool hall = (anySource || CodeIsNot(phaseGen, 0)) && Code(motor) != 2;
        Enable(d->UseHallEffectReverse, hall);
        Enable(d->UseHallEffectLevel, hall);
        Enable(d->UseHallEffectCommutation, hall);
        Enable(d->ParHallEffectPhaseShift,
               anySource ? Code(motor) == 0 : CodeIsNot(phaseGen, 0) && Code(motor) != 0);
    }
    // 8, 9: limits and brake.
    if (d->CfgUseSwLimits != nullptr) {
        Enable(d->ParPosMaxLimit, d->CfgUseSwLimits->GetBool());
        Enable(d->ParPosMinLimit, d->CfgUseSwLimits->GetBool());
    }
    if (d->CfgOutRelayMode != nullptr) {
        Enable(d->ParBrakeOffTime, !d->CfgOutRelayMode->GetBool());
        Enable(d->ParBrakeOnTime, !d->CfgOutRelayMode->GetBool());
    }
    // 10: the analog reference.
    Enable(d->ParAnalogRefOffset,
           CodeIs(d->ParRampRefMux, 2) || CodeIs(d->ParCurrentRefMux, 2) || CodeIs(speedRef, 2));
    // 11, 12: the control mode.
    if (d->CfgCtrlMode != nullptr) {
        const int mode = Code(d->CfgCtrlMode);
        Enable(d->CfgUseSyncSignal, mode > 2);
        const bool table = mode == 4 || mode == 6;
        for (TkxParValue* par : {d->ParPosPktAccel, d->ParPosPktDecel, d->ParPosPktSpeed,
                                 static_cast<TkxParValue*>(d->ParPosPktTarget)}) {
            Enable(par, !table && mode > 2);
        }
        const int model = d->GetVersion().Model;
        acTarget->setEnabled(table && model != 460 && model != 470);
    } else {
        acTarget->setEnabled(false);
    }
    // 13: the standard CAN identifiers.
    if (d->CfgCanProtocolType != nullptr) {
        const bool standard = d->CfgCanProtocolType->GetBool();
        Enable(d->ParEECanStdRxIDbase, standard);
        Enable(d->ParEECanStdTxIDbase, standard);
        sbtnSaveStdCanRxID->setVisible(standard && d->ParEECanStdRxIDbase != nullptr);
        sbtnSaveStdCanTxID->setVisible(standard && d->ParEECanStdTxIDbase != nullptr);
    } else {
        sbtnSaveStdCanRxID->setVisible(false);
        sbtnSaveStdCanTxID->setVisible(false);
    }
}

void TSetupForm::InterfaceAfterRefresh() {
    TkxDeviceQXDRV* d = Drive();
    if (d == nullptr) {
        return;
    }
    const bool high = d->CfgZeroActiveLevel != nullptr && d->CfgZeroActiveLevel->GetBool();
    const bool positive = d->CfgZeroDirection == nullptr || d->CfgZeroDirection->GetBool();
    const int picture = ZeroPictureFirst + (high ? 2 : 0) + (positive ? 0 : 1);
    if (picture != FZeroPicture) {
        FZeroPicture = picture;
        Image->setPixmap(ZeroPicture(picture));
    }
}

void TSetupForm::InterfaceEdited() {
    kxInterface->RefreshData();
    if (RefreshControl) {
        RefreshControl();
    }
}

void TSetupForm::showEvent(QShowEvent* event) {
    TShellForm::showEvent(event);
    pcSetup->setCurrentIndex(0);
    pcTransducers->setCurrentIndex(0);
    pcControlMode->setCurrentIndex(0);
    // Offline there is nothing to read: the window shows the drive object as it is. Edits not
    // yet sent are kept: a read would overwrite them without a word.
    if (DriveRunning() && !FShowingRead && Drive()->SetupState() != TkxDeviceQXSlave::SetupEdited) {
        Drive()->ReloadSetup();
    }
    kxInterface->RefreshData();
}

void TSetupForm::ShowReadSetup() {
    FShowingRead = true;
    show();
    FShowingRead = false;
}

bool TSetupForm::CloseQuery() {
    if (!DriveRunning()) {
        return true;
    }
    switch (Drive()->SetupState()) {
    case TkxDeviceQXSlave::SetupEdited:
        return ConfirmWarning(QStringLiteral("Setup has been modified but not sent nor saved.\n\r"
                                             "Are you sure to close without update and save?"));
    case TkxDeviceQXSlave::SetupSentNotSaved:
        return ConfirmWarning(QStringLiteral("Program has been modified and sent but not saved "
                                             "permanently.\n\rAre you sure to close without "
                                             "save?"));
    default:
        return true;
    }
}

void TSetupForm::closeEvent(QCloseEvent* event) {
    if (isVisible() && !CloseQuery()) {
        event->ignore();
        return;
    }
    TShellForm::closeEvent(event);
}

void TSetupForm::ReloadExecute() {
    if (TkxDeviceQXDRV* drive = Drive()) {
        drive->ReloadSetup();
    }
}

void TSetupForm::SendExecute() {
    if (TkxDeviceQXDRV* drive = Drive()) {
        emit Log(QStringLiteral("Sending setup..."));
        drive->SendToDrive();
    }
}

void TSetupForm::SaveExecute() {
    if (TkxDeviceQXDRV* drive = Drive()) {
        emit Log(QStringLiteral("Saving setup..."));
        drive->SaveToDrive();
    }
}

void TSetupForm::SaveEEValue(TkxParValue* par, const char* name) {
    if (par == nullptr) {
        return;
    }
    // The lines tell what was asked of the drive, whatever its answer.
    par->WriteToDevice();
    const QString rule = QString::fromLatin1(TLogTexts::BannerRule);
    emit Log(rule);
    emit Log(QStringLiteral("\"%1\" has been modified.").arg(QString::fromLatin1(name)));
    emit Log(QStringLiteral(" Warning: This modification takes effect only after restart."));
    emit Log(rule);
}

void TSetupForm::LogLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        emit Log(TkxQString(line));
    }
}

namespace {

// The file filter of the dialogs, as Qt writes it.
QString DialogFilter() {
    const QStringList parts = TkxQString(TkxConfigFile::FilterText).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i < parts.size(); i += 2) {
        filters << parts[i];
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace

QString TSetupForm::ChooseFile(const TFileChooser& choose, const char* title) const {
    TkxDeviceQXDRV* drive = Drive();
    if (drive == nullptr || !choose) {
        return {};
    }
    const int model = drive->GetVersion().Model;
    return choose(QString::fromLatin1(title), DialogFilter(), TkxConfigFile::FilterIndex(model),
                  TkxQString(TkxConfigFile::Extension(model)));
}

void TSetupForm::FileFailed(const QString& first, const QString& failed, const QString& message,
                            const std::exception& error) {
    const QString why = QString::fromLocal8Bit(error.what());
    emit Log(first);
    emit Log(failed + why);
    ShowError(message + QStringLiteral(":\n") + why);
}

void TSetupForm::ExportExecute() {
    const QString path = ChooseFile(ChooseExportFile, "Export configuration to file");
    if (path.isEmpty()) {
        return;
    }
    TTermSettings settings(FAppPath);
    const TkxConfigHeader header = TkxConfigFile::HeaderFrom(settings.Text());
    try {
        LogLines(TkxConfigFile::Export(*Drive(), path.toStdString(), header));
    } catch (const std::exception& error) {
        FileFailed(QStringLiteral("Export setup to file: ") + path,
                   QStringLiteral("Setup not exported: "),
                   QStringLiteral("The setup could not be written to ") + path, error);
    }
}

void TSetupForm::ImportExecute() {
    const QString path = ChooseFile(ChooseImportFile, "Import configuration from file");
    if (path.isEmpty()) {
        return;
    }
    TkxImportReport report;
    try {
        report = TkxConfigFile::Import(*Drive(), path.toStdString());
    } catch (const std::exception& error) {
        FileFailed(QStringLiteral("Import setup from file: ") + path,
                   QStringLiteral("Setup not imported: "),
                   QStringLiteral("The setup could not be read from ") + path, error);
        return;
    }
    LogLines(report.Log);
    kxInterface->RefreshData();
    if (!report.HasSetup) {
        ShowError(QStringLiteral("%1 holds no drive setup; nothing was changed.").arg(path));
    }
}

void TSetupForm::PrintExecute() {
    if (Drive() == nullptr) {
        return;
    }
    emit Log(QStringLiteral("Printing drive setup..."));
    QTextDocument report;
    ComposeReport(report);
    kxPrintDoc->Doc = &report;
    kxPrintDoc->Title = QStringLiteral("QX_DRV_CfgTrm_Report");
    kxPrintDoc->Execute(true);
    kxPrintDoc->Doc = nullptr;
    emit Log(QStringLiteral("Drive setup printed."));
}

namespace {

// Appends the report lines of a control: its bound parameters that are visible and enabled.
void PrintControl(QWidget* control, QTextCursor& cursor, bool recurse,
                  const std::function<void(const TkxParValue*)>& line);

void PrintChildren(QWidget* control, QTextCursor& cursor, bool recurse,
                   const std::function<void(const TkxParValue*)>& line) {
    for (QObject* child : control->children()) {
        if (auto* widget = qobject_cast<QWidget*>(child)) {
            PrintControl(widget, cursor, recurse, line);
        }
    }
}

void PrintControl(QWidget* control, QTextCursor& cursor, bool recurse,
                  const std::function<void(const TkxParValue*)>& line) {
    if (auto* group = qobject_cast<TkxRadioGroup*>(control)) {
        line(group->Par());
    } else if (auto* view = qobject_cast<QTreeWidget*>(control)) {
        for (int row = 0; row < view->topLevelItemCount(); ++row) {
            line(TkxParOfItem(view->topLevelItem(row)));
        }
    } else if (auto* box = qobject_cast<TkxCheckBox*>(control)) {
        line(box->Par());
    } else if (qobject_cast<QGroupBox*>(control) != nullptr) {
        PrintChildren(control, cursor, recurse, line);
    } else if (recurse) {
        PrintChildren(control, cursor, recurse, line);
    }
}

} // namespace

void TSetupForm::ComposeReport(QTextDocument& document) const {
    TkxDeviceQXDRV* d = Drive();
    document.clear();
    QFont font = TkxQFont(QStringLiteral("Courier New"), 8);
    font.setStyleHint(QFont::TypeWriter);
    document.setDefaultFont(font);
    QTextCursor cursor(&document);
    QTextCharFormat regular;
    regular.setFont(font);
    QTextCharFormat bold = regular;
    bold.setFontWeight(QFont::Bold);
    bold.setFontPointSize(12);
    QTextCharFormat italic = regular;
    italic.setFontItalic(true);
    bool first = true;
    const auto add = [&](const QString& text, const QTextCharFormat& format) {
        if (!first) {
            cursor.insertBlock();
        }
        first = false;
        cursor.insertText(text, format);
    };
    const QString rule(kReportWidth, QLatin1Char('_'));
    add(rule, regular);
    add(QStringLiteral("  QX DRIVE - Configuration Terminal 1.31"), bold);
    add(rule, regular);
    if (d == nullptr) {
        add(rule, regular);
        return;
    }
    const auto info = [&](const char* caption, const QString& value) {
        add(QStringLiteral("\t%1 %2").arg(QString::fromLatin1(caption), -20).arg(value), italic);
    };
    // The terminal writes dates with "/" whatever the system's habit.
    info("Report date     ",
         QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")));
    info("Firmware version", TkxQString(d->GetVersion().GetText()));
    info("Description     ", TkxQString(d->Defs() != nullptr ? d->Defs()->GetVersionDescr() : ""));
    add(rule, regular);
    add(QString(), regular);
    add(Heading(QStringLiteral("Drive Properties")), regular);
    std::vector<std::string> properties;
    d->ListProperties(properties);
    for (const std::string& text : properties) {
        add(TkxQString(text), regular);
    }
    const auto line = [&](const TkxParValue* par) {
        if (par != nullptr && par->Visible() && par->Enabled()) {
            std::vector<std::string> text;
            par->AddToList(text);
            for (const std::string& each : text) {
                add(TkxQString(each), regular);
            }
        }
    };
    // The pages in the order the report takes them: each main page, its sub-pages after it.
    const auto visit = [&](QTabWidget* tabs, int index) {
        QWidget* page = tabs->widget(index);
        add(Heading(tabs->tabText(index)), regular);
        PrintChildren(page, cursor, false, line);
    };
    for (int index = 0; index < pcSetup->count(); ++index) {
        visit(pcSetup, index);
        QTabWidget* subs = pcSetup->widget(index)->findChild<QTabWidget*>();
        for (int sub = 0; subs != nullptr && sub < subs->count(); ++sub) {
            visit(subs, sub);
        }
    }
    if (d->CfgCtrlMode != nullptr && (Code(d->CfgCtrlMode) == 3 || Code(d->CfgCtrlMode) == 5)) {
        add(Heading(QStringLiteral("Predefined positioning targets")), regular);
        for (int n = 1; n <= TkxDeviceQXDRV::FixedTargetCount; ++n) {
            add(QStringLiteral("%1Target %2:").arg(QString(18, QLatin1Char(' '))).arg(n), regular);
            const TkxFixedTarget target = d->FixedTarget(n);
            const std::array<const TkxParValue*, 4> pars{target.Accel, target.Decel, target.Speed,
                                                         target.Target};
            for (const TkxParValue* par : pars) {
                line(par);
            }
            if (n < TkxDeviceQXDRV::FixedTargetCount) {
                add(QString(), regular);
            }
        }
    }
    add(rule, regular);
}

QPixmap TSetupForm::ZeroPicture(int id) {
    const int index = id - ZeroPictureFirst;
    if (index < 0 || index > 3) {
        return {};
    }
    const bool high = (index & 2) != 0;
    const bool positive = (index & 1) == 0;
    QPixmap picture(ZeroPictureWidth, ZeroPictureHeight);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(10);
    painter.setFont(font);
    // The zero input over the travel: it switches to its active level at the zero mark.
    const int low = 34;
    const int top = 14;
    const int mark = positive ? 112 : 58;
    QPainterPath input;
    const int before = high ? low : top;
    const int after = high ? top : low;
    const int left = 10;
    const int right = ZeroPictureWidth - 10;
    const int first = positive ? before : after;
    const int last = positive ? after : before;
    input.moveTo(left, first);
    input.lineTo(mark, first);
    input.lineTo(mark, last);
    input.lineTo(right, last);
    painter.setPen(QPen(QColor(0, 0, 160), 2));
    painter.drawPath(input);
    painter.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    painter.drawLine(mark, 6, mark, 52);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, ZeroPictureWidth, 12), Qt::AlignHCenter,
                     high ? QStringLiteral("zero input active high")
                          : QStringLiteral("zero input active low"));
    // The direction of the search.
    painter.setPen(QPen(QColor(160, 0, 0), 2));
    const int y = 60;
    const int from = positive ? 30 : ZeroPictureWidth - 30;
    const int to = positive ? ZeroPictureWidth - 30 : 30;
    painter.drawLine(from, y, to, y);
    const int head = positive ? -6 : 6;
    painter.drawLine(to, y, to + head, y - 4);
    painter.drawLine(to, y, to + head, y + 4);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, y - 6, 26, 12), Qt::AlignCenter, QStringLiteral("-"));
    painter.drawText(QRect(ZeroPictureWidth - 26, y - 6, 26, 12), Qt::AlignCenter,
                     QStringLiteral("+"));
    return picture;
}
