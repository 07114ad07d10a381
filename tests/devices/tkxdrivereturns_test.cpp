// A drive on a network that vanishes from the line and comes back, and a network taken off-line
// and on-line again, against the simulator: the device goes through its error states and back
// to running by itself, and nothing of the connection is left behind.
#include "support/tkxsimdrivenetwork.h"

#include "base/tkxstatescale.h"
#include "devices/tkxdeviceqxdrivecls.h"
#include "devices/tkxdevicesetupcls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxmbthreadsetupcls.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

namespace {

class TkxDriveReturns : public ::testing::Test {
protected:
    // Brings the network on-line and waits until the drive is identified and its state read.
    void Connect(const TkxSimDriveNetwork::Options& options = {}) {
        Net = std::make_unique<TkxSimDriveNetwork>(options);
        ASSERT_TRUE(Net->Started()) << Net->Problem();
        Net->SetOnLine(true);
        ASSERT_TRUE(Net->WaitUntil([&] { return Drive() != nullptr && StateReads() > 0; }))
            << "state " << Net->DriveState();
        EXPECT_EQ(Net->DriveState(), TkxState::Running);
    }

    TkxDeviceQXDrive* Drive() const { return dynamic_cast<TkxDeviceQXDrive*>(Net->Drive()); }
    int StateReads() const {
        return Drive() != nullptr ? Drive()->ReadState->GetMessageCount() : 0;
    }
    // Waits until the drive is in that state; the state it is in when it is not.
    ::testing::AssertionResult Reaches(int state) {
        if (Net->WaitUntil([&] { return Net->DriveState() == state; })) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "the drive stays in state " << Net->DriveState() << " instead of " << state;
    }
    // Running with state reads answered again since now.
    ::testing::AssertionResult RunsAgain() {
        const int before = StateReads();
        if (Net->WaitUntil([&] {
                return Net->DriveState() == TkxState::Running && StateReads() > before + 1;
            })) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "state " << Net->DriveState() << ", " << StateReads() - before << " state reads";
    }

    std::unique_ptr<TkxSimDriveNetwork> Net;
};

TEST_F(TkxDriveReturns, AVanishedDriveIsInErrorAndRunsAgainWhenItReturns) {
    Connect();
    const TkxDeviceQXDrive* identified = Drive();
    for (int cycle = 0; cycle < 3; ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        Net->Sim().Signal(SIGUSR1);
        ASSERT_TRUE(Reaches(TkxState::Error));
        EXPECT_EQ(Net->Connection().GetState(), TkxState::Running) << "the line stays open";
        Net->Sim().Signal(SIGUSR2);
        ASSERT_TRUE(RunsAgain());
        EXPECT_EQ(Drive(), identified) << "the same device, not identified again";
    }
}

TEST_F(TkxDriveReturns, ACutOffDriveRunsAgainAfterAFaultReset) {
    TkxSimDriveNetwork::Options options;
    options.MaxFault = 2;
    Connect(options);
    Net->Sim().Signal(SIGUSR1);
    ASSERT_TRUE(Reaches(TkxState::CutOff));
    Net->Sim().Signal(SIGUSR2);
    // A cut-off transaction asks nothing, so the drive cannot find out by itself.
    Net->Serve(std::chrono::milliseconds(300));
    EXPECT_EQ(Net->DriveState(), TkxState::CutOff);
    Drive()->ResetFaults();
    EXPECT_TRUE(RunsAgain());
}

TEST_F(TkxDriveReturns, OffLineAndOnLineAgainLeavesNoThreadOrDescriptorBehind) {
    Connect();
    const TkxProcessResources running = TkxProcessResources::Now();
    for (int cycle = 0; cycle < 3; ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        Net->SetOnLine(false);
        ASSERT_TRUE(Reaches(TkxState::OffLine));
        ASSERT_TRUE(Net->WaitUntil([&] { return Net->Connection().CanEdit(); }));
        Net->SetOnLine(true);
        ASSERT_TRUE(RunsAgain());
        Net->Sim().Signal(SIGUSR1);
        ASSERT_TRUE(Reaches(TkxState::Error));
        Net->Sim().Signal(SIGUSR2);
        ASSERT_TRUE(RunsAgain());
        const TkxProcessResources now = TkxProcessResources::Now();
        EXPECT_EQ(now.Threads, running.Threads);
        EXPECT_EQ(now.Descriptors, running.Descriptors);
    }
}

} // namespace
