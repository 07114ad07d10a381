#include "modbus/tkxmbframecls.h"

#include "base/tkxmbresultcodes.h"
#include "modbus/tkxmbtestutil.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using Status = TkxMBFrameStatus;

TEST(TkxMBFrameChecksums, CrcAndLrcOfKnownFrames) {
    // Read two registers from 0 at slave 1: the CRC is C4 0B on the wire (low byte first).
    EXPECT_EQ(TkxMBFrame::EncodeRtu(Hex("01 03 00 00 00 02")), Hex("01 03 00 00 00 02 C4 0B"));
    EXPECT_EQ(TkxMBFrame::Crc16({}), 0xFFFF);
    EXPECT_EQ(TkxMBFrame::Lrc(Hex("01 03 00 00 00 02")), 0xFA);
    EXPECT_EQ(TkxMBFrame::EncodeAscii(Hex("01 03 00 00 00 02")), Bytes(":010300000002FA\r\n"));
}

TEST(TkxMBFrameChecksums, TcpHeaderCarriesTransactionIdAndLength) {
    EXPECT_EQ(TkxMBFrame::EncodeTcp(Hex("05 03 10 00 00 02"), 0x1234),
              Hex("12 34 00 00 00 06 05 03 10 00 00 02"));
}

struct RtuCase {
    const char* Name;
    std::string Request;
    std::string Received;
    bool Silent;
    Status Expected;
    std::int32_t Result;
    std::string Response;
};

// Without it the test listing shows the raw bytes of the case, pointers included.
void PrintTo(const RtuCase& c, std::ostream* os) {
    *os << c.Name;
}

class TkxMBFrameRtu : public testing::TestWithParam<RtuCase> {};

TEST_P(TkxMBFrameRtu, Decodes) {
    const RtuCase& c = GetParam();
    auto received = Hex(c.Received);
    const auto decoded = TkxMBFrame::DecodeRtu(Hex(c.Request), received, c.Silent);
    ASSERT_EQ(decoded.Status, c.Expected);
    if (c.Expected == Status::Complete) {
        EXPECT_EQ(decoded.Result, c.Result);
        EXPECT_EQ(decoded.Response, Hex(c.Response));
    }
}

std::string Frame(const std::string& body) {
    std::string out;
    for (auto byte : TkxMBFrame::EncodeRtu(Hex(body))) {
        char text[4];
        std::snprintf(text, sizeof text, "%02X", byte);
        out += text;
    }
    return out;
}

const std::string Read2 = Frame("01 03 04 12 34 56 78");
const std::string Write6 = Frame("01 06 00 10 12 34");
const std::string Write16 = Frame("01 10 02 00 00 03");
const std::string Version = Frame("07 41 00 01 00 02 00 03 00 7B 00 05");
const std::string Exception2 = Frame("01 83 02");
const std::string OtherSlave = Frame("02 03 04 12 34 56 78");
const std::string OtherFunction = Frame("01 04 02 00 00");
const std::string Unknown17 = Frame("01 11 03 AA BB CC");

INSTANTIATE_TEST_SUITE_P(
    Cases, TkxMBFrameRtu,
    testing::Values(RtuCase{"Empty", "01 03 00 00 00 02", "", false, Status::Incomplete, 0, ""},
                    RtuCase{"ReadComplete", "01 03 00 00 00 02", Read2, false, Status::Complete, 0,
                            "01 03 04 12 34 56 78"},
                    RtuCase{"ReadOneByteShort", "01 03 00 00 00 02", Read2.substr(0, 16), true,
                            Status::Incomplete, 0, ""},
                    RtuCase{"WriteSingleEcho", "01 06 00 10 12 34", Write6, false, Status::Complete,
                            0, "01 06 00 10 12 34"},
                    RtuCase{"WriteMultipleEcho", "01 10 02 00 00 03 06 00 00 00 00 00 00", Write16,
                            false, Status::Complete, 0, "01 10 02 00 00 03"},
                    RtuCase{"Version", "07 41", Version, false, Status::Complete, 0,
                            "07 41 00 01 00 02 00 03 00 7B 00 05"},
                    RtuCase{"Exception", "01 03 00 00 00 02", Exception2, false, Status::Complete,
                            TkxMBResult::IllegalAddress, ""},
                    RtuCase{"BadCrc", "01 03 00 00 00 02", "01 03 04 12 34 56 78 00 00", false,
                            Status::Complete, TkxMBResult::InvalidCrc, ""},
                    RtuCase{"AnotherSlave", "01 03 00 00 00 02", OtherSlave, false,
                            Status::Complete, TkxMBResult::InvalidResponse, ""},
                    RtuCase{"AnotherFunctionEndsOnSilence", "01 03 00 00 00 02", OtherFunction,
                            true, Status::Complete, TkxMBResult::InvalidResponse, ""},
                    RtuCase{"UnknownLengthWaitsForSilence", "01 11", Unknown17, false,
                            Status::Incomplete, 0, ""},
                    RtuCase{"UnknownLengthEndsOnSilence", "01 11", Unknown17, true,
                            Status::Complete, 0, "01 11 03 AA BB CC"},
                    RtuCase{"TooShortOnSilence", "01 11", "01 11 00", true, Status::Complete,
                            TkxMBResult::InvalidResponse, ""}),
    [](const auto& param) { return std::string(param.param.Name); });

TEST(TkxMBFrameRtuBounds, ReplyLongerThanAnRtuFrameIsInvalid) {
    std::vector<std::uint8_t> flood(300, 0x11);
    flood[0] = 0x01;
    const auto decoded = TkxMBFrame::DecodeRtu(Hex("01 11"), flood, true);
    EXPECT_EQ(decoded.Status, Status::Complete);
    EXPECT_EQ(decoded.Result, TkxMBResult::InvalidResponse);
}

TEST(TkxMBFrameRtuBounds, ByteCountDecidesTheLengthOfARead) {
    // A byte count of 0xFF announces more than a frame can hold: complete and invalid once in.
    std::vector<std::uint8_t> frame = Hex("01 03 FF");
    frame.resize(3 + 0xFF + 2, 0);
    const auto decoded = TkxMBFrame::DecodeRtu(Hex("01 03 00 00 00 7D"), frame, false);
    EXPECT_EQ(decoded.Status, Status::Complete);
    EXPECT_EQ(decoded.Result, TkxMBResult::InvalidResponse);
}

TEST(TkxMBFrameAscii, DecodesAndChecks) {
    const auto request = Hex("01 03 00 00 00 02");
    const auto good = TkxMBFrame::EncodeAscii(Hex("01 03 04 12 34 56 78"));
    auto decoded = TkxMBFrame::DecodeAscii(request, good);
    ASSERT_EQ(decoded.Status, Status::Complete);
    EXPECT_EQ(decoded.Result, 0);
    EXPECT_EQ(decoded.Response, Hex("01 03 04 12 34 56 78"));
    EXPECT_EQ(decoded.Consumed, good.size());

    auto noise = Bytes("\x00zz");
    noise.insert(noise.end(), good.begin(), good.end());
    EXPECT_EQ(TkxMBFrame::DecodeAscii(request, noise).Response, Hex("01 03 04 12 34 56 78"));

    EXPECT_EQ(TkxMBFrame::DecodeAscii(request, Bytes(":0103041234")).Status, Status::Incomplete);
    EXPECT_EQ(TkxMBFrame::DecodeAscii(request, Bytes(":01030412345678FF\r\n")).Result,
              TkxMBResult::InvalidCrc);
    EXPECT_EQ(TkxMBFrame::DecodeAscii(request, Bytes(":0103041234567\r\n")).Result,
              TkxMBResult::InvalidResponse);
    EXPECT_EQ(TkxMBFrame::DecodeAscii(request, Bytes(":01G3041234567800\r\n")).Result,
              TkxMBResult::InvalidResponse);
    EXPECT_EQ(TkxMBFrame::DecodeAscii(request, Bytes(":0103041234567800\n")).Result,
              TkxMBResult::InvalidResponse);
    EXPECT_EQ(TkxMBFrame::DecodeAscii(request, TkxMBFrame::EncodeAscii(Hex("01 83 04"))).Result,
              TkxMBResult::SlaveFailure);
    // The byte count must match the data of a read reply.
    EXPECT_EQ(
        TkxMBFrame::DecodeAscii(request, TkxMBFrame::EncodeAscii(Hex("01 03 04 12 34"))).Result,
        TkxMBResult::InvalidResponse);
}

TEST(TkxMBFrameAscii, EndlessLineWithoutTerminatorIsInvalid) {
    std::vector<std::uint8_t> line(1 + TkxMBFrame::MaxAsciiFrame, '0');
    line[0] = ':';
    EXPECT_EQ(TkxMBFrame::DecodeAscii(Hex("01 03"), line).Result, TkxMBResult::InvalidResponse);
}

TEST(TkxMBFrameTcp, ReassemblesChecksIdAndUnit) {
    const auto request = Hex("05 03 10 00 00 02");
    const auto reply = Hex("00 07 00 00 00 07 05 03 04 12 34 56 78");
    for (std::size_t cut = 0; cut < reply.size(); ++cut) {
        EXPECT_EQ(TkxMBFrame::DecodeTcp(request, std::span(reply).first(cut), 7).Status,
                  Status::Incomplete)
            << cut;
    }
    auto decoded = TkxMBFrame::DecodeTcp(request, reply, 7);
    ASSERT_EQ(decoded.Status, Status::Complete);
    EXPECT_EQ(decoded.Response, Hex("05 03 04 12 34 56 78"));

    const auto stale = TkxMBFrame::DecodeTcp(request, reply, 8);
    EXPECT_EQ(stale.Status, Status::Stale);
    EXPECT_EQ(stale.Consumed, reply.size());

    EXPECT_EQ(
        TkxMBFrame::DecodeTcp(request, Hex("00 07 00 00 00 07 06 03 04 12 34 56 78"), 7).Result,
        TkxMBResult::InvalidResponse);
    EXPECT_EQ(
        TkxMBFrame::DecodeTcp(request, Hex("00 07 00 01 00 07 05 03 04 12 34 56 78"), 7).Result,
        TkxMBResult::InvalidResponse);
    EXPECT_EQ(TkxMBFrame::DecodeTcp(request, Hex("00 07 00 00 FF FF 05"), 7).Result,
              TkxMBResult::InvalidResponse);
    EXPECT_EQ(TkxMBFrame::DecodeTcp(request, Hex("00 07 00 00 00 03 05 83 06"), 7).Result,
              TkxMBResult::SlaveBusy);
}

TEST(TkxMBFrameReply, ExceptionForAnotherFunctionIsInvalid) {
    EXPECT_EQ(TkxMBFrame::CheckReply(Hex("01 03"), Hex("01 86 02")), TkxMBResult::InvalidResponse);
    EXPECT_EQ(TkxMBFrame::CheckReply(Hex("01 03"), Hex("01 83 0B")),
              TkxMBResult::FromHex(0x8004820B));
}

} // namespace
