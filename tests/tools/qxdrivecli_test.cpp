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

} // namespace
