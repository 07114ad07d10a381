// The running drive as a master sees it: commands, references and setup written over Modbus
// TCP, the drive's answers read back while its model runs twenty times faster than real time.
#include "sim/simdrive.h"
#include "sim/simdrivemodel.h"

#include "simtestdrive.h"
#include "simtestmaster.h"
#include "support/simprocess.h"
#include "support/tkxtempfolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace qxsim {
namespace {

using namespace std::chrono_literals;

std::string Shipped(const std::string& name) {
    return std::string(TKX_SOURCE_DIR) + "/data/" + name;
}

// Registers of the QX460 v4xx file.
enum Reg : int {
    kDcBus = 1000,
    kMotorHz = 1003, // 0.1 Hz
    kMotorRpm = 1004,
    kPosition = 1005, // low word, high word after it
    kStatus = 1008,
    kVirtualInput = 1011,
    kPrimaryRef = 1012, // 1/32768
    kNextTarget = 1014,
    kPreFault1 = 1020,
    kActFault1 = 1022,
    kControlConfig = 1100,
    kDriveConfig = 1101,
    kMotorI2Ttime = 1112,
    kPosRefMux = 1157,
    kPacket = 1196, // accel, decel, speed, target low, target high
    kTargetCount = 1300,
    kTable = 1301, // five registers per target
};
constexpr std::uint16_t kEnable = 1;
constexpr std::uint16_t kReset = 2;
constexpr int kMotorStateMask = 0x70;
constexpr int kSpeedReached = 1;
constexpr int kProfileDone = 2;
constexpr int kPositionReached = 4;
constexpr int kOvercurrent = 1;
constexpr int kI2t = 0x40;

int MotorState(int status) {
    return (status & kMotorStateMask) >> 4;
}
std::int16_t Signed(int word) {
    return static_cast<std::int16_t>(word);
}

class SimDriveModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        FSim = std::make_unique<SimProcess>(
            std::vector<std::string>{"--defs", Shipped("qx460v4xx.par"), "--tcp", "0", "--speedup",
                                     "20", "--control", FFolder.PathOf("control")});
        ASSERT_TRUE(FSim->Started()) << FSim->Banner();
        FMaster = std::make_unique<SimTestMaster>(FSim->TcpPort());
        ASSERT_TRUE(FMaster->Connected());
        FControl = std::make_unique<SimTestControl>(FFolder.PathOf("control"));
        ASSERT_TRUE(FControl->Connected());
        // Commands from the bus, so that the virtual inputs enable and reset.
        ASSERT_TRUE(FMaster->Write(kDriveConfig, 33));
    }

    // Waits until the model has taken steps since the call: the DC bus ripple has moved twice.
    void WaitForSteps() {
        for (int change = 0; change < 2; ++change) {
            const int before = FMaster->Get(kDcBus);
            ASSERT_TRUE(FMaster->WaitFor(kDcBus, [&](int bus) { return bus != before; }));
        }
    }

    // Enables the drive at half the reference and waits until it holds its speed.
    void RunAtHalfSpeed() {
        ASSERT_TRUE(FMaster->Write(kPrimaryRef, 16384));
        ASSERT_TRUE(FMaster->Write(kVirtualInput, kEnable));
        ASSERT_TRUE(FMaster->WaitFor(kStatus, [](int s) {
            return MotorState(s) == int(SimMotorState::Running) && (s & kSpeedReached) != 0;
        }));
    }

    TkxTempFolder FFolder;
    std::unique_ptr<SimProcess> FSim;
    std::unique_ptr<SimTestMaster> FMaster;
    std::unique_ptr<SimTestControl> FControl;
};

// The file's defaults: 3000 rpm at 8 poles is 200 Hz, held to the maximum of 100 Hz, reached
// from standstill in the acceleration time of 1 s; so half the reference is 50.0 Hz, 750 rpm.
// Each 10 ms step adds 1 Hz on the ramp, which bounds what a poll can see off the end value.
TEST_F(SimDriveModelTest, EnabledDriveRampsToTheReferenceAndDisabledItStands) {
    ASSERT_TRUE(FMaster->Write(kPrimaryRef, 16384));
    WaitForSteps();
    EXPECT_EQ(FMaster->Get(kMotorHz), 0);
    EXPECT_EQ(MotorState(FMaster->Get(kStatus)), int(SimMotorState::Disabled));

    ASSERT_TRUE(FMaster->Write(kVirtualInput, kEnable));
    std::vector<int> ramp;
    ASSERT_TRUE(FMaster->WaitFor(kMotorHz, [&](int hz) {
        ramp.push_back(hz);
        return hz >= 500 - 10;
    }));
    EXPECT_TRUE(std::is_sorted(ramp.begin(), ramp.end()));
    ASSERT_TRUE(FMaster->WaitFor(kStatus, [](int s) { return (s & kSpeedReached) != 0; }));
    EXPECT_NEAR(FMaster->Get(kMotorHz), 500, 10);
    EXPECT_NEAR(FMaster->Get(kMotorRpm), 750, 15);
    EXPECT_EQ(MotorState(FMaster->Get(kStatus)), int(SimMotorState::Running));
    const auto counted = FMaster->Read(kPosition, 2);
    ASSERT_TRUE(counted);
    EXPECT_TRUE((*counted)[0] != 0 || (*counted)[1] != 0);

    // A negative reference turns it round through standstill; disabling coasts it at once.
    ASSERT_TRUE(FMaster->Write(kPrimaryRef, std::uint16_t(-8192)));
    ASSERT_TRUE(FMaster->WaitFor(kMotorHz, [](int hz) { return Signed(hz) <= -250 + 10; }));
    ASSERT_TRUE(FMaster->Write(kVirtualInput, 0));
    ASSERT_TRUE(FMaster->WaitFor(
        kStatus, [](int s) { return MotorState(s) == int(SimMotorState::Disabled); }));
    EXPECT_EQ(FMaster->Get(kMotorHz), 0);
}

TEST_F(SimDriveModelTest, FaultStopsTheDriveAndResetClearsItOnlyOnceTheCauseIsGone) {
    RunAtHalfSpeed();
    ASSERT_EQ(FControl->Send("fault overcurrent"), "ok");
    ASSERT_TRUE(FMaster->WaitFor(kActFault1, [](int f) { return (f & kOvercurrent) != 0; }));
    EXPECT_EQ(FMaster->Get(kPreFault1) & kOvercurrent, kOvercurrent);
    EXPECT_EQ(FMaster->Get(kMotorHz), 0);
    EXPECT_EQ(MotorState(FMaster->Get(kStatus)), int(SimMotorState::FaultStop));

    // Reset held while the cause lasts changes nothing.
    ASSERT_TRUE(FMaster->Write(kVirtualInput, kEnable | kReset));
    WaitForSteps();
    EXPECT_EQ(FMaster->Get(kActFault1) & kOvercurrent, kOvercurrent);

    ASSERT_EQ(FControl->Send("fault overcurrent off"), "ok");
    ASSERT_TRUE(FMaster->WaitFor(kActFault1, [](int f) { return f == 0; }));
    EXPECT_EQ(FMaster->Get(kPreFault1) & kOvercurrent, kOvercurrent) << "the history stays";
    // Enable still on from before the fault does not restart it; a new enable does.
    ASSERT_TRUE(FMaster->Write(kVirtualInput, kEnable));
    WaitForSteps();
    EXPECT_EQ(FMaster->Get(kMotorHz), 0);
    ASSERT_TRUE(FMaster->Write(kVirtualInput, 0));
    WaitForSteps();
    ASSERT_TRUE(FMaster->Write(kVirtualInput, kEnable));
    EXPECT_TRUE(FMaster->WaitFor(kMotorHz, [](int hz) { return hz >= 490; }));

    // A pulse trips as well, and a reset then clears it at once.
    ASSERT_EQ(FControl->Send("fault phase-loss pulse"), "ok");
    ASSERT_TRUE(FMaster->WaitFor(kActFault1 + 1, [](int f) { return f == 0x800; }));
    ASSERT_TRUE(FMaster->Write(kVirtualInput, kReset));
    EXPECT_TRUE(FMaster->WaitFor(kActFault1 + 1, [](int f) { return f == 0; }));
}

// Rated 10 A and peak 20 A by default: at 150 % load the motor draws 15.5 A and trips the I2t
// time of 1 s set here within a few seconds of model time, then cools down.
TEST_F(SimDriveModelTest, OverloadPastTheI2tTimeTripsOnItsOwn) {
    ASSERT_TRUE(FMaster->Write(kMotorI2Ttime, 1));
    ASSERT_EQ(FControl->Send("load 150"), "ok");
    RunAtHalfSpeed();
    ASSERT_TRUE(FMaster->WaitFor(kActFault1, [](int f) { return (f & kI2t) != 0; }));
    EXPECT_EQ(FMaster->Get(kMotorHz), 0);
    ASSERT_TRUE(FMaster->Write(kVirtualInput, kReset));
    EXPECT_TRUE(FMaster->WaitFor(kActFault1, [](int f) { return f == 0; }));
    EXPECT_EQ(FMaster->Get(kPreFault1) & kI2t, kI2t);
}

// Encoder of 2048 pulses: 8192 increments per revolution.
TEST_F(SimDriveModelTest, PositioningReachesThePacketTargetAndThenATableTargetAndStops) {
    ASSERT_TRUE(FMaster->Write(kControlConfig, 0x1003)); // positioning, serial targets
    ASSERT_TRUE(FMaster->Write(kPacket, {3000, 3000, 600}));
    ASSERT_TRUE(FMaster->WriteLong(kPacket + 3, 20000));
    ASSERT_TRUE(FMaster->Write(kVirtualInput, kEnable));
    const auto arrived = [](int s) {
        return (s & (kProfileDone | kPositionReached)) == (kProfileDone | kPositionReached) &&
               MotorState(s) == int(SimMotorState::Standing);
    };
    ASSERT_TRUE(FMaster->WaitFor(kMotorHz, [](int hz) { return hz != 0; }));
    ASSERT_TRUE(FMaster->WaitFor(kStatus, arrived));
    EXPECT_EQ(FMaster->Read(kPosition, 2), (std::vector<std::uint16_t>{20000, 0}));
    EXPECT_EQ(FMaster->Get(kMotorHz), 0);

    // The second of two predefined targets, behind the start.
    ASSERT_TRUE(FMaster->Write(kTable + 5, {2000, 2000, 300}));
    ASSERT_TRUE(FMaster->WriteLong(kTable + 8, -5000));
    ASSERT_TRUE(FMaster->Write(kTargetCount, 2));
    ASSERT_TRUE(FMaster->Write(kNextTarget, 2));
    ASSERT_TRUE(FMaster->Write(kPosRefMux, 1));
    ASSERT_TRUE(FMaster->WaitFor(kMotorHz, [](int hz) { return Signed(hz) < 0; }));
    ASSERT_TRUE(FMaster->WaitFor(kStatus, arrived));
    EXPECT_EQ(FMaster->Read(kPosition, 2), (std::vector<std::uint16_t>{60536, 0xFFFF}));
}

TEST_F(SimDriveModelTest, ControlInterfaceRefusesWhatItDoesNotKnowAndChangesNothing) {
    const std::string before = FControl->Send("status");
    EXPECT_EQ(before.rfind("disabled, 0.0 Hz", 0), 0u) << before;
    for (const char* bad :
         {"launch", "fault", "fault meltdown", "fault overcurrent maybe", "input HwEnable",
          "input Nowhere on", "load 301", "load -1", "load 12abc", "analog 2", "status now"}) {
        EXPECT_EQ(FControl->Send(bad).rfind("error: ", 0), 0u) << bad;
    }
    EXPECT_EQ(FControl->Send("status"), before);
    // A hardware input shows in the input register.
    ASSERT_EQ(FControl->Send("input HwFcCw on"), "ok");
    EXPECT_TRUE(FMaster->WaitFor(1010, [](int inputs) { return inputs == 8; }));
}

TEST(SimDriveModelFiles, EachShippedFileRunsAndAPlainFileHasNoModel) {
    for (const char* file : {"qx440v30x.par", "qx440v32x.par", "qx460v3xx.par", "qx460v4xx.par",
                             "qx470v3xx.par", "qx470v4xx.par"}) {
        SCOPED_TRACE(file);
        SimShippedDrive shipped(file);
        SimDriveModel* model = shipped.Model();
        ASSERT_TRUE(model);
        SimDrive drive(shipped.Memory(), {});
        // Commands from the bus, enable, a quarter of the reference, then two seconds.
        EXPECT_EQ(drive.Answer(Hex("06 044D 0021")).size(), 5u);
        EXPECT_EQ(drive.Answer(Hex("06 03F3 0001")).size(), 5u);
        EXPECT_EQ(drive.Answer(Hex("06 03F4 2000")).size(), 5u);
        for (int i = 0; i < 200; ++i) {
            model->Step();
        }
        EXPECT_EQ(model->State(), SimMotorState::Running);
        const auto hz = drive.Answer(Hex("03 03EB 0001"));
        ASSERT_EQ(hz.size(), 4u);
        EXPECT_GT(hz[2] << 8 | hz[3], 0);
    }
    SimTestDefinitions plain;
    std::ostringstream log;
    SimRegisterMemory memory(plain.Defs(), nullptr, log);
    EXPECT_FALSE(SimDriveModel::Create(plain.Defs(), memory));
}

TEST(SimDriveModelFiles, ControlIsRefusedForAFileWithoutADrive) {
    const auto run =
        RunProgram({SimulatorPath(), "--defs", std::string(TKX_TEST_DATA_DIR) + "/sim/drive.par",
                    "--tcp", "0", "--control", "-"},
                   10s);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Output.find("names none of a drive's commands"), std::string::npos) << run.Output;
}

} // namespace
} // namespace qxsim
