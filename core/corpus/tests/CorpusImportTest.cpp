#include <gtest/gtest.h>

#include "core/corpus/CorpusImport.hpp"
#include "core/support/Unicode.hpp"

using namespace keepsift;
using namespace keepsift::CorpusImport;

namespace {

Staged staged(std::string name, std::vector<Photograph> photos, bool manifest = true) {
    return Staged{std::move(name), manifest, std::move(photos), std::nullopt};
}

std::vector<Photograph> photos(const std::string& prefix, int count) {
    std::vector<Photograph> out;
    for (int i = 0; i < count; ++i)
        out.push_back(
            {prefix + std::to_string(i) + ".jpeg", prefix + "-digest-" + std::to_string(i)});
    return out;
}

// The character position of a text in a line.
size_t column(const std::string& line, const std::string& text) {
    return unicode::characterCount(line.substr(0, line.find(text)));
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        out.push_back(text.substr(start, end - start));
    out.push_back(text.substr(start));
    return out;
}

} // namespace

TEST(CorpusImportPlan, NothingStagedIsNothingToImport) {
    const Plan result = plan({}, {});
    EXPECT_EQ(result, Plan{});
    EXPECT_EQ(report(result.moves), "nothing to import");
}

TEST(CorpusImportPlan, DestinationsFollowTheLargestCorpusNumberInNameOrder) {
    std::vector<Existing> existing;
    for (int i = 1; i <= 37; ++i)
        existing.push_back({std::to_string(i), {}});
    existing.push_back({"notes", {}});
    const Plan result = plan(
        {staged("capture-0010", photos("b", 2)), staged("capture-0002", photos("a", 3))}, existing);
    ASSERT_EQ(result.moves.size(), 2u);
    EXPECT_EQ(result.moves[0], (Move{"capture-0002", "38", 3, 0, std::nullopt}));
    EXPECT_EQ(result.moves[1].staged, "capture-0010");
    EXPECT_EQ(result.moves[1].destination, "39");
}

TEST(CorpusImportPlan, ShorterNamesFirstWhateverTheText) {
    const Plan result =
        plan({staged("aaaa", photos("a", 2)), staged("zz", photos("z", 2))}, {{"x", {}}});
    ASSERT_EQ(result.moves.size(), 2u);
    EXPECT_EQ(result.moves[0].staged, "zz");
    EXPECT_EQ(result.moves[0].destination, "1");
}

TEST(CorpusImportPlan, DestinationPastTheLargest64BitNumber) {
    const Plan result = plan({staged("s", photos("a", 2))}, {{"+9223372036854775807", {}}});
    ASSERT_EQ(result.moves.size(), 1u);
    EXPECT_EQ(result.moves[0].destination, "9223372036854775808");
}

TEST(CorpusImportPlan, RefusalsInFolderOrderAndNothingMoves) {
    std::vector<Photograph> twice{{"p.jpeg", "same"}, {"q.jpeg", "same"}};
    std::vector<Photograph> sharesCorpus{{"r.jpeg", "in-corpus"}, {"s.jpeg", "fresh"}};
    std::vector<Photograph> sharesStaged{{"t.jpeg", "fresh"}, {"u.jpeg", "other"}};
    const Plan result = plan({staged("dddd", sharesStaged), staged("ccc", sharesCorpus),
                              staged("bb", twice), staged("a", {}, false),
                              staged("e1", photos("e", 1)), staged("okay0", photos("o", 2))},
                             {{"7", {{"old.jpeg", "in-corpus"}}}});
    EXPECT_TRUE(result.moves.empty());
    EXPECT_EQ(result.refusals,
              (std::vector<std::string>{
                  "a has no capture.json. Without it the imported folder records as hand-foldered "
                  "and is scored as grouping evidence it is not (0038).",
                  "bb/q.jpeg is byte-identical to another photograph in the same folder \u2014 two "
                  "library assets holding one picture. Keep one of them: the corpus is keyed by "
                  "digest, so the second cannot be ground truth.",
                  "e1 holds 1 photograph(s). A group of one measures nothing \u2014 there is no "
                  "choice in it to agree or disagree with.",
                  "ccc/r.jpeg is byte-identical to a photograph in corpus folder 7 \u2014 the same "
                  "picture cannot be ground truth twice.",
                  "dddd/t.jpeg is byte-identical to a photograph in staged folder ccc \u2014 two "
                  "captures of the same photograph.",
              }));
}

TEST(CorpusImportPlan, RefusedFolderRecordsNoDigests) {
    auto shared = photos("a", 2);
    const Plan result = plan({staged("a", shared, false), staged("bb", shared)}, {});
    EXPECT_EQ(result.refusals.size(), 1u);
    EXPECT_EQ(plan({staged("x", {})}, {}).refusals.at(0).substr(0, 16), "x holds 0 photog");
}

TEST(CorpusImportWinners, CountsTheWordAfterTheFirstSpace) {
    EXPECT_EQ(winnerCount({{"a - winner, sharp.jpeg", "1"},
                           {"b WINNER.jpeg", "2"},
                           {"winner c.jpeg", "3"},
                           {"winner.jpeg", "4"},
                           {"d - winners.jpeg", "5"}}),
              2);
}

TEST(CorpusImportReport, ColumnsLineUpWithTheHeader) {
    const std::string text = report({{"capture-0002", "38", 3, 1, true},
                                     {"capture-with-a-long-name", "39", 12, 0, std::nullopt},
                                     {"caf\u00e9", "40", 2, 2, false}});
    const auto rows = lines(text);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], "  staged            \u2192  folder   photos  winners  human overrode");
    EXPECT_EQ(column(rows[0], "\u2192"), 20u);
    EXPECT_EQ(column(rows[0], "folder"), 23u);
    EXPECT_EQ(column(rows[0], "photos"), 32u);
    EXPECT_EQ(column(rows[0], "winners"), 40u);
    EXPECT_EQ(column(rows[0], "human"), 49u);
    EXPECT_EQ(unicode::characterCount(rows[1]), 62u);
    EXPECT_EQ(rows[2], "  capture-0002      \u2192  38       3       1        yes");
    EXPECT_EQ(rows[3], "  capture-with-a-long-name \u2192  39       12      0        \u2014");
    EXPECT_EQ(column(rows[4], "\u2192"), 20u);
    EXPECT_TRUE(rows[4].ends_with("2        no"));
    EXPECT_FALSE(text.ends_with("\n"));
}
