#include "NumberedError.h"
#include <gtest/gtest.h>

TEST(NumberedError, CarriesNumberSourceAndDescription)
{
    try {
        throw NumberedError(32000, "clsDSP", "invalid samplerate");
    } catch (const std::exception &e) {
        auto *n = dynamic_cast<const NumberedError *>(&e);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->Number(), 32000);
        EXPECT_EQ(n->Source(), "clsDSP");
        EXPECT_EQ(n->Description(), "invalid samplerate");
        EXPECT_STREQ(e.what(), "invalid samplerate");
    }
}
