#include "Keepsift/views/ViewHooks.hpp"

#include "Keepsift/images/LibraryImageSource.hpp"
#include "Keepsift/shell/WindowHooks.hpp"
#include "Keepsift/shell/Windows.hpp"
#include "Keepsift/views/ReviewWindow.hpp"
#include "Keepsift/views/SwatchImageSource.hpp"

namespace keepsift::app {

void installViewHooks() {
    windowHooks().reviewContent = [](AppModel& model) -> QWidget* {
        ReviewWindow::Hooks hooks;
        hooks.openPrivacySettings = [] { openPhotosPrivacySettings(); };
        return new ReviewWindow(model, nullptr, hooks);
    };
}

std::shared_ptr<ImageSource> makeSwatchImageSource(std::shared_ptr<MainActor> mainActor) {
    return std::make_shared<SwatchImageSource>(std::move(mainActor));
}

std::shared_ptr<ImageSource> makeLibraryImageSource(std::shared_ptr<PhotoLibraryPort> library,
                                                    std::shared_ptr<MainActor> mainActor) {
    return std::make_shared<LibraryImageSource>(
        std::move(library), [mainActor = std::move(mainActor)](std::function<void()> work) {
            mainActor->post(std::move(work));
        });
}

} // namespace keepsift::app
