#include "sim/simrequestframer.h"

#include "simtestdrive.h"

#include "modbus/tkxmbframecls.h"

#include <gtest/gtest.h>

namespace qxsim {
namespace {

using namespace std::chrono_literals;
using Clock = SimRequestFramer::Clock;

std::vector<std::uint8_t> Rtu(const std::string& hex) {
    return TkxMBFrame::EncodeRtu(Hex(hex));
}

class SimRtuFramerTest : public ::testing::Test {
protected:
    void Feed(const std::vector<std::uint8_t>& bytes) {
        FFramer.Feed(bytes.data(), bytes.size(), FNow);
    }
    SimRequestFramer FFramer{false, 20ms};
    Clock::time_point FNow = Clock::now();
};

TEST_F(SimRtuFramerTest, KnownLengthsEndWithoutWaiting) {
    for (const char* request :
         {"01 03 0064 0002", "01 06 0064 0BB8", "07 41", "01 10 0064 0002 04 0001 0002"}) {
        Feed(Rtu(request));
        const auto got = FFramer.Next(FNow);
        ASSERT_TRUE(got) << request;
        EXPECT_EQ(*got, Hex(request));
        EXPECT_EQ(FFramer.Pending(), 0u);
    }
}

TEST_F(SimRtuFramerTest, AFrameInPiecesAndTwoFramesInOneRead) {
    auto frame = Rtu("01 10 0064 0002 04 0001 0002");
    Feed({frame.begin(), frame.begin() + 5});
    EXPECT_FALSE(FFramer.Next(FNow));
    Feed({frame.begin() + 5, frame.end()});
    EXPECT_TRUE(FFramer.Next(FNow));

    auto both = Rtu("01 03 0064 0001");
    const auto second = Rtu("01 41");
    both.insert(both.end(), second.begin(), second.end());
    Feed(both);
    EXPECT_EQ(*FFramer.Next(FNow), Hex("01 03 0064 0001"));
    EXPECT_EQ(*FFramer.Next(FNow), Hex("01 41"));
}

TEST_F(SimRtuFramerTest, UnknownFunctionsEndOnTheSilentInterval) {
    Feed(Rtu("01 2B 0E 01 00"));
    EXPECT_FALSE(FFramer.Next(FNow + 5ms));
    EXPECT_EQ(*FFramer.Next(FNow + 20ms), Hex("01 2B 0E 01 00"));
}

TEST_F(SimRtuFramerTest, BadChecksumsAndCutFramesAreDropped) {
    auto bad = Rtu("01 03 0064 0001");
    bad.back() ^= 0x01;
    Feed(bad);
    EXPECT_FALSE(FFramer.Next(FNow));
    EXPECT_EQ(FFramer.Dropped(), 1);
    EXPECT_EQ(FFramer.Pending(), 0u);

    const auto cut = Rtu("01 03 0064 0001");
    Feed({cut.begin(), cut.begin() + 3});
    EXPECT_FALSE(FFramer.Next(FNow + 30ms));
    EXPECT_EQ(FFramer.Pending(), 0u);
    Feed(Rtu("01 41"));
    EXPECT_EQ(*FFramer.Next(FNow + 30ms), Hex("01 41"));
}

TEST(SimAsciiFramer, FramesAreFoundAmongNoiseAndChecked) {
    SimRequestFramer framer(true, 20ms);
    const auto now = Clock::now();
    std::vector<std::uint8_t> line = {'x', 'y'};
    const auto good = TkxMBFrame::EncodeAscii(Hex("01 03 0064 0002"));
    auto bad = good;
    bad[3] = bad[3] == '0' ? '1' : '0';
    line.insert(line.end(), bad.begin(), bad.end());
    line.insert(line.end(), good.begin(), good.end());
    framer.Feed(line.data(), line.size() - 1, now);
    EXPECT_FALSE(framer.Next(now));
    framer.Feed(&line.back(), 1, now);
    EXPECT_EQ(*framer.Next(now), Hex("01 03 0064 0002"));
    EXPECT_EQ(framer.Dropped(), 1);

    const std::string noHex = ":01ZZ\r\n:0141BE\r\n";
    framer.Feed(reinterpret_cast<const std::uint8_t*>(noHex.data()), noHex.size(), now);
    EXPECT_EQ(*framer.Next(now), Hex("01 41"));
}

TEST(SimAsciiFramer, AnEndlessLineIsDiscarded) {
    SimRequestFramer framer(true, 20ms);
    const std::vector<std::uint8_t> flood(600, 'A');
    std::vector<std::uint8_t> line{':'};
    line.insert(line.end(), flood.begin(), flood.end());
    framer.Feed(line.data(), line.size(), Clock::now());
    EXPECT_FALSE(framer.Next(Clock::now()));
    EXPECT_EQ(framer.Pending(), 0u);
}

} // namespace
} // namespace qxsim
