#include "tterminalcls.h"

#include "taboutform.h"
#include "tmainform.h"
#include "tnetworkcmp.h"
#include "tofflinemodedlg.h"
#include "tportlistcls.h"
#include "tsetupform.h"
#include "tshellform.h"
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

std::unique_ptr<TShellForm> MakeForm(const char* name, const char* caption,
                                     std::initializer_list<const char*> actions,
                                     const std::string& appPath) {
    auto form = std::make_unique<TShellForm>(QString::fromLatin1(name),
                                             QString::fromLatin1(caption), actions);
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
    FControlForm = MakeForm("ControlForm", "Remote Control",
                            {"acMainRefUp", "acMainRefDwn", "acMainRefZero", "acSecRefUp",
                             "acSecRefDwn", "acSecRefZero", "acTarget"},
                            appPath);
    FSetupForm = std::make_unique<TSetupForm>(appPath);
    {
        TTermSettings settings(appPath);
        FSetupForm->ReadGeometry(settings);
    }
    FScopeForm = MakeForm("ScopeForm", "Oscilloscope", {}, appPath);
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
    FTargetsForm = MakeForm("TargetsForm", "Targets", {"acSend", "acSave", "acReload"}, appPath);
    FOfflineModeDlg = std::make_unique<TOfflineModeDlg>(FMainForm.get());
    FAboutForm->SetNetwork(FNetwork.get());
    FMainForm->ChooseOfflineVersion = [this] { return FOfflineModeDlg->Choose(); };
    FMainForm->ShowAbout = [this] { FAboutForm->exec(); };
    FMainForm->SetWindows(
        {FControlForm.get(), FSetupForm.get(), FScopeForm.get(), FTargetsForm.get()});
    FMainForm->SetNetwork(FNetwork.get());
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
