#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>

namespace keepsift::app {

// The menu-bar item shown at once at start, before the model exists, unless the stored
// settings hide the icon: an icon with "Review photos" and "Quit". The views' own item takes
// over when they provide one.
class StartupTrayItem : public QObject {
    Q_OBJECT
public:
    StartupTrayItem(std::function<void()> review, std::function<void()> quit,
                    QObject* parent = nullptr);

    void setLanguage(const std::string& language);
    void setShown(bool shown);
    bool isShown() const { return icon_.isVisible(); }
    void announce(const QString& message);

private:
    QSystemTrayIcon icon_;
    QMenu menu_;
    QAction* review_;
    QAction* quit_;
};

} // namespace keepsift::app
