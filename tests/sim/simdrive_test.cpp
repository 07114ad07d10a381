#include "sim/simdrive.h"

#include "simtestdrive.h"
#include "support/tkxtempfolder.h"

#include <gtest/gtest.h>

namespace qxsim {
namespace {

const SimDrive::VersionBytes kVersion = {0x00, 0x00, 0x01, 0xB8, 0xFF,
                                         0xFF, 0x00, 0x7B, 0xFF, 0xFF};

class SimDriveTest : public ::testing::Test {
protected:
    std::vector<std::uint8_t> Ask(const std::string& request) {
        return FDrive.Answer(Hex(request));
    }

    SimTestDefinitions FDefinitions;
    std::ostringstream FLog;
    SimRegisterMemory FMemory{FDefinitions.Defs(), nullptr, FLog};
    SimDrive FDrive{FMemory, kVersion};
};

TEST_F(SimDriveTest, ReadsStartFromTheDefaultsInWireLayout) {
    // 1500, -5, 12.5 at a norm of 10, 3; then 7, 0 and the long 70000 high word first.
    EXPECT_EQ(Ask("03 0064 0004"), Hex("03 08 05DC FFFB 007D 0003"));
    EXPECT_EQ(Ask("03 00C8 0002"), Hex("03 04 0007 0000"));
    EXPECT_EQ(Ask("03 00D2 0002"), Hex("03 04 0001 1170"));
    EXPECT_EQ(Ask("03 044C 0001"), Hex("03 02 05DC"));
    // A date without a default, 2, the long 65537 and -20, one register per word.
    EXPECT_EQ(Ask("03 00DC 0007"), Hex("03 0E 0000 0000 0000 0002 0001 0001 FFEC"));
}

// Every address is one 16-bit register, as on any Modbus device: a read may take any of a
// wider register's words, and asks for as many registers as it gets words.
TEST_F(SimDriveTest, ReadsCountWordsAndMayTakePartOfAWiderRegister) {
    EXPECT_EQ(Ask("03 00D2 0001"), Hex("03 02 0001"));
    EXPECT_EQ(Ask("03 00D3 0001"), Hex("03 02 1170"));
    EXPECT_EQ(Ask("03 00DD 0004"), Hex("03 08 0000 0000 0002 0001"));
    EXPECT_EQ(Ask("03 00D2 0003"), Hex("83 02")); // 212 is no register's word
    EXPECT_EQ(Ask("03 00D1 0002"), Hex("83 02"));
    EXPECT_EQ(Ask("03 00DC 007D"), Hex("83 02")); // 125 words, most of them undefined
}

TEST_F(SimDriveTest, ReadsOutsideTheDefinitionsOrWithBadCountsAreRefused) {
    EXPECT_EQ(Ask("03 0068 0001"), Hex("83 02")); // 104 is not defined
    EXPECT_EQ(Ask("03 0067 0002"), Hex("83 02")); // 103 is, 104 is not
    EXPECT_EQ(Ask("03 FFFF 0002"), Hex("83 02")); // runs past the last address
    EXPECT_EQ(Ask("03 0064 0000"), Hex("83 03"));
    EXPECT_EQ(Ask("03 0064 007E"), Hex("83 03")); // 126 registers
    EXPECT_EQ(Ask("03 0064 00"), Hex("83 03"));   // request cut short
}

TEST_F(SimDriveTest, SingleWritesAreCheckedAgainstTypeAndLimits) {
    EXPECT_EQ(Ask("06 0064 0BB8"), Hex("06 0064 0BB8")); // 3000, the maximum
    EXPECT_EQ(Ask("06 0064 0BB9"), Hex("86 03"));
    EXPECT_EQ(Ask("06 0065 FF9C"), Hex("06 0065 FF9C")); // -100, the minimum
    EXPECT_EQ(Ask("06 0065 FF9B"), Hex("86 03"));
    EXPECT_EQ(Ask("06 0066 00F5"), Hex("06 0066 00F5")); // 24.5 after the norm
    EXPECT_EQ(Ask("06 0066 00F6"), Hex("86 03"));
    EXPECT_EQ(Ask("06 0067 0100"), Hex("86 03")); // 256 in an unsigned byte
    EXPECT_EQ(Ask("06 0068 0001"), Hex("86 02"));
    EXPECT_EQ(Ask("03 0064 0003"), Hex("03 06 0BB8 FF9C 00F5"));
}

TEST_F(SimDriveTest, WiderRegistersAreWrittenAsTheirWords) {
    EXPECT_EQ(Ask("10 00D2 0002 04 0002 0000"), Hex("10 00D2 0002"));
    EXPECT_EQ(Ask("03 00D2 0002"), Hex("03 04 0002 0000"));
    EXPECT_EQ(Ask("06 00D2 0002 0000"), Hex("86 03")); // function 6 carries one word
    EXPECT_EQ(Ask("10 00D2 0001 04 0002 0000"), Hex("90 03"));
    // One word of a long is checked with the other as stored: 100000 is the maximum.
    EXPECT_EQ(Ask("06 00E1 0000"), Hex("06 00E1 0000"));
    EXPECT_EQ(Ask("03 00E0 0002"), Hex("03 04 0001 0000"));
    EXPECT_EQ(Ask("06 00E0 0002"), Hex("86 03")); // 0x00020000 is above it
    EXPECT_EQ(Ask("10 00E0 0002 04 0001 86A0"), Hex("10 00E0 0002"));
    EXPECT_EQ(Ask("10 00E0 0002 04 0001 86A1"), Hex("90 03"));
    // A block of a date, shorts and a long, written and read back whole.
    EXPECT_EQ(Ask("10 00DC 0007 0E 0018 000C 001A 0003 0000 0064 0032"), Hex("10 00DC 0007"));
    EXPECT_EQ(Ask("03 00DC 0007"), Hex("03 0E 0018 000C 001A 0003 0000 0064 0032"));
    EXPECT_EQ(Ask("10 00DC 0007 0E 0018 000C 001A 0003 0000 0064 0033"), Hex("90 03"));
    EXPECT_EQ(Ask("03 00E2 0001"), Hex("03 02 0032")); // 51 was above the maximum of 50
}

TEST_F(SimDriveTest, MultipleWritesStoreAllOrNothing) {
    EXPECT_EQ(Ask("10 0064 0002 04 0001 0002"), Hex("10 0064 0002"));
    EXPECT_EQ(Ask("10 0064 0002 04 0003 0200"), Hex("90 03")); // 512 above the maximum
    EXPECT_EQ(Ask("10 0064 0002 03 0003 0200"), Hex("90 03")); // byte count disagrees
    EXPECT_EQ(Ask("10 0064 0002 04 0003"), Hex("90 03"));      // data cut short
    EXPECT_EQ(Ask("10 0067 0002 04 0001 0001"), Hex("90 02"));
    EXPECT_EQ(Ask("03 0064 0002"), Hex("03 04 0001 0002"));
}

TEST_F(SimDriveTest, VersionOtherFunctionsAndBusy) {
    EXPECT_EQ(Ask("41"), Hex("41 0000 01B8 FFFF 007B FFFF"));
    EXPECT_EQ(Ask("41 00"), Hex("C1 03"));
    EXPECT_EQ(Ask("04 0064 0001"), Hex("84 01"));
    EXPECT_EQ(SimDrive::Busy(Hex("03 0064 0001")), Hex("83 06"));
    EXPECT_TRUE(FDrive.Answer({}).empty());
}

class SimEEPromTest : public ::testing::Test {
protected:
    SimTestDefinitions FDefinitions;
    std::ostringstream FLog;
    TkxTempFolder FFolder;
    std::string FPath = FFolder.PathOf("drive.nv");
};

TEST_F(SimEEPromTest, CopiesSurviveARestartAndSeedTheirRegisters) {
    {
        SimNvState state(FPath);
        SimRegisterMemory memory(FDefinitions.Defs(), &state, FLog);
        SimDrive drive(memory, kVersion);
        EXPECT_EQ(drive.Answer(Hex("10 044C 0002 04 07D0 000A")), Hex("10 044C 0002"));
        EXPECT_EQ(drive.Answer(Hex("06 0066 0001")), Hex("06 0066 0001")); // RAM only
    }
    SimNvState state(FPath);
    std::string error;
    ASSERT_TRUE(state.Load(error)) << error;
    SimRegisterMemory memory(FDefinitions.Defs(), &state, FLog);
    SimDrive drive(memory, kVersion);
    EXPECT_EQ(drive.Answer(Hex("03 044C 0004")), Hex("03 08 07D0 000A 007D 0003"));
    EXPECT_EQ(drive.Answer(Hex("03 0064 0004")), Hex("03 08 07D0 000A 007D 0003"));
    EXPECT_TRUE(FLog.str().empty()) << FLog.str();
}

TEST_F(SimEEPromTest, AStoredCopyOfTheWrongSizeIsIgnored) {
    SimNvState state(FPath);
    state.Store(1100, {0x01, 0x02, 0x03, 0x04});
    SimRegisterMemory memory(FDefinitions.Defs(), &state, FLog);
    SimDrive drive(memory, kVersion);
    EXPECT_EQ(drive.Answer(Hex("03 0064 0001")), Hex("03 02 05DC"));
}

} // namespace
} // namespace qxsim
