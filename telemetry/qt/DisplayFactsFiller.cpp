#include "telemetry/qt/DisplayFactsFiller.hpp"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyleHints>

#include "telemetry/qt/PortalSettingsWatcher.hpp"
#include "telemetry/qt/QtDisplayFacts.hpp"

namespace keepsift::analytics {

DisplayFactsFiller::DisplayFactsFiller(std::shared_ptr<DisplayFactsProvider> provider,
                                       QObject* parent)
    : QObject(parent), provider_(std::move(provider)) {
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, [this](QScreen* screen) {
        watchScreen(screen);
        refresh();
    });
    connect(qGuiApp, &QGuiApplication::layoutDirectionChanged, this, [this] { refresh(); });
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    connect(QGuiApplication::styleHints(), &QStyleHints::colorSchemeChanged, this,
            [this] { refresh(); });
#endif
    qGuiApp->installEventFilter(this);
    watchScreen(QGuiApplication::primaryScreen());
    refresh();
}

void DisplayFactsFiller::refresh() {
    DisplayFacts facts = qtDisplayFacts();
    facts.accessibility = accessibility_;
    provider_->set(facts);
}

void DisplayFactsFiller::setAccessibility(
    std::optional<DisplayFacts::Accessibility> accessibility) {
    accessibility_ = accessibility;
    refresh();
}

void DisplayFactsFiller::watchScreen(QScreen* screen) {
    for (const auto& connection : screenConnections_)
        disconnect(connection);
    screenConnections_.clear();
    if (screen == nullptr) return;
    const auto changed = [this] { refresh(); };
    screenConnections_ = {connect(screen, &QScreen::geometryChanged, this, changed),
                          connect(screen, &QScreen::logicalDotsPerInchChanged, this, changed),
                          connect(screen, &QScreen::physicalDotsPerInchChanged, this, changed)};
}

// Installed on the application object, this sees every event: only the application's own
// palette change matters.
bool DisplayFactsFiller::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qGuiApp && event->type() == QEvent::ApplicationPaletteChange) refresh();
    return false;
}

DisplayFactsFiller* fillDisplayFactsFromQt(std::shared_ptr<DisplayFactsProvider> provider) {
    if (qGuiApp == nullptr) return nullptr;
    auto* filler = new DisplayFactsFiller(std::move(provider), qGuiApp);
    new PortalSettingsWatcher(
        desktopAccessibilityNamespaces(),
        [filler](const DesktopSettings& settings) {
            filler->setAccessibility(desktopAccessibility(settings));
        },
        filler);
    return filler;
}

} // namespace keepsift::analytics
