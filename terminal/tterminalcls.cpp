#include "tterminalcls.h"

#include "taboutform.h"
#include "tcontrolform.h"
#include "tmainform.h"
#include "tnetworkcmp.h"
#include "tofflinemodedlg.h"
#include "tportlistcls.h"
#include "tscopeform.h"
#include "tsetupform.h"
#include "tshellform.h"
#include "ttargetsform.h"
#include "ttermsettingscls.h"

#include "modbus/tkxmbcontextcls.h"
#include "ui/tkxuserinterfaceutilscmp.h"

#include <filesystem>

namespace {

bool HasDefinitionFile(const std::string& folder) {
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(folder, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (it->path().extension() == ".par") {
            return true;
        }
    }
    return false;
}

template <typename Form>
std::unique_ptr<Form> Placed(std::unique_ptr<Form> form, const std::string& appPath) {
    TTermSettings settings(appPath);
    form->ReadGeometry(settings);
    return form;
}

} // namespace

std::string TTerminal::DefinitionFolder(const std::string& appPath,
                                        const std::string& installedPath) {
    if (HasDefinitionFile(appPath) || installedPath.empty()) {
        return appPath;
    }
    return installedPath;
}

TTerminal::TTerminal(const std::string& appPath, const std::string& installedPath) {
    FMainForm = std::make_unique<TMainForm>(appPath);
    FControlForm = Placed(std::make_unique<TControlForm>(), appPath);
    FSetupForm = Placed(std::make_unique<TSetupForm>(appPath), appPath);
    FScopeForm = Placed(std::make_unique<TScopeForm>(), appPath);
    FAboutForm = std::make_unique<TAboutForm>(appPath, FMainForm.get());
    FNetwork = std::make_unique<TNetwork>(DefinitionFolder(appPath, installedPath));
    TTermSettings settings(appPath);
    const auto paths = TPortList::Map(settings, TPortList::Adapters());
    for (int port = 1; port <= TPortList::Ports; ++port) {
        const std::string& path = paths[std::size_t(port - 1)];
        if (!path.empty()) {
            FNetwork->Network().Context()->Ports().Set(port, path);
        }
        FMainForm->ShowPortPath(port, path);
    }
    FTargetsForm = Placed(std::make_unique<TTargetsForm>(), appPath);
    FOfflineModeDlg = std::make_unique<TOfflineModeDlg>(FMainForm.get());
    FAboutForm->SetNetwork(FNetwork.get());
    FMainForm->ChooseOfflineVersion = [this] { return FOfflineModeDlg->Choose(); };
    FMainForm->ShowAbout = [this] { FAboutForm->exec(); };
    FMainForm->SetWindows(
        {FControlForm.get(), FSetupForm.get(), FScopeForm.get(), FTargetsForm.get()});
    FMainForm->SetNetwork(FNetwork.get());
    FControlForm->SetNetwork(FNetwork.get());
    FControlForm->ShowTargets = [this] { FTargetsForm->ShowModal(); };
    FSetupForm->ShowTargets = [this] { FTargetsForm->ShowModal(); };
    FScopeForm->SetNetwork(FNetwork.get());
    FTargetsForm->SetNetwork(FNetwork.get());
    // An edit in either window can switch rows of the other on or off.
    FControlForm->RefreshSetup = [this] { FSetupForm->kxInterface->RefreshData(); };
    FSetupForm->RefreshControl = [this] { FControlForm->kxInterface->RefreshData(); };
    LinkSetupForm();
}

void TTerminal::LinkSetupForm() {
    TSetupForm* setup = FSetupForm.get();
    setup->SetNetwork(FNetwork.get());
    QObject::connect(setup, &TSetupForm::Log, FMainForm.get(), &TMainForm::LogLine);
    QObject::connect(FNetwork.get(), &TNetwork::DriveLinked, setup, [setup] {
        setup->LinkDevice();
        setup->kxInterface->RefreshData();
    });
    QObject::connect(FNetwork.get(), &TNetwork::DriveGoing, setup, &TSetupForm::UnlinkDevice);
    // After a setup read the window shows it, opening itself unless the targets are shown.
    QObject::connect(FNetwork.get(), &TNetwork::SetupRead, setup, [this, setup] {
        setup->kxInterface->RefreshData();
        if (!setup->isVisible() && !FTargetsForm->isVisible()) {
            setup->ShowReadSetup();
        }
    });
}

TTerminal::~TTerminal() {
    FNetwork.reset();
    // The dialogs are children of the main window; they go before it.
    FOfflineModeDlg.reset();
    FAboutForm.reset();
}
