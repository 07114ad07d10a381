#include "base/tkxerror.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregbuffer_fixture.h"
#include "registers/tkxregdefinitioncls.h"

#include <gmock/gmock.h>

#include <string>

namespace {

using ::testing::StartsWith;

class TkxRegDataBufferLayout : public TkxRegBufferFixture {
protected:
    void SetUp() override {
        Load("[0]\nName=Speed\n[1]\nName=Position\nType=signed long\n[3]\nName=Mode\n"
             "[4]\nName=Stamp\nType=date\n");
    }
};

TEST_F(TkxRegDataBufferLayout, EveryDefinitionGetsARegisterOnItsOwnBytes) {
    ASSERT_EQ(FBuffer->RegisterCount(), 4);
    EXPECT_EQ(FBuffer->Buffer()->Size(), FDefs.BufferSize());
    EXPECT_EQ(Reg(0).Data()->Size(), 2);
    EXPECT_EQ(Reg(1).Data()->Size(), 4);
    EXPECT_EQ(Reg(4).Data()->Size(), 6);
    // Registers and buffer share one lock.
    EXPECT_EQ(Reg(1).Data()->Lock(), FBuffer->Buffer()->Lock());

    Reg(1).SetValueInteger(0, 0x01020304);
    Reg(3).SetValueInteger(0, 0x0506);
    EXPECT_EQ(Bytes(0, 8), (ByteList{0, 0, 1, 2, 3, 4, 5, 6}));
}

TEST_F(TkxRegDataBufferLayout, LookupsByAddressAndName) {
    EXPECT_EQ(FBuffer->RegisterAt(2), nullptr);
    EXPECT_EQ(FBuffer->RegisterAt(70000), nullptr);
    EXPECT_EQ(FBuffer->RegisterByName("  Mode "), &Reg(3));
    EXPECT_EQ(FBuffer->RegisterByName("mode"), nullptr);
    EXPECT_EQ(FBuffer->RegisterByName("   "), nullptr);
    EXPECT_EQ(FBuffer->Registers(-1), nullptr);
    EXPECT_EQ(FBuffer->Registers(4), nullptr);
}

TEST_F(TkxRegDataBufferLayout, ViewsCoverRangesInsideTheBufferOnly) {
    auto view = FBuffer->ViewOf(0, 4);
    ASSERT_NE(view, nullptr);
    // Address 2 is the long's second word, inside its four bytes.
    EXPECT_EQ(view->Size(), 8);
    EXPECT_EQ(view->Lock(), FBuffer->Buffer()->Lock());
    EXPECT_EQ(FBuffer->ViewOf(0, 0), nullptr);
    EXPECT_EQ(FBuffer->ViewOf(0, -3), nullptr);
    EXPECT_EQ(FBuffer->ViewOf(4, 5), nullptr);
    EXPECT_EQ(FBuffer->ViewOf(500, 10), nullptr);
}

TEST_F(TkxRegDataBufferLayout, ReleaseAndAllocateAgain) {
    FBuffer->Release();
    EXPECT_EQ(FBuffer->RegisterCount(), 0);
    EXPECT_EQ(FBuffer->RegisterAt(0), nullptr);
    EXPECT_EQ(FBuffer->ViewOf(0, 1), nullptr);
    FBuffer->Allocate(&FDefs);
    EXPECT_EQ(FBuffer->RegisterCount(), 4);
    FBuffer->Allocate(nullptr);
    EXPECT_EQ(FBuffer->Defs(), &FDefs);
}

TEST(TkxRegDataBuffer, NeedsADefinitionList) {
    try {
        TkxRegDataBuffer buffer(nullptr);
        ADD_FAILURE() << "no error";
    } catch (const ETkxError& error) {
        EXPECT_STREQ(error.what(),
                     "You must specify a valid TkxRegDefsList reference to allocate registers "
                     "buffer!");
    }
}

TEST(TkxRegDataBuffer, AListWithoutRegistersGivesNoRegisters) {
    TkxRegDefsList defs;
    defs.SetText("[Versions]\nVersions=QX*\n");
    defs.Build();
    TkxRegDataBuffer buffer(&defs);
    EXPECT_EQ(buffer.RegisterCount(), 0);
    EXPECT_EQ(buffer.ViewOf(0, 1), nullptr);
}

class TkxRegDataBufferImport : public TkxRegBufferFixture {
protected:
    void SetUp() override {
        Load("[0]\nName=Speed\nDfltValue=10\n[1]\nName=Ramp\nDfltValue=3\n"
             "[2]\nName=Label\nType=string\nLength=8\n[3]\nName=Other\n");
    }

    TkxTextResource FFile;
};

TEST_F(TkxRegDataBufferImport, ReportsEveryEntryOfTheSection) {
    FFile.SetText("[S]\nSpeed=\"\"25\"\"\nFoo=1\n");
    EXPECT_EQ(FBuffer->LoadFromSection("S", &FFile, nullptr), "Speed=Found.\r\nFoo=UNKNOWN!\r\n");
    EXPECT_EQ(Reg(0).GetValueInteger(0), 25);
}

TEST_F(TkxRegDataBufferImport, BlocksExcludeAndEmptyValuesAreNotFound) {
    FFile.SetText("[S]\n Ramp =\"\"7\"\"\nSpeed=\"\"25\"\"\nOther=\n");
    Reg(1).SetValueInteger(0, 99);
    const TkxRegBlock blocks("0,3");
    EXPECT_EQ(FBuffer->LoadFromSection("S", &FFile, &blocks),
              "Ramp=Excluded!\r\nSpeed=Found.\r\nOther=NOT_FOUND!\r\n");
    EXPECT_EQ(Reg(1).GetValueInteger(0), 99);
    EXPECT_EQ(FBuffer->LoadFromSection("S", nullptr, nullptr), "Source file not defined!");
    EXPECT_EQ(FBuffer->LoadFromSection("Missing", &FFile, nullptr), "");
}

TEST_F(TkxRegDataBufferImport, SavedBlocksComeBackOnImport) {
    Reg(0).SetValueInteger(0, 1500);
    Reg(1).SetValueInteger(0, 2);
    Reg(2).SetValueText("QX drive", -1, 0);
    Reg(3).SetValueInteger(0, 4);
    const TkxRegBlock blocks("0/2,50");
    FBuffer->SaveBlocks(&blocks, "QXDRVCFG", &FFile);
    FBuffer->SaveBlocks(&blocks, "QXDRVCFG", nullptr);
    EXPECT_THAT(FFile.Text(), StartsWith("[QXDRVCFG]"));
    EXPECT_EQ(FFile.ReadString("QXDRVCFG", "Other", "none"), "none");

    Reg(0).SetValueInteger(0, 0);
    Reg(1).SetValueInteger(0, 0);
    Reg(2).SetValueText("", -1, 0);
    const std::string report = FBuffer->LoadFromSection("QXDRVCFG", &FFile, &blocks);
    // Each new line goes right after the header, so the file lists them last written first.
    EXPECT_EQ(report, "Label=Found.\r\nRamp=Found.\r\nSpeed=Found.\r\n");
    EXPECT_EQ(Reg(0).GetValueInteger(0), 1500);
    EXPECT_EQ(Reg(1).GetValueInteger(0), 2);
    EXPECT_EQ(Reg(2).GetValueText(-1, 0), "QX drive");
}

} // namespace
