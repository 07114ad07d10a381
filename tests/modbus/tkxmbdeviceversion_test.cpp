#include "modbus/tkxmbdeviceversioncls.h"

#include "modbus/tkxmbfakes.h"
#include "modbus/tkxmbtestutil.h"

#include <gtest/gtest.h>

namespace {

using namespace TkxMBResult;

// The version transaction on an idle thread (never on-line, so it opens no line); the test
// runs the exchanges itself on its own scripted server.
class TkxMBDeviceVersionTest : public ::testing::Test, public ScriptedLineFixture {
protected:
    void SetUp() override {
        FHost.OnLine = false;
        FThread = std::make_unique<TkxMBThread>(&FHost);
        FServer = std::make_unique<TkxMBScriptedServer>(Script, FCancel);
        bool ok = false;
        FServer->OpenConnection("test", 1, ok);
        FServer->Set_Retries(0);
        bool connected = false;
        FServer->Connect(connected);
    }
    void TearDown() override { FThread.reset(); }

    TkxMBDeviceVersion& MakeVersion(int repeatTime, std::uint8_t address) {
        auto& version = MakeFor<TkxMBDeviceVersion>(FThread.get(), 1, repeatTime);
        version.SetSlaveAddress(address);
        return version;
    }
    void Reply(const std::string& hex, std::int32_t result = 0) {
        Script->Push({result, Hex(hex), {}});
    }

    FakeSetup FHost{Context};
    std::unique_ptr<TkxMBThread> FThread;
    TkxMBCancel FCancel;
    std::unique_ptr<TkxMBScriptedServer> FServer;
};

TEST_F(TkxMBDeviceVersionTest, PollingOrOneShot) {
    TkxMBDeviceVersion& polling = MakeVersion(20, 1);
    EXPECT_EQ(polling.GetRepeatTime(), 20);
    EXPECT_EQ(polling.TerminateIf.to_string(), TkxMBTransaction::TerminateSet().set(1).to_string());
    EXPECT_EQ(polling.GetTransaName(), "TkxMBDeviceVersion[0]");
    TkxMBDeviceVersion& once = MakeVersion(0, 1);
    EXPECT_TRUE(once.TerminateIf.test(TkxMBTransaction::Always));
    EXPECT_EQ(once.TerminateIf.count(), 1u);
    EXPECT_FALSE(once.IsIdentified());
}

TEST_F(TkxMBDeviceVersionTest, ReadsTheRecordFromATwelveByteReply) {
    TkxMBDeviceVersion& version = MakeVersion(0, 7);
    // Board 610, model 430, option letters swapped on the wire, version 123, suffix "ST".
    Reply("07 41 02 62 01 AE FF FF 00 7B 54 53");
    EXPECT_EQ(version.Transact(*FServer), 0);
    ASSERT_EQ(Script->Queries().size(), 1u);
    EXPECT_EQ(Script->Queries()[0], Hex("07 41"));
    EXPECT_TRUE(version.IsIdentified());
    EXPECT_EQ(version.GetVersion().GetText(), "QXP610_QX430v123-ST");
}

TEST_F(TkxMBDeviceVersionTest, BadRepliesKeepTheRecordAndAreNotIdentified) {
    TkxMBDeviceVersion& version = MakeVersion(0, 7);
    Reply("07 41 00 00 01 B8 FF FF 00 7B FF FF");
    ASSERT_EQ(version.Transact(*FServer), 0);
    const TkxVersionRecord before = version.GetVersion();
    struct Case {
        const char* Why;
        const char* Reply;
        std::int32_t Result;
    };
    const Case cases[] = {
        {"eleven bytes", "07 41 00 00 01 B8 FF FF 00 7B FF", 254},
        {"thirteen bytes", "07 41 00 00 01 B8 FF FF 00 7B FF FF 00", 254},
        {"another slave", "08 41 00 00 01 C2 FF FF 00 7B FF FF", InvalidResponse},
        {"another function", "07 42 00 00 01 C2 FF FF 00 7B FF FF", InvalidResponse},
    };
    for (const Case& c : cases) {
        Reply(c.Reply);
        EXPECT_EQ(version.Transact(*FServer), c.Result) << c.Why;
        EXPECT_FALSE(version.IsIdentified()) << c.Why;
        EXPECT_EQ(version.GetVersion(), before) << c.Why;
    }
    Reply("", IllegalFunction);
    EXPECT_EQ(version.Transact(*FServer), IllegalFunction);
    EXPECT_EQ(TkxMBTransaction::GetResultText(254), "FEh");
}

} // namespace
