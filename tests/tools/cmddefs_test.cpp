#include "qxdrive/qxdrivecli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace {

struct CliResult {
    int Status;
    std::string Out;
    std::string Err;
};

CliResult RunDefs(std::vector<std::string> args) {
    args.insert(args.begin(), "defs");
    std::ostringstream out, err;
    const int status = qxdrive::Run(args, out, err);
    return {status, out.str(), err.str()};
}

const std::string kSample = std::string(TKX_TEST_DATA_DIR) + "/defs_sample.par";

// The lines of one definition block, from its heading to the blank line after it.
std::string BlockOf(const std::string& listing, const std::string& heading) {
    const auto start = listing.find("\n" + heading + "\n");
    if (start == std::string::npos) {
        return "";
    }
    const auto end = listing.find("\n\n", start + 1);
    return listing.substr(start + 1, end - start);
}

TEST(CmdDefs, ListsRegistersOfAFileInAddressOrder) {
    const auto r = RunDefs({kSample});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Out.rfind("Definitions of " + kSample + ": 4 registers\n", 0), 0u);
    EXPECT_NE(r.Out.find("    Versions          QX440v1**,QX460v1**\n"), std::string::npos);
    const auto first = r.Out.find("[1000] SlaveAddress");
    const auto second = r.Out.find("[1001] Mode");
    const auto third = r.Out.find("[1002] Temperature");
    // The EEPROM copy of register 1000 is listed as a register of its own.
    const auto twin = r.Out.find("[3048] EESlaveAddress");
    EXPECT_TRUE(first < second && second < third && third < twin);
    EXPECT_EQ(r.Out.find("NeverARegister"), std::string::npos);
}

TEST(CmdDefs, BlockShowsRedirectedKeysLimitsAndCopy) {
    const auto r = RunDefs({kSample});
    EXPECT_EQ(BlockOf(r.Out, "[1000] SlaveAddress"), "[1000] SlaveAddress\n"
                                                     "    Type              unsigned byte\n"
                                                     "    Length            1 (2 bytes)\n"
                                                     "    MinValue          0\n"
                                                     "    DfltValue         1\n"
                                                     "    FormatNorm        1\n"
                                                     "    FormatOffset      0\n"
                                                     "    FormatString      \"\"\n"
                                                     "    FormatPrintf      \"%d\"\n"
                                                     "    EEPromCopy        3048\n"
                                                     "    UseDefinition     @ModBusAddress\n"
                                                     "    Descr             ModBus slave address\n"
                                                     "    Descr[0]          ModBus Address\n");
    const auto temperature = BlockOf(r.Out, "[1002] Temperature");
    // The degree sign of the built-in picture reaches the terminal as UTF-8.
    EXPECT_NE(temperature.find("FormatString      \"#0.0'\xC2\xB0"
                               "C'\""),
              std::string::npos);
    EXPECT_NE(temperature.find("MaxValue          150\n"), std::string::npos);
    EXPECT_EQ(temperature.find("DfltValue"), std::string::npos);
    EXPECT_NE(BlockOf(r.Out, "[1001] Mode").find("Length            2 (4 bytes)\n"),
              std::string::npos);
}

TEST(CmdDefs, WithoutAFileListsTheBuiltInSet) {
    const auto r = RunDefs({});
    ASSERT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out.rfind("Built-in definitions: 44 sections\n", 0), 0u);
    const auto baud = BlockOf(r.Out, "[@ModBusBaudrate] ModBusBaudrate");
    EXPECT_NE(baud.find("    Descr[0m0v3]      38400bps\n"), std::string::npos);
    EXPECT_NE(baud.find("    MaxValue          5\n"), std::string::npos);
    EXPECT_NE(BlockOf(r.Out, "[@Temp_F]").find("FormatNorm        0.5556\n"), std::string::npos);
    EXPECT_NE(BlockOf(r.Out, "[@Frac16Mantissa] Mantissa").find("UseFormat         @Frac16\n"),
              std::string::npos);
    EXPECT_EQ(RunDefs({}).Out, r.Out);
}

TEST(CmdDefs, UnreadableFilesGiveOneLineNamingTheFile) {
    for (const std::string& name :
         {std::string("/no/such/file.par"), std::string(TKX_TEST_DATA_DIR)}) {
        const auto r = RunDefs({name});
        EXPECT_EQ(r.Status, 1);
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(r.Err.rfind("qxdrive defs: ", 0), 0u);
        EXPECT_NE(r.Err.find(name), std::string::npos);
        EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1);
    }
}

TEST(CmdDefs, TooManyArgumentsIsAUsageError) {
    const auto r = RunDefs({kSample, kSample});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("usage: qxdrive defs"), std::string::npos);
}

TEST(CmdDefs, JunkFilesListWithControlBytesEscaped) {
    const auto path = std::filesystem::temp_directory_path() / "cmddefs_junk_test.par";
    std::string bytes = "[7]\nName=A\x01\x81Z\nType=\xFF\xFEjunk\nMaxValue=1.0e999\n[9 x]\n";
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        bytes += static_cast<char>(random() & 0xFF);
    }
    std::ofstream(path, std::ios::binary) << bytes;
    const auto r = RunDefs({path.string()});
    std::filesystem::remove(path);
    EXPECT_EQ(r.Status, 0);
    EXPECT_NE(r.Out.find("[7] A\\x01\\x81Z\n"), std::string::npos);
    EXPECT_EQ(BlockOf(r.Out, "[7] A\\x01\\x81Z").find("MaxValue"), std::string::npos);
    EXPECT_NE(r.Out.find("[9] Reg9\n"), std::string::npos);
    // A file without a version section has no version lines.
    EXPECT_EQ(r.Out.find("Versions"), std::string::npos);
}

} // namespace
