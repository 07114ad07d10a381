#include "registers/tkxregblockcls.h"
#include "registers/tkxregbuffer_fixture.h"

#include <gmock/gmock.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Ranges = std::vector<std::pair<int, int>>;

Ranges RangesOf(const TkxRegBlock& first) {
    Ranges ranges;
    for (const TkxRegBlock* block = &first; block != nullptr; block = block->Next()) {
        ranges.emplace_back(block->Start(), block->Count());
    }
    return ranges;
}

TEST(TkxRegBlockText, RangesAndSingleAddresses) {
    const TkxRegBlock range("100/103");
    EXPECT_EQ(RangesOf(range), (Ranges{{100, 4}}));
    EXPECT_TRUE(range.Valid());
    EXPECT_EQ(range.ToText(), "100/103");
    const TkxRegBlock single("7");
    EXPECT_EQ(RangesOf(single), (Ranges{{7, 1}}));
    EXPECT_EQ(single.ToText(), "7");
    EXPECT_EQ(TkxRegBlock(" 12 / 14 ").ToText(), "12/14");
    EXPECT_EQ(TkxRegBlock("65535").ToText(), "65535");
}

TEST(TkxRegBlockText, ListsAreReadFromTheEndAndRoundTripTwice) {
    const TkxRegBlock list("1,5/7,9");
    EXPECT_EQ(RangesOf(list), (Ranges{{9, 1}, {5, 3}, {1, 1}}));
    EXPECT_EQ(list.ToText(), "9,5/7,1");
    EXPECT_EQ(TkxRegBlock(list.ToText()).ToText(), "1,5/7,9");
}

TEST(TkxRegBlockText, AnUnreadableItemEndsTheList) {
    EXPECT_EQ(RangesOf(TkxRegBlock("10,x,20")), (Ranges{{20, 1}, {0, 0}}));
    EXPECT_EQ(RangesOf(TkxRegBlock("10,")), (Ranges{{0, 0}}));
    for (const char* text :
         {"", "x", "5/", "/5", "1/2/3", "10/5", "70000", "-1", "0/65535", "1.5", "0x10"}) {
        const TkxRegBlock block(text);
        EXPECT_FALSE(block.Valid()) << text;
        EXPECT_EQ(block.Start(), 0) << text;
        EXPECT_EQ(block.Next(), nullptr) << text;
    }
}

TEST(TkxRegBlockText, LongListsNeitherRecurseNorOverflow) {
    std::string text = "0";
    for (int i = 1; i < 200000; ++i) {
        text += "," + std::to_string(i % 60000);
    }
    const TkxRegBlock list(text);
    EXPECT_TRUE(list.Contains(59999));
    EXPECT_EQ(list.ToText().size(), text.size());
}

TEST(TkxRegBlockSplit, PartsOfEqualSizeTheLastTakingTheRest) {
    TkxRegBlock block(0, 11);
    EXPECT_TRUE(block.Split(3));
    EXPECT_EQ(block.ToText(), "0/2,3/6,7/10");
    EXPECT_EQ(RangesOf(block), (Ranges{{0, 3}, {3, 4}, {7, 4}}));
}

TEST(TkxRegBlockSplit, SplitsThatCannotBeMade) {
    TkxRegBlock block(5, 2, std::make_unique<TkxRegBlock>(20, 1));
    EXPECT_FALSE(block.Split(3));
    EXPECT_FALSE(block.Split(0));
    EXPECT_FALSE(block.Split(-2));
    EXPECT_TRUE(block.Split(1));
    EXPECT_EQ(block.ToText(), "5/6,20");
    EXPECT_TRUE(block.Split(2));
    EXPECT_EQ(block.ToText(), "5,6,20");
}

TEST(TkxRegBlock, ContainsLooksAtEveryBlock) {
    const TkxRegBlock list("10/12,40");
    EXPECT_TRUE(list.Contains(40));
    EXPECT_TRUE(list.Contains(10));
    EXPECT_TRUE(list.Contains(12));
    EXPECT_FALSE(list.Contains(13));
    EXPECT_FALSE(list.Contains(9));
    EXPECT_FALSE(TkxRegBlock("").Contains(0));
}

class TkxRegBlockViews : public TkxRegBufferFixture {
protected:
    // Twelve plain registers, a long and a long string, with a 20-byte transfer limit.
    void SetUp() override {
        std::string text = "[DataModel]\nMaxBufferSize=20\n";
        for (int address = 0; address < 12; ++address) {
            text += "[" + std::to_string(address) + "]\n";
        }
        text += "[12]\nType=unsigned long\n[14]\nType=string\nLength=40\n";
        Load(text);
    }
};

TEST_F(TkxRegBlockViews, BlocksOverTheLimitAreHalvedWhenBound) {
    TkxRegBlock block(0, 12);
    block.SetOwner(FBuffer.get());
    ASSERT_EQ(RangesOf(block), (Ranges{{0, 6}, {6, 6}}));
    for (const TkxRegBlock* part = &block; part != nullptr; part = part->Next()) {
        EXPECT_EQ(part->Owner(), FBuffer.get());
        ASSERT_NE(part->Data(), nullptr);
        EXPECT_EQ(part->Data()->Size(), 12);
        EXPECT_EQ(part->Data()->Lock(), FBuffer->Buffer()->Lock());
    }
}

TEST_F(TkxRegBlockViews, ViewsReachExactlyTheBlocksRegisters) {
    TkxRegBlock block(6, 3, std::make_unique<TkxRegBlock>(12, 1));
    block.SetOwner(FBuffer.get());
    {
        TkxThreadBuffer::Writer writer(*block.Data());
        writer.Data()[0] = 0x12;
        writer.Data()[5] = 0x34;
    }
    {
        TkxThreadBuffer::Writer writer(*block.Next()->Data());
        writer.Data()[0] = 0x80;
        writer.Data()[3] = 0x01;
    }
    EXPECT_EQ(Reg(6).GetValueInteger(0), 0x1200);
    EXPECT_EQ(Reg(8).GetValueInteger(0), 0x34);
    EXPECT_EQ(Reg(5).GetValueInteger(0), 0);
    EXPECT_EQ(Reg(9).GetValueInteger(0), 0);
    EXPECT_EQ(static_cast<std::uint32_t>(Reg(12).GetValueInteger(0)), 0x80000001U);
}

TEST_F(TkxRegBlockViews, ASingleAddressOverTheLimitStaysWhole) {
    TkxRegBlock block(14, 1);
    block.SetOwner(FBuffer.get());
    EXPECT_EQ(block.Next(), nullptr);
    ASSERT_NE(block.Data(), nullptr);
    EXPECT_EQ(block.Data()->Size(), 80);
}

// A block from a further word of a wider register sees that word, as a device answers a read
// from there; with the long string after it the block is cut to that one word.
TEST_F(TkxRegBlockViews, ABlockInsideAWiderRegisterSeesItsWords) {
    Reg(12).SetValueInteger(0, static_cast<std::int32_t>(0x80000001U));
    TkxRegBlock block(13, 2);
    block.SetOwner(FBuffer.get());
    EXPECT_EQ(block.ToText(), "13,14");
    ASSERT_NE(block.Data(), nullptr);
    EXPECT_EQ(block.Data()->Size(), 2);
    {
        TkxThreadBuffer::Writer writer(*block.Data());
        EXPECT_EQ(ByteList(writer.Data(), writer.Data() + 2), (ByteList{0x00, 0x01}));
        writer.Data()[1] = 0x02;
    }
    EXPECT_EQ(static_cast<std::uint32_t>(Reg(12).GetValueInteger(0)), 0x80000002U);
    ASSERT_NE(block.Next()->Data(), nullptr);
    EXPECT_EQ(block.Next()->Data()->Size(), 80);
}

TEST_F(TkxRegBlockViews, MovingUnbindingAndInvalidBlocks) {
    TkxRegBlock block(0, 2);
    block.SetOwner(FBuffer.get());
    block.SetStart(3);
    ASSERT_NE(block.Data(), nullptr);
    block.Data()->BeginWrite()[0] = 0x55;
    block.Data()->EndWrite();
    EXPECT_EQ(Reg(3).GetValueInteger(0), 0x5500);
    // A range reaching past the buffer (the string's last word and one more) gets no view.
    block.SetStart(53);
    EXPECT_EQ(block.Data(), nullptr);
    block.SetOwner(nullptr);
    EXPECT_EQ(block.Data(), nullptr);

    TkxRegBlock invalid("x");
    invalid.SetOwner(FBuffer.get());
    EXPECT_EQ(invalid.Data(), nullptr);
}

TEST_F(TkxRegBlockViews, SplittingABoundBlockRenewsItsView) {
    TkxRegBlock block(0, 4);
    block.SetOwner(FBuffer.get());
    ASSERT_EQ(block.Data()->Size(), 8);
    ASSERT_TRUE(block.Split(2));
    EXPECT_EQ(block.Data()->Size(), 4);
    EXPECT_EQ(block.Next()->Owner(), nullptr);
    EXPECT_EQ(block.Next()->Data(), nullptr);
    // Binding the list again reaches the new block.
    block.SetOwner(FBuffer.get());
    ASSERT_NE(block.Next()->Data(), nullptr);
    EXPECT_EQ(block.Next()->Data()->Size(), 4);
}

} // namespace
