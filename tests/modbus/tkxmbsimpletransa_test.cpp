#include "modbus/tkxmbsimpletransacls.h"

#include "base/tkxerror.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxmbdevicefixture.h"
#include "modbus/tkxmbtestutil.h"
#include "registers/tkxregblockcls.h"

#include <gtest/gtest.h>

namespace {

class TkxMBSimpleTransaTest : public TkxMBDeviceFixture {
protected:
    TkxMBChainedTransa& MakeChained(int maxBufferSize, int first, int count) {
        MakeDevice(PlainRegisters(AddressRange(first, count), maxBufferSize));
        return MakeFor<TkxMBChainedTransa>(FDevice.get(), 1);
    }
};

TEST(TkxMBSimpleTransaOwner, NeedsADevice) {
    try {
        TkxMBChainedTransa transaction(nullptr, 1);
        FAIL() << "constructed without a device";
    } catch (const ETkxError& error) {
        EXPECT_STREQ(error.what(),
                     "You must specify a valid TkxDeviceSlave to allocate a new transaction!");
    }
}

TEST_F(TkxMBSimpleTransaTest, ReadsSplitAtTheReadLimitAndWritesAtTheTighterWriteLimit) {
    // MaxBufferSize 20: a read block may carry less than 15 data bytes, a write less than 12.
    TkxMBChainedTransa& chained = MakeChained(20, 100, 12);
    chained.SetReadBlock(100, 12);
    chained.SetWriteBlock(100, 12);
    EXPECT_EQ(chained.ReadBlocks()->ToText(), "100/105,106/111");
    EXPECT_EQ(chained.WriteBlocks()->ToText(), "100/102,103/105,106/108,109/111");
    for (const TkxRegBlock* b = chained.WriteBlocks(); b != nullptr; b = b->Next()) {
        ASSERT_NE(b->Data(), nullptr);
        EXPECT_EQ(b->Data()->Size(), 6);
    }
    EXPECT_EQ(chained.GetValue("setup", "readblocks", "?"), "100/105,106/111");
}

TEST_F(TkxMBSimpleTransaTest, BlocksNeverExceedTheProtocolRegisterCounts) {
    TkxMBChainedTransa& chained = MakeChained(256, 0, 250);
    chained.SetReadBlock(0, 125);
    chained.SetWriteBlock(0, 123);
    EXPECT_EQ(chained.ReadBlocks()->ToText(), "0/124") << "125 registers fit one read";
    EXPECT_EQ(chained.WriteBlocks()->ToText(), "0/122") << "123 registers fit one write";
    chained.SetReadBlock(0, 126);
    chained.SetWriteBlock(0, 124);
    EXPECT_EQ(chained.ReadBlocks()->ToText(), "0/62,63/125");
    EXPECT_EQ(chained.WriteBlocks()->ToText(), "0/61,62/123");
}

TEST_F(TkxMBSimpleTransaTest, SingleAddressTooWideForOneFrameStaysWhole) {
    MakeDevice("[DataModel]\nMaxBufferSize=20\n[5]\nName=Label\nType=string\nLength=30\n");
    auto& chained = MakeFor<TkxMBChainedTransa>(FDevice.get(), 1);
    chained.SetWriteBlock(5, 1);
    EXPECT_EQ(chained.WriteBlocks()->ToText(), "5");
    EXPECT_EQ(chained.WriteBlocks()->Next(), nullptr);
}

TEST_F(TkxMBSimpleTransaTest, ChainsFromCategoriesAndTheirStoredText) {
    MakeDevice(PlainRegisters(AddressRange(10, 4), 64) + "[Categories]\nSetup=10/11,13\n");
    auto& chained = MakeFor<TkxMBChainedTransa>(FDevice.get(), 1);
    chained.SetReadBlocksText("Setup");
    ASSERT_NE(chained.ReadBlocks(), nullptr);
    EXPECT_EQ(chained.ReadBlocks()->ToText(), "13,10/11");
    chained.SetWriteBlocksText("NoSuchCategory");
    EXPECT_EQ(chained.WriteBlocks(), nullptr);
    EXPECT_EQ(chained.GetValue("setup", "writeblocks", ""), "");

    // Reading the element back rebuilds the chains from their text.
    auto& copy = MakeFor<TkxMBChainedTransa>(FDevice.get(), 1);
    copy.SetValue("setup", "readblocks", "11/12");
    copy.SetValue("setup", "writeblocks", "10");
    copy.AnalyzeContent();
    ASSERT_NE(copy.ReadBlocks(), nullptr);
    EXPECT_EQ(copy.ReadBlocks()->ToText(), "11/12");
    EXPECT_NE(copy.ReadBlocks()->Data(), nullptr);
    ASSERT_NE(copy.WriteBlocks(), nullptr);
    EXPECT_EQ(copy.WriteBlocks()->ToText(), "10");
}

TEST_F(TkxMBSimpleTransaTest, MovingTheFirstBlockKeepsItsCountAndStoresNothing) {
    TkxMBChainedTransa& chained = MakeChained(64, 0, 10);
    chained.SetReadAddress(4);
    ASSERT_NE(chained.ReadBlocks(), nullptr);
    EXPECT_EQ(chained.ReadBlocks()->ToText(), "4");
    chained.SetReadBlock(2, 3);
    int changes = 0;
    chained.OnSetupChange = [&](TkxMBTransaction*) { ++changes; };
    chained.SetReadAddress(6);
    EXPECT_EQ(chained.ReadBlocks()->Start(), 6);
    EXPECT_EQ(chained.ReadBlocks()->Count(), 3);
    ASSERT_NE(chained.ReadBlocks()->Data(), nullptr);
    EXPECT_EQ(chained.ReadBlocks()->Data()->Size(), 6);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(chained.GetValue("setup", "readblocks", "?"), "2/4");
}

TEST_F(TkxMBSimpleTransaTest, NameShowsTheFirstBlocks) {
    TkxMBChainedTransa& chained = MakeChained(64, 100, 20);
    EXPECT_EQ(chained.GetTransaName(), "TkxMBChainedTransa[1]");
    chained.SetReadBlock(100, 10);
    chained.SetWriteBlock(110, 2);
    chained.UpdateName();
    EXPECT_EQ(chained.GetTransaName(), "TkxMBChainedTransa[1](100r10)(110w2)");
}

TEST_F(TkxMBSimpleTransaTest, DeviceTransactionsTakeTheSetupsAddressAndRepeatTime) {
    FSetup.SetRepeatTime(5);
    TkxMBChainedTransa& chained = MakeChained(64, 0, 2);
    EXPECT_EQ(chained.GetSlaveAddress(), 1);
    EXPECT_EQ(chained.GetRepeatTime(), 5);
    EXPECT_FALSE(chained.TerminateIf.test(TkxMBTransaction::Always)) << "periodic";
    FSetup.SetDeviceAddr(9);
    EXPECT_EQ(chained.GetSlaveAddress(), 9);
    EXPECT_TRUE(FDevice->HasTransa(&chained));
}

} // namespace
