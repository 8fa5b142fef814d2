#include "Keepsift/model/DeleteNotice.hpp"

#include <map>

#include "core/text/Strings.hpp"

namespace keepsift::app {
namespace {

struct ReasonText {
    const char* english;
    const char* german;
};

// Said after a count of photographs, so they read the same for one or many.
ReasonText reasonText(KeptReason reason) {
    switch (reason) {
    case KeptReason::notWritable:
        return {"no permission to write in the folder", "keine Schreibrechte im Ordner"};
    case KeptReason::noPrivateTrash:
        return {"the drive has no Trash that is yours alone",
                "das Laufwerk hat keinen Papierkorb, der nur dir gehört"};
    case KeptReason::changedSinceReviewed:
        return {"changed after the review", "nach der Durchsicht verändert"};
    case KeptReason::unreadable:
        return {"cannot be read", "kann nicht gelesen werden"};
    case KeptReason::unproven:
        return {"not yet checked on this drive, try again shortly",
                "auf diesem Laufwerk noch nicht geprüft, gleich noch einmal versuchen"};
    case KeptReason::trashOnAnotherDevice:
        return {"the Trash is on another drive", "der Papierkorb liegt auf einem anderen Laufwerk"};
    case KeptReason::declined: // not a failure: nothing is said of it
    case KeptReason::failed:
        break;
    }
    return {"the move failed", "das Verschieben ist fehlgeschlagen"};
}

// "2 photos not moved: …".
std::string keptNotice(std::int64_t count, KeptReason reason, const std::string& language) {
    const bool german = Strings::isGerman(language);
    const ReasonText text = reasonText(reason);
    return Strings::photoCount(count, language) +
           (german ? " nicht verschoben: " : " not moved: ") +
           (german ? text.german : text.english) + ".";
}

} // namespace

std::optional<std::string> deleteOutcomeNotice(const DeletionReport& report,
                                               const std::string& language) {
    std::map<KeptReason, std::int64_t> counts;
    for (const auto& kept : report.kept)
        if (kept.reason != KeptReason::declined) ++counts[kept.reason];
    if (counts.empty()) {
        if (report.deletedCount() > 0) return std::nullopt;
        return Strings::text(FixedText::nothingDeleted, language);
    }
    std::string text;
    if (report.deletedCount() > 0)
        text = Strings::handedToRecentlyDeleted(report.deletedCount(), language);
    for (const auto& [reason, count] : counts)
        text += (text.empty() ? "" : " ") + keptNotice(count, reason, language);
    return text;
}

} // namespace keepsift::app
