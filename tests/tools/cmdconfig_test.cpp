// The configuration file commands: export, import and diff, offline and against the simulator.
#include "support/simprocess.h"
#include "support/tkxtempfolder.h"
#include "tools/qxdriveruncli.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using qxsim::SimProcess;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string kDataDir = std::string(TKX_SOURCE_DIR) + "/data";

std::string DataFile(const std::string& name) {
    return kDataDir + "/" + name;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The file with the value of one key replaced.
void Replace(const std::string& path, const std::string& key, const std::string& value) {
    std::string text = ReadBytes(path);
    const std::size_t start = text.find("\r\n" + key + "=") + 2;
    const std::size_t end = text.find("\r\n", start);
    text.replace(start, end - start, key + "=" + value);
    std::ofstream(path, std::ios::binary) << text;
}

TEST(CmdConfigOffline, ExportImportAndDiffOfADriveTypesDefaults) {
    TkxTempFolder folder;
    const std::string file = folder.PathOf("defaults.460");
    CliResult r = Qxdrive({"export", file, "--offline", "QX460v400", "--dir", kDataDir});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "Export setup to file: " + file + "\nSetup exported!\n");
    EXPECT_THAT(ReadBytes(file), HasSubstr("\r\n[QXDRVCFG]\r\n"));

    r = Qxdrive({"import", file, "--offline", "QX460v400", "--dir", kDataDir});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_THAT(r.Out, HasSubstr(" -> Creator: QX_DRIVE_CfgTrm\n -> Version: 1.31\n"));
    EXPECT_THAT(r.Out, HasSubstr("No register changes.\n"));
    EXPECT_THAT(r.Out, HasSubstr("Please, VERIFY BEFORE send or SAVE it!\n"));

    // The extension names the family; the latest generation is taken.
    r = Qxdrive({"diff", file, file});
    EXPECT_EQ(r.Status, 2) << "no --dir: the program's folder holds no definition files here";
    r = Qxdrive({"diff", file, file, "--dir", kDataDir});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "");

    const std::string changed = folder.PathOf("changed.460");
    std::filesystem::copy_file(file, changed);
    Replace(changed, "MotorAccel", "\"\"2500\"\"");
    r = Qxdrive({"diff", file, changed, "--dir", kDataDir});
    EXPECT_EQ(r.Status, 1) << r.Err;
    EXPECT_EQ(r.Out, "  MotorAccel  Acceleration time (0 to max speed): 1000ms -> 2500ms\n");

    r = Qxdrive({"import", changed, "--offline", "QX460v400", "--dir", kDataDir});
    EXPECT_THAT(r.Out, HasSubstr("Changes (1):\n  MotorAccel  Acceleration time (0 to max "
                                 "speed): 1000ms -> 2500ms\n"));
}

TEST(CmdConfigOffline, FilesOfAnotherKindAreReportedNeverSent) {
    TkxTempFolder folder;
    const std::string other =
        folder.Write("other.440", "[QXDRVCFG]\r\nMotorAccel=\"\"70000\"\"\r\nNoSuch=\"1\"\r\n");
    CliResult r = Qxdrive({"import", other, "--offline", "QX440v32x", "--dir", kDataDir});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_THAT(r.Out, HasSubstr(" -> Creator: - unknown -\n"));
    EXPECT_THAT(r.Out, HasSubstr("  unknown (1): NoSuch\n"));
    EXPECT_THAT(r.Out, HasSubstr("  not taken as written: MotorAccel: 70000 is stored as 60000\n"));

    const std::string binary = folder.Write("binary.470", std::string("\0\x01\xFF\xFE", 4));
    r = Qxdrive({"import", binary, "--offline", "QX470v400", "--dir", kDataDir});
    EXPECT_EQ(r.Status, 1);
    EXPECT_THAT(r.Err, HasSubstr("holds no [QXDRVCFG] section; nothing changed"));

    r = Qxdrive({"diff", binary, other, "--dir", kDataDir});
    EXPECT_EQ(r.Status, 2) << "trouble, not a difference";
    r = Qxdrive(
        {"import", folder.PathOf("missing.460"), "--offline", "QX460v400", "--dir", kDataDir});
    EXPECT_EQ(r.Status, 1);
    EXPECT_THAT(r.Err, HasSubstr("missing.460"));
}

TEST(CmdConfigOffline, CommandLineMistakesSendNothing) {
    const auto usage = [](const std::vector<std::string>& args) { return Qxdrive(args).Status; };
    EXPECT_EQ(usage({"import", "a.460", "--offline", "QX460v400", "--save"}), 2);
    EXPECT_EQ(usage({"import", "a.460", "--port", "/dev/null", "--send", "--save"}), 2);
    EXPECT_EQ(usage({"export", "a.460"}), 2) << "neither a line nor --offline";
    EXPECT_EQ(usage({"export", "a.460", "b.460", "--offline", "QX460v400"}), 2);
    EXPECT_EQ(usage({"diff", "a.460"}), 2);
    EXPECT_EQ(usage({"diff", "drive", "drive", "--port", "/dev/null"}), 2);
    EXPECT_EQ(usage({"diff", "a.460", "drive"}), 2) << "'drive' without a line";
    EXPECT_EQ(usage({"diff", "a.txt", "b.txt"}), 2) << "no drive type";
}

// The simulator of one shipped file with its EEPROM kept in the folder.
class CmdConfigOnLine : public ::testing::TestWithParam<const char*> {
protected:
    std::vector<std::string> SimArgs() const {
        return {
            "--defs", Defs, "--link", Folder.PathOf("drive"), "--state", Folder.PathOf("drive.nv")};
    }
    CliResult Run(std::vector<std::string> args) const {
        for (const std::string& line :
             {std::string("--defs"), Defs, std::string("--port"), Folder.PathOf("drive"),
              std::string("--timeout"), std::string("300")}) {
            args.push_back(line);
        }
        return Qxdrive(args);
    }

    const std::string Defs = DataFile(GetParam());
    TkxTempFolder Folder;
};

TEST_P(CmdConfigOnLine, ExportChangeRestoreAndTheEEPromKeepsItAcrossARestart) {
    const std::string file = Folder.PathOf("commissioned.cfg");
    {
        SimProcess sim(SimArgs());
        ASSERT_TRUE(sim.Started()) << sim.Banner();
        ASSERT_EQ(Run({"write", "MotorAccel", "2500"}).Status, 0);
        CliResult r = Run({"export", file});
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_THAT(ReadBytes(file), HasSubstr("\r\nMotorAccel=\"\"2500\"\"\r\n"));

        ASSERT_EQ(Run({"write", "MotorAccel", "1200"}).Status, 0) << "the drive is changed";
        r = Run({"diff", file, "drive"});
        EXPECT_EQ(r.Status, 1) << r.Err;
        EXPECT_THAT(r.Out, HasSubstr("MotorAccel  Acceleration time (0 to max speed): 2500ms "
                                     "-> 1200ms\n"));

        r = Run({"import", file, "-v"});
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_THAT(r.Out, HasSubstr("Changes (1):\n"));
        EXPECT_THAT(r.Out, HasSubstr("Nothing was sent"));
        EXPECT_THAT(r.Err, Not(HasSubstr("-> 01 10"))) << "no write went out";
        EXPECT_EQ(Run({"diff", file, "drive"}).Status, 1) << "still the changed value";

        r = Run({"import", file, "--save"});
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_THAT(r.Out, HasSubstr("Setup saved!\nRead back: the drive holds the imported "
                                     "setup in RAM and EEPROM.\n"));
        r = Run({"diff", file, "drive"});
        EXPECT_EQ(r.Status, 0) << r.Out << r.Err;
    }
    SimProcess sim(SimArgs());
    ASSERT_TRUE(sim.Started()) << sim.Banner();
    const CliResult r = Run({"diff", "drive", file});
    EXPECT_EQ(r.Status, 0) << "the restored setup after a restart: " << r.Out << r.Err;
}

INSTANTIATE_TEST_SUITE_P(ShippedFiles, CmdConfigOnLine,
                         ::testing::Values("qx440v30x.par", "qx440v32x.par", "qx460v3xx.par",
                                           "qx460v4xx.par", "qx470v3xx.par", "qx470v4xx.par"),
                         [](const auto& file) {
                             const std::string name = file.param;
                             return name.substr(0, name.find('.'));
                         });

TEST(CmdConfigRestore, AnEEPromThatDoesNotHoldTheSavedSetupIsAnError) {
    TkxTempFolder folder;
    // The tool's definitions put the EEPROM copy of a gain where the save never writes.
    std::string text = ReadBytes(DataFile("qx460v4xx.par"));
    const std::size_t gain = text.find("Name=Field_PGain");
    const std::size_t copy = text.find("EEPromCopy=+1000", gain);
    text.replace(copy, 16, "EEPromCopy=1000");
    text += "\r\n[2128]\r\nName=EEPromGain\r\nType=signed short\r\n"; // no gap in the group
    const std::string defs = folder.Write("moved.par", text);
    SimProcess sim({"--defs", DataFile("qx460v4xx.par"), "--link", folder.PathOf("drive")});
    ASSERT_TRUE(sim.Started()) << sim.Banner();
    const std::string file = folder.PathOf("setup.460");
    ASSERT_EQ(Qxdrive({"export", file, "--defs", defs, "--port", folder.PathOf("drive")}).Status,
              0);
    Replace(file, "Field_PGain", "\"\"12345\"\"");

    const CliResult r =
        Qxdrive({"import", file, "--save", "--defs", defs, "--port", folder.PathOf("drive")});
    EXPECT_EQ(r.Status, 1);
    EXPECT_THAT(r.Err, HasSubstr("the EEPROM copy of Field_PGain at 1000 holds"));
    EXPECT_THAT(r.Out, Not(HasSubstr("Read back: the drive holds")));
}

TEST(CmdConfigRestore, AFileWithValuesNotTakenAsWrittenIsNeverSent) {
    TkxTempFolder folder;
    SimProcess sim({"--defs", DataFile("qx460v4xx.par"), "--link", folder.PathOf("drive")});
    ASSERT_TRUE(sim.Started()) << sim.Banner();
    const std::string file =
        folder.Write("cut.460", "[QXDRVCFG]\r\nMotorDecel=\"\"2000\"\"\r\nMotorAccel=\"\"25");
    const CliResult r = Qxdrive({"import", file, "--send", "-v", "--defs",
                                 DataFile("qx460v4xx.par"), "--port", folder.PathOf("drive")});
    EXPECT_EQ(r.Status, 1);
    EXPECT_THAT(r.Out, HasSubstr("not taken as written: MotorAccel: the value is malformed"));
    EXPECT_THAT(r.Err, HasSubstr("values of " + file +
                                 " were not taken as written; nothing "
                                 "was sent"));
    EXPECT_THAT(r.Err, Not(HasSubstr("-> 01 10")));
}

} // namespace
