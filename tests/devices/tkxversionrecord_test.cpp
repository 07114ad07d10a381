#include "devices/tkxversionrecordcls.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using Letters = std::array<std::uint8_t, 2>;
constexpr std::uint8_t kNone = TkxVersionRecord::kNoLetter;

struct Digits {
    int Major, Minor, Patch;
};

void ExpectDigits(const TkxVersionRecord& record, Digits digits) {
    EXPECT_EQ(record.Major, digits.Major);
    EXPECT_EQ(record.Minor, digits.Minor);
    EXPECT_EQ(record.Patch, digits.Patch);
}

TkxVersionRecord Device(std::uint16_t model, Letters option, std::uint16_t number,
                        Letters suffix = {kNone, kNone}, std::uint16_t board = 0) {
    TkxVersionRecord record;
    record.BoardCode = board;
    record.Model = model;
    record.Option = option;
    record.SetNumber(number);
    record.Suffix = suffix;
    return record;
}

TEST(TkxVersionRecordDefaults, FreshRecordIsAnyVersionOfModelZero) {
    const TkxVersionRecord record;
    EXPECT_EQ(record.BoardCode, 0);
    EXPECT_EQ(record.Model, 0);
    EXPECT_EQ(record.Option, (Letters{kNone, kNone}));
    ExpectDigits(record, {-1, -1, 0});
    EXPECT_EQ(record.Suffix, (Letters{kNone, kNone}));
}

TEST(TkxVersionRecordParse, PlainVersionRoundTrips) {
    TkxVersionRecord record;
    ASSERT_TRUE(record.Parse("QX440v123"));
    EXPECT_EQ(record.Model, 440);
    EXPECT_EQ(record.Option, (Letters{kNone, kNone}));
    ExpectDigits(record, {1, 2, 3});
    EXPECT_EQ(record.GetNumber(), 123);
    EXPECT_EQ(record.GetText(), "QX440v123");
}

TEST(TkxVersionRecordParse, BoardPartLowerCaseAndOpenDigits) {
    TkxVersionRecord record;
    ASSERT_TRUE(record.Parse("  qxp610_qx430v1*-st "));
    EXPECT_EQ(record.BoardCode, 610);
    EXPECT_EQ(record.Model, 430);
    ExpectDigits(record, {1, -1, -1});
    EXPECT_EQ(record.Suffix, (Letters{'S', 'T'}));
}

TEST(TkxVersionRecordParse, BoardWithoutModelStopsSuccessfully) {
    TkxVersionRecord record;
    EXPECT_TRUE(record.Parse("QXP610"));
    EXPECT_EQ(record.BoardCode, 610);
    EXPECT_EQ(record.Model, 0);
    EXPECT_TRUE(record.Parse("QXP610 rest"));
    EXPECT_EQ(record.BoardCode, 610);
}

TEST(TkxVersionRecordParse, LeadingTextIsSkippedUntilQ) {
    TkxVersionRecord record;
    ASSERT_TRUE(record.Parse("drive: QX460v400"));
    EXPECT_EQ(record.Model, 460);
    ExpectDigits(record, {4, 0, 0});
    // A "Q" that does not start "QX" is a fault, not something to skip.
    EXPECT_FALSE(record.Parse("EQUIPMENT QX460v400"));
    EXPECT_EQ(record.Model, 0);
}

TEST(TkxVersionRecordParse, TextEndingEarlyKeepsWhatWasRead) {
    TkxVersionRecord record;
    ASSERT_TRUE(record.Parse("QX440"));
    ExpectDigits(record, {-1, -1, 0});
    ASSERT_TRUE(record.Parse("QX440v12"));
    ExpectDigits(record, {1, 2, -1});
    ASSERT_TRUE(record.Parse("QX440v*"));
    ExpectDigits(record, {-1, -1, -1});
    ASSERT_TRUE(record.Parse("QX440-"));
    EXPECT_EQ(record.Option, (Letters{kNone, kNone}));
    ASSERT_TRUE(record.Parse(""));
    EXPECT_EQ(record, TkxVersionRecord());
}

TEST(TkxVersionRecordParse, OptionLettersAndStars) {
    TkxVersionRecord record;
    ASSERT_TRUE(record.Parse("QX440-2v*"));
    EXPECT_EQ(record.Option, (Letters{'2', kNone}));
    ASSERT_TRUE(record.Parse("QX440-2*v*"));
    EXPECT_EQ(record.Option, (Letters{'2', '*'}));
    ASSERT_TRUE(record.Parse("QX440-*v1"));
    EXPECT_EQ(record.Option, (Letters{'*', kNone}));
    ExpectDigits(record, {1, -1, -1});
}

TEST(TkxVersionRecordParse, SuffixSecondLetterIgnoresStar) {
    TkxVersionRecord record;
    ASSERT_TRUE(record.Parse("QX440v123-S*"));
    EXPECT_EQ(record.Suffix, (Letters{'S', kNone}));
    ASSERT_TRUE(record.Parse("QX440v123-*"));
    EXPECT_EQ(record.Suffix, (Letters{'*', kNone}));
    // A hyphen at the very end opens no suffix but breaks nothing either.
    ASSERT_TRUE(record.Parse("QX440v123-"));
    EXPECT_EQ(record.Suffix, (Letters{kNone, kNone}));
    EXPECT_FALSE(record.Parse("QX440v123-/"));
}

TEST(TkxVersionRecordParse, FailuresLeaveFieldsFilledUpToTheFault) {
    TkxVersionRecord record;
    EXPECT_FALSE(record.Parse("QX440v30x"));
    EXPECT_EQ(record.Model, 440);
    ExpectDigits(record, {3, 0, -1});

    // A blank option letter must be followed by "v" directly.
    EXPECT_FALSE(record.Parse("QX440- 2v*"));
    EXPECT_EQ(record.Model, 440);
    EXPECT_EQ(record.Option, (Letters{kNone, kNone}));

    EXPECT_FALSE(record.Parse("QX440-2A3"));
    EXPECT_EQ(record.Option, (Letters{'2', 'A'}));
    ExpectDigits(record, {-1, -1, 0});
}

TEST(TkxVersionRecordParse, StarAfterTheVersionFails) {
    TkxVersionRecord record;
    EXPECT_FALSE(record.Parse("QX440v1**"));
    ExpectDigits(record, {1, -1, -1});
    EXPECT_FALSE(record.Parse("QX440v123*"));
    ExpectDigits(record, {1, 2, 3});
}

TEST(TkxVersionRecordParse, SyntaxFaults) {
    TkxVersionRecord record;
    EXPECT_FALSE(record.Parse("QXP610_QXP620"));
    EXPECT_EQ(record.BoardCode, 610);
    EXPECT_FALSE(record.Parse("QXP_QX440"));
    EXPECT_FALSE(record.Parse("QXP610_X440"));
    EXPECT_FALSE(record.Parse("QXA440"));
    EXPECT_FALSE(record.Parse("QX440vA"));
    EXPECT_FALSE(record.Parse("QX440-#v1"));
}

TEST(TkxVersionRecordParse, OverlongNumbersAreRefusedNotWrapped) {
    TkxVersionRecord record;
    ASSERT_TRUE(record.Parse("QX65535v1"));
    EXPECT_EQ(record.Model, 65535);
    // 65976 would wrap to model 440 in 16 bits.
    EXPECT_FALSE(record.Parse("QX65976v1"));
    EXPECT_EQ(record.Model, 6597);
    EXPECT_FALSE(record.Parse("QXP99999_QX440"));
    EXPECT_EQ(record.Model, 0);
}

TEST(TkxVersionRecordParse, ParseResetsThePreviousContent) {
    TkxVersionRecord record("QXP610_QX430v123-ST");
    ASSERT_TRUE(record.Parse("QX440"));
    EXPECT_EQ(record.BoardCode, 0);
    EXPECT_EQ(record.Suffix, (Letters{kNone, kNone}));
}

TEST(TkxVersionRecordText, NumberForms) {
    auto record = Device(440, {kNone, kNone}, 5);
    EXPECT_EQ(record.GetVersionText(false), "5");
    EXPECT_EQ(record.GetVersionText(true), "0.05");
    record.SetNumber(65535);
    ExpectDigits(record, {655, 3, 5});
    EXPECT_EQ(record.GetNumber(), 65535);
    EXPECT_EQ(record.GetVersionText(true), "655.35");
}

TEST(TkxVersionRecordText, InnerBlankOptionStays) {
    EXPECT_EQ(Device(440, {' ', '2'}, 123).GetText(), "QX440- 2v123");
    EXPECT_EQ(Device(440, {' ', ' '}, 123).GetModelText(), "QX440-");
    // The second letter is printed only after a printed first one.
    EXPECT_EQ(Device(440, {kNone, 'A'}, 123).GetModelText(), "QX440");
    EXPECT_EQ(Device(440, {'2', kNone}, 123).GetModelText(), "QX440-2");
    EXPECT_EQ(Device(440, {'\n', 'A'}, 123).GetModelText(), "QX440");
}

TEST(TkxVersionRecordText, BoardAndSuffix) {
    const auto record = Device(430, {kNone, kNone}, 123, {'S', 'T'}, 610);
    EXPECT_EQ(record.GetBoardText(), "QXP610");
    EXPECT_EQ(record.GetVersionText(true), "1.23-ST");
    EXPECT_EQ(record.GetText(), "QXP610_QX430v123-ST");
    EXPECT_EQ(Device(440, {kNone, kNone}, 1).GetBoardText(), "");
}

TEST(TkxVersionRecordText, PartlyReadVersionPrintsItsBaseNumber) {
    TkxVersionRecord record;
    record.Parse("QX440v30x");
    EXPECT_EQ(record.GetNumber(), 300);
    EXPECT_EQ(record.GetText(), "QX440v300");
}

TEST(TkxVersionRecordText, PrintedTextParsesBack) {
    for (const auto& device : {Device(440, {'2', 'A'}, 321, {'S', 'T'}, 7),
                               Device(460, {kNone, kNone}, 400), Device(1, {'X', kNone}, 109)}) {
        const TkxVersionRecord parsed(device.GetText());
        EXPECT_EQ(parsed, device) << device.GetText();
    }
}

TEST(TkxVersionRecordMatch, OptionLetters) {
    const auto device = Device(440, {'2', 'A'}, 123);
    EXPECT_FALSE(device.Matches("QX440-2v*"));
    EXPECT_TRUE(device.Matches("QX440-2*v*"));
    EXPECT_TRUE(device.Matches("QX440-*v*"));
    EXPECT_TRUE(device.Matches("QX440-2Av*"));
    EXPECT_FALSE(device.Matches("QX440-3*v*"));
    // A pattern without letters states none: only a device with letters is refused.
    EXPECT_FALSE(device.Matches("QX440v*"));
    EXPECT_TRUE(Device(440, {'2', kNone}, 123).Matches("QX440-2v*"));
}

TEST(TkxVersionRecordMatch, DeviceWithoutLettersMatchesAnyLetters) {
    for (const Letters option : {Letters{kNone, kNone}, Letters{' ', '2'}, Letters{'#', 'A'}}) {
        const auto device = Device(440, option, 123);
        EXPECT_TRUE(device.Matches("QX440-9Zv123"));
        EXPECT_TRUE(device.Matches("QX440v123"));
    }
}

TEST(TkxVersionRecordMatch, LowerCaseDeviceLettersCompareInUpperCase) {
    EXPECT_TRUE(Device(440, {'2', 'a'}, 123, {'s', 't'}).Matches("qx440-2av123-st"));
}

TEST(TkxVersionRecordMatch, VersionDigits) {
    const auto device = Device(440, {kNone, kNone}, 123);
    EXPECT_TRUE(device.Matches("QX440v123"));
    EXPECT_TRUE(device.Matches("QX440v12*"));
    EXPECT_TRUE(device.Matches("QX440v1*"));
    EXPECT_TRUE(device.Matches("QX440v*"));
    EXPECT_TRUE(device.Matches("QX440"));
    EXPECT_TRUE(device.Matches("QX440v12"));
    EXPECT_FALSE(device.Matches("QX440v124"));
    EXPECT_FALSE(device.Matches("QX440v13*"));
    EXPECT_FALSE(device.Matches("QX440v2*"));
    EXPECT_FALSE(device.Matches("QX441v*"));
}

TEST(TkxVersionRecordMatch, BoardCodeOnlyWhenThePatternStatesOne) {
    const auto device = Device(430, {kNone, kNone}, 123, {kNone, kNone}, 610);
    EXPECT_TRUE(device.Matches("QX430v*"));
    EXPECT_TRUE(device.Matches("QXP610_QX430v*"));
    EXPECT_FALSE(device.Matches("QXP611_QX430v*"));
    EXPECT_FALSE(Device(430, {kNone, kNone}, 123).Matches("QXP610_QX430v*"));
}

TEST(TkxVersionRecordMatch, SuffixLetters) {
    const auto device = Device(430, {kNone, kNone}, 123, {'S', 'T'});
    EXPECT_TRUE(device.Matches("QX430v1*-ST"));
    EXPECT_TRUE(device.Matches("QX430v1*-*"));
    // A star takes no second suffix place: "-S*" states S alone and so refuses S T.
    EXPECT_FALSE(device.Matches("QX430v1*-S*"));
    EXPECT_TRUE(Device(430, {kNone, kNone}, 123, {'S', kNone}).Matches("QX430v1*-S*"));
    EXPECT_FALSE(device.Matches("QX430v1*-SX"));
    EXPECT_FALSE(device.Matches("QX430v1*"));
}

TEST(TkxVersionRecordMatch, UnparsablePatternMatchesNothing) {
    const auto device = Device(440, {'2', kNone}, 123);
    EXPECT_FALSE(device.Matches("QX440- 2v*"));
    EXPECT_FALSE(device.Matches("QX440v123*"));
    EXPECT_FALSE(Device(440, {' ', '2'}, 123).Matches("QX440- 2v*"));
}

TEST(TkxVersionRecordReply, FillsFromDeviceBytes) {
    const std::array<std::uint8_t, 12> reply{0x01, 0x41, 0x02, 0x62, 0x01, 0xB8,
                                             'A',  '2',  0x00, 0x7B, 'T',  'S'};
    TkxVersionRecord record;
    ASSERT_TRUE(record.LoadFromReply(reply));
    EXPECT_EQ(record.GetText(), "QXP610_QX440-2Av123-ST");
}

TEST(TkxVersionRecordReply, ShortReplyChangesNothing) {
    const std::array<std::uint8_t, 11> reply{};
    TkxVersionRecord record("QX440v123");
    const auto before = record;
    EXPECT_FALSE(record.LoadFromReply(reply));
    EXPECT_EQ(record, before);
}

} // namespace
