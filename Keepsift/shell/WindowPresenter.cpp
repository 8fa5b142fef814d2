#include "Keepsift/shell/WindowPresenter.hpp"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "core/storage/UserDefaults.hpp"

namespace keepsift::app {

WindowPresenter::WindowPresenter(Shape shape, std::shared_ptr<UserDefaults> frames, QObject* parent)
    : QObject(parent), shape_(std::move(shape)), frames_(std::move(frames)) {}

WindowPresenter::~WindowPresenter() {
    if (window_ && window_->isVisible()) saveFrame();
    delete window_;
}

std::string WindowPresenter::frameKey() const {
    return "NSWindow Frame " + shape_.identifier.toStdString();
}

void WindowPresenter::present(const QString& title, const std::function<QWidget*()>& makeContent) {
    if (window_) {
        const bool wasVisible = window_->isVisible();
        window_->setWindowTitle(title);
        window_->show();
        window_->raise();
        window_->activateWindow();
        if (!wasVisible && onOpen) onOpen();
        return;
    }
    window_ = create(title, makeContent());
    window_->show();
    window_->raise();
    window_->activateWindow();
    if (onOpen) onOpen();
}

QWidget* WindowPresenter::create(const QString& title, QWidget* content) {
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setObjectName(shape_.identifier);
    window->setWindowTitle(title);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    if (content) layout->addWidget(content);
    if (shape_.resizable) {
        window->setMinimumSize(minimumResizableSize);
        window->resize(shape_.size);
    } else {
        window->setFixedSize(shape_.size);
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), shape_.size);
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    // A frame saved in an earlier run replaces the centred one.
    if (shape_.resizable) restoreFrame(window);
    window->installEventFilter(this);
    return window;
}

bool WindowPresenter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Close) {
        saveFrame();
        if (onClose) onClose();
    }
    return QObject::eventFilter(watched, event);
}

void WindowPresenter::saveFrame() const {
    if (!frames_ || !shape_.resizable || !window_) return;
    const QByteArray geometry = window_->saveGeometry();
    frames_->setObject(Data(geometry.constData(), static_cast<size_t>(geometry.size())),
                       frameKey());
}

bool WindowPresenter::restoreFrame(QWidget* window) const {
    if (!frames_) return false;
    const auto saved = frames_->dataForKey(frameKey());
    return saved && window->restoreGeometry(QByteArray::fromStdString(*saved));
}

} // namespace keepsift::app
