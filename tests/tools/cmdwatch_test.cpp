#include "qxdrive/qxdrivecli.h"
#include "support/simprocess.h"
#include "tools/qxdriveruncli.h"

#include <gmock/gmock.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;

const std::string kDefs = std::string(TKX_TEST_DATA_DIR) + "/sim/drive.par";

TEST(CmdWatch, PrintsTheFirstPollThenNothingWhileNothingChanges) {
    qxsim::SimProcess drive({"--defs", kDefs, "--tcp", "0"});
    ASSERT_TRUE(drive.Started()) << drive.Banner();
    const std::string line = "127.0.0.1:" + std::to_string(drive.TcpPort());
    const CliResult watch = Qxdrive(
        {"watch", "ActState", "--defs", kDefs, "--tcp", line, "--interval=100", "--times", "3"});
    ASSERT_EQ(watch.Status, 0) << watch.Err;
    EXPECT_THAT(watch.Out, MatchesRegex("([0-9:.]{12}  +2[01][0-9]  [A-Za-z]+ +[0-9]+\n){3}"));
    EXPECT_THAT(watch.Out, HasSubstr("  200  State                    7\n"));

    const CliResult csv = Qxdrive({"watch", "--start", "100", "--count", "2", "--defs", kDefs,
                                   "--tcp", line, "--interval", "100", "--times", "2", "--csv"});
    ASSERT_EQ(csv.Status, 0) << csv.Err;
    EXPECT_THAT(csv.Out, MatchesRegex("time,address,name,value\n"
                                      "[0-9:.]{12},100,Speed,1500\n"
                                      "[0-9:.]{12},101,Accel,-5\n"));
}

TEST(CmdMasterVerbose, ShowsEveryRequestAndReplyInHex) {
    qxsim::SimProcess drive({"--defs", kDefs, "--tcp", "0"});
    ASSERT_TRUE(drive.Started()) << drive.Banner();
    const std::string line = "127.0.0.1:" + std::to_string(drive.TcpPort());
    const CliResult read =
        Qxdrive({"read", "--start", "100", "--count", "2", "-v", "--defs", kDefs, "--tcp", line});
    ASSERT_EQ(read.Status, 0) << read.Err;
    EXPECT_EQ(read.Err, "-> 01 03 00 64 00 02\n<- 01 03 04 05 DC FF FB\n");
    const CliResult quiet =
        Qxdrive({"read", "--start", "100", "--count", "2", "--defs", kDefs, "--tcp", line});
    EXPECT_EQ(quiet.Err, "");
    const CliResult other = Qxdrive({"identify", "--verbose", "--slave", "9", "--timeout", "100",
                                     "--retries", "0", "--tcp", line});
    EXPECT_EQ(other.Status, 1);
    EXPECT_THAT(other.Err, HasSubstr("-> 09 41\n<- timeout, no response!\n"));
}

TEST(CmdWatch, BadArgumentsAndNoDriveSayWhy) {
    const CliResult usage = Qxdrive({"watch", "--defs", kDefs, "--tcp", "127.0.0.1:1"});
    EXPECT_EQ(usage.Status, 2);
    EXPECT_THAT(usage.Err, HasSubstr("give either --start A --count N or one category name"));
    const CliResult interval =
        Qxdrive({"watch", "ActState", "--defs", kDefs, "--tcp", "127.0.0.1:1", "--interval", "10"});
    EXPECT_EQ(interval.Status, 2);
    EXPECT_THAT(interval.Err, HasSubstr("--interval takes a number from 100 to 3600000"));
    const CliResult closed =
        Qxdrive({"watch", "ActState", "--defs", kDefs, "--tcp", "127.0.0.1:1", "--times", "1"});
    EXPECT_EQ(closed.Status, 1);
    EXPECT_THAT(closed.Err, HasSubstr("qxdrive watch: "));
}

} // namespace
