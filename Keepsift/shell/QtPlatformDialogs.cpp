#include "Keepsift/shell/QtPlatformDialogs.hpp"

#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <memory>
#include <optional>

#include "Keepsift/dialogs/QuestionBox.hpp"
#include "Keepsift/shell/ShellTexts.hpp"

namespace keepsift::app {
namespace {

bool askWithButtons(const std::string& headline, const std::string& details, const std::string& yes,
                    const std::string& no, QMessageBox::Icon icon) {
    QMessageBox box;
    box.setIcon(icon);
    const QuestionButtons buttons =
        askIn(box, {QString::fromStdString(headline), QString::fromStdString(details),
                    QString::fromStdString(yes), QString::fromStdString(no)});
    box.setDefaultButton(buttons.confirm);
    box.exec();
    return box.clickedButton() == buttons.confirm;
}

} // namespace

QtPlatformDialogs::QtPlatformDialogs(QObject* context, std::function<std::string()> language,
                                     bool answerYes)
    : context_(context), language_(std::move(language)), answerYes_(answerYes) {}

bool QtPlatformDialogs::askLibraryConsent(const std::string& libraryPath) {
    return ask([libraryPath](const std::string& language) {
        return askWithButtons(
            ShellTexts::consentTitle(language), ShellTexts::consentQuestion(libraryPath, language),
            ShellTexts::allow(language), ShellTexts::dontAllow(language), QMessageBox::Question);
    });
}

bool QtPlatformDialogs::confirmDeletion(const std::vector<PortAsset>& assets) {
    const auto count = static_cast<std::int64_t>(assets.size());
    return ask([count](const std::string& language) {
        return askWithButtons(ShellTexts::trashQuestion(count, language), {},
                              ShellTexts::moveToTrash(language), ShellTexts::cancel(language),
                              QMessageBox::Warning);
    });
}

void QtPlatformDialogs::shutdown() {
    {
        std::lock_guard guard(state_->lock);
        state_->shutDown = true;
    }
    state_->answered.notify_all();
}

bool QtPlatformDialogs::ask(std::function<bool(const std::string& language)> dialog) {
    if (answerYes_) return true;
    if (state_->isShutDown()) return false;
    auto language = language_;
    auto show = [dialog = std::move(dialog), language] {
        return dialog(language ? language() : std::string("en"));
    };
    if (QThread::currentThread() == context_->thread()) return show();
    auto answer = std::make_shared<std::optional<bool>>();
    QMetaObject::invokeMethod(
        context_,
        [state = state_, show = std::move(show), answer] {
            const bool given = !state->isShutDown() && show();
            {
                std::lock_guard guard(state->lock);
                *answer = given;
            }
            state->answered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock guard(state_->lock);
    state_->answered.wait(guard, [&] { return answer->has_value() || state_->shutDown; });
    return answer->value_or(false);
}

} // namespace keepsift::app
