#pragma once

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <memory>

#include "telemetry/device/DisplayFacts.hpp"

class QScreen;

namespace keepsift::analytics {

// Keeps the provider's display facts as Qt reports them: at start and whenever the primary
// screen, its size or scale, the palette or colour scheme, or the layout direction changes;
// the accessibility preferences are the desktop's, as they are told. Lives on the GUI thread;
// the client reads the provider from its own.
class DisplayFactsFiller : public QObject {
public:
    // Needs the application object.
    DisplayFactsFiller(std::shared_ptr<DisplayFactsProvider> provider, QObject* parent);

    void refresh();
    void setAccessibility(std::optional<DisplayFacts::Accessibility> accessibility);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchScreen(QScreen* screen);

    std::shared_ptr<DisplayFactsProvider> provider_;
    std::optional<DisplayFacts::Accessibility> accessibility_;
    QList<QMetaObject::Connection> screenConnections_;
};

// Fills the client's shared provider for the life of the application object, with the
// accessibility preferences of the desktop's settings portal; nothing without the object.
DisplayFactsFiller* fillDisplayFactsFromQt(
    std::shared_ptr<DisplayFactsProvider> provider = DisplayFactsProvider::shared());

} // namespace keepsift::analytics
