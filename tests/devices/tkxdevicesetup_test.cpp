#include "modbus/tkxmbfakenetwork.h"

#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxdialogprovider.h"
#include "modbus/tkxmbthreadsetupcls.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;

class RunningThread : public TkxMBSetupThread {
public:
    explicit RunningThread(int* state)
        : FState(state) {}
    int GetState() const override { return *FState; }
    void ClearError() override {}

private:
    int* FState;
};

class TkxDeviceSetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        network.Context->SetThreadFactory(
            [this](TkxMBThreadSetup&) { return std::make_unique<RunningThread>(&threadState); });
        connection = network.AddConnection("COM1");
    }

    TkxDeviceSetup* AddDevice(std::string_view name, std::uint8_t address) {
        auto device = std::make_unique<TkxDeviceSetup>();
        device->SetDeviceName(name);
        device->SetDeviceAddr(address);
        TkxDeviceSetup* raw = device.get();
        EXPECT_TRUE(connection->AddDeviceSetup(device));
        return raw;
    }

    int threadState = 3;
    TkxFakeNetwork network;
    TkxMBThreadSetup* connection = nullptr;
};

TEST(TkxDeviceSetupSettings, DefaultsAndValidity) {
    TkxDeviceSetup setup;
    EXPECT_EQ(setup.Name(), "device");
    EXPECT_EQ(setup.DeviceName(), "");
    EXPECT_EQ(setup.DeviceAddr(), 1);
    EXPECT_EQ(setup.RepeatTime(), 5);
    EXPECT_EQ(setup.MaxFault(), 0);
    EXPECT_FALSE(setup.Enabled());
    EXPECT_FALSE(setup.IsValid()) << "empty name";
    setup.SetDeviceName("drive");
    EXPECT_TRUE(setup.IsValid());
    setup.SetDeviceAddr(0);
    EXPECT_FALSE(setup.IsValid()) << "address 0";
    setup.SetDeviceAddr(255);
    setup.SetRepeatTime(0);
    EXPECT_FALSE(setup.IsValid()) << "repeat time 0";
    setup.SetRepeatTime(-1);
    EXPECT_FALSE(setup.IsValid());
    setup.SetRepeatTime(1);
    EXPECT_TRUE(setup.IsValid());
}

TEST(TkxDeviceSetupSettings, KeysAreWrittenAndReadInEveryNotation) {
    TkxDeviceSetup setup;
    setup.SetDeviceName("Antrieb \xC4");
    setup.SetDeviceAddr(17);
    setup.SetRepeatTime(20);
    setup.SetMaxFault(3);
    setup.SetEnabled(true);
    EXPECT_THAT(setup.FindChild("setup", false)->Content(),
                ElementsAre("devicename=Antrieb \xC4", "deviceaddr=17", "repeattime=20",
                            "maxfault=3", "enabled=true"));

    TkxFakeNetwork network;
    ASSERT_TRUE(network.LoadFromText("<device><setup>devicename=x<br/>deviceaddr=0x11<br/>"
                                     "repeattime=0Ah<br/>enabled=TRUE</setup></device>"));
    auto* loaded = dynamic_cast<TkxDeviceSetup*>(network.Root());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->DeviceAddr(), 17);
    EXPECT_EQ(loaded->RepeatTime(), 10);
    EXPECT_EQ(loaded->MaxFault(), 0);
    EXPECT_TRUE(loaded->Enabled());
}

TEST(TkxDeviceSetupSettings, AnAddressOutsideAByteIsReadAsInvalid) {
    for (const char* text : {"256", "300", "-1"}) {
        TkxFakeNetwork network;
        ASSERT_TRUE(
            network.LoadFromText(std::string("<device><setup>devicename=x<br/>deviceaddr=") + text +
                                 "</setup></device>"));
        auto* loaded = dynamic_cast<TkxDeviceSetup*>(network.Root());
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->DeviceAddr(), 0) << text;
        EXPECT_FALSE(loaded->IsValid());
    }
}

TEST_F(TkxDeviceSetupTest, StateFollowsTheConnectionAndTheEnabledFlag) {
    TkxDeviceSetup* device = AddDevice("drive", 1);
    EXPECT_EQ(device->GetState(), 0) << "connection not running";
    EXPECT_EQ(device->GetStateText(), "OFFLINE");
    connection->SetOnLine(true);
    EXPECT_EQ(device->GetState(), 1);
    EXPECT_EQ(device->GetStateText(), "device is disabled");
    device->SetEnabled(true);
    EXPECT_EQ(device->GetState(), 2);
    EXPECT_EQ(device->GetStateText(), "device not yet identified");
    EXPECT_TRUE(device->CanEdit());
    threadState = 5;
    EXPECT_EQ(device->GetState(), 0);
    EXPECT_EQ(TkxDeviceSetup().GetState(), 0) << "no connection at all";
}

TEST(TkxDeviceSetupInfo, LabelsArePaddedToTwentyFiveColumns) {
    TkxDeviceSetup setup;
    EXPECT_EQ(setup.GetInfo(), "Dflt sample time         : 500ms\r\n"
                               "Max fault cut-off        : Disabled\r\n"
                               "Device state             : OFFLINE");
    setup.SetMaxFault(3);
    setup.SetRepeatTime(2147483647);
    EXPECT_EQ(setup.GetInfo(), "Dflt sample time         : 214748364700ms\r\n"
                               "Max fault cut-off        : 3\r\n"
                               "Device state             : OFFLINE");
}

TEST(TkxDeviceSetupInfo, StateTextsCoverTheWholeScale) {
    const std::vector<std::string> expected = {"OFFLINE",
                                               "device is disabled",
                                               "device not yet identified",
                                               "device connected and ready",
                                               "BREAKING",
                                               "communication error",
                                               "OPENERROR",
                                               "SETUPERROR",
                                               "too many errors, device cut-off",
                                               "NOTELVAR",
                                               "unknown device"};
    for (int i = 0; i < static_cast<int>(expected.size()); ++i)
        EXPECT_EQ(TkxDeviceSetup::StateText(i), expected[i]);
    EXPECT_EQ(TkxDeviceSetup::StateText(11), "");
    EXPECT_EQ(TkxDeviceSetup::StateText(-1), "");
}

TEST_F(TkxDeviceSetupTest, NotificationsFireTheirOwnEventThenReachTheConnection) {
    TkxDeviceSetup* device = AddDevice("drive", 1);
    std::vector<std::string> order;
    device->OnSetupChange = [&](TkxDeviceSetup*, TkxObject*) { order.push_back("device"); };
    connection->OnSetupChange = [&](TkxMBThreadSetup*, TkxObject* object) {
        order.push_back(object == device ? "connection:device" : "connection:?");
    };
    device->SetRepeatTime(7);
    EXPECT_THAT(order, ElementsAre("device", "connection:device"));

    order.clear();
    TkxXmlElement transaction;
    device->OnSetupAdd = [&](TkxDeviceSetup*, TkxObject* o) {
        order.push_back(o == &transaction ? "device:transaction" : "device:none");
    };
    connection->OnSetupAdd = [&](TkxMBThreadSetup*, TkxObject* o) {
        order.push_back(o == &transaction ? "connection:transaction"
                        : o == device     ? "connection:device"
                                          : "connection:?");
    };
    device->PerformSetupAdd(&transaction);
    device->PerformSetupAdd(nullptr);
    EXPECT_THAT(order, ElementsAre("device:transaction", "connection:transaction", "device:none",
                                   "connection:device"));
}

TEST_F(TkxDeviceSetupTest, DeletionIsReportedOnceAndOnlyWhileInTheDocument) {
    TkxDeviceSetup* device = AddDevice("drive", 1);
    int ownEvents = 0;
    device->OnSetupDel = [&](TkxDeviceSetup*, TkxObject*) { ++ownEvents; };
    network.Seen.clear();
    ASSERT_TRUE(connection->DeleteDevice(device));
    EXPECT_THAT(network.Seen, ElementsAre("del:drive"));
    EXPECT_EQ(ownEvents, 1);

    AddDevice("other", 2);
    network.Seen.clear();
    network.ResetAll();
    EXPECT_TRUE(network.Seen.empty()) << "a reset document reports nothing to the network";
}

class EditingDialog : public TkxDialogProvider {
public:
    EditingDialog() { TkxInstallDialogProvider(this); }
    ~EditingDialog() override { TkxUninstallDialogProvider(this); }
    bool EditDeviceSetup(TkxDeviceSetup& setup, TkxDevParamSet) override {
        setup.SetDeviceName(Name);
        setup.SetDeviceAddr(Address);
        return Confirm;
    }
    std::string Name;
    std::uint8_t Address = 1;
    bool Confirm = true;
};

TEST_F(TkxDeviceSetupTest, EditDlgRestoresANameOrAddressInUse) {
    AddDevice("a", 1);
    TkxDeviceSetup* b = AddDevice("b", 2);
    EXPECT_EQ(b->EditDlg({}), KDlgCancelled) << "no dialog provider";
    EditingDialog dialog;
    dialog.Name = "a";
    dialog.Address = 3;
    EXPECT_EQ(b->EditDlg({}), KDlgRefused);
    EXPECT_EQ(b->DeviceName(), "b");
    EXPECT_EQ(b->DeviceAddr(), 3);
    dialog.Name = "c";
    dialog.Address = 1;
    EXPECT_EQ(b->EditDlg({}), KDlgRefused);
    EXPECT_EQ(b->DeviceName(), "c");
    EXPECT_EQ(b->DeviceAddr(), 3);
    dialog.Address = 4;
    EXPECT_EQ(b->EditDlg({}), KDlgDone);
    EXPECT_EQ(b->DeviceAddr(), 4);
}

} // namespace
