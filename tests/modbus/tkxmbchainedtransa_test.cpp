#include "modbus/tkxmbchainedtransacls.h"

#include "base/tkxmbresultcodes.h"
#include "modbus/tkxmbdevicefixture.h"
#include "modbus/tkxmbtestutil.h"
#include "registers/tkxregblockcls.h"

#include <gtest/gtest.h>

namespace {

using namespace TkxMBResult;

class TkxMBChainedTransaTest : public TkxMBDeviceFixture {
protected:
    // Registers 0x100..0x103 (read) and 0x200..0x203 (written) of a device at address 1.
    TkxMBChainedTransa& MakeChained() {
        std::vector<int> addresses = AddressRange(0x100, 4);
        for (const int address : AddressRange(0x200, 4)) {
            addresses.push_back(address);
        }
        MakeDevice(PlainRegisters(addresses, 64));
        return MakeFor<TkxMBChainedTransa>(FDevice.get(), 1);
    }
};

TEST_F(TkxMBChainedTransaTest, WritesSeveralRegistersWithFunction16AndOneWithFunction6) {
    TkxMBChainedTransa& chained = MakeChained();
    chained.SetWriteBlocks(std::make_unique<TkxRegBlock>("515,512/514"));
    Store(0x200, Hex("01 02 03 04 05 06 07 08"));
    Reply(Hex("01 10 02 00 00 03"));
    Reply(Hex("01 06 02 03 07 08"));
    EXPECT_EQ(chained.Transact(FServer), 0);
    ASSERT_EQ(Sent().size(), 2u);
    EXPECT_EQ(Sent()[0], Hex("01 10 02 00 00 03 06 01 02 03 04 05 06"));
    EXPECT_EQ(Sent()[1], Hex("01 06 02 03 07 08"));
}

TEST_F(TkxMBChainedTransaTest, ReadsEveryBlockBeforeWriting) {
    TkxMBChainedTransa& chained = MakeChained();
    chained.SetReadBlocks(std::make_unique<TkxRegBlock>("258/259,256/257"));
    chained.SetWriteBlock(0x200, 1);
    Reply(Hex("01 03 04 00 01 00 02"));
    Reply(Hex("01 03 04 00 03 00 04"));
    Reply(Hex("01 06 02 00 00 00"));
    EXPECT_EQ(chained.Transact(FServer), 0);
    ASSERT_EQ(Sent().size(), 3u);
    EXPECT_EQ(Sent()[0], Hex("01 03 01 00 00 02"));
    EXPECT_EQ(Sent()[1], Hex("01 03 01 02 00 02"));
    EXPECT_EQ(Sent()[2], Hex("01 06 02 00 00 00"));
    EXPECT_EQ(Stored(0x100, 8), Hex("00 01 00 02 00 03 00 04"));
    EXPECT_TRUE(chained.IsChanged());
}

TEST_F(TkxMBChainedTransaTest, TimeOutOnTheFirstReadSendsNothingElse) {
    TkxMBChainedTransa& chained = MakeChained();
    chained.SetReadBlocks(std::make_unique<TkxRegBlock>("258/259,256/257"));
    chained.SetWriteBlock(0x200, 2);
    Reply({}, Timeout);
    Reply(Hex("01 03 04 00 03 00 04"));
    EXPECT_EQ(chained.Transact(FServer), Timeout);
    EXPECT_EQ(Sent().size(), 1u);
}

TEST_F(TkxMBChainedTransaTest, OtherErrorsDoNotStopTheChainButTheRunReportsTheFirst) {
    TkxMBChainedTransa& chained = MakeChained();
    chained.SetReadBlocks(std::make_unique<TkxRegBlock>("258/259,256/257"));
    Reply({}, InvalidCrc);
    Reply(Hex("01 03 04 00 03 00 04"));
    EXPECT_EQ(chained.Transact(FServer), InvalidCrc) << "a later good block hides nothing";
    EXPECT_EQ(Sent().size(), 2u);
    EXPECT_EQ(Stored(0x102, 4), Hex("00 03 00 04"));

    // A short reply on the last block is what the run reports, and that block keeps its data.
    Reply(Hex("01 03 04 00 01 00 02"));
    Reply(Hex("01 03 02 00 09"));
    EXPECT_EQ(chained.Transact(FServer), UnexpectedSize);
    EXPECT_EQ(Stored(0x102, 4), Hex("00 03 00 04"));
}

TEST_F(TkxMBChainedTransaTest, AWriteRefusedOnOneBlockFailsTheWholeSend) {
    TkxMBChainedTransa& chained = MakeChained();
    chained.SetWriteBlocks(std::make_unique<TkxRegBlock>("515,512/514"));
    Reply({}, IllegalAddress);
    Reply(Hex("01 06 02 03 00 00"));
    EXPECT_EQ(chained.Transact(FServer), IllegalAddress);
    EXPECT_EQ(Sent().size(), 2u) << "the other blocks are still written";

    // A time-out after a refusal is reported: it is what ended the run.
    chained.SetWriteBlocks(std::make_unique<TkxRegBlock>("515,514,512/513"));
    Reply({}, IllegalValue);
    Reply({}, Timeout);
    EXPECT_EQ(chained.Transact(FServer), Timeout);
    EXPECT_EQ(Sent().size(), 4u);
}

TEST_F(TkxMBChainedTransaTest, SendsNothingForBlocksWithoutAView) {
    MakeDevice("[DataModel]\nMaxBufferSize=64\n");
    auto& chained = MakeFor<TkxMBChainedTransa>(FDevice.get(), 1);
    chained.SetReadBlocks(std::make_unique<TkxRegBlock>("256,4000/4001"));
    chained.SetWriteBlock(0x200, 2);
    EXPECT_EQ(chained.Transact(FServer), 0);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(TkxMBChainedTransaTest, OnlyUserMadeTransactionsCanBeEdited) {
    TkxMBChainedTransa& chained = MakeChained();
    EXPECT_EQ(chained.EditDlg(0), 1);
    auto& userMade = MakeFor<TkxMBChainedTransa>(FDevice.get(), 0);
    EXPECT_EQ(userMade.EditDlg(0), 0) << "no dialog: cancelled";
}

} // namespace
