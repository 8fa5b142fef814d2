#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace keepsift::app {

// Turns SIGTERM and SIGINT into a Qt signal on the GUI thread: the handler only writes a
// byte into a pipe, whose reading end the event loop watches.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

Q_SIGNALS:
    void quitRequested();

private:
    void drain();

    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace keepsift::app
