#include "devices/tkxmbnetworkcmp.h"

#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxdeviceslavecls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxmbfakes.h"
#include "registers/tkxregdefslistcmp.h"

#include <gmock/gmock.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;

std::unique_ptr<TkxMBThreadSetup> Connection(TkxMBNetwork& network, const std::string& name) {
    auto setup = std::make_unique<TkxMBThreadSetup>(network.Context());
    setup->SetThreadName(name);
    return setup;
}

TkxDeviceSetup* AddDevice(TkxMBThreadSetup& connection, const std::string& name, int address) {
    auto device = std::make_unique<TkxDeviceSetup>();
    device->SetDeviceName(name);
    device->SetDeviceAddr(static_cast<std::uint8_t>(address));
    TkxDeviceSetup* added = device.get();
    return connection.AddDeviceSetup(device) ? added : nullptr;
}

// Records the names of what each network event reports.
struct TEventLog {
    explicit TEventLog(TkxMBNetwork& network) {
        const auto record = [this](const char* what) {
            return [this, what](TkxMBNetwork*, TkxObject* object) {
                std::string name = "network";
                if (auto* connection = dynamic_cast<TkxMBThreadSetup*>(object)) {
                    name = connection->ThreadName();
                } else if (auto* device = dynamic_cast<TkxDeviceSetup*>(object)) {
                    name = device->DeviceName();
                }
                Seen.push_back(std::string(what) + ":" + name);
            };
        };
        network.OnNetSetupAdd = record("add");
        network.OnNetSetupDel = record("del");
        network.OnNetStateChange = record("state");
        network.OnDeviceMaxCount = [this](TkxMBNetwork*, TkxMBThreadSetup* connection) {
            Seen.push_back("max:" + connection->ThreadName());
        };
    }
    std::vector<std::string> Seen;
};

TEST(TkxMBNetworkLayout, FirstConnectionMakesTheNetworkElementAndNamesAreUnique) {
    TkxMBNetwork network;
    TEventLog log(network);
    auto first = Connection(network, "COM1");
    ASSERT_TRUE(network.AddConnection(first));
    ASSERT_NE(network.Root(), nullptr);
    EXPECT_EQ(network.Root()->Name(), "modbus_network");
    EXPECT_EQ(network.Root()->ChildCount(), 1);

    auto twin = Connection(network, "COM1");
    EXPECT_FALSE(network.AddConnection(twin));
    EXPECT_NE(twin, nullptr) << "a refused connection stays with the caller";
    std::unique_ptr<TkxMBThreadSetup> none;
    EXPECT_FALSE(network.AddConnection(none));
    EXPECT_THAT(log.Seen, ElementsAre("add:COM1")) << "refusals fire nothing";
    EXPECT_EQ(network.FindMBThread("COM1"), network.Root()->Child(0));
    EXPECT_EQ(network.FindMBThread("COM2"), nullptr);
}

TEST(TkxMBNetworkLayout, DevicesOfAllConnectionsCountAgainstTheNetworkLimit) {
    TkxMBNetwork network;
    auto a = Connection(network, "A");
    auto b = Connection(network, "B");
    TkxMBThreadSetup* lineA = a.get();
    TkxMBThreadSetup* lineB = b.get();
    ASSERT_TRUE(network.AddConnection(a) && network.AddConnection(b));
    AddDevice(*lineA, "drive1", 1);
    AddDevice(*lineB, "drive2", 1);
    EXPECT_EQ(network.GetDevCount(), 2);
    EXPECT_EQ(network.IsDevMaxCount(), nullptr);
    network.SetDevMaxCount(2);
    EXPECT_EQ(network.IsDevMaxCount(), lineA);
    EXPECT_EQ(AddDevice(*lineB, "drive3", 2), nullptr);
}

TEST(TkxMBNetworkLayout, LoadingPastTheDeviceLimitCreatesNoFurtherDevice) {
    TkxMBNetwork network;
    TEventLog log(network);
    network.SetDevMaxCount(1);
    ASSERT_TRUE(
        network.LoadFromText("<modbus_network><modbus_connection><setup>ThreadName=COM1</setup>"
                             "<device><setup>DeviceName=a<br/>DeviceAddr=1</setup></device>"
                             "<device><setup>DeviceName=b<br/>DeviceAddr=2</setup></device>"
                             "</modbus_connection></modbus_network>"));
    EXPECT_EQ(network.GetDevCount(), 1);
    EXPECT_NE(network.FindMBThread("COM1")->FindDevice("a"), nullptr);
    EXPECT_EQ(network.FindMBThread("COM1")->FindDevice("b"), nullptr);
    // The connection is reported before its own settings have been read.
    EXPECT_THAT(log.Seen, ::testing::Contains("max:"));
}

TEST(TkxMBNetworkLayout, LayoutWrittenReadsBackByteForByte) {
    TkxMBNetwork network;
    auto serial = Connection(network, "COM1");
    serial->SetBaudRate(38400);
    serial->SetParity(2);
    TkxMBThreadSetup* line = serial.get();
    auto tcp = Connection(network, "gateway");
    tcp->SetConnType(TkxMBThreadSetup::KConnTcpIp);
    tcp->SetHostName("10.0.0.7");
    tcp->SetTcpIpPort(1502);
    ASSERT_TRUE(network.AddConnection(serial) && network.AddConnection(tcp));
    AddDevice(*line, "spindle", 3)->SetRepeatTime(10);
    AddDevice(*line, "feed", 4);
    const std::string text = network.GetXmlText();

    TkxMBNetwork reread;
    ASSERT_TRUE(reread.LoadFromText(text)) << reread.LastError().Text();
    EXPECT_EQ(reread.GetXmlText(), text);
    EXPECT_EQ(reread.GetDevCount(), 2);
    EXPECT_EQ(reread.FindMBThread("gateway")->TcpIpPort(), 1502);
    EXPECT_EQ(reread.FindMBThread("COM1")->FindDevice("spindle")->RepeatTime(), 10);
}

TEST(TkxMBNetworkLayout, SupportedDeviceListWithoutCollection) {
    EXPECT_THAT(TkxDialogProvider::SupportedDeviceLines(nullptr),
                ElementsAre("- Unknown DataModels collection -"));
    TkxMBNetwork network;
    EXPECT_FALSE(TkxDialogProvider::SupportedDeviceLines(network.DataModels()).empty());
}

// A connection dialog that answers with a connection of the given name, or cancels.
class TConnectionDialog : public TkxDialogProvider {
public:
    TConnectionDialog() { TkxInstallDialogProvider(this); }
    ~TConnectionDialog() override { TkxUninstallDialogProvider(this); }
    TConnectionDialog(const TConnectionDialog&) = delete;
    TConnectionDialog& operator=(const TConnectionDialog&) = delete;

    std::unique_ptr<TkxMBThreadSetup>
    NewThreadSetup(const std::shared_ptr<TkxMBContext>& context, TkxConnParamSet locked,
                   const TkxNewConnectionPreset& preset) override {
        Locked = locked;
        Preset = preset;
        if (Answer.empty()) {
            return nullptr;
        }
        auto setup = std::make_unique<TkxMBThreadSetup>(context);
        setup->SetThreadName(Answer);
        return setup;
    }

    std::string Answer;
    TkxConnParamSet Locked;
    TkxNewConnectionPreset Preset;
};

TEST(TkxMBNetworkDialogs, NewConnectionIsAddedRefusedOrCancelled) {
    TkxMBNetwork network;
    EXPECT_EQ(network.NewThreadSetupDlg({}, {}), KDlgCancelled) << "no provider";
    TConnectionDialog dialog;
    TkxNewConnectionPreset preset;
    preset.Tcp = true;
    preset.HostPort = 1502;
    dialog.Answer = "COM3";
    EXPECT_EQ(network.NewThreadSetupDlg(TkxConnParamSet().set(cpName), preset), KDlgDone);
    EXPECT_TRUE(dialog.Locked.test(cpName));
    EXPECT_EQ(dialog.Preset.HostPort, 1502);
    EXPECT_NE(network.FindMBThread("COM3"), nullptr);
    EXPECT_EQ(network.NewThreadSetupDlg({}, {}), KDlgRefused);
    dialog.Answer.clear();
    EXPECT_EQ(network.NewThreadSetupDlg({}, {}), KDlgCancelled);
}

class TkxMBNetworkOnLine : public ::testing::Test, public ScriptedLineFixture {
protected:
    TkxMBNetwork FNetwork{Context};
};

TEST_F(TkxMBNetworkOnLine, GoingOnLineTwiceReportsOnceAndReachesEveryConnection) {
    TEventLog log(FNetwork);
    auto a = Connection(FNetwork, "A");
    TkxMBThreadSetup* line = a.get();
    ASSERT_TRUE(FNetwork.AddConnection(a));
    log.Seen.clear();
    FNetwork.SetOnLine(true);
    FNetwork.SetOnLine(true);
    EXPECT_THAT(log.Seen, ElementsAre("state:network"));
    EXPECT_TRUE(line->OnLine());
    auto late = Connection(FNetwork, "B");
    TkxMBThreadSetup* lateLine = late.get();
    ASSERT_TRUE(FNetwork.AddConnection(late));
    EXPECT_TRUE(lateLine->OnLine()) << "a new connection joins the network's state";
    FNetwork.SetOnLine(false);
}

TEST_F(TkxMBNetworkOnLine, RunningConnectionIsNotDeleted) {
    auto a = Connection(FNetwork, "A");
    TkxMBThreadSetup* line = a.get();
    ASSERT_TRUE(FNetwork.AddConnection(a));
    line->SetEnabled(true);
    FNetwork.SetOnLine(true);
    ASSERT_TRUE(PumpUntil([&] { return line->GetState() == 3; }));
    EXPECT_FALSE(FNetwork.DeleteThreadSetupDlg(line));
    EXPECT_EQ(FNetwork.FindMBThread("A"), line);
    FNetwork.SetOnLine(false);
    ASSERT_TRUE(PumpUntil([&] { return line->CanEdit(); }));
    EXPECT_TRUE(FNetwork.DeleteThreadSetupDlg(line));
    EXPECT_EQ(FNetwork.FindMBThread("A"), nullptr);
}

TEST_F(TkxMBNetworkOnLine, TransactionResultsReachTheNetwork) {
    Script->SetResponder([](const std::vector<std::uint8_t>& query) -> TkxMBScript::Step {
        if (query.size() >= 6 && query[3] == 0x01) {
            return {TkxMBResult::IllegalAddress, {}, {}};
        }
        return {0, {query[0], 3, 2, 0, 7}, {}};
    });
    std::vector<std::string> seen;
    FNetwork.OnTransaResponse = [&](TkxMBNetwork*, TkxMBTransaction* t) {
        seen.push_back("response:" + t->GetTransaName());
    };
    FNetwork.OnTransaError = [&](TkxMBNetwork*, TkxMBTransaction* t) {
        seen.push_back("error:" + t->GetTransaName());
    };
    auto a = Connection(FNetwork, "A");
    TkxMBThreadSetup* line = a.get();
    ASSERT_TRUE(FNetwork.AddConnection(a));
    TkxDeviceSetup* setup = AddDevice(*line, "drive", 1);
    setup->SetEnabled(true);
    line->SetEnabled(true);
    FNetwork.SetOnLine(true);
    ASSERT_TRUE(PumpUntil([&] { return line->GetState() == 3; }));
    TkxRegDefsList defs;
    defs.SetText("[256]\nName=A\n[257]\nName=B\n");
    defs.Build();
    const TkxVersionRecord version("QX440v100");
    setup->SetDevice(std::make_unique<TkxDeviceSlave>(setup, &version, &defs));
    TkxDeviceSlave& device = *setup->Device();
    for (const int address : {256, 257}) {
        auto* read = device.Adopt(std::make_unique<TkxMBChainedTransa>(&device, 1));
        read->SetReadBlock(static_cast<std::uint16_t>(address), 1);
        read->SetTransaName("read" + std::to_string(address));
        read->SetEnabled(true);
    }
    ASSERT_TRUE(PumpUntil([&] {
        return std::count(seen.begin(), seen.end(), "response:read256") > 0 &&
               std::count(seen.begin(), seen.end(), "error:read257") > 0;
    }));
    setup->DestroyDevice();
    FNetwork.SetOnLine(false);
}

TEST(TkxMBNetworkLayout, HostileLayoutKeepsTheValidPartsAndReportsTheRest) {
    TkxMBNetwork network;
    TEventLog log(network);
    network.SetDevMaxCount(3);
    const std::string layout =
        "<modbus_network><gadget><x>1</x></gadget>"
        "<modbus_connection><setup>ThreadName=COM1</setup><wire>w</wire><blinker>on</blinker>"
        "<device><setup>DeviceName=a<br/>DeviceAddr=1</setup><note>n</note></device>"
        "<device><setup>DeviceName=far<br/>DeviceAddr=300</setup></device>"
        "<device><setup>DeviceName=zero<br/>DeviceAddr=0</setup></device>"
        "<device><setup>DeviceName=high<br/>DeviceAddr=248</setup></device>"
        "<device><setup>DeviceName=twin<br/>DeviceAddr=1</setup></device>"
        "<device><setup>DeviceName=b<br/>DeviceAddr=247</setup></device>"
        "<modbus_connection><setup>ThreadName=inner</setup></modbus_connection>"
        "</modbus_connection>"
        "<modbus_connection><setup>ThreadName=COM1</setup>"
        "<device><setup>DeviceName=c<br/>DeviceAddr=5</setup></device></modbus_connection>"
        "<modbus_connection><setup>ThreadName=COM2</setup>"
        "<device><setup>DeviceName=d<br/>DeviceAddr=5</setup></device>"
        "<device><setup>DeviceName=e<br/>DeviceAddr=6</setup></device></modbus_connection>"
        "<device><setup>DeviceName=stray<br/>DeviceAddr=9</setup></device>"
        "</modbus_network>";
    ASSERT_TRUE(network.LoadFromText(layout)) << network.LastError().Text();

    TkxMBThreadSetup* com1 = network.FindMBThread("COM1");
    TkxMBThreadSetup* com2 = network.FindMBThread("COM2");
    ASSERT_NE(com1, nullptr);
    ASSERT_NE(com2, nullptr);
    EXPECT_NE(com1->FindDevice("a"), nullptr);
    EXPECT_NE(com1->FindDevice("b"), nullptr) << "247 is the last slave address";
    EXPECT_EQ(com1->FindDevice("c"), nullptr) << "the twin connection is left out";
    EXPECT_NE(com2->FindDevice("d"), nullptr);
    EXPECT_EQ(com2->FindDevice("e"), nullptr) << "beyond the limit of 3";
    EXPECT_EQ(network.GetDevCount(), 3);
    for (const char* left : {"far", "zero", "high", "twin"}) {
        EXPECT_EQ(com1->FindDevice(left), nullptr) << left;
    }
    EXPECT_THAT(
        network.LayoutProblems(),
        ElementsAre("unknown element <gadget> in <modbus_network>, kept as it is",
                    "unknown element <wire> in <modbus_connection>, kept as it is",
                    "unknown element <blinker> in <modbus_connection>, kept as it is",
                    "unknown element <note> in <device>, kept as it is",
                    "device \"far\" of connection \"COM1\": slave address 300 is outside "
                    "1..247, left out",
                    "device \"zero\" of connection \"COM1\": slave address 0 is outside 1..247, "
                    "left out",
                    "device \"high\" of connection \"COM1\": slave address 248 is outside "
                    "1..247, left out",
                    "device \"twin\" of connection \"COM1\": slave address 1 is taken by device "
                    "\"a\", left out",
                    "<modbus_connection> in <modbus_connection>, out of place, left out",
                    "connection \"COM1\" is named like an earlier one, left out with its devices",
                    "a device beyond the limit of 3 devices is left out",
                    "<device> in <modbus_network>, out of place, left out"));

    // What was kept writes out and reads back as it is, with nothing more to report.
    const std::string written = network.GetXmlText();
    TkxMBNetwork reread;
    reread.SetDevMaxCount(3);
    ASSERT_TRUE(reread.LoadFromText(written));
    EXPECT_EQ(reread.GetDevCount(), 3);
    EXPECT_EQ(reread.GetXmlText(), written);
    EXPECT_EQ(reread.LayoutProblems().size(), 4u) << "only the unknown elements stay";

    ASSERT_TRUE(network.LoadFromText("<modbus_network/>"));
    EXPECT_TRUE(network.LayoutProblems().empty()) << "a new layout starts a new report";
}

} // namespace
