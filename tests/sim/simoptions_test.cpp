#include "sim/simoptions.h"

#include <gtest/gtest.h>

namespace qxsim {
namespace {

std::optional<SimOptions> Parse(std::vector<std::string> args, std::string* error = nullptr) {
    std::string reason;
    auto options = ParseSimOptions(args, reason);
    if (error) {
        *error = reason;
    }
    return options;
}

TEST(SimOptions, DefaultsServeSlaveOneOnAPseudoTerminal) {
    const auto options = Parse({"--defs", "drive.par"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->Slave, 1);
    EXPECT_EQ(options->Transport, SimTransport::Pty);
    EXPECT_FALSE(options->Ascii);
    EXPECT_EQ(options->Baud, 0);
    EXPECT_EQ(options->DropRate, 0.0);
}

TEST(SimOptions, ValuesAreTakenAndChecked) {
    const auto options = Parse({"--defs", "d.par", "--slave", "247", "--tcp", "0", "--baud",
                                "19200", "--drop", "0.25", "--busy", "1", "--seed", "7"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->Slave, 247);
    EXPECT_EQ(options->Transport, SimTransport::Tcp);
    EXPECT_EQ(options->TcpPort, 0);
    EXPECT_EQ(options->Baud, 19200);
    EXPECT_DOUBLE_EQ(options->DropRate, 0.25);
    EXPECT_DOUBLE_EQ(options->BusyRate, 1.0);
    EXPECT_EQ(options->Seed, 7u);
    EXPECT_TRUE(options->Faults.Empty());
}

TEST(SimOptions, TheReportedVersionHasItsOwnNameAndValuesMayFollowAnEqualsSign) {
    const auto options = Parse({"--defs=d.par", "--drive-version=QX460v412", "--slave=3"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->DefsFile, "d.par");
    EXPECT_EQ(options->Version, "QX460v412");
    EXPECT_EQ(options->Slave, 3);
    std::string error;
    EXPECT_FALSE(Parse({"--defs", "d.par", "--version", "QX460v412"}, &error));
    EXPECT_EQ(error, "unknown option '--version'");
}

TEST(SimOptions, FaultsAreTakenByAddressAndRepeat) {
    const auto options =
        Parse({"--defs", "d.par", "--fault", "200=exception:4", "--fault", "100=delay:20"});
    ASSERT_TRUE(options);
    ASSERT_TRUE(options->Faults.For({3, 0, 200, 0, 1}));
    EXPECT_EQ(options->Faults.For({3, 0, 200, 0, 1})->Value, 4);
    EXPECT_EQ(options->Faults.For({3, 0, 100, 0, 1})->Kind, SimFaultKind::Delay);
}

TEST(SimOptions, BadInputNamesWhatIsWrong) {
    std::string error;
    EXPECT_FALSE(Parse({"--slave", "1"}, &error));
    EXPECT_NE(error.find("--defs"), std::string::npos);

    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--defs", "d.par", "--slave", "0"}, "bad value '0' for --slave"},
        {{"--defs", "d.par", "--slave", "248"}, "bad value '248' for --slave"},
        {{"--defs", "d.par", "--slave", "12x"}, "bad value '12x' for --slave"},
        {{"--defs", "d.par", "--drop", "1.5"}, "bad value '1.5' for --drop"},
        {{"--defs", "d.par", "--drop", "nan"}, "bad value 'nan' for --drop"},
        {{"--defs", "d.par", "--tcp", "65536"}, "bad value '65536' for --tcp"},
        {{"--defs", "d.par", "--baud"}, "option --baud needs a value"},
        {{"--defs", "d.par", "--frobnicate"}, "unknown option '--frobnicate'"},
        {{"--defs", "d.par", "--tcp", "502", "--ascii"},
         "--ascii applies to the pseudo-terminal only"},
        {{"--defs", "d.par", "--fault", "200=explode"},
         "bad value '200=explode' for --fault: the kind is drop, corrupt, exception:N or "
         "delay:MS"},
        {{"--defs", "d.par", "--fault", "200=drop", "--fault", "200=corrupt"},
         "bad value '200=corrupt' for --fault: address 200 has a fault already"},
        {{"--defs", "d.par", "--fault"}, "option --fault needs a value"},
        {{"--defs", "d.par", "--speedup", "0"}, "bad value '0' for --speedup"},
        {{"--defs", "d.par", "--speedup", "101"}, "bad value '101' for --speedup"},
        {{"--defs", "d.par", "--control", ""}, "bad value '' for --control"},
    };
    for (const auto& [args, expected] : cases) {
        EXPECT_FALSE(Parse(args, &error)) << expected;
        EXPECT_EQ(error, expected);
    }
}

TEST(SimOptions, DemoFillsInWhatTheCommandLineLeavesOpen) {
    auto options = Parse({"--demo"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->DefsFile.empty()) << "the program's folder decides";
    EXPECT_EQ(options->Version, kDemoVersion);
    EXPECT_EQ(options->Link, kDemoLink);
    EXPECT_EQ(options->Speedup, 1);

    options = Parse({"--demo", "--defs", "d.par", "--drive-version", "QX470v401", "--link", "l",
                     "--speedup", "100", "--control", "-"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->DefsFile, "d.par");
    EXPECT_EQ(options->Version, "QX470v401");
    EXPECT_EQ(options->Link, "l");
    EXPECT_EQ(options->Speedup, 100);
    EXPECT_EQ(options->Control, "-");

    options = Parse({"--demo", "--tcp", "0"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->Link.empty()) << "no link over TCP";
}

} // namespace
} // namespace qxsim
