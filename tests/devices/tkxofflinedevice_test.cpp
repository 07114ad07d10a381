#include "devices/tkxofflinedevicecls.h"

#include "base/tkxstatescale.h"
#include "devices/tkxdeviceqxdrvcls.h"
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxmbnetworkcmp.h"
#include "modbus/tkxmbthreadsetupcls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class TkxOfflineDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { FNetwork.SetFilePath(std::string(TKX_SOURCE_DIR) + "/data"); }

    TkxMBNetwork FNetwork;
};

TEST_F(TkxOfflineDeviceTest, EachDriveTypeIsMadeWithoutEverGoingOnLine) {
    for (const char* text :
         {"QX440v30x", "QX440v32x", "QX460v300", "QX460v400", "QX470v301", "QX470v400"}) {
        TkxMBNetwork network;
        network.SetFilePath(std::string(TKX_SOURCE_DIR) + "/data");
        network.SetOnLine(true);
        TkxDeviceSetup* setup = TkxOfflineDevice::Add(network, text);
        ASSERT_NE(setup, nullptr) << text;
        auto* drive = dynamic_cast<TkxDeviceQXDRV*>(setup->Device());
        ASSERT_NE(drive, nullptr) << text;
        // The version the text stands for: "x" reads as a digit.
        EXPECT_EQ(drive->GetVersion().GetText().substr(0, 7), std::string(text).substr(0, 7));
        EXPECT_FALSE(network.OnLine());
        EXPECT_FALSE(setup->GetThreadSetup()->OnLine()) << text;
        EXPECT_LT(setup->GetThreadSetup()->GetState(), TkxState::Starting) << text;
        EXPECT_EQ(setup->GetThreadSetup()->ThreadName(), "OFFLINE");
        EXPECT_EQ(setup->DeviceName(), "drive");
    }
}

TEST_F(TkxOfflineDeviceTest, GivenConnectionAndSetupAreKept) {
    auto connection = std::make_unique<TkxMBThreadSetup>(FNetwork.Context());
    connection->SetThreadName("COM3");
    auto setup = std::make_unique<TkxDeviceSetup>();
    setup->SetDeviceName("QX_DRIVE");
    setup->SetDeviceAddr(7);
    TkxDeviceSetup* made =
        TkxOfflineDevice::Add(FNetwork, "QX460v400", std::move(connection), std::move(setup));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->DeviceName(), "QX_DRIVE");
    EXPECT_EQ(made->DeviceAddr(), 7);
    EXPECT_EQ(made->GetThreadSetup()->ThreadName(), "COM3");
    EXPECT_NE(dynamic_cast<TkxDeviceQXDRV*>(made->Device()), nullptr);
}

TEST_F(TkxOfflineDeviceTest, UnknownVersionGivesASetupWithoutADrive) {
    TkxDeviceSetup* setup = TkxOfflineDevice::Add(FNetwork, "QX460v999");
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(dynamic_cast<TkxDeviceQXDRV*>(setup->Device()), nullptr);
}

TEST_F(TkxOfflineDeviceTest, ATakenConnectionNameIsRefused) {
    ASSERT_NE(TkxOfflineDevice::Add(FNetwork, "QX460v400"), nullptr);
    EXPECT_EQ(TkxOfflineDevice::Add(FNetwork, "QX460v400"), nullptr);
}

} // namespace
