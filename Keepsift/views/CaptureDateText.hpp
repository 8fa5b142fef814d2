#pragma once

#include <optional>

#include <QLocale>
#include <QString>

#include "core/support/Date.hpp"

namespace keepsift::app {

// A group's capture date and time in the given locale's abbreviated date (month name
// shortened, no weekday) and short time; empty without a date.
QString captureDateText(const std::optional<Date>& capturedAt,
                        const QLocale& locale = QLocale::system());

} // namespace keepsift::app
