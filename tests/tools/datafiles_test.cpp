// The definition files shipped in data/: each loads, serves its own drive versions, and the
// simulator serves it to the tool.
#include "qxdrive/qxdrivecli.h"
#include "support/simprocess.h"
#include "tools/qxdriveruncli.h"

#include "devices/tkxversionrecordcls.h"
#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregdefslistcmp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using ::testing::HasSubstr;

const std::string kDataDir = std::string(TKX_SOURCE_DIR) + "/data/";

struct Served {
    const char* Version;
    const char* File;
};

// The versions of the offline drive types and versions real drives of each type report.
const Served kServed[] = {
    {"QX440v30x", "qx440v30x.par"},       {"QX440v32x", "qx440v32x.par"},
    {"QX460v300", "qx460v3xx.par"},       {"QX460v400", "qx460v4xx.par"},
    {"QX470v301", "qx470v3xx.par"},       {"QX470v400", "qx470v4xx.par"},
    {"QX440-2v305", "qx440v30x.par"},     {"QX440-10v321", "qx440v32x.par"},
    {"QX440-VEv300", "qx440v30x.par"},    {"QX440-MIv329", "qx440v32x.par"},
    {"QX460v359", "qx460v3xx.par"},       {"QX460v412", "qx460v4xx.par"},
    {"QX470-ABv305-CD", "qx470v3xx.par"}, {"QX470v499", "qx470v4xx.par"},
};

std::string FileServing(const std::string& text) {
    TkxDMCollection collection;
    collection.SetFilePath(kDataDir);
    // The offline texts end in "x", which does not parse; what was read still names the drive.
    TkxVersionRecord version;
    version.Parse(text);
    return std::filesystem::path(collection.GetVersionFileName(&version)).filename().string();
}

TEST(DataFiles, EachVersionIsServedByItsOwnFile) {
    for (const auto& served : kServed) {
        EXPECT_EQ(FileServing(served.Version), served.File) << served.Version;
    }
}

TEST(DataFiles, VersionsOfNoShippedGenerationAreNotServed) {
    // A generation between the two, another board of the QX440 and another model.
    for (const char* text : {"QX440v31x", "QX440-2Av305", "QX460v500", "QX470v201", "QX450v300"}) {
        EXPECT_EQ(FileServing(text), "") << text;
    }
}

std::vector<std::string> ShippedFiles() {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(kDataDir)) {
        if (entry.path().extension() == ".par") {
            files.push_back(entry.path().string());
        }
    }
    return files;
}

TEST(DataFiles, SecondGenerationAddsWhatTheFirstLacks) {
    const char* added[] = {"ParEECurrRangeMax",  "ParEESpeedRangeMax", "ParEEPwmFreq",
                           "ParPosFFGain",       "ParPosStaPGain",     "ParMotorFmaxHz",
                           "ParCurrentLimitMux", "CfgCanProtocolType", "ParEECanStdRxIDbase"};
    for (const auto& [first, second] :
         {std::pair{"qx440v30x.par", "qx440v32x.par"}, std::pair{"qx460v3xx.par", "qx460v4xx.par"},
          std::pair{"qx470v3xx.par", "qx470v4xx.par"}}) {
        TkxRegDefsList older, newer;
        older.LoadFromFile(kDataDir + first);
        newer.LoadFromFile(kDataDir + second);
        for (const char* name : added) {
            EXPECT_FALSE(older.FindKey("Parameters", name)) << first << " " << name;
            EXPECT_TRUE(newer.FindKey("Parameters", name)) << second << " " << name;
        }
        // What both have sits at the same address under the same name.
        TkxDMCollection collection;
        older.Chain(&collection.Predefined());
        newer.Chain(&collection.Predefined());
        older.Build();
        newer.Build();
        for (int i = 0; i < older.Count(); ++i) {
            const auto* definition = older.Items(i);
            const auto* twin = newer.FindByAddress(definition->Address());
            ASSERT_NE(twin, nullptr) << first << " " << definition->Name();
            EXPECT_EQ(twin->Name(), definition->Name());
        }
    }
}

TEST(DataFiles, TheSimulatorServesEveryCategoryOfEveryFile) {
    const auto files = ShippedFiles();
    ASSERT_EQ(files.size(), 6u);
    for (const auto& file : files) {
        qxsim::SimProcess drive({"--defs", file, "--tcp", "0"});
        ASSERT_TRUE(drive.Started()) << file << ": " << drive.Banner();
        const std::string line = "127.0.0.1:" + std::to_string(drive.TcpPort());
        for (const char* category :
             {"ActState", "FaultState", "RamSetup", "EEPromSetup", "RefPosRegs", "FixedPosTable"}) {
            const CliResult read = Qxdrive({"read", category, "--defs", file, "--tcp", line});
            EXPECT_EQ(read.Status, 0) << file << " " << category << ": " << read.Err;
        }
        const CliResult write =
            Qxdrive({"write", "MotorIrA", "3.5", "--defs", file, "--tcp", line});
        EXPECT_EQ(write.Status, 0) << file << ": " << write.Err;
        EXPECT_THAT(write.Out, HasSubstr("3.5A"));
    }
}

} // namespace
