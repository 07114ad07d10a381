#include "qxdrive/qxdrivecli.h"
#include "support/simprocess.h"
#include "support/tkxtempfolder.h"
#include "tools/qxdriveruncli.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;

const std::string kShipped = std::string(TKX_SOURCE_DIR) + "/data/qx460v4xx.par";

// A drive whose texts are Windows-1252, with a parameter of no category and one without a
// description.
constexpr const char* kSmallDrive =
    "[Versions]\r\nVersions=QX440v*\r\n"
    "[Categories]\r\nActState=10/10\r\nFaultState=20/20\r\n"
    "RamSetup=100/101\r\nEEPromSetup=1100/1101\r\n"
    "[Parameters]\r\nParU_Dc_BusV=DcBus,0\r\n"
    "ParMotorAccel=MotorAccel,0\r\nParMotorDecel=MotorDecel,0\r\n"
    "ParMotorIrA=MotorIrA,0\r\n"
    "[10]\r\nName=DcBus\r\nDescr=DC bus\r\nDfltValue=560\r\n"
    "[20]\r\nName=ActFault1\r\n"
    "[100]\r\nName=MotorAccel\r\nDescr=Hochlaufzeit f\xFCr 0 \x96 max"
    "\r\nMinValue=1\r\nMaxValue=60000\r\nDfltValue=1000\r\n"
    "EEPromCopy=+1000\r\n"
    "[101]\r\nName=MotorDecel\r\nDfltValue=900\r\nEEPromCopy=+1000\r\n"
    "[200]\r\nName=MotorIrA\r\nDescr=Rated current\r\nDfltValue=5\r\n";

std::string TcpLine(const qxsim::SimProcess& sim) {
    return "127.0.0.1:" + std::to_string(sim.TcpPort());
}

TEST(CmdSetup, PrintsThePublishedParametersByCategoryInUtf8) {
    TkxTempFolder folder;
    const std::string defs = folder.Write("small.par", kSmallDrive);
    qxsim::SimProcess sim({"--defs", defs, "--tcp", "0"});
    ASSERT_TRUE(sim.Started()) << sim.Banner();
    // A value the tool does not know beforehand: the drive's, not the file's default.
    ASSERT_EQ(Qxdrive({"write", "MotorIrA", "7", "--defs", defs, "--tcp", TcpLine(sim)}).Status, 0);

    const CliResult setup = Qxdrive({"setup", "--defs", defs, "--tcp", TcpLine(sim)});
    ASSERT_EQ(setup.Status, 0) << setup.Err;
    EXPECT_EQ(setup.Out, "ActState\n"
                         "  DC bus:                   560\n"
                         "\n"
                         "RamSetup\n"
                         "  Hochlaufzeit f\u00FCr 0 \u2013 max: 1000  [1 .. 60000]\n"
                         "  MotorDecel:               900\n"
                         "\n"
                         "Other\n"
                         "  Rated current:            7\n");
    EXPECT_EQ(setup.Err, "");
}

TEST(CmdSetup, AShippedDriveShowsValuesWithUnitsAndLimits) {
    qxsim::SimProcess sim({"--defs", kShipped, "--tcp", "0"});
    ASSERT_TRUE(sim.Started()) << sim.Banner();
    ASSERT_EQ(
        Qxdrive({"write", "MotorAccel", "2500", "--defs", kShipped, "--tcp", TcpLine(sim)}).Status,
        0);
    const CliResult setup = Qxdrive({"setup", "--defs", kShipped, "--tcp", TcpLine(sim)});
    ASSERT_EQ(setup.Status, 0) << setup.Err;
    EXPECT_THAT(setup.Out, StartsWith("ActState\n  DC bus voltage: "));
    const std::size_t fault = setup.Out.find("\n\nFaultState\n");
    const std::size_t ram = setup.Out.find("\n\nRamSetup\n");
    EXPECT_NE(fault, std::string::npos);
    EXPECT_LT(fault, ram) << "categories in the order of the file";
    EXPECT_THAT(setup.Out, MatchesRegex(".*\n  Acceleration time \\(0 to max speed\\): 2500ms +"
                                        "\\[1ms \\.\\. 60000ms\\]\n.*"));
    EXPECT_THAT(setup.Out, MatchesRegex(".*\n  Ramp stop mode: +Ramp to zero\n.*"))
        << "a choice shows its text and no range of codes";
}

TEST(CmdSetup, ASetupTheDriveRefusesToReadGivesItsAnswer) {
    // 1155 is MotorAccel, inside the setup group.
    qxsim::SimProcess sim({"--defs", kShipped, "--tcp", "0", "--fault", "1155=exception:2"});
    ASSERT_TRUE(sim.Started()) << sim.Banner();
    const CliResult setup = Qxdrive({"setup", "--defs", kShipped, "--tcp", TcpLine(sim)});
    EXPECT_EQ(setup.Status, 1);
    EXPECT_EQ(setup.Out, "");
    EXPECT_EQ(setup.Err, "qxdrive setup: invalid register address.\n"
                         "  the drive has no such register: check that the definition file fits "
                         "the drive\n");
}

TEST(CmdSetup, BadArgumentsSayWhy) {
    const std::vector<std::string> line = {"--tcp", "127.0.0.1:1"};
    const auto with = [&](std::vector<std::string> args) {
        args.insert(args.end(), line.begin(), line.end());
        return Qxdrive(args);
    };
    const CliResult extra = with({"setup", "RamSetup", "--defs", kShipped});
    EXPECT_EQ(extra.Status, 2);
    EXPECT_THAT(extra.Err, HasSubstr("qxdrive setup: unexpected 'RamSetup'\nusage: qxdrive setup"));
    EXPECT_EQ(with({"setup", "--start", "1", "--defs", kShipped}).Status, 2);
    EXPECT_THAT(with({"setup"}).Err, HasSubstr("--defs FILE.par is needed"));
    const CliResult missing = with({"setup", "--defs", kShipped + ".missing"});
    EXPECT_EQ(missing.Status, 1);
    const CliResult closed = with({"setup", "--defs", kShipped});
    EXPECT_EQ(closed.Status, 1);
    EXPECT_THAT(closed.Err, HasSubstr("qxdrive setup: "));
}

} // namespace
