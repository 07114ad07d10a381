#include "modbus/tkxmbcontextcls.h"

#include "modbus/tkxmbfakes.h"
#include "modbus/tkxmblinkservercls.h"
#include "modbus/tkxmbthreadbindingcls.h"
#include "modbus/tkxmbthreadsetupcls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

// A setup's thread that never runs; it only shows which factory made it.
class IdleThread : public TkxMBSetupThread {
public:
    int GetState() const override { return 0; }
    void ClearError() override {}
};

std::unique_ptr<TkxMBThreadSetup> OnLineSetup(std::shared_ptr<TkxMBContext> context,
                                              const std::string& name) {
    auto setup = std::make_unique<TkxMBThreadSetup>(std::move(context));
    setup->SetThreadName(name);
    setup->SetEnabled(true);
    setup->SetOnLine(true);
    return setup;
}

class TkxMBContextTest : public testing::Test, public ScriptedLineFixture {};

TEST_F(TkxMBContextTest, EachConnectionOpensItsLineThroughItsOwnContext) {
    auto otherScript = std::make_shared<TkxMBScript>();
    auto other = std::make_shared<TkxMBContext>();
    other->SetServerFactory([otherScript](const TkxMBCancel& cancel) {
        return std::make_unique<TkxMBScriptedServer>(otherScript, cancel);
    });
    otherScript->SetConnectOk(false);

    auto first = OnLineSetup(Context, "first");
    auto second = OnLineSetup(other, "second");
    ASSERT_TRUE(PumpUntil([&] { return first->GetState() == 3 && second->GetState() == 6; }));
    EXPECT_EQ(Script->ConnectedCount(), 1);
    EXPECT_EQ(Script->LastSettings().Name, "first");
    EXPECT_EQ(otherScript->LastSettings().Name, "second");
    EXPECT_EQ(otherScript->ConnectedCount(), 0);
    const auto calls = Script->Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Connect"), 1)
        << "the refusing line of the other network never reaches this script";
    first.reset();
    second.reset();
    EXPECT_EQ(Script->ConnectedCount(), 0);
}

TEST(TkxMBContextApart, ThreadFactoriesAndPortMapsAreNotShared) {
    auto standIn = std::make_shared<TkxMBContext>();
    standIn->SetThreadFactory([](TkxMBThreadSetup&) { return std::make_unique<IdleThread>(); });
    standIn->Ports().Set(1, "/dev/tkx-stand-in");
    auto real = std::make_shared<TkxMBContext>();

    TkxMBThreadSetup onStandIn(standIn);
    TkxMBThreadSetup ownContext; // a setup made alone gets a context of its own
    onStandIn.SetThreadName("a");
    ownContext.SetThreadName("b");
    onStandIn.SetOnLine(true);
    ASSERT_NE(onStandIn.Thread(), nullptr);
    EXPECT_NE(dynamic_cast<IdleThread*>(onStandIn.Thread()), nullptr);

    EXPECT_NE(&ownContext.Context(), standIn.get());
    EXPECT_EQ(ownContext.Context().Ports().DevicePath(1), "/dev/ttyUSB0");
    EXPECT_EQ(real->Ports().DevicePath(1), "/dev/ttyUSB0");
    EXPECT_EQ(standIn->Ports().DevicePath(1), "/dev/tkx-stand-in");

    // Without a thread factory a context makes the real thread, bound to the setup.
    TkxQueueDispatcher dispatcher;
    TkxSetMainDispatcher(&dispatcher);
    {
        TkxMBThreadSetup onReal(real);
        onReal.SetThreadName("c");
        onReal.SetConnType(TkxMBThreadSetup::KConnTcpIp);
        onReal.SetTcpIpPort(1);
        onReal.SetTimeOut(100);
        onReal.SetOnLine(true);
        EXPECT_NE(dynamic_cast<TkxMBThreadBinding*>(onReal.Thread()), nullptr);
    }
    TkxSetMainDispatcher(nullptr);
}

TEST(TkxMBContextApart, TheRealLineLooksItsPortUpInItsContext) {
    TkxMBContext context;
    context.Ports().Set(3, "/dev/tkx-context-port");
    TkxMBContext other;
    other.Ports().Set(3, "/dev/tkx-other-port");
    context.SetServerFactory(
        [](const TkxMBCancel&) -> std::unique_ptr<TkxMBServer> { return nullptr; });
    context.SetServerFactory(nullptr); // back to the real line
    TkxMBCancel cancel;
    const std::unique_ptr<TkxMBServer> server = context.MakeServer(cancel);
    ASSERT_NE(dynamic_cast<TkxMBLinkServer*>(server.get()), nullptr);
    bool ok = false;
    server->OpenConnection("line", 1, ok);
    server->Set_ComPort(3);
    bool connected = true;
    server->Connect(connected);
    EXPECT_FALSE(connected);
    EXPECT_NE(server->GetLastErrorText().find("/dev/tkx-context-port"), std::string::npos)
        << server->GetLastErrorText();
}

} // namespace
