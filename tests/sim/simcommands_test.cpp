#include "sim/simcommands.h"

#include "simtestdrive.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace qxsim {
namespace {

class SimCommandsTest : public ::testing::Test {
protected:
    std::string Run(const std::string& line) { return FCommands->Execute(line).Text; }

    SimShippedDrive FDrive;
    SimDriveModel* FModel = FDrive.Model();
    std::unique_ptr<SimCommands> FCommands = std::make_unique<SimCommands>(*FModel);
};

TEST_F(SimCommandsTest, CommandsTakeAnyCaseAndBlanksAndAnswerOneLine) {
    EXPECT_EQ(Run("  FAULT   Overcurrent\tON \r"), "ok");
    EXPECT_EQ(Run("input hwenable OFF"), "ok");
    EXPECT_EQ(Run("load 0"), "ok");
    EXPECT_EQ(Run("load 300"), "ok");
    EXPECT_EQ(Run("analog -0.5"), "ok");
    EXPECT_EQ(Run(""), "");
    EXPECT_EQ(Run("# a comment"), "");
    EXPECT_EQ(Run("inputs"), "HwEnable HwReset HwZero HwFcCw HwFcCcw");
    EXPECT_NE(Run("faults").find("overcurrent"), std::string::npos);
    EXPECT_TRUE(FCommands->Execute("quit").Close);
    EXPECT_FALSE(FCommands->Execute("status").Close);
}

TEST_F(SimCommandsTest, AnInjectedFaultTripsAtTheNextStep) {
    ASSERT_EQ(Run("fault overcurrent"), "ok");
    FModel->Step();
    EXPECT_EQ(FModel->State(), SimMotorState::FaultStop);
    EXPECT_NE(Run("status").find("faults 0001 0000, previous 0001 0000"), std::string::npos)
        << Run("status");
}

TEST_F(SimCommandsTest, RandomLinesNeverCrashAndAnswerOneLineEach) {
    std::mt19937 random(42);
    const std::vector<std::string> pieces = {"fault",       "input", "load",  "analog",   "status",
                                             "on",          "off",   "pulse", "HwEnable", "1e308",
                                             "-0",          "nan",   "inf",   "\x01\xff", "  ",
                                             "overcurrent", "0x10",  "3.",    ".5",       "help"};
    for (int i = 0; i < 3000; ++i) {
        std::string line;
        const int words = int(random() % 5);
        for (int w = 0; w < words; ++w) {
            if (random() % 4 == 0) {
                line += static_cast<char>(random() % 256);
            } else {
                line += pieces[random() % pieces.size()] + " ";
            }
        }
        const std::string answer = Run(line);
        EXPECT_EQ(answer.find('\n'), std::string::npos) << line;
        if (i % 100 == 0) {
            FModel->Step();
        }
    }
    // The model still runs and reports.
    FModel->Step();
    EXPECT_FALSE(Run("status").empty());
}

} // namespace
} // namespace qxsim
