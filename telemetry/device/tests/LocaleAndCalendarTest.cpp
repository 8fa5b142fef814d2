#include <gtest/gtest.h>
#include <map>

#include "telemetry/device/CalendarFacts.hpp"
#include "telemetry/device/LocaleFacts.hpp"

namespace keepsift::analytics {
namespace {

Environment environment(std::map<std::string, std::string> values) {
    return [values](const char* name) -> std::optional<std::string> {
        const auto found = values.find(name);
        if (found == values.end()) return std::nullopt;
        return found->second;
    };
}

TEST(LocaleFacts, ComeFromTheEnvironmentInPosixPrecedence) {
    const LocaleFacts german = readLocaleFacts(
        environment({{"LANG", "en_GB.UTF-8"}, {"LC_MESSAGES", "de_AT.UTF-8@euro"}}));
    EXPECT_EQ(german.identifier, "de_AT");
    EXPECT_EQ(german.language, "de");
    EXPECT_EQ(german.region, "AT");
    EXPECT_EQ(german.preferredLanguage, "de");
    const LocaleFacts listed =
        readLocaleFacts(environment({{"LC_ALL", "fr_CA.UTF-8"}, {"LANGUAGE", "pt_BR:en"}}));
    EXPECT_EQ(listed.identifier, "fr_CA");
    EXPECT_EQ(listed.preferredLanguage, "pt");
}

TEST(LocaleFacts, PlainCLocaleAndNothingAtAll) {
    const LocaleFacts c = readLocaleFacts(environment({{"LANG", "C.UTF-8"}}));
    EXPECT_EQ(c.identifier, "en_US_POSIX");
    EXPECT_EQ(c.language, "en");
    EXPECT_EQ(c.region, "US");
    EXPECT_EQ(c.preferredLanguage, "zz");
    EXPECT_EQ(readLocaleFacts(environment({})).preferredLanguage, "zz");
}

TEST(CalendarFacts, WeekdaysRunFromMondayToSunday) {
    const Date sunday = *Date::parseIso8601("2026-12-06T12:00:00Z");
    const CalendarFacts facts = calendarFacts(sunday, 0, "de_DE");
    EXPECT_EQ(facts.dayOfWeek, 7);
    EXPECT_EQ(facts.dayOfMonth, 6);
    EXPECT_EQ(facts.monthOfYear, 12);
    EXPECT_EQ(facts.quarterOfYear, 4);
    EXPECT_EQ(facts.dayOfYear, 340);
    EXPECT_EQ(facts.weekOfYear, 49);
    EXPECT_EQ(calendarFacts(sunday.adding(86400), 0, "de_DE").dayOfWeek, 1);
}

TEST(CalendarFacts, HoursCountFromOneInTheGivenOffset) {
    const Date midnight = *Date::parseIso8601("2026-03-01T00:30:00Z");
    EXPECT_EQ(calendarFacts(midnight, 0, "en_US").hourOfDay, 1);
    EXPECT_EQ(calendarFacts(midnight.adding(-31 * 60), 0, "en_US").hourOfDay, 24);
    const CalendarFacts east = calendarFacts(midnight, 19'800, "en_US");
    EXPECT_EQ(east.hourOfDay, 7);
    const CalendarFacts west = calendarFacts(midnight, -3'600, "en_US");
    EXPECT_EQ(west.dayOfMonth, 28);
    EXPECT_EQ(west.monthOfYear, 2);
}

TEST(TimeZoneText, WritesHoursAndOnlyNonZeroMinutes) {
    EXPECT_EQ(timeZoneText(0), "UTC+0");
    EXPECT_EQ(timeZoneText(19'800), "UTC+5:30");
    EXPECT_EQ(timeZoneText(-18'000), "UTC-5");
    EXPECT_EQ(timeZoneText(-12'600), "UTC-3:30");
    EXPECT_EQ(timeZoneText(3'600), "UTC+1");
    EXPECT_EQ(fullDateText(*Date::parseIso8601("2026-12-05T23:30:00Z"), 3'600), "2026-12-06");
}

} // namespace
} // namespace keepsift::analytics
