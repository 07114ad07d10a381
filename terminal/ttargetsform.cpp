#include "ttargetsform.h"

#include "tnetworkcmp.h"

#include "devices/tkxdeviceqxdrvcls.h"
#include "params/tkxparlongcls.h"
#include "params/tkxparvaluecls.h"
#include "ui/tkxparrows.h"
#include "ui/tkxqtconvert.h"
#include "ui/tkxuserinterfaceutilscmp.h"

#include <QAction>
#include <QEventLoop>
#include <QGroupBox>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QTabBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

TTargetsForm::TTargetsForm(QWidget* parent)
    : TShellForm(QStringLiteral("TargetsForm"), QStringLiteral("Predefined Tartgets"),
                 {"acClose", "acReload", "acSend", "acSave"}, parent) {
    setWindowFlag(Qt::Tool, true);
    resize(DesignWidth, DesignHeight);
    kxInterface = new TkxUserInterfaceUtils(this);
    kxInterface->setObjectName(QStringLiteral("kxInterface"));
    kxInterface->OnEdited = [this](TkxParValue* par) {
        TkxDeviceQXDRV* drive = FNetwork != nullptr ? FNetwork->GetDrive() : nullptr;
        if (drive != nullptr && par == drive->ParNumFixedPos) {
            RebuildTargets();
        }
    };
    kxInterface->OnAfterRefresh = [this](TkxUserInterfaceUtils*) { FitTargetColumns(); };
    acClose = Action("acClose");
    acReload = Action("acReload");
    acSend = Action("acSend");
    acSave = Action("acSave");
    acClose->setText(QStringLiteral("&Close"));
    acClose->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    acReload->setText(QStringLiteral("&Reload"));
    acSend->setText(QStringLiteral("Send To Drive"));
    acSave->setText(QStringLiteral("Save To Drive"));
    connect(acClose, &QAction::triggered, this, &QWidget::close);
    connect(acReload, &QAction::triggered, this, &TTargetsForm::ReloadExecute);
    connect(acSend, &QAction::triggered, this, &TTargetsForm::SendExecute);
    connect(acSave, &QAction::triggered, this, &TTargetsForm::SaveExecute);
    BuildControls();
}

TTargetsForm::~TTargetsForm() = default;

void TTargetsForm::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 4);
    layout->setSpacing(4);
    auto* toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("ToolBar"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    toolBar->addAction(acClose);
    toolBar->addSeparator();
    toolBar->addAction(acReload);
    toolBar->addSeparator();
    toolBar->addAction(acSend);
    toolBar->addAction(acSave);
    layout->addWidget(toolBar);

    const QFont font = TkxQFont(QStringLiteral("Arial"), -11);
    gbTargetCount = new QGroupBox(this);
    gbTargetCount->setObjectName(QStringLiteral("gbTargetCount"));
    auto* countLayout = new QVBoxLayout(gbTargetCount);
    countLayout->setContentsMargins(4, 4, 4, 4);
    lvTargetCount = new QTreeWidget(gbTargetCount);
    lvTargetCount->setObjectName(QStringLiteral("lvTargetCount"));
    lvTargetCount->setHeaderHidden(true);
    lvTargetCount->setFont(font);
    lvTargetCount->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    countLayout->addWidget(lvTargetCount);
    layout->addWidget(gbTargetCount);

    tcTarget = new QTabBar(this);
    tcTarget->setObjectName(QStringLiteral("tcTarget"));
    tcTarget->setExpanding(false);
    tcTarget->setUsesScrollButtons(true);
    connect(tcTarget, &QTabBar::currentChanged, this, [this] { RebuildTargets(); });
    layout->addWidget(tcTarget);
    lvTarget = new QTreeWidget(this);
    lvTarget->setObjectName(QStringLiteral("lvTarget"));
    lvTarget->setFont(font);
    layout->addWidget(lvTarget);
    layout->addStretch(1);
}

void TTargetsForm::FitTargetColumns() {
    // The values change with each refresh; the list never narrows, so the window keeps still.
    const int width = TkxUserInterfaceUtils::FitColumns(lvTarget);
    if (width > lvTarget->minimumWidth()) {
        lvTarget->setMinimumWidth(width);
    }
}

void TTargetsForm::SetNetwork(TNetwork* network) {
    FNetwork = network;
    connect(network, &TNetwork::SetupRead, this, &TTargetsForm::RebuildTargets);
    connect(network, &TNetwork::DriveGoing, this, [this] {
        kxInterface->Reset();
        lvTargetCount->clear();
        lvTarget->clear();
    });
    connect(this, &TTargetsForm::Log, network, &TNetwork::Log);
}

void TTargetsForm::ShowModal() {
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    ReloadExecute();
    RebuildTargets();
    // Closed meanwhile, by the drive's going or a test.
    if (isVisible()) {
        QEventLoop loop;
        FModalLoop = &loop;
        loop.exec();
        FModalLoop = nullptr;
    }
    setWindowModality(Qt::NonModal);
}

void TTargetsForm::hideEvent(QHideEvent* event) {
    TShellForm::hideEvent(event);
    if (FModalLoop != nullptr) {
        FModalLoop->quit();
    }
}

void TTargetsForm::ReloadExecute() {
    if (TkxDeviceQXDRV* drive = FNetwork != nullptr ? FNetwork->GetDrive() : nullptr) {
        drive->ReloadSetup();
    }
}

void TTargetsForm::RebuildTargets() {
    TkxDeviceQXDRV* drive = FNetwork != nullptr ? FNetwork->GetDrive() : nullptr;
    kxInterface->Reset();
    lvTargetCount->clear();
    lvTarget->clear();
    if (drive == nullptr || drive->ParNumFixedPos == nullptr || drive->ParNextFixedPos == nullptr) {
        const QSignalBlocker quiet(tcTarget);
        while (tcTarget->count() > 0) {
            tcTarget->removeTab(0);
        }
        kxInterface->RefreshData();
        return;
    }
    kxInterface->With(lvTargetCount, {ckValue, ckMin, ckMax});
    kxInterface->List(drive->ParNumFixedPos);
    gbTargetCount->setFixedHeight(kxInterface->AdaptHeight() + 25);

    // A number the table cannot hold shows as many tabs as it has.
    const double count = drive->ParNumFixedPos->GetValueDouble();
    const int tabs = std::isfinite(count)
                         ? std::clamp(static_cast<int>(count), 0, TkxDeviceQXDRV::FixedTargetCount)
                         : 0;
    const int next = static_cast<int>(drive->ParNextFixedPos->GetValueDouble());
    {
        const QSignalBlocker quiet(tcTarget);
        const int selected = tcTarget->currentIndex();
        while (tcTarget->count() > 0) {
            tcTarget->removeTab(0);
        }
        for (int c = 1; c <= tabs; ++c) {
            tcTarget->addTab(c == next ? QStringLiteral(">Target %1<").arg(c)
                                       : QStringLiteral("Target %1").arg(c));
        }
        tcTarget->setCurrentIndex(selected >= 0 && selected < tabs ? selected : next - 1);
    }
    const int shown = tcTarget->currentIndex();
    if (shown >= 0 && shown < TkxDeviceQXDRV::FixedTargetCount) {
        const TkxFixedTarget target = drive->FixedTarget(shown + 1);
        kxInterface->With(lvTarget, {ckValue, ckMin, ckMax});
        for (TkxParValue* par :
             {target.Accel, target.Decel, target.Speed, static_cast<TkxParValue*>(target.Target)}) {
            kxInterface->List(par);
        }
        kxInterface->AdaptHeight();
    }
    kxInterface->RefreshData();
}

std::vector<TkxParValue*> TTargetsForm::ShownParameters() const {
    TkxDeviceQXDRV* drive = FNetwork != nullptr ? FNetwork->GetDrive() : nullptr;
    std::vector<TkxParValue*> pars;
    if (drive == nullptr || drive->ParNumFixedPos == nullptr) {
        return pars;
    }
    pars.reserve(5);
    pars.push_back(drive->ParNumFixedPos);
    for (int row = 0; row < lvTarget->topLevelItemCount(); ++row) {
        if (TkxParValue* par = TkxParOfItem(lvTarget->topLevelItem(row))) {
            pars.push_back(par);
        }
    }
    return pars;
}

void TTargetsForm::SendExecute() {
    const std::vector<TkxParValue*> pars = ShownParameters();
    if (pars.empty()) {
        return;
    }
    TkxDeviceQXDRV* drive = FNetwork->GetDrive();
    for (TkxParValue* par : pars) {
        par->WriteToDevice();
        // A connection closed while a write waited takes the parameters with it.
        if (FNetwork->GetDrive() != drive) {
            return;
        }
    }
    emit Log(QStringLiteral("Predefined targets setup sent to drive..."));
}

void TTargetsForm::SaveExecute() {
    const std::vector<TkxParValue*> pars = ShownParameters();
    TkxDeviceQXDRV* drive = FNetwork != nullptr ? FNetwork->GetDrive() : nullptr;
    if (pars.empty() || drive == nullptr) {
        return;
    }
    for (TkxParValue* par : pars) {
        par->WriteToDevice();
        if (FNetwork->GetDrive() != drive) {
            return;
        }
        // A value over two registers has an EEPROM copy of each.
        const auto* wide = dynamic_cast<const TkxParLong*>(par);
        for (const TkxRegister* reg :
             {par->Register(), wide != nullptr ? wide->HighRegister() : nullptr}) {
            if (reg == nullptr) {
                continue;
            }
            if (const TkxRegister* copy = drive->CopyRegisterToEEProm(*reg)) {
                drive->WriteRegister(*copy, true);
                if (FNetwork->GetDrive() != drive) {
                    return;
                }
            }
        }
    }
    emit Log(QStringLiteral("Predefined targets setup saved to drive..."));
}
