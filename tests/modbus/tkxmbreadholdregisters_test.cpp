#include "modbus/tkxmbreadholdregisterscls.h"

#include "base/tkxmbresultcodes.h"
#include "modbus/tkxmbdevicefixture.h"
#include "modbus/tkxmbtestutil.h"

#include <gtest/gtest.h>

namespace {

using namespace TkxMBResult;

class TkxMBReadHoldRegistersTest : public TkxMBDeviceFixture {
protected:
    // Registers 0x1000..0x1002 of a device at address 5; a read of count from start.
    TkxMBReadHoldRegisters& MakeRead(std::uint16_t count, std::uint16_t start = 0x1000) {
        MakeDevice(PlainRegisters(AddressRange(0x1000, 3), 64), 5);
        return MakeFor<TkxMBReadHoldRegisters>(FDevice.get(), 1, count, start);
    }
};

TEST_F(TkxMBReadHoldRegistersTest, RequestAndName) {
    TkxMBReadHoldRegisters& read = MakeRead(2);
    Reply(Hex("05 03 04 00 01 00 02"));
    EXPECT_EQ(read.Transact(FServer), 0);
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Sent()[0], Hex("05 03 10 00 00 02"));
    EXPECT_EQ(read.GetTransaName(), "TkxMBReadHoldRegisters[5](4096r2)");
}

TEST_F(TkxMBReadHoldRegistersTest, GoodReplyIsCopiedAndMarksChangedOnlyForNewData) {
    TkxMBReadHoldRegisters& read = MakeRead(3);
    Reply(Hex("05 03 06 12 34 56 78 9A BC"));
    EXPECT_EQ(read.Transact(FServer), 0);
    EXPECT_TRUE(read.IsChanged());
    EXPECT_EQ(Stored(0x1000, 6), Hex("12 34 56 78 9A BC"));

    Reply(Hex("05 03 06 12 34 56 78 9A BC"));
    EXPECT_EQ(read.Transact(FServer), 0);
    EXPECT_FALSE(read.IsChanged()) << "identical data";
}

TEST_F(TkxMBReadHoldRegistersTest, MismatchedRepliesLeaveTheDataUntouched) {
    TkxMBReadHoldRegisters& read = MakeRead(3);
    Store(0x1000, Hex("AA AA BB BB CC CC"));
    struct Case {
        const char* Why;
        const char* Reply;
        std::int32_t Result;
    };
    const Case cases[] = {
        {"byte count 4 for a view of 6", "05 03 04 01 02 03 04", UnexpectedSize},
        {"fewer bytes than its count", "05 03 06 01 02 03 04", UnexpectedSize},
        {"more bytes than its count", "05 03 06 01 02 03 04 05 06 07", UnexpectedSize},
        {"another slave", "06 03 06 01 02 03 04 05 06", InvalidResponse},
        {"another function", "05 04 06 01 02 03 04 05 06", InvalidResponse},
        {"no byte count", "05 03", InvalidResponse},
    };
    for (const Case& c : cases) {
        Reply(Hex(c.Reply));
        EXPECT_EQ(read.Transact(FServer), c.Result) << c.Why;
        EXPECT_EQ(Stored(0x1000, 6), Hex("AA AA BB BB CC CC")) << c.Why;
        EXPECT_FALSE(read.IsChanged()) << c.Why;
    }
}

TEST_F(TkxMBReadHoldRegistersTest, LineFaultsAreReturnedAsTheyCame) {
    TkxMBReadHoldRegisters& read = MakeRead(1);
    Reply({}, IllegalAddress);
    EXPECT_EQ(read.Transact(FServer), IllegalAddress);
    EXPECT_EQ(read.Transact(FServer), Timeout) << "no reply scripted";
    EXPECT_EQ(Stored(0x1000, 2), Hex("00 00"));
}

TEST_F(TkxMBReadHoldRegistersTest, BlockOutsideTheDeviceDataHasNoView) {
    MakeDevice("[DataModel]\nMaxBufferSize=64\n", 5);
    auto& read = MakeFor<TkxMBReadHoldRegisters>(FDevice.get(), 1, 2, 0x1000);
    ASSERT_EQ(read.ReadBlocks()->Data(), nullptr);
    Reply(Hex("05 03 04 00 01 00 02"));
    EXPECT_EQ(read.Transact(FServer), NoBuffer);
}

} // namespace
