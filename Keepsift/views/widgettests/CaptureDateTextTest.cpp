#include <gtest/gtest.h>

#include <QDateTime>

#include "Keepsift/views/CaptureDateText.hpp"

namespace keepsift::app {
namespace {

// 2026-12-07 12:34:56 UTC: the day is the same in every time zone within eleven hours.
constexpr double unixNoon = 1796646896;

QString shortTime(const QLocale& locale) {
    return locale.toString(QDateTime::fromSecsSinceEpoch(qint64(unixNoon)).time(),
                           QLocale::ShortFormat);
}

TEST(CaptureDateText, AbbreviatesTheMonthLeavesOutTheWeekdayAndTheSeconds) {
    const Date captured = Date::fromUnix(unixNoon);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(captureDateText(captured, english),
              QStringLiteral("Dec 7, 2026, ") + shortTime(english));
    EXPECT_EQ(captureDateText(captured, german),
              QStringLiteral("7. Dez. 2026, ") + shortTime(german));
}

// The C locale's short time keeps the seconds; a capture date shows none.
TEST(CaptureDateText, ShowsNoSecondsEvenWhereTheShortTimeHasThem) {
    const QString text = captureDateText(Date::fromUnix(unixNoon), QLocale::c());
    EXPECT_TRUE(text.startsWith(QStringLiteral("7 Dec 2026, "))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral(":56"))) << text.toStdString();
}

TEST(CaptureDateText, NothingWithoutADate) {
    EXPECT_TRUE(captureDateText(std::nullopt).isEmpty());
}

} // namespace
} // namespace keepsift::app
