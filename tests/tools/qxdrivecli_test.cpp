#include "qxdrive/qxdrivecli.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

int RunCli(const std::vector<std::string>& args, std::string& out, std::string& err) {
    std::ostringstream o, e;
    const int rc = qxdrive::Run(args, o, e);
    out = o.str();
    err = e.str();
    return rc;
}

TEST(QxDriveCli, NoArgumentsPrintsUsageAndFails) {
    std::string out, err;
    EXPECT_EQ(RunCli({}, out, err), 2);
    EXPECT_NE(err.find("usage: qxdrive"), std::string::npos);
}

TEST(QxDriveCli, UnknownCommandNamesItself) {
    std::string out, err;
    EXPECT_EQ(RunCli({"frobnicate"}, out, err), 2);
    EXPECT_NE(err.find("unknown command 'frobnicate'"), std::string::npos);
}

TEST(QxDriveCli, VersionAndHelpAnswerAtOnce) {
    std::string out, err;
    for (const char* flag : {"--version", "-V"}) {
        EXPECT_EQ(RunCli({flag}, out, err), 0);
        EXPECT_EQ(out, "qxdrive " TKX_PROJECT_VERSION "\n");
    }
    EXPECT_EQ(RunCli({"write", "Speed", "--help"}, out, err), 0);
    EXPECT_EQ(out.find("usage: qxdrive write REGISTER VALUE"), 0u) << out;
    EXPECT_NE(out.find("LINE is --port PATH"), std::string::npos);
    EXPECT_EQ(RunCli({"names", "-h"}, out, err), 0);
    EXPECT_EQ(out.find("LINE is"), std::string::npos) << "names uses no line";
}

TEST(QxDriveCli, OptionsTakeTheirValueAfterAnEqualsSign) {
    const std::string dir = std::string(TKX_TEST_DATA_DIR) + "/sim";
    std::string spaced, joined, err;
    EXPECT_EQ(RunCli({"which", "QX440v100", "--dir", dir}, spaced, err), 0) << err;
    EXPECT_EQ(RunCli({"which", "QX440v100", "--dir=" + dir}, joined, err), 0) << err;
    EXPECT_EQ(joined, spaced);
    // Only the first '=' splits; an operand that holds one is left alone.
    EXPECT_EQ(RunCli({"which", "QX440v100", "--dir=" + dir + "=x"}, joined, err), 1);
    EXPECT_NE(err.find(dir + "=x"), std::string::npos) << err;
}

TEST(QxDriveCli, MistypedCommandsSuggestTheNearest) {
    std::string out, err;
    EXPECT_EQ(RunCli({"raed"}, out, err), 2);
    EXPECT_NE(err.find("unknown command 'raed'; did you mean read?"), std::string::npos) << err;
    EXPECT_EQ(RunCli({"zzzzzz"}, out, err), 2);
    EXPECT_EQ(err.find("did you mean"), std::string::npos) << err;
}

TEST(QxDriveCli, NamesListsCategoriesAndRegisters) {
    std::string out, err;
    const std::string defs = std::string(TKX_TEST_DATA_DIR) + "/sim/drive.par";
    ASSERT_EQ(RunCli({"names", defs}, out, err), 0) << err;
    EXPECT_EQ(out.find("Categories:\n  RamSetup                 100/103\n"), 0u) << out;
    EXPECT_NE(out.find("\n    210  Hours\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\n   1100  EESpeed\n"), std::string::npos) << out;
    EXPECT_EQ(RunCli({"names", defs + ".missing"}, out, err), 1);
    EXPECT_NE(err.find("qxdrive names: Cannot open file"), std::string::npos) << err;
    EXPECT_EQ(RunCli({"names"}, out, err), 2);
}

} // namespace
