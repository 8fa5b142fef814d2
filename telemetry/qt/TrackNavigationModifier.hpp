#pragma once

#include <QObject>
#include <functional>
#include <string>

class QWidget;

namespace keepsift::analytics {

// Reports a screen's path as a navigation signal each time its widget appears, and again
// when the path changes while it is on screen. A window restored from the dock or the
// taskbar has not appeared anew.
class TrackNavigationModifier : public QObject {
public:
    using Report = std::function<void(const std::string& path)>;

    // Owned by the content; reports through the navigation preset unless told otherwise.
    TrackNavigationModifier(QWidget* content, std::string path, Report report = {});

    const std::string& path() const { return path_; }
    void setPath(std::string path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* content_;
    std::string path_;
    Report report_;
};

// The content's tracker for the path.
TrackNavigationModifier* trackNavigation(QWidget* content, std::string path);

} // namespace keepsift::analytics
