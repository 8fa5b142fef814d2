#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

namespace keepsift {
class UserDefaults;
}

namespace keepsift::app {

// One window per purpose, made on first use and kept for the rest of the process: a closed
// window is hidden, not destroyed, so presenting it again shows the same window with the
// same state. Tells its owner when the window opens and when it is about to close.
// GUI thread only.
class WindowPresenter : public QObject {
    Q_OBJECT
public:
    struct Shape {
        QString identifier; // also the key of the saved frame of a resizable window
        QSize size;
        bool resizable = false;
        bool showsTitle = true;
    };
    static constexpr QSize minimumResizableSize{640, 420};

    // Frames of resizable windows are kept in the defaults when given.
    explicit WindowPresenter(Shape shape, std::shared_ptr<UserDefaults> frames = nullptr,
                             QObject* parent = nullptr);
    ~WindowPresenter() override;

    void present(const QString& title, const std::function<QWidget*()>& makeContent);

    const Shape& shape() const { return shape_; }
    QWidget* window() const { return window_; }
    std::string frameKey() const;

    std::function<void()> onOpen;
    std::function<void()> onClose;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* create(const QString& title, QWidget* content);
    void saveFrame() const;
    bool restoreFrame(QWidget* window) const;

    Shape shape_;
    std::shared_ptr<UserDefaults> frames_;
    QPointer<QWidget> window_;
};

} // namespace keepsift::app
