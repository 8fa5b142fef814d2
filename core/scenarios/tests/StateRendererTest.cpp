#include <gtest/gtest.h>

#include "core/scenarios/Scenario.hpp"
#include "core/scenarios/StateRenderer.hpp"

namespace keepsift {
namespace {

AppSnapshot pausedSnapshot() {
    const auto definition = *Scenario::named("paused");
    AppSnapshot snapshot;
    snapshot.scenario = definition.name;
    snapshot.summary = definition.summary;
    snapshot.language = definition.language;
    snapshot.settings = definition.settings();
    snapshot.conditions = definition.effectiveConditions();
    snapshot.waiting = 3;
    snapshot.authorization = definition.authorization;
    return snapshot;
}

PhotoDecision decision(std::string filename, bool keeper, double score, Reason reason) {
    return {"scenario-" + filename, std::move(filename), keeper, reason, score};
}

AppSnapshot reviewSnapshot(std::int64_t flagged) {
    AppSnapshot snapshot = pausedSnapshot();
    snapshot.settings.isPaused = false;
    snapshot.conditions.isPaused = false;
    snapshot.waiting = 0;
    GroupDecision group{"g1", PhotoGroup::Kind::moment, {}};
    group.decisions.push_back(decision("IMG_1.jpeg", true, 1.5, Reason::keptEveryoneSmiling));
    for (std::int64_t i = 0; i < flagged; ++i)
        group.decisions.push_back(decision("IMG_x.jpeg", false, -0.25, Reason::flaggedBlurred));
    snapshot.decisions = {group};
    snapshot.flaggedBytes = flagged * 1000;
    return snapshot;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        out.push_back(text.substr(start, end - start));
    return out;
}

TEST(StateRendererTest, PausedLibraryRendersItsTwentyNineLines) {
    const std::string expected =
        "scenario  paused\n"
        "          The user pressed Pause. Photographs wait; not one is flagged.\n"
        "\n"
        "── settings\n"
        "  scanning        on\n"
        "  paused          true\n"
        "  mains only      true\n"
        "  power           mains, lowPower=false\n"
        "  menu bar icon   visible\n"
        "  launch at login false\n"
        "  menu bar mark   at 50 — not yet\n"
        "  language        en\n"
        "\n"
        "── status\n"
        "  queue           paused by the user\n"
        "  waiting         3 photo(s)\n"
        "  photo access    authorized\n"
        "\n"
        "── review (0 group(s))\n"
        "                  Nothing to review.\n"
        "\n"
        "── delete\n"
        "  button          —\n"
        "\n"
        "── menu bar\n"
        "  state           paused\n"
        "  status          Nothing to discard.\n"
        "  counts          0 group(s) to review, 0 kept\n"
        "                  Nothing has been moved or changed — these are only set aside to "
        "discard.\n";
    EXPECT_EQ(StateRenderer::render(pausedSnapshot()), expected);
    EXPECT_EQ(lines(expected).size(), 29u);
}

TEST(StateRendererTest, PausedRunGivesTheSameSnapshot) {
    EXPECT_EQ(Scenario::named("paused")->snapshot(), pausedSnapshot());
}

TEST(StateRendererTest, LabelsAreFilledToSixteenCharacters) {
    EXPECT_EQ(StateRenderer::row("fifteen chars..", "v"), "  fifteen chars.. v");
    EXPECT_EQ(StateRenderer::row("sixteen chars...", "v"), "  sixteen chars... v");
    EXPECT_EQ(StateRenderer::row("a label far too long", "v"), "  a label far too long v");
    EXPECT_EQ(StateRenderer::row("", "v"), std::string(18, ' ') + "v");
}

TEST(StateRendererTest, WidthsCountCharactersNotBytes) {
    EXPECT_EQ(StateRenderer::padded("Überblick", 12), "Überblick   ");
    // "é" as e with a combining accent is one character of three bytes.
    EXPECT_EQ(StateRenderer::padded("Cafe\u0301.jpeg", 12), "Cafe\u0301.jpeg   ");
    EXPECT_EQ(StateRenderer::padded("花火.heic", 8), "花火.heic ");
    EXPECT_EQ(StateRenderer::padded("🇩🇪", 3), "🇩🇪  ");
}

TEST(StateRendererTest, DecisionRowsPadNameAndSignedScore) {
    AppSnapshot snapshot = reviewSnapshot(0);
    snapshot.decisions[0].decisions = {
        decision("Überraschung_am_Strand_2026.jpeg", true, 12345.678, Reason::keptSharper),
        decision("Cafe\u0301.jpeg", false, -0.004, Reason::flaggedCloseSecond),
        decision("IMG_2.jpeg", false, 0.125, Reason::flaggedEyesClosed)};
    const auto rendered = lines(StateRenderer::render(snapshot));
    const auto at = std::find(rendered.begin(), rendered.end(), "moment  g1");
    ASSERT_NE(at, rendered.end());
    EXPECT_EQ(at[1], "  keep    Überraschung_am_Strand_2026.jpeg +12345.68 Sharper");
    EXPECT_EQ(at[2], "  discard Cafe\u0301.jpeg" + std::string(21, ' ') +
                         "-0.00   Just behind the one kept");
    EXPECT_EQ(at[3], "  discard IMG_2.jpeg" + std::string(20, ' ') + "+0.12   Eyes closed");
}

TEST(StateRendererTest, MenuBarMarkShowsFromTheThreshold) {
    AppSnapshot snapshot = reviewSnapshot(25);
    snapshot.settings.reviewNudge = ReviewNudge::at25;
    EXPECT_NE(StateRenderer::render(snapshot).find("  menu bar mark   at 25 — showing\n"),
              std::string::npos);
    snapshot = reviewSnapshot(24);
    snapshot.settings.reviewNudge = ReviewNudge::at25;
    EXPECT_NE(StateRenderer::render(snapshot).find("  menu bar mark   at 25 — not yet\n"),
              std::string::npos);
    snapshot.settings.reviewNudge = ReviewNudge::never;
    EXPECT_NE(StateRenderer::render(snapshot).find("  menu bar mark   never\n"), std::string::npos);
}

TEST(StateRendererTest, GermanReportUsesGermanTextsAndDecimalComma) {
    AppSnapshot snapshot = reviewSnapshot(2);
    snapshot.language = "de";
    snapshot.flaggedBytes = 1524096 * 2;
    const std::string text = StateRenderer::render(snapshot);
    EXPECT_NE(text.find("  button          Alle 2 verworfenen Fotos löschen\n"), std::string::npos);
    EXPECT_NE(text.find("  confirm         2 Fotos löschen?\n"), std::string::npos);
    EXPECT_NE(text.find("  status          2 Fotos zum Verwerfen, 3,0 MB\n"), std::string::npos);
    EXPECT_NE(text.find("-0.25   Unscharf\n"), std::string::npos);
    EXPECT_NE(text.find("  counts          1 group(s) to review, 1 kept\n"), std::string::npos);
    EXPECT_NE(text.find("diese Fotos sind nur zum Verwerfen vorgemerkt.\n"), std::string::npos);
}

TEST(StateRendererTest, OnlyExactlyDeSelectsGerman) {
    AppSnapshot snapshot = reviewSnapshot(1);
    snapshot.language = "DE";
    const std::string text = StateRenderer::render(snapshot);
    EXPECT_NE(text.find("  button          Delete the 1 discarded photo\n"), std::string::npos);
    EXPECT_NE(text.find("  language        DE\n"), std::string::npos);
}

TEST(StateRendererTest, DeniedAccessOffersTheSettingsButton) {
    AppSnapshot snapshot = pausedSnapshot();
    snapshot.authorization = LibraryAuthorization::denied;
    snapshot.language = "de";
    const std::string text = StateRenderer::render(snapshot);
    EXPECT_NE(text.find("  photo access    denied\n"
                        "                  Keepsift hat keinen Zugriff auf deine Fotomediathek. "
                        "In Keepsifts Einstellungen zum Mediathekzugriff lässt sich das ändern.\n"
                        "                  [Keepsift-Einstellungen öffnen]\n\n"),
              std::string::npos);
}

TEST(StateRendererTest, EndsWithExactlyOneLineFeed) {
    AppSnapshot snapshot = pausedSnapshot();
    snapshot.summary = "\n";
    snapshot.scenario = "";
    const std::string text = StateRenderer::render(snapshot);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_NE(text[text.size() - 2], '\n');
    EXPECT_EQ(text.rfind("scenario  ", 0), 0u);
}

} // namespace
} // namespace keepsift
