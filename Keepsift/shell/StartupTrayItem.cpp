#include "Keepsift/shell/StartupTrayItem.hpp"

#include <QPainter>
#include <QPixmap>

#include "Keepsift/shell/ShellTexts.hpp"

namespace keepsift::app {
namespace {

// A small stack of two photographs.
QIcon stackIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(9, 5, 19, 15), 2, 2);
    painter.drawRoundedRect(QRectF(4, 11, 19, 15), 2, 2);
    return QIcon(pixmap);
}

} // namespace

StartupTrayItem::StartupTrayItem(std::function<void()> review, std::function<void()> quit,
                                 QObject* parent)
    : QObject(parent), icon_(stackIcon()) {
    review_ = menu_.addAction(QString(), this, std::move(review));
    review_->setObjectName("open-review");
    menu_.addSeparator();
    quit_ = menu_.addAction(QString(), this, std::move(quit));
    quit_->setObjectName("quit");
    icon_.setContextMenu(&menu_);
    icon_.setToolTip(QStringLiteral("Keepsift"));
    connect(&icon_, &QSystemTrayIcon::activated, this, [this](auto reason) {
        if (reason == QSystemTrayIcon::Trigger) review_->trigger();
    });
    setLanguage("en");
}

void StartupTrayItem::setLanguage(const std::string& language) {
    review_->setText(QString::fromStdString(ShellTexts::reviewPhotos(language)));
    quit_->setText(QString::fromStdString(ShellTexts::quit(language)));
}

void StartupTrayItem::setShown(bool shown) {
    icon_.setVisible(shown);
}

void StartupTrayItem::announce(const QString& message) {
    if (icon_.isVisible() && QSystemTrayIcon::supportsMessages())
        icon_.showMessage(QStringLiteral("Keepsift"), message);
}

} // namespace keepsift::app
