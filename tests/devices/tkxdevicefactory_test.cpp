#include "devices/tkxdevicefactorycls.h"

#include "devices/tkxdeviceqxdrvcls.h"
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxdevicevelmolcdcls.h"
#include "devices/tkxmbnetworkcmp.h"
#include "devices/tkxversionrecordcls.h"
#include "modbus/tkxmbdeviceversioncls.h"
#include "modbus/tkxmbfakes.h"
#include "modbus/tkxmbthreadbindingcls.h"
#include "modbus/tkxmbthreadthr.h"
#include "support/tkxmemoryslave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string ClassOf(const char* versionText) {
    return std::string(TkxDeviceFactory::ClassFor(TkxVersionRecord(versionText)));
}

TEST(TkxDeviceFactoryTable, EveryRowInItsOrder) {
    EXPECT_EQ(ClassOf("QX420v100"), "TkxDeviceQX410");
    EXPECT_EQ(ClassOf("QX410v201"), "TkxDeviceQX410");
    EXPECT_EQ(ClassOf("QX450v110"), "TkxDeviceQX450");
    EXPECT_EQ(ClassOf("QX460v300"), "TkxDeviceQXDRV");
    EXPECT_EQ(ClassOf("QX470-ABv301-CD"), "TkxDeviceQXDRV");
    EXPECT_EQ(ClassOf("QX440- 4v305"), "TkxDeviceQXDRV");
    EXPECT_EQ(ClassOf("QX440-10v321"), "TkxDeviceQXDRV");
    EXPECT_EQ(ClassOf("QX440-VEv305"), "TkxDeviceQXDRV");
    EXPECT_EQ(ClassOf("QXP610_QX430v100-ST"), "TkxDeviceQX430ST");
    EXPECT_EQ(ClassOf("QXP620_QX510-Av100"), "TkxDeviceQX510");
    EXPECT_EQ(ClassOf("QX540v100"), "TkxDeviceQX520");
    EXPECT_EQ(ClassOf("QX550-ABv100-CD"), "TkxDeviceQX550");
    EXPECT_EQ(ClassOf("QX999v100"), "TkxDeviceQXSlave");
}

// A record without option letters passes every option test, so a QX440 without them is taken
// by the drive rows before the plain QX440 row is tried.
TEST(TkxDeviceFactoryTable, OptionLetterDecidesAQX440) {
    EXPECT_EQ(ClassOf("QX440- 2v305"), "TkxDeviceQXDRV") << "a blank first option letter";
    EXPECT_EQ(ClassOf("QX440v100"), "TkxDeviceQXDRV");
    EXPECT_EQ(ClassOf("QX440-Av305"), "TkxDeviceQXSlave") << "no row names option A";
}

TEST(TkxDeviceFactoryTable, EveryOfflineDriveTypeIsTheTerminalsDrive) {
    for (const char* text :
         {"QX440v30x", "QX440v32x", "QX460v300", "QX460v400", "QX470v301", "QX470v400"}) {
        EXPECT_EQ(ClassOf(text), "TkxDeviceQXDRV") << text;
    }
}

// A network whose data models search the shipped definition files.
class TkxDeviceIdentification : public ::testing::Test {
protected:
    void SetUp() override {
        FNetwork.SetFilePath(std::string(TKX_SOURCE_DIR) + "/data");
        auto connection = std::make_unique<TkxMBThreadSetup>(FNetwork.Context());
        connection->SetThreadName("COM1");
        TkxMBThreadSetup* line = connection.get();
        ASSERT_TRUE(FNetwork.AddConnection(connection));
        auto setup = std::make_unique<TkxDeviceSetup>();
        setup->SetDeviceName("drive");
        FSetup = setup.get();
        ASSERT_TRUE(line->AddDeviceSetup(setup));
        FSetup->SetEnabled(true);
    }

    TkxMBNetwork FNetwork;
    TkxDeviceSetup* FSetup = nullptr;
};

TEST_F(TkxDeviceIdentification, EachOfflineTypeGetsTheDriveFromItsOwnFile) {
    for (const char* text :
         {"QX440v30x", "QX440v32x", "QX460v300", "QX460v400", "QX470v301", "QX470v400"}) {
        FSetup->DestroyDevice();
        FSetup->DeviceFromVersion(TkxVersionRecord(text));
        auto* drive = dynamic_cast<TkxDeviceQXDRV*>(FSetup->Device());
        ASSERT_NE(drive, nullptr) << text;
        EXPECT_NE(drive->ParMotorAccel, nullptr) << text;
    }
}

TEST_F(TkxDeviceIdentification, AVersionWithoutFileDisablesTheSetup) {
    int states = 0;
    FSetup->OnStateChange = [&](TkxDeviceSetup*, TkxObject*) { ++states; };
    FSetup->DeviceFromVersion(TkxVersionRecord("QX460v900"));
    EXPECT_EQ(FSetup->Device(), nullptr);
    EXPECT_FALSE(FSetup->Enabled());
    EXPECT_GE(states, 1);
}

TEST_F(TkxDeviceIdentification, ASecondVersionKeepsTheFirstDevice) {
    FSetup->DeviceFromVersion(TkxVersionRecord("QX460v300"));
    TkxDeviceSlave* first = FSetup->Device();
    ASSERT_NE(first, nullptr);
    FSetup->DeviceFromVersion(TkxVersionRecord("QX460v400"));
    EXPECT_EQ(FSetup->Device(), first);
    EXPECT_FALSE(FSetup->Enabled());
}

} // namespace

// A whole identification on a scripted line: the network goes on-line, the connection's thread
// asks the enabled device for its version, and the answer decides what is created.
class TkxDeviceIdentificationOnLine : public ::testing::Test, public ScriptedLineFixture {
protected:
    void SetUp() override {
        Script->SetResponder([this](const std::vector<std::uint8_t>& query) {
            if (query.size() >= 2 && query[1] == 0x41) {
                if (FVersionReply.empty()) {
                    return TkxMBScript::Step{TkxMBResult::Timeout, {}, {}};
                }
                return TkxMBScript::Step{0, FVersionReply, FVersionDelay};
            }
            return FSlave.Answer(query);
        });
        auto connection = std::make_unique<TkxMBThreadSetup>(FNetwork.Context());
        connection->SetThreadName("COM1");
        connection->SetEnabled(true);
        FLine = connection.get();
        ASSERT_TRUE(FNetwork.AddConnection(connection));
        auto setup = std::make_unique<TkxDeviceSetup>();
        setup->SetDeviceName("drive");
        setup->SetEnabled(true);
        FSetup = setup.get();
        ASSERT_TRUE(FLine->AddDeviceSetup(setup));
    }
    void TearDown() override { FNetwork.SetOnLine(false); }
    int QueriesOf(std::uint8_t function) const {
        const auto queries = Script->Queries();
        return static_cast<int>(std::count_if(queries.begin(), queries.end(), [&](const auto& q) {
            return q.size() >= 2 && q[1] == function;
        }));
    }

    TkxMBNetwork FNetwork{Context};
    TkxMemorySlave FSlave;
    std::vector<std::uint8_t> FVersionReply;
    std::chrono::milliseconds FVersionDelay{0};
    TkxMBThreadSetup* FLine = nullptr;
    TkxDeviceSetup* FSetup = nullptr;
};

TEST_F(TkxDeviceIdentificationOnLine, AnsweringDriveBecomesTheTerminalsDriveAndReadsItsSetup) {
    FNetwork.SetFilePath(std::string(TKX_SOURCE_DIR) + "/data");
    FVersionReply = {1, 0x41, 0, 0, 0x01, 0xCC, 0xFF, 0xFF, 0x01, 0x2C, 0xFF, 0xFF}; // QX460v300
    FNetwork.SetOnLine(true);
    ASSERT_TRUE(PumpUntil([&] { return FSetup->Device() != nullptr; }));
    auto* drive = dynamic_cast<TkxDeviceQXDRV*>(FSetup->Device());
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->GetVersion().GetText(), "QX460v300");
    ASSERT_TRUE(PumpUntil([&] { return drive->SetupState() == TkxDeviceQXSlave::SetupLoaded; }));
    EXPECT_EQ(FSetup->GetState(), 3);
}

TEST_F(TkxDeviceIdentificationOnLine, SilentSlaveBecomesTheDeviceTheDefaultFileNames) {
    FNetwork.SetFilePath(TKX_TEST_DATA_DIR);
    FNetwork.SetDfltFile("model_velmolcd.par");
    FNetwork.SetOnLine(true);
    ASSERT_TRUE(PumpUntil([&] { return FSetup->Device() != nullptr; }));
    EXPECT_NE(dynamic_cast<TkxDeviceVelmoLcd*>(FSetup->Device()), nullptr);
}

TEST_F(TkxDeviceIdentificationOnLine, SilentSlaveWithoutDefaultFileIsAskedAgain) {
    FNetwork.SetFilePath(TKX_TEST_DATA_DIR);
    FNetwork.SetOnLine(true);
    // Each run makes three attempts (two retries); a fourth request is the next run.
    ASSERT_TRUE(PumpUntil([&] { return QueriesOf(0x41) >= 4; })) << "asked again after 2 s";
    EXPECT_EQ(FSetup->Device(), nullptr);
    EXPECT_EQ(FSetup->GetState(), 2);
}

TEST_F(TkxDeviceIdentificationOnLine, RequestThatOutlivesItsSetupEndsItself) {
    FNetwork.SetFilePath(std::string(TKX_SOURCE_DIR) + "/data");
    FVersionReply = {1, 0x41, 0, 0, 0x01, 0xCC, 0xFF, 0xFF, 0x01, 0x2C, 0xFF, 0xFF};
    FVersionDelay = std::chrono::milliseconds(200);
    FNetwork.SetOnLine(true);
    ASSERT_TRUE(PumpUntil([&] { return QueriesOf(0x41) >= 1; }));
    ASSERT_TRUE(FLine->DeleteDevice(FSetup));
    auto* binding = dynamic_cast<TkxMBThreadBinding*>(FLine->Thread());
    ASSERT_NE(binding, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return binding->Thread().Transactions().Count() == 0; }))
        << "the answer reaches no setup, and the request is destroyed";
}
