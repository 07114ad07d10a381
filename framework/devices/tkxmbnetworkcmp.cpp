#include "devices/tkxmbnetworkcmp.h"

#include "devices/tkxdevicesetupcls.h"
#include "modbus/tkxmbcontextcls.h"
#include "registers/tkxtextresourcecls.h"

namespace {

constexpr const char* NetworkElementName = "modbus_network";

} // namespace

TkxMBNetwork::TkxMBNetwork(std::shared_ptr<TkxMBContext> context)
    : FContext(context != nullptr ? std::move(context) : std::make_shared<TkxMBContext>())
    , FDataModels(std::make_unique<TkxDMCollection>()) {
    FDataModels->OnNoVersion = [this](TkxDMCollection& collection, const TkxVersionRecord* version,
                                      std::string& file) {
        if (OnNoVersion) {
            OnNoVersion(collection, version, file);
        }
    };
    FDataModels->OnVersion = [this](TkxDMCollection& collection, const TkxVersionRecord* version,
                                    std::string& file) {
        if (OnVersion) {
            OnVersion(collection, version, file);
        }
    };
}

// The connections go first, while the data models their devices are laid out from still exist.
TkxMBNetwork::~TkxMBNetwork() {
    ResetAll();
}

TkxXmlElement* TkxMBNetwork::NetworkElement() const {
    if (Root() == nullptr) {
        return nullptr;
    }
    return AnsiSameText(Root()->Name(), NetworkElementName)
               ? Root()
               : Root()->FindChild(NetworkElementName, true);
}

int TkxMBNetwork::GetDevCount() const {
    const TkxXmlElement* network = NetworkElement();
    return network != nullptr ? network->CountChildren("device", true) : 0;
}

TkxMBThreadSetup* TkxMBNetwork::FindMBThread(std::string_view name) const {
    const TkxXmlElement* network = NetworkElement();
    for (int i = 0; network != nullptr && i < network->ChildCount(); ++i) {
        auto* connection = dynamic_cast<TkxMBThreadSetup*>(network->Child(i));
        if (connection != nullptr && connection->ThreadName() == name) {
            return connection;
        }
    }
    return nullptr;
}

TkxMBThreadSetup* TkxMBNetwork::IsDevMaxCount() const {
    const TkxXmlElement* network = NetworkElement();
    for (int i = 0; network != nullptr && i < network->ChildCount(); ++i) {
        auto* connection = dynamic_cast<TkxMBThreadSetup*>(network->Child(i));
        if (connection != nullptr && connection->IsDevMaxCount()) {
            return connection;
        }
    }
    return nullptr;
}

bool TkxMBNetwork::AddConnection(std::unique_ptr<TkxMBThreadSetup>& setup) {
    if (setup == nullptr || FindMBThread(setup->ThreadName()) != nullptr) {
        return false;
    }
    TkxXmlElement* network = NetworkElement();
    if (network == nullptr) {
        network = AddRoot(std::make_unique<TkxXmlElement>(NetworkElementName, ""));
    }
    if (network == nullptr) {
        return false; // a foreign document without a network element to add to
    }
    auto* connection = static_cast<TkxMBThreadSetup*>(network->AddChild(std::move(setup)));
    PerformSetupAdd(connection);
    connection->SetOnLine(FOnLine);
    return true;
}

void TkxMBNetwork::SetOnLine(bool onLine) {
    if (onLine == FOnLine) {
        return;
    }
    FOnLine = onLine;
    PerformStateChange(this);
    const TkxXmlElement* network = NetworkElement();
    for (int i = 0; network != nullptr && i < network->ChildCount(); ++i) {
        if (auto* connection = dynamic_cast<TkxMBThreadSetup*>(network->Child(i))) {
            connection->SetOnLine(onLine);
        }
    }
}

int TkxMBNetwork::NewThreadSetupDlg(TkxConnParamSet options, const TkxNewConnectionPreset& preset) {
    TkxDialogProvider* provider = TkxGetDialogProvider();
    std::unique_ptr<TkxMBThreadSetup> setup =
        provider != nullptr ? provider->NewThreadSetup(FContext, options, preset) : nullptr;
    if (setup == nullptr) {
        return KDlgCancelled;
    }
    return AddConnection(setup) ? KDlgDone : KDlgRefused;
}

bool TkxMBNetwork::DeleteThreadSetupDlg(TkxMBThreadSetup* setup) {
    if (setup == nullptr || !setup->CanEdit() || setup->Parser() != this) {
        return false;
    }
    std::unique_ptr<TkxXmlElement> owned = setup->Detach();
    PerformSetupDel(setup);
    owned.reset();
    return true;
}

void TkxMBNetwork::ShowSupportedDeviceList() {
    if (TkxDialogProvider* provider = TkxGetDialogProvider()) {
        provider->ShowSupportedDevices(FDataModels.get());
    }
}

std::unique_ptr<TkxXmlElement> TkxMBNetwork::AllocXmlElement(TkxXmlElement* parent) {
    if (AnsiSameText(ScannedName(), "modbus_connection")) {
        return std::make_unique<TkxMBThreadSetup>(FContext);
    }
    if (AnsiSameText(ScannedName(), "device")) {
        auto* connection = dynamic_cast<TkxMBThreadSetup*>(parent);
        if (connection != nullptr && connection->IsDevMaxCount()) {
            PerformOnDevMaxCount(connection);
            return nullptr;
        }
        return std::make_unique<TkxDeviceSetup>();
    }
    return std::make_unique<TkxXmlElement>();
}

void TkxMBNetwork::Fire(const Event& event, TkxObject* object) {
    if (event) {
        event(this, object);
    }
}

void TkxMBNetwork::PerformSetupAdd(TkxObject* object) {
    Fire(OnNetSetupAdd, object);
}

void TkxMBNetwork::PerformSetupDel(TkxObject* object) {
    Fire(OnNetSetupDel, object);
}

void TkxMBNetwork::PerformSetupChange(TkxObject* object) {
    Fire(OnNetSetupChange, object);
}

void TkxMBNetwork::PerformStateChange(TkxObject* object) {
    Fire(OnNetStateChange, object);
}

void TkxMBNetwork::PerformOnDevMaxCount(TkxMBThreadSetup* setup) {
    if (OnDeviceMaxCount) {
        OnDeviceMaxCount(this, setup);
    }
}

void TkxMBNetwork::PerformTransaError(TkxMBTransaction* transaction) {
    if (OnTransaError) {
        OnTransaError(this, transaction);
    }
}

void TkxMBNetwork::PerformTransaResponse(TkxMBTransaction* transaction) {
    if (OnTransaResponse) {
        OnTransaResponse(this, transaction);
    }
}
