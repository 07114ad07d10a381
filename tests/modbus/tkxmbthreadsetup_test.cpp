#include "modbus/tkxmbfakenetwork.h"

#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxdialogprovider.h"
#include "modbus/tkxmbfakes.h"
#include "modbus/tkxmbthreadbindingcls.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "modbus/tkxmbthreadthr.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;

std::unique_ptr<TkxDeviceSetup> Device(std::string_view name, std::uint8_t address) {
    auto device = std::make_unique<TkxDeviceSetup>();
    device->SetDeviceName(name);
    device->SetDeviceAddr(address);
    return device;
}

// A thread that only reports a state and counts how often it is told to retry.
struct FakeThreadLog {
    int Created = 0;
    int Cleared = 0;
    int Destroyed = 0;
    int State = 2;
    bool OnLineWhenDestroyed = true;
};

class FakeThread : public TkxMBSetupThread {
public:
    FakeThread(TkxMBThreadSetup& setup, FakeThreadLog& log)
        : FSetup(setup)
        , FLog(log) {
        ++FLog.Created;
    }
    ~FakeThread() override {
        ++FLog.Destroyed;
        FLog.OnLineWhenDestroyed = FSetup.OnLine();
    }
    int GetState() const override { return FLog.State; }
    void ClearError() override { ++FLog.Cleared; }

private:
    TkxMBThreadSetup& FSetup;
    FakeThreadLog& FLog;
};

class TkxMBThreadSetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        context->SetThreadFactory([this](TkxMBThreadSetup& setup) {
            return std::make_unique<FakeThread>(setup, threads);
        });
    }

    FakeThreadLog threads;
    std::shared_ptr<TkxMBContext> context = std::make_shared<TkxMBContext>();
};

TEST(TkxMBThreadSetupSettings, DefaultsDescribeAnOfflineSerialConnection) {
    TkxMBThreadSetup setup;
    EXPECT_EQ(setup.Name(), "modbus_connection");
    EXPECT_EQ(setup.ThreadName(), "");
    EXPECT_EQ(setup.ConnType(), 1);
    EXPECT_EQ(setup.Retries(), 2);
    EXPECT_EQ(setup.BaudRate(), 19200);
    EXPECT_EQ(setup.ComPort(), 1);
    EXPECT_EQ(setup.ByteSize(), 8);
    EXPECT_EQ(setup.FlowCtrl(), 0);
    EXPECT_EQ(setup.Parity(), 0);
    EXPECT_EQ(setup.SilentInt(), 20);
    EXPECT_EQ(setup.StopBits(), 0);
    EXPECT_EQ(setup.TimeOut(), 500);
    EXPECT_EQ(setup.TxMode(), 0);
    EXPECT_EQ(setup.TcpIpPort(), 502);
    EXPECT_EQ(setup.HostName(), "127.0.0.1");
    EXPECT_FALSE(setup.Enabled());
    EXPECT_FALSE(setup.OnLine());
    EXPECT_EQ(setup.DevMaxCount(), 65535);
    EXPECT_EQ(setup.Thread(), nullptr);
    EXPECT_EQ(setup.ChildCount(), 0) << "nothing is stored before a setting is made";
}

TEST(TkxMBThreadSetupSettings, SettersStoreTheirKeysAndLoadingReadsThemBack) {
    TkxFakeNetwork network;
    TkxMBThreadSetup* setup = network.AddConnection("Stra\xDF\x65");
    setup->SetConnType(2);
    setup->SetRetries(0);
    setup->SetBaudRate(9600);
    setup->SetComPort(3);
    setup->SetByteSize(7);
    setup->SetFlowCtrl(8);
    setup->SetParity(2);
    setup->SetSilentInt(5);
    setup->SetStopBits(1);
    setup->SetTimeOut(1000);
    setup->SetTxMode(1);
    setup->SetTcpIpPort(1502);
    setup->SetHostName("plc.local");
    setup->SetEnabled(true);
    EXPECT_THAT(setup->FindChild("setup", false)->Content(),
                ElementsAre("threadname=Stra\xDF\x65", "conntype=2", "retries=0", "baudrate=9600",
                            "comport=3", "bytesize=7", "flowctrl=8", "parity=2", "silentint=5",
                            "stopbits=1", "timeout=1000", "txmode=1", "tcpipport=1502",
                            "hostname=plc.local", "enabled=true"));

    TkxFakeNetwork reread;
    ASSERT_TRUE(reread.LoadFromText(network.GetXmlText())) << reread.LastError().Text();
    auto* loaded = dynamic_cast<TkxMBThreadSetup*>(reread.Root()->FirstChild());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->ThreadName(), "Stra\xDF\x65");
    EXPECT_EQ(loaded->ConnType(), 2);
    EXPECT_EQ(loaded->Retries(), 0);
    EXPECT_EQ(loaded->BaudRate(), 9600);
    EXPECT_EQ(loaded->ComPort(), 3);
    EXPECT_EQ(loaded->ByteSize(), 7);
    EXPECT_EQ(loaded->FlowCtrl(), 8);
    EXPECT_EQ(loaded->Parity(), 2);
    EXPECT_EQ(loaded->SilentInt(), 5);
    EXPECT_EQ(loaded->StopBits(), 1);
    EXPECT_EQ(loaded->TimeOut(), 1000);
    EXPECT_EQ(loaded->TxMode(), 1);
    EXPECT_EQ(loaded->TcpIpPort(), 1502);
    EXPECT_EQ(loaded->HostName(), "plc.local");
    EXPECT_TRUE(loaded->Enabled());
    EXPECT_FALSE(loaded->OnLine()) << "the on-line flag is never stored";
}

TEST(TkxMBThreadSetupSettings, LoadingAcceptsEveryNumberNotationAndFillsDefaults) {
    TkxFakeNetwork network;
    ASSERT_TRUE(network.LoadFromText("<modbus_network><modbus_connection><setup>"
                                     "threadname=A<br/>comport=0x2<br/>baudrate=4B00h<br/>"
                                     "enabled=1<br/>timeout=soon</setup></modbus_connection>"
                                     "</modbus_network>"));
    auto* setup = dynamic_cast<TkxMBThreadSetup*>(network.Root()->FirstChild());
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(setup->ComPort(), 2);
    EXPECT_EQ(setup->BaudRate(), 19200);
    EXPECT_TRUE(setup->Enabled());
    EXPECT_EQ(setup->TimeOut(), 500);
    EXPECT_EQ(setup->HostName(), "127.0.0.1");
    EXPECT_THAT(network.Seen, ElementsAre("add:A"));
}

TEST(TkxMBThreadSetupValidity, AnEmptyNameIsASetupErrorEvenOffline) {
    TkxMBThreadSetup setup;
    EXPECT_FALSE(setup.IsValid());
    EXPECT_EQ(setup.GetState(), 7);
    EXPECT_EQ(setup.GetStateText(), "SETUPERROR");
    setup.SetThreadName("COM1");
    EXPECT_TRUE(setup.IsValid());
    EXPECT_EQ(setup.GetState(), 0);
}

TEST(TkxMBThreadSetupValidity, TcpNeedsOnlyANameAndAHost) {
    TkxMBThreadSetup setup;
    setup.SetThreadName("plc");
    setup.SetConnType(2);
    setup.SetComPort(99);
    setup.SetByteSize(5);
    setup.SetParity(-1);
    EXPECT_TRUE(setup.IsValid()) << "the default host is enough";
    setup.SetHostName("");
    EXPECT_FALSE(setup.IsValid());
    setup.SetHostName("h");
    setup.SetConnType(3);
    EXPECT_FALSE(setup.IsValid()) << "only serial and TCP/IP exist";
    setup.SetConnType(0);
    EXPECT_FALSE(setup.IsValid());
}

TEST(TkxMBThreadSetupValidity, SerialFieldsAreCheckedAtTheirBounds) {
    struct Case {
        void (TkxMBThreadSetup::*Set)(int);
        int Value;
        bool Valid;
    };
    const std::vector<Case> cases = {
        {&TkxMBThreadSetup::SetComPort, 0, false},   {&TkxMBThreadSetup::SetComPort, 1, true},
        {&TkxMBThreadSetup::SetComPort, 8, true},    {&TkxMBThreadSetup::SetComPort, 9, false},
        {&TkxMBThreadSetup::SetByteSize, 6, false},  {&TkxMBThreadSetup::SetByteSize, 7, true},
        {&TkxMBThreadSetup::SetByteSize, 9, false},  {&TkxMBThreadSetup::SetFlowCtrl, 1, true},
        {&TkxMBThreadSetup::SetFlowCtrl, 2, true},   {&TkxMBThreadSetup::SetFlowCtrl, 3, false},
        {&TkxMBThreadSetup::SetFlowCtrl, 4, true},   {&TkxMBThreadSetup::SetFlowCtrl, 5, false},
        {&TkxMBThreadSetup::SetFlowCtrl, 8, true},   {&TkxMBThreadSetup::SetFlowCtrl, 16, false},
        {&TkxMBThreadSetup::SetParity, -1, false},   {&TkxMBThreadSetup::SetParity, 4, true},
        {&TkxMBThreadSetup::SetParity, 5, false},    {&TkxMBThreadSetup::SetStopBits, 2, true},
        {&TkxMBThreadSetup::SetStopBits, 3, false},  {&TkxMBThreadSetup::SetStopBits, -1, false},
        {&TkxMBThreadSetup::SetTxMode, 1, true},     {&TkxMBThreadSetup::SetTxMode, 2, false},
        {&TkxMBThreadSetup::SetBaudRate, -5, true},  {&TkxMBThreadSetup::SetTimeOut, 0, true},
        {&TkxMBThreadSetup::SetRetries, -1, true},   {&TkxMBThreadSetup::SetTcpIpPort, 0, true},
        {&TkxMBThreadSetup::SetSilentInt, -1, true},
    };
    for (const Case& c : cases) {
        TkxMBThreadSetup setup;
        setup.SetThreadName("COM");
        (setup.*c.Set)(c.Value);
        EXPECT_EQ(setup.IsValid(), c.Valid) << "value " << c.Value;
    }
}

TEST_F(TkxMBThreadSetupTest, StatesFollowValidityOnLineAndEnabledUntilAThreadExists) {
    context->SetThreadFactory([](TkxMBThreadSetup&) { return nullptr; });
    TkxMBThreadSetup setup(context);
    setup.SetThreadName("COM1");
    EXPECT_EQ(setup.GetState(), 0);
    EXPECT_TRUE(setup.CanEdit());
    setup.SetOnLine(true);
    EXPECT_EQ(setup.GetState(), 1);
    EXPECT_EQ(setup.GetStateText(), "thread disabled");
    EXPECT_TRUE(setup.CanEdit());
    setup.SetEnabled(true);
    EXPECT_EQ(setup.GetState(), 2);
    EXPECT_FALSE(setup.CanEdit());
    EXPECT_EQ(setup.Thread(), nullptr) << "a factory that makes nothing, no thread";
}

TEST_F(TkxMBThreadSetupTest, GoingOnLineTwiceStartsTheThreadOnce) {
    TkxMBThreadSetup setup(context);
    setup.SetThreadName("COM1");
    setup.SetOnLine(true);
    setup.SetOnLine(true);
    EXPECT_EQ(threads.Created, 1);
    EXPECT_EQ(threads.Cleared, 1);
    threads.State = 6;
    EXPECT_EQ(setup.GetState(), 6) << "the thread's state is the setup's";
    EXPECT_EQ(setup.GetStateText(), "connection error, open failed");
    setup.SetOnLine(false);
    setup.SetOnLine(true);
    EXPECT_EQ(threads.Created, 1);
    EXPECT_EQ(threads.Cleared, 2) << "after an open failure, going on-line again retries";
    setup.SetEnabled(true);
    EXPECT_EQ(threads.Cleared, 3);
}

TEST_F(TkxMBThreadSetupTest, NoThreadStartsOfflineOrWhileInvalid) {
    TkxMBThreadSetup setup(context);
    setup.SetOnLine(true);
    setup.SetEnabled(true);
    EXPECT_EQ(threads.Created, 0) << "an invalid setup never opens a link";
    setup.SetOnLine(false);
    setup.SetThreadName("COM1");
    setup.SetEnabled(true);
    EXPECT_EQ(threads.Created, 0) << "off-line";
    setup.StartThread();
    EXPECT_EQ(threads.Created, 0);
}

TEST_F(TkxMBThreadSetupTest, DestroyingTheSetupTakesItOfflineEndsTheThreadThenReportsDeletion) {
    TkxFakeNetwork network(context);
    TkxMBThreadSetup* setup = network.AddConnection("COM1");
    setup->SetOnLine(true);
    std::vector<std::string> order;
    setup->OnSetupChange = [&](TkxMBThreadSetup* s, TkxObject*) {
        order.push_back(s->OnLine() ? "change:on" : "change:off");
    };
    setup->OnSetupDel = [&](TkxMBThreadSetup*, TkxObject*) {
        order.push_back(threads.Destroyed == 1 ? "del:thread gone" : "del:thread alive");
    };
    network.Seen.clear();
    network.Root()->FirstChild()->Detach().reset();
    EXPECT_EQ(threads.Destroyed, 1);
    EXPECT_FALSE(threads.OnLineWhenDestroyed);
    EXPECT_THAT(order, ElementsAre("change:off", "del:thread gone"));
    EXPECT_TRUE(network.Seen.empty()) << "a detached setup no longer reports to the network";
}

// The real communication thread over a scripted line.
class TkxMBThreadSetupWorker : public ::testing::Test, public ScriptedLineFixture {};

TEST_F(TkxMBThreadSetupWorker, TheThreadRunsWithTheSetupsSettingsAndReportsItsStates) {
    TkxFakeNetwork network(Context);
    TkxMBThreadSetup* setup = network.AddConnection("COM4");
    setup->SetComPort(4);
    setup->SetBaudRate(9600);
    setup->SetParity(2);
    setup->SetTimeOut(250);
    setup->SetEnabled(true);
    network.Seen.clear();
    setup->SetOnLine(true);
    ASSERT_NE(setup->Thread(), nullptr);
    EXPECT_NE(dynamic_cast<TkxMBThreadBinding*>(setup->Thread()), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return setup->GetState() == 3; }));
    EXPECT_EQ(setup->GetStateText(), "thread running");
    const TkxMBLinkSettings settings = Script->LastSettings();
    EXPECT_EQ(settings.Name, "COM4");
    EXPECT_EQ(settings.ComPort, 4);
    EXPECT_EQ(settings.BaudRate, 9600);
    EXPECT_EQ(settings.Parity, 2);
    EXPECT_EQ(settings.TimeOut, 250);
    EXPECT_NE(std::find(network.Seen.begin(), network.Seen.end(), "state:COM4"),
              network.Seen.end());

    setup->SetOnLine(false);
    ASSERT_TRUE(PumpUntil([&] { return setup->GetState() == 0; }));
    EXPECT_EQ(Script->ConnectedCount(), 0);
    network.Root()->FirstChild()->Detach().reset();
}

TEST_F(TkxMBThreadSetupWorker, AnOpenFailureIsRetriedWhenGoingOnLineAgain) {
    Script->SetOpenOk(false);
    TkxMBThreadSetup setup(Context);
    setup.SetThreadName("COM1");
    setup.SetEnabled(true);
    setup.SetOnLine(true);
    ASSERT_TRUE(PumpUntil([&] { return setup.GetState() == 6; }));
    Script->SetOpenOk(true);
    setup.SetOnLine(false);
    setup.SetOnLine(true);
    ASSERT_TRUE(PumpUntil([&] { return setup.GetState() == 3; }));
}

TEST(TkxMBThreadSetupInfo, SummarisesTheLineAndTheState) {
    TkxMBThreadSetup setup;
    setup.SetThreadName("COM1");
    EXPECT_EQ(setup.GetInfo(), "Port mode: COM1-19200-8N1-\r\nState: thread is offline");
    setup.SetComPort(3);
    setup.SetBaudRate(9600);
    setup.SetByteSize(7);
    setup.SetParity(2);
    setup.SetStopBits(1);
    setup.SetFlowCtrl(8);
    EXPECT_EQ(setup.GetInfo(), "Port mode: COM3-9600-7E1.5-RTST\r\nState: thread is offline");
    setup.SetParity(9);
    setup.SetStopBits(7);
    setup.SetFlowCtrl(3);
    EXPECT_EQ(setup.GetInfo(), "Port mode: COM3-9600-7-\r\nState: SETUPERROR");
    setup.SetConnType(2);
    setup.SetHostName("plc.local");
    setup.SetTcpIpPort(1502);
    EXPECT_EQ(setup.GetInfo(), "TCP/IP: plc.local:1502\r\nState: thread is offline");
    setup.SetConnType(5);
    EXPECT_EQ(setup.GetInfo(), "\r\nState: SETUPERROR");
}

TEST(TkxMBThreadSetupInfo, TextTablesCoverEveryCode) {
    EXPECT_EQ(TkxMBThreadSetup::StateText(0), "thread is offline");
    EXPECT_EQ(TkxMBThreadSetup::StateText(2), "waiting for thread to start");
    EXPECT_EQ(TkxMBThreadSetup::StateText(3), "thread running");
    EXPECT_EQ(TkxMBThreadSetup::StateText(4), "waiting for thread to stop");
    EXPECT_EQ(TkxMBThreadSetup::StateText(5), "COMMERROR");
    EXPECT_EQ(TkxMBThreadSetup::StateText(8), "CUTOFF");
    EXPECT_EQ(TkxMBThreadSetup::StateText(9), "connection error, Telvar not registered");
    EXPECT_EQ(TkxMBThreadSetup::StateText(10), "");
    EXPECT_EQ(TkxMBThreadSetup::StateText(-1), "");
    EXPECT_EQ(TkxMBThreadSetup::FlowCtrlText(1), "DTR/DSR");
    EXPECT_EQ(TkxMBThreadSetup::FlowCtrlText(2), "RTS/CTS");
    EXPECT_EQ(TkxMBThreadSetup::FlowCtrlText(4), "XON/XOFF");
    for (const int code : {0, 3, 5, 6, 7, 9, -1})
        EXPECT_EQ(TkxMBThreadSetup::FlowCtrlText(code), "") << code;
    EXPECT_EQ(TkxMBThreadSetup::ParityText(1), "O");
    EXPECT_EQ(TkxMBThreadSetup::ParityText(3), "M");
    EXPECT_EQ(TkxMBThreadSetup::ParityText(4), "S");
    EXPECT_EQ(TkxMBThreadSetup::StopBitsText(2), "2");
}

class TkxMBThreadSetupDevices : public TkxMBThreadSetupTest {
protected:
    TkxMBThreadSetupDevices() {
        connection = network.AddConnection("COM1");
        connection->OnDeviceMaxCount = [this](TkxMBThreadSetup* sender, TkxMBThreadSetup* setup) {
            EXPECT_EQ(sender, connection);
            EXPECT_EQ(setup, connection);
            ++maxCountEvents;
        };
    }

    bool Add(std::string_view name, std::uint8_t address) {
        auto device = Device(name, address);
        return connection->AddDeviceSetup(device);
    }

    TkxFakeNetwork network{context};
    TkxMBThreadSetup* connection = nullptr;
    int maxCountEvents = 0;
};

TEST_F(TkxMBThreadSetupDevices, TheConnectionLimitRefusesAndNotifies) {
    connection->SetDevMaxCount(2);
    EXPECT_TRUE(Add("a", 1));
    EXPECT_TRUE(Add("b", 2));
    EXPECT_TRUE(connection->IsDevMaxCount());
    network.Seen.clear();
    auto third = Device("c", 3);
    EXPECT_FALSE(connection->AddDeviceSetup(third));
    EXPECT_NE(third, nullptr) << "a refused setup stays with the caller";
    EXPECT_EQ(maxCountEvents, 1);
    EXPECT_THAT(network.Seen, ElementsAre("max:COM1"));
    EXPECT_EQ(connection->GetDevCount(), 2);
}

TEST_F(TkxMBThreadSetupDevices, ALimitOfZeroNeverLimits) {
    connection->SetDevMaxCount(0);
    for (int i = 1; i <= 20; ++i)
        EXPECT_TRUE(Add("d" + std::to_string(i), static_cast<std::uint8_t>(i)));
    EXPECT_FALSE(connection->IsDevMaxCount());
    EXPECT_EQ(maxCountEvents, 0);
}

TEST_F(TkxMBThreadSetupDevices, TheNetworkLimitCountsDevicesOfEveryConnection) {
    TkxMBThreadSetup* other = network.AddConnection("COM2");
    auto first = Device("a", 1);
    ASSERT_TRUE(other->AddDeviceSetup(first));
    network.NetDevMaxCount = 1;
    EXPECT_TRUE(connection->IsDevMaxCount());
    EXPECT_FALSE(Add("b", 2));
    EXPECT_EQ(maxCountEvents, 1);
    network.NetDevMaxCount = -1;
    EXPECT_TRUE(Add("b", 2)) << "a network limit of 0 or less is none";
}

TEST_F(TkxMBThreadSetupDevices, DuplicateNamesAndAddressesAreRefusedSilently) {
    ASSERT_TRUE(Add("drive", 1));
    network.Seen.clear();
    EXPECT_FALSE(Add("drive", 2));
    EXPECT_FALSE(Add("other", 1));
    EXPECT_TRUE(Add("Drive", 2)) << "names compare exactly";
    EXPECT_EQ(maxCountEvents, 0);
    EXPECT_THAT(network.Seen, ElementsAre("add:Drive"));
    EXPECT_FALSE(connection->AddDeviceSetup(*std::make_unique<std::unique_ptr<TkxDeviceSetup>>()));
}

TEST_F(TkxMBThreadSetupDevices, DevicesAreFoundByExactNameAndByAddress) {
    ASSERT_TRUE(Add("drive", 7));
    connection->AddChild(std::make_unique<TkxXmlElement>("device", "")); // not a device setup
    TkxDeviceSetup* drive = connection->FindDevice("drive");
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(connection->FindDevice("DRIVE"), nullptr);
    EXPECT_EQ(connection->FindDeviceAddr(7), drive);
    EXPECT_EQ(connection->FindDeviceAddr(8), nullptr);
    EXPECT_EQ(connection->GetDevCount(), 1);
}

TEST_F(TkxMBThreadSetupDevices, DeleteDeviceRemovesOnlyItsOwnEditableDevices) {
    ASSERT_TRUE(Add("a", 1));
    ASSERT_TRUE(Add("b", 2));
    TkxMBThreadSetup* other = network.AddConnection("COM2");
    network.Seen.clear();
    TkxDeviceSetup* a = connection->FindDevice("a");
    EXPECT_FALSE(other->DeleteDevice(a));
    EXPECT_FALSE(connection->DeleteDevice(nullptr));
    EXPECT_TRUE(connection->DeleteDevice(a));
    EXPECT_EQ(connection->FindDevice("a"), nullptr);
    EXPECT_EQ(connection->GetDevCount(), 1);
    EXPECT_THAT(network.Seen, ElementsAre("del:a"));
}

TEST_F(TkxMBThreadSetupDevices, RelaysFireTheirOwnEventThenTheNetwork) {
    std::vector<std::string> order;
    connection->OnSetupAdd = [&](TkxMBThreadSetup*, TkxObject*) { order.push_back("event"); };
    network.Seen.clear();
    ASSERT_TRUE(Add("a", 1));
    order.insert(order.end(), network.Seen.begin(), network.Seen.end());
    EXPECT_THAT(order, ElementsAre("event", "add:a"));

    network.Seen.clear();
    connection->PerformStateChange(connection);
    connection->FindDevice("a")->SetMaxFault(3);
    EXPECT_THAT(network.Seen, ElementsAre("state:COM1", "change:a"));
}

TEST_F(TkxMBThreadSetupDevices, ALoadedLayoutReportsDevicesBeforeTheirConnection) {
    ASSERT_TRUE(Add("a", 1));
    ASSERT_TRUE(Add("b", 2));
    TkxFakeNetwork reread;
    ASSERT_TRUE(reread.LoadFromText(network.GetXmlText()));
    EXPECT_THAT(reread.Seen, ElementsAre("add:a", "add:b", "add:COM1"));
    auto* loaded = dynamic_cast<TkxMBThreadSetup*>(reread.Root()->FirstChild());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetDevCount(), 2);
    EXPECT_NE(loaded->FindDeviceAddr(2), nullptr);
}

// Confirms every dialog, applying a preset change to what it edits.
class ScriptedDialogs : public TkxDialogProvider {
public:
    ScriptedDialogs() { TkxInstallDialogProvider(this); }
    ~ScriptedDialogs() override { TkxUninstallDialogProvider(this); }

    bool EditThreadSetup(TkxMBThreadSetup& setup, TkxConnParamSet locked) override {
        Locked = locked.to_ulong();
        if (!Confirm)
            return false;
        setup.SetThreadName(NewName);
        return true;
    }
    std::unique_ptr<TkxDeviceSetup> NewDeviceSetup(TkxMBThreadSetup&, TkxDevParamSet locked,
                                                   const TkxNewDevicePreset& preset) override {
        Locked = locked.to_ulong();
        Preset = preset;
        if (!Confirm)
            return nullptr;
        return Device(NewName, static_cast<std::uint8_t>(preset.Address));
    }

    bool Confirm = true;
    std::string NewName;
    unsigned long Locked = 0;
    TkxNewDevicePreset Preset;
};

TEST_F(TkxMBThreadSetupDevices, WithoutAProviderDialogsAreCancelled) {
    EXPECT_EQ(connection->NewDeviceDlg({}, 1, 2000, 0), KDlgCancelled);
    EXPECT_EQ(connection->EditDlg({}), KDlgCancelled);
    connection->SetDevMaxCount(0);
    EXPECT_EQ(connection->GetDevCount(), 0);
}

TEST_F(TkxMBThreadSetupDevices, NewDeviceDlgAddsTheConfirmedDevice) {
    ScriptedDialogs dialogs;
    dialogs.NewName = "drive";
    TkxDevParamSet locked;
    locked.set(dpAddress);
    EXPECT_EQ(connection->NewDeviceDlg(locked, 5, 1500, 3), KDlgDone);
    EXPECT_EQ(dialogs.Locked, 1u << dpAddress);
    EXPECT_EQ(dialogs.Preset.Address, 5);
    EXPECT_EQ(dialogs.Preset.RepeatTimeMs, 1500);
    EXPECT_EQ(dialogs.Preset.MaxFault, 3);
    EXPECT_NE(connection->FindDevice("drive"), nullptr);
    EXPECT_EQ(connection->NewDeviceDlg({}, 6, 1500, 3), KDlgRefused) << "name taken";
    dialogs.Confirm = false;
    EXPECT_EQ(connection->NewDeviceDlg({}, 6, 1500, 3), KDlgCancelled);
    connection->SetDevMaxCount(1);
    EXPECT_EQ(connection->NewDeviceDlg({}, 6, 1500, 3), KDlgDevMaxCount);
}

TEST_F(TkxMBThreadSetupDevices, EditDlgRestoresANameAnotherConnectionUses) {
    ScriptedDialogs dialogs;
    network.AddConnection("COM2");
    dialogs.NewName = "COM2";
    EXPECT_EQ(connection->EditDlg({}), KDlgRefused);
    EXPECT_EQ(connection->ThreadName(), "COM1");
    dialogs.NewName = "COM3";
    EXPECT_EQ(connection->EditDlg({}), KDlgDone);
    EXPECT_EQ(connection->ThreadName(), "COM3");
    dialogs.Confirm = false;
    EXPECT_EQ(connection->EditDlg({}), KDlgCancelled);
    connection->SetOnLine(true);
    connection->SetEnabled(true);
    EXPECT_EQ(connection->EditDlg({}), KDlgNotEditable) << "state 2 cannot be edited";
}

} // namespace
