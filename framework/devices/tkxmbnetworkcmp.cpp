#include "devices/tkxmbnetworkcmp.h"

#include "devices/tkxdevicesetupcls.h"
#include "modbus/tkxmbcontextcls.h"
#include "registers/tkxtextresourcecls.h"

namespace {

constexpr const char* NetworkElementName = "modbus_network";
constexpr const char* ConnectionElementName = "modbus_connection";
constexpr const char* DeviceElementName = "device";
constexpr const char* SetupElementName = "setup";

// The slave addresses a device may have; 0 is the broadcast, above 247 is reserved.
constexpr int FirstSlaveAddress = 1;
constexpr int LastSlaveAddress = 247;

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

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
    if (parent == nullptr) {
        FLayoutProblems.clear(); // a new layout
        return std::make_unique<TkxXmlElement>();
    }
    auto* connection = dynamic_cast<TkxMBThreadSetup*>(parent);
    const bool isConnection = AnsiSameText(ScannedName(), ConnectionElementName);
    const bool isDevice = AnsiSameText(ScannedName(), DeviceElementName);
    const bool misplaced =
        (isConnection && parent != NetworkElement()) || (isDevice && connection == nullptr);
    if (misplaced && !InNetwork(parent)) {
        return std::make_unique<TkxXmlElement>(); // part of a document around the network
    }
    if (misplaced) {
        // Kept, it would count against the device limit or be taken for part of the layout.
        FLayoutProblems.push_back("<" + ScannedName() + "> in <" + parent->Name() +
                                  ">, out of place, left out");
        return nullptr;
    }
    if (isConnection) {
        return std::make_unique<TkxMBThreadSetup>(FContext);
    }
    if (isDevice) {
        if (connection->IsDevMaxCount()) {
            FLayoutProblems.push_back("a device beyond the limit of " +
                                      std::to_string(FDevMaxCount) + " devices is left out");
            PerformOnDevMaxCount(connection);
            return nullptr;
        }
        return std::make_unique<TkxDeviceSetup>();
    }
    CheckKnown(parent);
    return std::make_unique<TkxXmlElement>();
}

bool TkxMBNetwork::InNetwork(const TkxXmlElement* element) const {
    const TkxXmlElement* network = NetworkElement();
    while (element != nullptr && element != network) {
        element = element->Parent();
    }
    return element != nullptr;
}

void TkxMBNetwork::CheckKnown(const TkxXmlElement* parent) {
    const auto holdsSetup = [](const TkxXmlElement* element) {
        return dynamic_cast<const TkxMBThreadSetup*>(element) != nullptr ||
               dynamic_cast<const TkxDeviceSetup*>(element) != nullptr;
    };
    bool unknown = false;
    if (parent == NetworkElement()) {
        unknown = true; // connections were taken above
    } else if (holdsSetup(parent)) {
        unknown = !AnsiSameText(ScannedName(), SetupElementName);
    } else if (AnsiSameText(parent->Name(), SetupElementName)) {
        unknown = holdsSetup(parent->Parent()); // settings are text lines only
    }
    if (unknown) {
        FLayoutProblems.push_back("unknown element <" + ScannedName() + "> in <" + parent->Name() +
                                  ">, kept as it is");
    }
}

std::string TkxMBNetwork::DeviceProblem(const TkxDeviceSetup& device) const {
    const auto* connection = dynamic_cast<const TkxMBThreadSetup*>(device.Parent());
    const std::string where =
        "device " + Quoted(device.DeviceName()) + " of connection " +
        Quoted(connection != nullptr ? connection->GetValue(SetupElementName, "threadname", "")
                                     : std::string());
    const int address = device.DeviceAddr();
    if (address < FirstSlaveAddress || address > LastSlaveAddress) {
        return where + ": slave address " +
               device.GetValue(SetupElementName, "deviceaddr", std::to_string(address)) +
               " is outside " + std::to_string(FirstSlaveAddress) + ".." +
               std::to_string(LastSlaveAddress) + ", left out";
    }
    const TkxDeviceSetup* first =
        connection != nullptr ? connection->FindDeviceAddr(device.DeviceAddr()) : nullptr;
    if (first != nullptr && first != &device) {
        return where + ": slave address " + std::to_string(address) + " is taken by device " +
               Quoted(first->DeviceName()) + ", left out";
    }
    return "";
}

void TkxMBNetwork::PerformOnContentAnalyzed(TkxXmlElement* element) {
    TkxXmlParser::PerformOnContentAnalyzed(element);
    if (auto* connection = dynamic_cast<TkxMBThreadSetup*>(element)) {
        if (FindMBThread(connection->ThreadName()) != connection) {
            LeaveOut(connection, "connection " + Quoted(connection->ThreadName()) +
                                     " is named like an earlier one, left out with its devices");
        }
    } else if (auto* device = dynamic_cast<TkxDeviceSetup*>(element)) {
        if (const std::string problem = DeviceProblem(*device); !problem.empty()) {
            LeaveOut(device, problem);
        }
    }
}

// Called as the last step of the element's analysis; the reader does not touch the element
// afterwards.
void TkxMBNetwork::LeaveOut(TkxXmlElement* element, const std::string& why) {
    FLayoutProblems.push_back(why);
    std::unique_ptr<TkxXmlElement> owned = element->Detach();
    PerformSetupDel(element);
    owned.reset();
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
