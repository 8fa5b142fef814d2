#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>

#include "telemetry/device/DisplayFacts.hpp"

namespace keepsift::analytics {

// The desktop's settings as its settings portal gives them: values by key, by namespace.
using DesktopSettings = QMap<QString, QVariantMap>;

// The namespaces that hold accessibility preferences: the freedesktop appearance keys, and
// GNOME's where a desktop has no freedesktop key for a preference.
QStringList desktopAccessibilityNamespaces();

// The user's accessibility preferences, nothing when the desktop states none of them (as
// macOS without its accessibility domain).
std::optional<DisplayFacts::Accessibility> desktopAccessibility(const DesktopSettings& settings);

} // namespace keepsift::analytics
