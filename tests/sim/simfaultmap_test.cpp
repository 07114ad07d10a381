#include "sim/simfaultmap.h"

#include "simtestdrive.h"

#include <gtest/gtest.h>

namespace qxsim {
namespace {

SimFaultMap MapOf(const std::vector<std::string>& texts) {
    SimFaultMap map;
    for (const auto& text : texts) {
        std::string why;
        EXPECT_TRUE(map.Add(text, why)) << text << ": " << why;
    }
    return map;
}

TEST(SimFaultMap, KindsAndTheirNumbersAreRead) {
    const SimFaultMap map =
        MapOf({"0=drop", "10=corrupt", "20=exception:4", "30=delay:0", "65535=delay:60000"});
    const auto kindAt = [&](const std::string& request) { return map.For(Hex(request)); };
    ASSERT_TRUE(kindAt("03 0000 0001"));
    EXPECT_EQ(kindAt("03 0000 0001")->Kind, SimFaultKind::Drop);
    EXPECT_EQ(kindAt("03 000A 0001")->Kind, SimFaultKind::Corrupt);
    EXPECT_EQ(kindAt("03 0014 0001")->Kind, SimFaultKind::Exception);
    EXPECT_EQ(kindAt("03 0014 0001")->Value, 4);
    EXPECT_EQ(kindAt("03 001E 0001")->Kind, SimFaultKind::Delay);
    EXPECT_EQ(kindAt("03 001E 0001")->Value, 0);
    EXPECT_EQ(kindAt("03 FFFF 0001")->Value, 60000);
}

TEST(SimFaultMap, ARequestGetsTheFaultOfTheLowestAddressItCovers) {
    const SimFaultMap map = MapOf({"200=exception:4", "210=drop"});
    EXPECT_FALSE(map.For(Hex("03 00C7 0001"))); // 199 only
    EXPECT_FALSE(map.For(Hex("03 00C9 0009"))); // 201..209
    EXPECT_FALSE(map.For(Hex("10 00D3 0002 04 0000 0000")));
    ASSERT_TRUE(map.For(Hex("03 00C7 0002"))); // 199..200: the last register is faulted
    EXPECT_EQ(map.For(Hex("03 00C7 0002"))->Kind, SimFaultKind::Exception);
    EXPECT_EQ(map.For(Hex("03 00C8 0001"))->Kind, SimFaultKind::Exception);
    EXPECT_EQ(map.For(Hex("03 00C8 0014"))->Kind, SimFaultKind::Exception); // both: the lower
    EXPECT_EQ(map.For(Hex("03 00CA 0009"))->Kind, SimFaultKind::Drop);
    EXPECT_EQ(map.For(Hex("06 00D2 0001"))->Kind, SimFaultKind::Drop);
    EXPECT_EQ(map.For(Hex("10 00D1 0002 04 0000 0000"))->Kind, SimFaultKind::Drop);
}

TEST(SimFaultMap, OtherFunctionsAndShortRequestsAreNotFaulted) {
    const SimFaultMap map = MapOf({"0=drop", "65=drop"});
    EXPECT_FALSE(map.For(Hex("41")));
    EXPECT_FALSE(map.For(Hex("04 0000 0001")));
    EXPECT_FALSE(map.For(Hex("03 00")));
    EXPECT_FALSE(map.For(Hex("03 0000 00"))); // no count: covers nothing
    EXPECT_FALSE(map.For(Hex("03 0000 0000")));
    EXPECT_FALSE(map.For({}));
    EXPECT_TRUE(map.For(Hex("06 0000")));
    EXPECT_FALSE(SimFaultMap().For(Hex("03 0000 0001")));
}

TEST(SimFaultMap, BadTextsSayWhatIsWrongAndAddNothing) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"drop", "expected ADDR=KIND with an address from 0 to 65535"},
        {"=drop", "expected ADDR=KIND with an address from 0 to 65535"},
        {"65536=drop", "expected ADDR=KIND with an address from 0 to 65535"},
        {"-1=drop", "expected ADDR=KIND with an address from 0 to 65535"},
        {"0x10=drop", "expected ADDR=KIND with an address from 0 to 65535"},
        {"10=", "the kind is drop, corrupt, exception:N or delay:MS"},
        {"10=Drop", "the kind is drop, corrupt, exception:N or delay:MS"},
        {"10=exception", "the kind is drop, corrupt, exception:N or delay:MS"},
        {"10=exception4", "the kind is drop, corrupt, exception:N or delay:MS"},
        {"10=exception:", "exception takes a code from 1 to 255"},
        {"10=exception:0", "exception takes a code from 1 to 255"},
        {"10=exception:256", "exception takes a code from 1 to 255"},
        {"10=exception:4x", "exception takes a code from 1 to 255"},
        {"10=delay:-1", "delay takes milliseconds from 0 to 60000"},
        {"10=delay:60001", "delay takes milliseconds from 0 to 60000"},
        {"10=drop=corrupt", "the kind is drop, corrupt, exception:N or delay:MS"},
    };
    SimFaultMap map;
    for (const auto& [text, expected] : cases) {
        std::string why;
        EXPECT_FALSE(map.Add(text, why)) << text;
        EXPECT_EQ(why, expected) << text;
    }
    EXPECT_TRUE(map.Empty());

    std::string why;
    ASSERT_TRUE(map.Add("10=drop", why));
    EXPECT_FALSE(map.Add("10=delay:5", why));
    EXPECT_EQ(why, "address 10 has a fault already");
    EXPECT_EQ(map.For(Hex("03 000A 0001"))->Kind, SimFaultKind::Drop);
}

} // namespace
} // namespace qxsim
