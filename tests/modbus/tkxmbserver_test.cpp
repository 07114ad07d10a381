#include "modbus/tkxmbservercls.h"

#include "base/tkxmbresultcodes.h"
#include "modbus/tkxmbcancelcls.h"
#include "modbus/tkxmbframecls.h"
#include "modbus/tkxmbtestutil.h"
#include "support/tkxmbscriptedservercls.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class TkxMBServerChecks : public testing::Test {
protected:
    void Open(std::int16_t type) {
        bool ok = false;
        FServer.OpenConnection("line", type, ok);
        ASSERT_TRUE(ok);
    }
    void Connect() {
        bool connected = false;
        FServer.Connect(connected);
        ASSERT_TRUE(connected);
    }

    std::shared_ptr<TkxMBScript> FScript = std::make_shared<TkxMBScript>();
    TkxMBCancel FCancel;
    TkxMBScriptedServer FServer{FScript, FCancel};
};

TEST_F(TkxMBServerChecks, NothingIsSentBeforeConnect) {
    Open(1);
    EXPECT_EQ(FServer.TxRxMessage(Hex("01 03 00 00 00 01")).Result,
              TkxMBResult::PortNotInitialized);
    Open(2);
    EXPECT_EQ(FServer.TxRxMessage(Hex("01 03 00 00 00 01")).Result,
              TkxMBResult::SocketNotConnected);
    Connect();
    FServer.CloseConnection();
    EXPECT_EQ(FServer.TxRxMessage(Hex("01 03 00 00 00 01")).Result,
              TkxMBResult::SocketNotConnected);
    EXPECT_TRUE(FScript->Queries().empty());
}

TEST_F(TkxMBServerChecks, QueriesOutsideTheRequestSizesAreRefused) {
    Open(1);
    Connect();
    FScript->SetResponder([](const std::vector<std::uint8_t>& query) {
        return TkxMBScript::Step{TkxMBResult::Ok, {query[0], query[1]}, {}};
    });
    const std::vector<std::uint8_t> longest(TkxMBFrame::MaxRequest, 1);
    const std::vector<std::uint8_t> tooLong(TkxMBFrame::MaxRequest + 1, 1);
    EXPECT_EQ(FServer.TxRxMessage(Hex("01")).Result, TkxMBResult::BufferOverflow);
    EXPECT_EQ(FServer.TxRxMessage({}).Result, TkxMBResult::BufferOverflow);
    EXPECT_EQ(FServer.TxRxMessage(tooLong).Result, TkxMBResult::BufferOverflow);
    EXPECT_EQ(FServer.TxRxMessage(Hex("01 41")).Result, TkxMBResult::Ok);
    EXPECT_EQ(FServer.TxRxMessage(longest).Result, TkxMBResult::Ok);
    const auto sent = FScript->Queries();
    ASSERT_EQ(sent.size(), 2u) << "refused queries never reach the line";
    EXPECT_EQ(sent[1], longest);
}

TEST_F(TkxMBServerChecks, TheReplyComesOnlyWithSuccess) {
    Open(1);
    Connect();
    FScript->Push({TkxMBResult::Ok, Hex("01 03 02 00 2A"), {}});
    FScript->Push({TkxMBResult::InvalidCrc, Hex("01 03 02 00 2A"), {}});
    const TkxMBReply good = FServer.TxRxMessage(Hex("01 03 00 00 00 01"));
    EXPECT_EQ(good.Result, TkxMBResult::Ok);
    EXPECT_EQ(good.Data, Hex("01 03 02 00 2A"));
    const TkxMBReply bad = FServer.TxRxMessage(Hex("01 03 00 00 00 01"));
    EXPECT_EQ(bad.Result, TkxMBResult::InvalidCrc);
    EXPECT_TRUE(bad.Data.empty());
}

} // namespace
