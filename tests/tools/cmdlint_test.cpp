#include "qxdrive/qxdrivecli.h"
#include "support/tkxtempfolder.h"
#include "tools/qxdriveruncli.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// A small drive without faults: a setup of two registers with EEPROM copies, an actual state
// with a long, and parameters of each shape.
const std::string kClean = "[Versions]\n"
                           "Versions=QX440v1*\n"
                           "[Categories]\n"
                           "RamSetup=100/101\n"
                           "EEPromSetup=1100/1101\n"
                           "ActState=200/203\n"
                           "[Parameters]\n"
                           "ParSpeed=Speed,0\n"
                           "ParMode=Mode,0,0x0F\n"
                           "ParPos=PosLo,PosHi,0\n"
                           "[100]\n"
                           "Name=Speed\n"
                           "MinValue=0\n"
                           "MaxValue=3000\n"
                           "DfltValue=1500\n"
                           "EEPromCopy=+1000\n"
                           "[101]\n"
                           "Name=Mode\n"
                           "UseDescr=@ModBusBaudrate\n"
                           "UseFormat=@Mine\n"
                           "EEPromCopy=+1000\n"
                           "[200]\n"
                           "Name=PosLo\n"
                           "[201]\n"
                           "Name=PosHi\n"
                           "[202]\n"
                           "Name=Hours\n"
                           "Type=unsigned long\n"
                           "[@Mine]\n"
                           "FormatNorm=10\n";

// The text with the first line that starts with `line` replaced (or removed when `by` is
// empty), or with `by` added at the end when `line` is empty.
std::string Edit(std::string text, const std::string& line, const std::string& by) {
    if (line.empty()) {
        return text + by + "\n";
    }
    const auto at = text.find("\n" + line) + 1;
    const auto end = text.find('\n', at);
    return text.replace(at, end - at + 1, by.empty() ? "" : by + "\n");
}

// The 1-based number of the first line that starts with fragment.
int LineOf(const std::string& text, const std::string& fragment) {
    const auto at = ("\n" + text).find("\n" + fragment);
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
}

class CmdLint : public ::testing::Test {
protected:
    CliResult Lint(const std::string& text) {
        FFile = FFolder.Write("drive.par", text);
        return Qxdrive({"lint", FFile});
    }
    // "FILE:LINE: " of the line of the text that starts with fragment.
    std::string At(const std::string& text, const std::string& fragment) const {
        return FFile + ":" + std::to_string(LineOf(text, fragment)) + ": ";
    }

    TkxTempFolder FFolder;
    std::string FFile;
};

TEST_F(CmdLint, CleanFileGivesNothingAndStatusZero) {
    const auto r = Lint(kClean);
    EXPECT_EQ(r.Status, 0) << r.Out;
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "");
}

TEST_F(CmdLint, ParameterEntries) {
    std::string text = Edit(kClean, "ParSpeed=", "ParSpeed=Sped,0");
    text = Edit(text, "", "[Parameters]");
    auto r = Lint(text);
    EXPECT_EQ(r.Status, 1);
    EXPECT_THAT(r.Out, HasSubstr(At(text, "ParSpeed=") +
                                 "ParSpeed names register \"Sped\", which is not defined; did you "
                                 "mean Speed?\n"));
    // A second section of the same name is never read.
    EXPECT_THAT(r.Out, HasSubstr(FFile + ":" + std::to_string(LineOf(text, "[@Mine]") + 2) +
                                 ": section [Parameters] repeats the one on line " +
                                 std::to_string(LineOf(text, "[Parameters]")) +
                                 "; its keys are "
                                 "never read\n"));

    text = Edit(kClean, "ParMode=", "ParMode=Mode,0,0x0F,1");
    text = Edit(text, "ParPos=", "ParPos=PosLo,PosHigh,0");
    text = Edit(text, "", "ParBad=Speed,x");
    text = Edit(text, "", "ParOut=Speed,1");
    r = Lint(text);
    EXPECT_THAT(r.Out, HasSubstr(At(text, "ParMode=") + "ParMode has 4 items"));
    EXPECT_THAT(r.Out, HasSubstr(At(text, "ParPos=") + "ParPos names register \"PosHigh\""));
    // An entry after a register section is no parameter entry: these two are read nowhere.
    EXPECT_THAT(r.Out, Not(HasSubstr("ParBad")));

    text = Edit(kClean, "ParSpeed=", "ParSpeed=Speed,x\nParTwo=Speed,1\nParSpeed=Speed,0");
    r = Lint(text);
    EXPECT_THAT(r.Out, HasSubstr(At(text, "ParSpeed=") + "ParSpeed: element \"x\" is no number"));
    EXPECT_THAT(r.Out,
                HasSubstr(At(text, "ParTwo=") + "ParTwo: element 1 is outside register Speed of "
                                                "1 element\n"));
    EXPECT_THAT(r.Out,
                HasSubstr(At(text, "ParSpeed=Speed,0") +
                          "key ParSpeed repeats the one on "
                          "line " +
                          std::to_string(LineOf(text, "ParSpeed=")) + "; this one is never read"));
}

TEST_F(CmdLint, RegisterInNoCategoryAndItsCopy) {
    const std::string text = Edit(kClean, "", "[300]\nName=Spare\nEEPromCopy=+1000");
    const auto r = Lint(text);
    EXPECT_THAT(r.Out, HasSubstr(At(text, "[300]") + "register 300 Spare is in no category"));
    // The copy is reported where it is named.
    EXPECT_THAT(r.Out, HasSubstr(FFile + ":" + std::to_string(LineOf(text, "[300]") + 2) +
                                 ": register 1300 EESpare is in no category"));
}

TEST_F(CmdLint, RegistersInTwoSetupBlocks) {
    std::string text = Edit(kClean, "RamSetup=", "RamSetup=100/101,101");
    auto r = Lint(text);
    EXPECT_THAT(r.Out, HasSubstr(At(text, "RamSetup=") +
                                 "registers 101 Mode are in two setup blocks, RamSetup 100/101"));
    text = Edit(kClean, "EEPromSetup=", "EEPromSetup=1100/1101,100");
    r = Lint(text);
    EXPECT_THAT(r.Out, HasSubstr("are in two setup blocks, RamSetup 100/101 (line " +
                                 std::to_string(LineOf(text, "RamSetup=")) +
                                 ") and EEPromSetup 100: the setup writes them twice"));
    // The same register in a setup block and another category is fine.
    text = Edit(kClean, "ActState=", "ActState=100,200/203");
    EXPECT_EQ(Lint(text).Status, 0);
}

TEST_F(CmdLint, EEPromCopies) {
    // A copy outside the EEPROM group, and an EEPROM address that copies nothing read.
    std::string text = Edit(kClean, "EEPromSetup=", "EEPromSetup=1100,200");
    auto r = Lint(text);
    EXPECT_THAT(r.Out, HasSubstr(FFile + ":" + std::to_string(LineOf(text, "[101]") + 4) +
                                 ": register 101 Mode: its EEPROM copy at 1101 is in no "
                                 "EEPromSetup block; saving never stores it"));
    EXPECT_THAT(r.Out, HasSubstr(At(text, "EEPromSetup=") +
                                 "category EEPromSetup 200: 200 PosLo is the EEPROM copy of no "
                                 "RamSetup register"));

    // A copy onto a register of the file, and one outside the address range.
    text = Edit(kClean, "", "[150]\nName=Other\n[160]\nName=Low\nEEPromCopy=-200");
    text = Edit(text, "ActState=", "ActState=200/203,150,160,65496");
    text = Edit(text, "[100]", "[100]\nEEPromCopy=+50");
    text = Edit(text, "EEPromCopy=+1000", "");
    text = Edit(text, "EEPromSetup=", "EEPromSetup=1101");
    r = Lint(text);
    EXPECT_THAT(r.Out,
                HasSubstr("register 100 Speed: its EEPROM copy at 150 falls on register "
                          "150 Other (line " +
                          std::to_string(LineOf(text, "[150]")) + "), which the copy replaces"));
    EXPECT_THAT(r.Out, HasSubstr(At(text, "EEPromCopy=-200") +
                                 "register 160 Low: EEPROM copy address -40 is outside 0..65535; "
                                 "the copy lands at 65496"));
}

TEST_F(CmdLint, DefaultsAndLimits) {
    std::string text = Edit(kClean, "DfltValue=", "DfltValue=3000.5");
    auto r = Lint(text);
    EXPECT_THAT(r.Out, HasSubstr(At(text, "DfltValue=") +
                                 "register 100 Speed: default 3000.5 is above maximum 3000"));
    text = Edit(kClean, "DfltValue=", "DfltValue=-1");
    r = Lint(text);
    EXPECT_THAT(r.Out, HasSubstr("default -1 is below minimum 0"));
    text = Edit(kClean, "MinValue=", "MinValue=3001");
    r = Lint(text);
    EXPECT_THAT(r.Out, HasSubstr(At(text, "MinValue=") +
                                 "register 100 Speed: minimum 3001 is above maximum 3000"));
    // Limits and defaults taken over from the built-in set count too.
    text = Edit(kClean, "UseDescr=", "UseDefinition=@ModBusBaudrate\nDfltValue=9");
    r = Lint(text);
    EXPECT_THAT(r.Out, HasSubstr(At(text, "DfltValue=9") +
                                 "register 101 Mode: default 9 is above maximum 5"));
    // On the limit is fine.
    EXPECT_EQ(Lint(Edit(kClean, "DfltValue=", "DfltValue=3000")).Status, 0);
}

TEST_F(CmdLint, CategoryBlocks) {
    // The long at 202 covers 203; 204 and 206..207 are nobody's.
    std::string text = Edit(kClean, "ActState=", "ActState=200/204,206/207,x/3,,9/8");
    text = Edit(text, "", "[205]\nName=Gap");
    auto r = Lint(text);
    const std::string at = At(text, "ActState=");
    EXPECT_THAT(r.Out,
                HasSubstr(at + "category ActState 200/204 crosses undefined addresses 204\n"));
    EXPECT_THAT(r.Out, HasSubstr(at + "category ActState 206/207 crosses undefined addresses "
                                      "206..207\n"));
    EXPECT_THAT(r.Out, HasSubstr(at + "category ActState: \"x/3\" is no address or first/last "
                                      "range\n"));
    EXPECT_THAT(r.Out, HasSubstr(at + "category ActState: \"\" is no address"));
    EXPECT_THAT(r.Out, HasSubstr(at + "category ActState: \"9/8\" is no address"));
    EXPECT_THAT(r.Out, HasSubstr("register 205 Gap is in no category"));

    r = Lint(Edit(kClean, "ActState=", "ActState=200/203\nSpare= "));
    EXPECT_THAT(r.Out, HasSubstr("category Spare is empty"));
}

TEST_F(CmdLint, RedirectionsFoundNowhere) {
    std::string text = Edit(kClean, "UseFormat=", "UseFormat=@Mien");
    text = Edit(text, "", "[@Chained]\nUseDescr=@Nowhere");
    const auto r = Lint(text);
    EXPECT_THAT(r.Out, HasSubstr(At(text, "UseFormat=") +
                                 "UseFormat=@Mien is found neither in this file nor in the "
                                 "built-in set\n"));
    EXPECT_THAT(r.Out, HasSubstr(At(text, "UseDescr=@Nowhere") + "UseDescr=@Nowhere is found"));
    // Found in the built-in set (UseDescr=@ModBusBaudrate) is not reported.
    EXPECT_THAT(r.Out, Not(HasSubstr("@ModBusBaudrate")));
}

TEST_F(CmdLint, SectionHeadersNeverFound) {
    std::string text = Edit(kClean, "[200]", "[200] ");
    text = Edit(text, "", "[0300]\nName=Padded\n[101]\nName=Again");
    const auto r = Lint(text);
    EXPECT_THAT(r.Out, HasSubstr(At(text, "[200] ") + "section header [200] is never found"));
    EXPECT_THAT(r.Out, HasSubstr(At(text, "[0300]") +
                                 "section [0300] is read as register 300, whose keys are looked "
                                 "up under [300]"));
    EXPECT_THAT(r.Out,
                HasSubstr(FFile + ":" + std::to_string(LineOf(text, "[0300]") + 2) +
                          ": section [101] repeats the one on line " +
                          std::to_string(LineOf(text, "[101]")) + "; its keys are never read"));
}

TEST_F(CmdLint, CommandLine) {
    EXPECT_EQ(Qxdrive({"lint"}).Status, 2);
    EXPECT_EQ(Qxdrive({"lint", "--all"}).Status, 2);
    const std::string clean = FFolder.Write("clean.par", kClean);
    const std::string broken = FFolder.Write("broken.par", Edit(kClean, "Name=Speed", "Name=Sp"));
    // A file that cannot be read does not stop the others.
    const auto r = Qxdrive({"lint", FFolder.PathOf("missing.par"), clean, broken});
    EXPECT_EQ(r.Status, 1);
    EXPECT_THAT(r.Err, HasSubstr("qxdrive lint: "));
    EXPECT_THAT(r.Out, HasSubstr(broken + ":"));
    EXPECT_THAT(r.Out, Not(HasSubstr(clean + ":")));
    EXPECT_EQ(Qxdrive({"lint", clean, clean}).Status, 0);
    EXPECT_THAT(Qxdrive({"lint", "--help"}).Out, HasSubstr("usage: qxdrive lint FILE.par..."));
}

TEST(CmdLintShipped, EveryShippedFileLintsClean) {
    std::vector<std::string> args{"lint"};
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(TKX_SOURCE_DIR) + "/data")) {
        if (entry.path().extension() == ".par") {
            args.push_back(entry.path().string());
        }
    }
    ASSERT_EQ(args.size(), 7u);
    const auto r = Qxdrive(args);
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "");
}

} // namespace
