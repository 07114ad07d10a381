#include "modbus/tkxmbthreadbindingcls.h"

#include "modbus/tkxmbfakes.h"
#include "modbus/tkxmbthreadsetupcls.h"

#include <gtest/gtest.h>

namespace {

class TkxMBThreadBindingTest : public testing::Test, public ScriptedLineFixture {
protected:
    void SetUp() override {
        FSetup = std::make_unique<TkxMBThreadSetup>(Context);
        FSetup->SetThreadName("line");
        FSetup->SetTimeOut(250);
        FSetup->OnStateChange = [this](TkxMBThreadSetup*, TkxObject* object) {
            if (object == FSetup.get()) {
                FStates.push_back(FSetup->GetState());
            }
        };
    }
    void TearDown() override { FSetup.reset(); }
    // Until the setup has reported the state, not merely until its thread is in it.
    bool WaitForState(int state) {
        return PumpUntil([&] {
            return FSetup->GetState() == state && !FStates.empty() && FStates.back() == state;
        });
    }

    std::unique_ptr<TkxMBThreadSetup> FSetup;
    std::vector<int> FStates;
};

TEST_F(TkxMBThreadBindingTest, EnabledOnLineSetupRunsItsLine) {
    FSetup->SetEnabled(true);
    EXPECT_EQ(FSetup->Thread(), nullptr); // off-line: no thread yet
    FSetup->SetOnLine(true);
    ASSERT_NE(FSetup->Thread(), nullptr);
    ASSERT_TRUE(WaitForState(3));
    EXPECT_EQ(FStates, (std::vector<int>{2, 3}));
    EXPECT_EQ(Script->LastSettings().Name, "line");
    EXPECT_EQ(Script->LastSettings().TimeOut, 250);

    FSetup->SetEnabled(false);
    ASSERT_TRUE(WaitForState(1));
    EXPECT_EQ(Script->ConnectedCount(), 0);
}

TEST_F(TkxMBThreadBindingTest, SettingsChangedWhileIdleReachTheNextOpen) {
    FSetup->SetOnLine(true);
    FSetup->SetEnabled(true);
    ASSERT_TRUE(WaitForState(3));
    FSetup->SetEnabled(false);
    ASSERT_TRUE(WaitForState(1));
    FSetup->SetTimeOut(750);
    FSetup->SetEnabled(true);
    ASSERT_TRUE(WaitForState(3));
    EXPECT_EQ(Script->LastSettings().TimeOut, 750);
}

TEST_F(TkxMBThreadBindingTest, GoingOnLineAgainRetriesAfterAnOpenError) {
    Script->SetConnectOk(false);
    FSetup->SetEnabled(true);
    FSetup->SetOnLine(true);
    ASSERT_TRUE(WaitForState(6));
    Script->SetConnectOk(true);
    FSetup->SetOnLine(false);
    FSetup->SetOnLine(true);
    ASSERT_TRUE(WaitForState(3));
}

TEST_F(TkxMBThreadBindingTest, DestroyingTheSetupEndsTheThread) {
    FSetup->SetEnabled(true);
    FSetup->SetOnLine(true);
    ASSERT_TRUE(WaitForState(3));
    FSetup.reset();
    EXPECT_EQ(Script->ConnectedCount(), 0);
}

} // namespace
