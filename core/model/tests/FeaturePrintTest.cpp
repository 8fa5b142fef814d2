#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/model/PhotoSignals.hpp"

using namespace keepsift;

TEST(FeaturePrintQuantisation, ClampsAndRoundsHalvesAway) {
    const std::vector<float> values{1.5f, -2.0f, 0.5f, -0.5f, 0.0f, -1.0f};
    const auto q = FeaturePrint(values).quanta();
    EXPECT_EQ(q, (std::vector<std::int16_t>{32767, -32767, 16384, -16384, 0, -32767}));
    EXPECT_EQ(FeaturePrint(values).values()[2], 16384.f / 32767.f);
    const auto again = FeaturePrint(FeaturePrint(values).values());
    EXPECT_EQ(again, FeaturePrint(values));
    const std::vector<float> nan{std::nanf("")};
    EXPECT_EQ(FeaturePrint(nan).quanta().front(), 0);
}

TEST(FeaturePrintBase64, MatchesTheStoredForm) {
    const std::vector<float> values{1.0f, -1.0f};
    EXPECT_EQ(FeaturePrint(values).base64(), "/38BgA==");
    EXPECT_EQ(FeaturePrint::fromBase64("/38BgA==").values(), values);
    EXPECT_EQ(FeaturePrint().base64(), "");
}

TEST(FeaturePrintBase64, BadTextGivesAnEmptyPrint) {
    EXPECT_TRUE(FeaturePrint::fromBase64("abc").isEmpty());
    EXPECT_TRUE(FeaturePrint::fromBase64("AAAA").isEmpty()); // three bytes
    EXPECT_TRUE(FeaturePrint::fromBase64("@@@@").isEmpty());
    // -32768 on disk is not a quantum we write; it reads back quantised.
    EXPECT_EQ(FeaturePrint::fromBase64("AIA=").quanta().front(), -32767);
}

TEST(FeaturePrintJson, ReadsAListOfNumbersToo) {
    EXPECT_EQ(FeaturePrint::fromJson(Json::parse("[0.5, 2]")).quanta(),
              (std::vector<std::int16_t>{16384, 32767}));
    EXPECT_THROW(FeaturePrint::fromJson(Json::parse("{}")), JsonError);
    EXPECT_THROW(FeaturePrint::fromJson(Json::parse("[\"x\"]")), JsonError);
}

namespace {

PhotoSignals withPrint(std::vector<float> values, std::optional<std::int64_t> longEdge = {}) {
    PhotoSignals s;
    s.featurePrintRevision = std::string(PhotoSignals::printRevision);
    s.setFeaturePrint(values);
    s.printLongEdge = longEdge;
    return s;
}

} // namespace

TEST(PrintDistance, AbsentWhenPrintsCannotBeCompared) {
    const auto a = withPrint({0.1f, 0.2f});
    EXPECT_FALSE(a.printDistance(withPrint({0.1f, 0.2f}, 512)));
    EXPECT_EQ(withPrint({0.1f}, 512).printDistance(withPrint({0.1f}, 512)), 0.0);
    EXPECT_FALSE(withPrint({}).printDistance(withPrint({})));
    EXPECT_FALSE(a.printDistance(withPrint({0.1f})));
    auto other = withPrint({0.1f, 0.2f});
    other.featurePrintRevision = "other";
    EXPECT_FALSE(a.printDistance(other));
}

TEST(PrintDistance, EqualsTheSequentialDoubleSum) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-0.2f, 0.2f);
    for (int trial = 0; trial < 50; ++trial) {
        std::vector<float> x(512), y(512);
        for (auto& v : x)
            v = value(random);
        for (auto& v : y)
            v = value(random);
        const auto a = withPrint(x), b = withPrint(y);
        const auto fa = a.featurePrint(), fb = b.featurePrint();
        double sum = 0;
        for (size_t i = 0; i < fa.size(); ++i) {
            const double d = static_cast<double>(fa[i]) - static_cast<double>(fb[i]);
            sum += d * d;
        }
        EXPECT_EQ(*a.printDistance(b), std::sqrt(sum));
    }
}
