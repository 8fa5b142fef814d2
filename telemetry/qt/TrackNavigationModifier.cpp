#include "telemetry/qt/TrackNavigationModifier.hpp"

#include <QEvent>
#include <QWidget>

#include "telemetry/presets/PresetSignals.hpp"

namespace keepsift::analytics {

TrackNavigationModifier::TrackNavigationModifier(QWidget* content, std::string path, Report report)
    : QObject(content), content_(content), path_(std::move(path)), report_(std::move(report)) {
    if (!report_)
        report_ = [](const std::string& to) { PresetSignals::navigationPathChangedTo(to); };
    content_->installEventFilter(this);
}

void TrackNavigationModifier::setPath(std::string path) {
    if (path == path_) return;
    path_ = std::move(path);
    if (content_->isVisible()) report_(path_);
}

bool TrackNavigationModifier::eventFilter(QObject* watched, QEvent* event) {
    if (watched == content_ && event->type() == QEvent::Show && !event->spontaneous())
        report_(path_);
    return false;
}

TrackNavigationModifier* trackNavigation(QWidget* content, std::string path) {
    return new TrackNavigationModifier(content, std::move(path));
}

} // namespace keepsift::analytics
