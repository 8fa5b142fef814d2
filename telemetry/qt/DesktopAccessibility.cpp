#include "telemetry/qt/DesktopAccessibility.hpp"

namespace keepsift::analytics {
namespace {

const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString gnomeInterface = QStringLiteral("org.gnome.desktop.interface");
const QString gnomeAccessibility = QStringLiteral("org.gnome.desktop.a11y.interface");

std::optional<QVariant> value(const DesktopSettings& settings, const QString& space,
                              const QString& key) {
    const auto found = settings.find(space);
    if (found == settings.end() || !found->contains(key)) return std::nullopt;
    return found->value(key);
}

// The freedesktop key when the desktop has it, 1 meaning the preference is on; else GNOME's.
std::optional<bool> preference(const DesktopSettings& settings, const QString& freedesktopKey,
                               const QString& gnomeSpace, const QString& gnomeKey,
                               bool gnomeOnValue) {
    if (const auto stated = value(settings, appearance, freedesktopKey))
        return stated->toUInt() == 1;
    if (const auto stated = value(settings, gnomeSpace, gnomeKey))
        return stated->toBool() == gnomeOnValue;
    return std::nullopt;
}

} // namespace

QStringList desktopAccessibilityNamespaces() {
    return {appearance, gnomeInterface, gnomeAccessibility};
}

std::optional<DisplayFacts::Accessibility> desktopAccessibility(const DesktopSettings& settings) {
    const auto contrast = preference(settings, QStringLiteral("contrast"), gnomeAccessibility,
                                     QStringLiteral("high-contrast"), true);
    const auto reducedMotion =
        preference(settings, QStringLiteral("reduced-motion"), gnomeInterface,
                   QStringLiteral("enable-animations"), false);
    const auto scaling = value(settings, gnomeInterface, QStringLiteral("text-scaling-factor"));
    if (!contrast && !reducedMotion && !scaling) return std::nullopt;
    DisplayFacts::Accessibility facts;
    facts.highContrast = contrast.value_or(false);
    facts.reduceMotion = reducedMotion.value_or(false);
    facts.largerText = scaling && scaling->toDouble() > 1.0;
    return facts;
}

} // namespace keepsift::analytics
