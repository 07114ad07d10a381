#include "sim/simnvstate.h"

#include "support/tkxtempfolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qxsim {
namespace {

class SimNvStateTest : public ::testing::Test {
protected:
    std::string PathOf(const char* name) const { return FFolder.PathOf(name); }
    void WriteFile(const char* name, const std::string& text) const { FFolder.Write(name, text); }
    TkxTempFolder FFolder;
};

TEST_F(SimNvStateTest, MissingFileIsAFreshMemory) {
    SimNvState state(PathOf("none.nv"));
    std::string error;
    EXPECT_TRUE(state.Load(error));
    EXPECT_EQ(state.Count(), 0u);
}

TEST_F(SimNvStateTest, SavedValuesComeBack) {
    std::string error;
    {
        SimNvState state(PathOf("drive.nv"));
        state.Store(1124, {0x12, 0x34});
        state.Store(65535, {0x00, 0x01, 0xFF, 0xFE});
        ASSERT_TRUE(state.Save(error)) << error;
    }
    SimNvState state(PathOf("drive.nv"));
    ASSERT_TRUE(state.Load(error)) << error;
    ASSERT_NE(state.Find(1124), nullptr);
    EXPECT_EQ(*state.Find(1124), (SimNvState::Bytes{0x12, 0x34}));
    EXPECT_EQ(*state.Find(65535), (SimNvState::Bytes{0x00, 0x01, 0xFF, 0xFE}));
    EXPECT_EQ(state.Find(1), nullptr);
    EXPECT_FALSE(std::filesystem::exists(PathOf("drive.nv.new")));
}

TEST_F(SimNvStateTest, MalformedFileIsRefusedAndMemoryKept) {
    SimNvState state(PathOf("bad.nv"));
    state.Store(7, {0xAA, 0xBB});
    const std::vector<std::string> bad = {
        "100=123\n",    // odd digit count
        "100=12G4\n",   // not hex
        "70000=1234\n", // address out of range
        "-1=1234\n",    // sign
        "100\n",        // no value
        "=1234\n",      // no address
        std::string("1\0=12", 5),
    };
    for (const auto& text : bad) {
        WriteFile("bad.nv", "# header\r\n10=0001\r\n" + text);
        std::string error;
        EXPECT_FALSE(state.Load(error)) << text;
        EXPECT_NE(error.find("bad.nv:3:"), std::string::npos) << error;
        EXPECT_EQ(state.Count(), 1u);
        ASSERT_NE(state.Find(7), nullptr);
    }
}

TEST_F(SimNvStateTest, SaveIntoAMissingFolderFailsAndSaysWhere) {
    SimNvState state(PathOf("no/such/folder/drive.nv"));
    state.Store(1, {0, 1});
    std::string error;
    EXPECT_FALSE(state.Save(error));
    EXPECT_NE(error.find("drive.nv"), std::string::npos);
}

} // namespace
} // namespace qxsim
