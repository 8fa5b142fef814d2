#include "Keepsift/views/popover/PopoverTexts.hpp"

#include "Keepsift/model/AppModel.hpp"
#include "Keepsift/views/ViewTexts.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app {

std::optional<QString> PopoverTexts::statusText(QueueReadiness readiness,
                                                std::string_view language) {
    switch (readiness) {
    case QueueReadiness::run:
    case QueueReadiness::noLibraryAccess:
        return std::nullopt;
    case QueueReadiness::scanningOff:
        return fixedText(FixedText::scanningSwitchedOff, language);
    case QueueReadiness::paused:
        return fixedText(FixedText::paused, language);
    case QueueReadiness::waitingForMains:
        return fixedText(FixedText::waitingForMains, language);
    case QueueReadiness::lowPowerMode:
        return fixedText(FixedText::lowPowerMode, language);
    case QueueReadiness::tooHot:
        return fixedText(FixedText::tooHot, language);
    }
    return std::nullopt;
}

QString PopoverTexts::statusLine(const AppModel& model) {
    const EngineSnapshot& snapshot = model.snapshot();
    const std::string& language = model.settings().language;
    if (model.isFirstPassRunning())
        return qtext(Strings::scanProgress(snapshot.analysed, snapshot.known, language));
    return qtext(Strings::toDiscard(snapshot.review.flaggedCount, snapshot.review.reclaimableBytes,
                                    language));
}

QString PopoverTexts::working(std::string_view language) {
    return fixedText(FixedText::lookingAtPhotos, language);
}

QString PopoverTexts::openAccessSettings(std::string_view language) {
    // Library access is Keepsift's own consent, explained in its settings window.
    return fixedText(FixedText::openSystemSettings, language);
}

QString PopoverTexts::reviewPhotos(std::string_view language) {
    return fixedText(FixedText::reviewPhotos, language);
}

QString PopoverTexts::settings(std::string_view language) {
    return pick(language, "Settings…", "Einstellungen …");
}

QString PopoverTexts::pauseOrResume(bool isPaused, std::string_view language) {
    return fixedText(isPaused ? FixedText::resume : FixedText::pause, language);
}

QString PopoverTexts::showStatus(std::string_view language) {
    return pick(language, "Show status…", "Status anzeigen …");
}

QString PopoverTexts::quit(std::string_view language) {
    return fixedText(FixedText::quitKeepsift, language);
}

} // namespace keepsift::app
