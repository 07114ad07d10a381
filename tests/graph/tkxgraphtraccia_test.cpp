#include "graph/tkxgraphtracciacls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(TkxGraphTraccia, BoundsFollowTheAppendedPoints) {
    TkxGraphTraccia trace("Freq");
    EXPECT_EQ(trace.Name(), "Freq");
    EXPECT_EQ(trace.PointCount(), 0);
    ASSERT_TRUE(trace.AddPoint(false, 3, -2));
    EXPECT_EQ(trace.XMin(), 3);
    EXPECT_EQ(trace.XMax(), 3);
    EXPECT_EQ(trace.YMin(), -2);
    EXPECT_EQ(trace.YMax(), -2);
    trace.AddPoint(false, 1, 5);
    trace.AddPoint(false, 4, 0);
    EXPECT_EQ(trace.XMin(), 1);
    EXPECT_EQ(trace.XMax(), 4);
    EXPECT_EQ(trace.YMin(), -2);
    EXPECT_EQ(trace.YMax(), 5);
    EXPECT_EQ(trace.PointCount(), 3);
}

TEST(TkxGraphTraccia, KeepsTheLatest150SamplesWhenTheOldestIsDropped) {
    TkxGraphTraccia trace("Ampere");
    for (int i = 0; i < 400; ++i) {
        // A peak early on that must leave the bounds once dropped.
        const double value = i == 10 ? 1000.0 : i % 7;
        trace.AddPoint(trace.PointCount() >= 150, i, value);
        ASSERT_LE(trace.PointCount(), 150);
    }
    EXPECT_EQ(trace.PointCount(), 150);
    EXPECT_EQ(trace.Points().front(), (Tkx2DPoint{250, 250 % 7}));
    EXPECT_EQ(trace.Points().back(), (Tkx2DPoint{399, 399 % 7}));
    EXPECT_EQ(trace.XMin(), 250);
    EXPECT_EQ(trace.XMax(), 399);
    EXPECT_EQ(trace.YMin(), 0);
    EXPECT_EQ(trace.YMax(), 6);
}

TEST(TkxGraphTraccia, DeleteFirstKeepsAtLeastOnePoint) {
    TkxGraphTraccia trace("t");
    for (int i = 0; i < 5; ++i) {
        trace.AddPoint(false, i, 10 - i);
    }
    for (const int count : {5, 6, 1000, 0, -1, std::numeric_limits<int>::min()}) {
        trace.DeleteFirst(count);
        EXPECT_EQ(trace.PointCount(), 5) << count;
    }
    trace.DeleteFirst(2); // the two largest y go, so the bounds are computed anew
    EXPECT_EQ(trace.PointCount(), 3);
    EXPECT_EQ(trace.Points().front(), (Tkx2DPoint{2, 8}));
    EXPECT_EQ(trace.XMin(), 2);
    EXPECT_EQ(trace.YMax(), 8);
    EXPECT_EQ(trace.YMin(), 6);

    // Dropping with a single point left keeps it, as DeleteFirst(1) would.
    TkxGraphTraccia single("s");
    single.AddPoint(false, 1, 1);
    single.AddPoint(true, 2, 2);
    EXPECT_EQ(single.PointCount(), 2);
}

TEST(TkxGraphTraccia, PointsThatAreNoNumbersAreRefused) {
    TkxGraphTraccia trace("t");
    trace.AddPoint(false, 1, 1);
    trace.AddPoint(false, 2, 4);
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(trace.AddPoint(true, nan, 0));
    EXPECT_FALSE(trace.AddPoint(true, 0, nan));
    EXPECT_FALSE(trace.AddPoint(true, inf, 0));
    EXPECT_FALSE(trace.AddPoint(true, 0, -inf));
    // Nothing dropped, nothing appended, bounds as they were.
    EXPECT_EQ(trace.PointCount(), 2);
    EXPECT_EQ(trace.Points().front(), (Tkx2DPoint{1, 1}));
    EXPECT_EQ(trace.YMax(), 4);
}

} // namespace
