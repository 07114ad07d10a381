#include "registers/tkxrawresources.h"

#include <gtest/gtest.h>

TEST(TkxRawResources, FoundByNumberAndByNameOrNull) {
    const auto* byId = tkx::FindRawResource(28674);
    ASSERT_NE(byId, nullptr);
    EXPECT_EQ(tkx::FindRawResource(byId->Name), byId);
    EXPECT_EQ(tkx::FindRawResource(1), nullptr);
    EXPECT_EQ(tkx::FindRawResource("no such resource"), nullptr);
}
