#include "qxdrive/qxdrivewatch.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace {

using qxdrive::WatchedValue;
using qxdrive::WatchPrinter;

TEST(WatchPrinter, FirstPollShowsAllThenOnlyChanges) {
    std::ostringstream out;
    WatchPrinter printer(out, false);
    printer.Poll("10:00:00.000", {{100, "Speed", "1500"}, {101, "Accel", "-5"}});
    printer.Poll("10:00:01.000", {{100, "Speed", "1500"}, {101, "Accel", "-5"}});
    printer.Poll("10:00:02.000", {{100, "Speed", "1400"}, {101, "Accel", "-5"}});
    EXPECT_EQ(out.str(), "10:00:00.000    100  Speed                    1500\n"
                         "10:00:00.000    101  Accel                    -5\n"
                         "10:00:02.000    100  Speed                    1400\n");
}

TEST(WatchPrinter, AFailedPollIsShownAndTheLastValuesStayTheReference) {
    std::ostringstream out;
    WatchPrinter printer(out, false);
    printer.Poll("10:00:00.000", {{100, "Speed", "1500"}});
    printer.Failure("10:00:01.000", "timeout, no response!");
    printer.Poll("10:00:02.000", {{100, "Speed", "1500"}});
    EXPECT_EQ(out.str(), "10:00:00.000    100  Speed                    1500\n"
                         "10:00:01.000  timeout, no response!\n");
}

TEST(WatchPrinter, CsvHasAHeaderAndQuotesWhatNeedsIt) {
    std::ostringstream out;
    WatchPrinter printer(out, true);
    printer.Poll("10:00:00.000", {{5, "Name", "\"a\",b"}, {6, "Plain", "12.5V"}});
    printer.Failure("10:00:01.000", "no, really");
    EXPECT_EQ(out.str(), "time,address,name,value\n"
                         "10:00:00.000,5,Name,\"\"\"a\"\",b\"\n"
                         "10:00:00.000,6,Plain,12.5V\n"
                         "10:00:01.000,,,\"no, really\"\n");
}

TEST(WatchPrinter, TheTimeOfDayHasMilliseconds) {
    EXPECT_TRUE(std::regex_match(WatchPrinter::Now(), std::regex(R"(\d\d:\d\d:\d\d\.\d\d\d)")));
}

} // namespace
