#pragma once

#include <QObject>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/library/PlatformDialogs.hpp"

namespace keepsift::app {

// The folder library's questions, asked as dialogs on the GUI thread. The library asks
// from its worker threads, which wait for the answer; the GUI thread never waits for them.
// After shutdown every waiting and later question is answered no, so no worker is left
// waiting for a dialog that will never be shown.
class QtPlatformDialogs : public ConsentPrompt, public DeletionConfirmation {
public:
    // `language` is read on the GUI thread when a dialog is shown. With `answerYes` (the
    // interface-test seam) every question is answered yes without a dialog.
    QtPlatformDialogs(QObject* context, std::function<std::string()> language,
                      bool answerYes = false);

    bool askLibraryConsent(const std::string& libraryPath) override;
    bool confirmDeletion(const std::vector<PortAsset>& assets) override;
    void shutdown();

private:
    // Shared with the dialogs posted to the GUI thread, which may run after this is gone.
    struct State {
        std::mutex lock;
        std::condition_variable answered;
        bool shutDown = false;
        bool isShutDown() {
            std::lock_guard guard(lock);
            return shutDown;
        }
    };

    bool ask(std::function<bool(const std::string& language)> dialog);

    QObject* context_;
    std::function<std::string()> language_;
    const bool answerYes_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace keepsift::app
