#include "modbus/tkxmbwritesingleregistercls.h"

#include "base/tkxmbresultcodes.h"
#include "modbus/tkxmbdevicefixture.h"
#include "modbus/tkxmbtestutil.h"

#include <gtest/gtest.h>

namespace {

using namespace TkxMBResult;

class TkxMBWriteSingleRegisterTest : public TkxMBDeviceFixture {};

TEST_F(TkxMBWriteSingleRegisterTest, SendsTheBufferedBytes) {
    MakeDevice(PlainRegisters({0x10}, 64));
    auto& write = MakeFor<TkxMBWriteSingleRegister>(FDevice.get(), 1, 0x0010);
    Store(0x10, Hex("12 34"));
    Reply(Hex("01 06 00 10 12 34"));
    EXPECT_EQ(write.Transact(FServer), 0);
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Sent()[0], Hex("01 06 00 10 12 34"));
    EXPECT_EQ(write.GetTransaName(), "TkxMBWriteSingleRegister[1](16w1)");
}

// Function 6 carries one word: a long goes as its two registers with function 16, a date as
// its three.
TEST_F(TkxMBWriteSingleRegisterTest, WiderRegistersGoAsTheirWordsWithFunction16) {
    MakeDevice("[DataModel]\nMaxBufferSize=64\n[20]\nName=Hours\nType=unsigned long\n"
               "[30]\nName=Day\nType=date\n");
    auto& write = MakeFor<TkxMBWriteSingleRegister>(FDevice.get(), 1, 20);
    Store(20, Hex("00 01 11 70"));
    Reply(Hex("01 10 00 14 00 02"));
    EXPECT_EQ(write.Transact(FServer), 0);
    EXPECT_EQ(Sent()[0], Hex("01 10 00 14 00 02 04 00 01 11 70"));

    auto& day = MakeFor<TkxMBWriteSingleRegister>(FDevice.get(), 1, 30);
    Store(30, Hex("00 18 00 0C 00 1A"));
    Reply(Hex("01 10 00 1E 00 03"));
    EXPECT_EQ(day.Transact(FServer), 0);
    EXPECT_EQ(Sent()[1], Hex("01 10 00 1E 00 03 06 00 18 00 0C 00 1A"));
}

// A read of the register landing between the start of the write and its turn on the line
// changes the buffer; the write still sends the value it took, once.
TEST_F(TkxMBWriteSingleRegisterTest, ATakenValueGoesOutWhateverTheBufferHoldsThen) {
    MakeDevice(PlainRegisters({0x10}, 64));
    auto& write = MakeFor<TkxMBWriteSingleRegister>(FDevice.get(), 1, 0x10);
    Store(0x10, Hex("00 01"));
    write.TakeValue();
    Store(0x10, Hex("00 00"));
    Reply(Hex("01 06 00 10 00 01"));
    EXPECT_EQ(write.Transact(FServer), 0);
    EXPECT_EQ(Sent()[0], Hex("01 06 00 10 00 01"));
    EXPECT_EQ(Stored(0x10, 2), Hex("00 01")) << "the buffer holds what the device now holds";

    Store(0x10, Hex("00 02"));
    Reply(Hex("01 06 00 10 00 02"));
    EXPECT_EQ(write.Transact(FServer), 0);
    EXPECT_EQ(Sent()[1], Hex("01 06 00 10 00 02"));
}

// A refused write leaves the buffer as the last read left it.
TEST_F(TkxMBWriteSingleRegisterTest, ARefusedTakenValueIsNotPutBack) {
    MakeDevice(PlainRegisters({0x10}, 64));
    auto& write = MakeFor<TkxMBWriteSingleRegister>(FDevice.get(), 1, 0x10);
    Store(0x10, Hex("00 01"));
    write.TakeValue();
    Store(0x10, Hex("00 00"));
    Reply({}, IllegalValue);
    EXPECT_EQ(write.Transact(FServer), IllegalValue);
    EXPECT_EQ(Stored(0x10, 2), Hex("00 00"));
}

TEST_F(TkxMBWriteSingleRegisterTest, NothingIsSentWithoutAView) {
    MakeDevice("[DataModel]\nMaxBufferSize=64\n");
    auto& write = MakeFor<TkxMBWriteSingleRegister>(FDevice.get(), 1, 0x0010);
    EXPECT_EQ(write.Transact(FServer), NoBuffer);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(TkxMBWriteSingleRegisterTest, ExceptionReplyIsTheResult) {
    MakeDevice(PlainRegisters({0x10}, 64));
    auto& write = MakeFor<TkxMBWriteSingleRegister>(FDevice.get(), 1, 0x10);
    Reply({}, IllegalValue);
    EXPECT_EQ(write.Transact(FServer), IllegalValue);
}

} // namespace
