#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

#include "photos/extractor/LiveSignalExtractor.hpp"
#include "photos/extractor/tests/ExtractorFixtures.hpp"

namespace keepsift {
namespace {

using Extractor = LiveSignalExtractor;

// Sets TZ for one test and puts the old value back.
class InTimeZone : public ::testing::Test {
protected:
    void use(const char* zone) {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    void SetUp() override {
        if (const char* old = std::getenv("TZ")) saved = old;
    }
    void TearDown() override {
        if (saved)
            ::setenv("TZ", saved->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    std::optional<std::string> saved;
};

TEST_F(InTimeZone, ExifDatesReadAsLocalTime) {
    use("UTC0");
    auto utc = Extractor::captureDate("2021:07:04 18:30:05");
    ASSERT_TRUE(utc);
    EXPECT_EQ(utc->iso8601(), "2021-07-04T18:30:05Z");
    use("CET-1CEST,M3.5.0,M10.5.0/3");
    auto berlin = Extractor::captureDate("2021:07:04 18:30:05");
    ASSERT_TRUE(berlin);
    EXPECT_EQ(berlin->iso8601(), "2021-07-04T16:30:05Z");
}

TEST_F(InTimeZone, OtherShapesAndImpossibleDatesDoNotParse) {
    use("UTC0");
    EXPECT_FALSE(Extractor::captureDate("2021-07-04 18:30:05"));
    EXPECT_FALSE(Extractor::captureDate("0000:00:00 00:00:00"));
    EXPECT_FALSE(Extractor::captureDate("2021:04:31 10:00:00"));
    EXPECT_FALSE(Extractor::captureDate("2021:07:04 18:30:05 extra"));
    EXPECT_FALSE(Extractor::captureDate(""));
}

TEST(FileDigest, IsTheSha256OfTheBytes) {
    testing::ScratchFolder folder;
    auto path = folder.write("abc.bin", {'a', 'b', 'c'});
    EXPECT_EQ(Extractor::fileDigest(path),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_FALSE(Extractor::fileDigest((folder.path() / "missing").string()));
    EXPECT_FALSE(Extractor::fileDigest(folder.path().string()));
}

} // namespace
} // namespace keepsift
