#include <gtest/gtest.h>

#include "core/support/Date.hpp"

using namespace keepsift;

TEST(DateText, WritesUtcWithFlooredSeconds) {
    EXPECT_EQ(Date{0}.iso8601(), "2001-01-01T00:00:00Z");
    EXPECT_EQ(Date{0.999}.iso8601(), "2001-01-01T00:00:00Z");
    EXPECT_EQ(Date{-0.5}.iso8601(), "2000-12-31T23:59:59Z");
    EXPECT_EQ(Date::fromUnix(1764954642).iso8601(), "2025-12-05T17:10:42Z");
    EXPECT_EQ(Date::parseIso8601(Date::distantPast().iso8601()), Date::distantPast());
}

TEST(DateText, ReadsOffsetsAndFractions) {
    const Date expected = Date::fromUnix(1764954642);
    for (const char* text :
         {"2025-12-05T17:10:42Z", "2025-12-05T18:10:42+01:00", "2025-12-05T18:10:42+0100",
          "2025-12-05T18:10:42+01", "2025-12-05T12:10:42-05:00"})
        EXPECT_EQ(Date::parseIso8601(text), expected) << text;
    EXPECT_EQ(Date::parseIso8601("2025-12-05T17:10:42.25Z")->seconds, expected.seconds + 0.25);
}

TEST(DateText, RefusesMalformedText) {
    for (const char* text :
         {"", "2025-12-05", "2025-12-05T17:10:42", "2025-13-05T17:10:42Z", "2025-02-30T00:00:00Z",
          "2025-12-05T17:10:42Zjunk", "2025-12-05 17:10:42Z", "25-12-05T17:10:42Z"})
        EXPECT_FALSE(Date::parseIso8601(text)) << text;
}

TEST(DateText, RoundTripsWholeSeconds) {
    for (double s : {0.0, 1.0, -1.0, 86399.0, 8e8, -3e9})
        EXPECT_EQ(Date::parseIso8601(Date{s}.iso8601())->seconds, s);
}

TEST(DateText, FarOffDatesStayReadable) {
    for (double s : {-1e12, 5e11, 1e300, -1e300, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
        const std::string text = Date{s}.iso8601();
        EXPECT_TRUE(Date::parseIso8601(text)) << s << " -> " << text;
    }
    EXPECT_EQ(Date::parseIso8601(Date{-1e12}.iso8601())->seconds, -1e12);
    EXPECT_EQ(Date::parseIso8601("12345-01-01T00:00:00Z")->iso8601(), "12345-01-01T00:00:00Z");
    EXPECT_FALSE(Date::parseIso8601("123-01-01T00:00:00Z"));
}
