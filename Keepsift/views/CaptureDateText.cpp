#include "Keepsift/views/CaptureDateText.hpp"

#include <QDateTime>
#include <QRegularExpression>

namespace keepsift::app {
namespace {

// The locale's long date with the weekday left out and the month's name shortened: Qt has no
// abbreviated style of its own.
QString abbreviatedDateFormat(const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::LongFormat);
    static const QRegularExpression weekday(QStringLiteral("d{4}[,.]?\\s*"));
    format.remove(weekday);
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    return format.trimmed();
}

// The locale's short time without seconds, which some locales (C among them) keep.
QString shortTimeFormat(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::ShortFormat);
    static const QRegularExpression seconds(QStringLiteral("[:.]ss"));
    format.remove(seconds);
    return format;
}

} // namespace

QString captureDateText(const std::optional<Date>& capturedAt, const QLocale& locale) {
    if (!capturedAt) return {};
    const QDateTime time =
        QDateTime::fromSecsSinceEpoch(static_cast<qint64>(capturedAt->unixSeconds()));
    return locale.toString(time.date(), abbreviatedDateFormat(locale)) + QStringLiteral(", ") +
           locale.toString(time.time(), shortTimeFormat(locale));
}

} // namespace keepsift::app
