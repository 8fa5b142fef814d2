#include "core/support/RawEnum.hpp"
#include "core/text/Strings.hpp"

namespace keepsift {
namespace {

class TextList {
public:
    explicit TextList(std::string_view language) : language_(language) {}

    // Appends the fixed texts from first to last, both included, in table order.
    TextList& fixed(FixedText first, FixedText last) {
        for (int i = static_cast<int>(first); i <= static_cast<int>(last); ++i)
            texts_.push_back(Strings::text(static_cast<FixedText>(i), language_));
        return *this;
    }
    TextList& add(std::string text) {
        texts_.push_back(std::move(text));
        return *this;
    }
    std::vector<std::string> take() { return std::move(texts_); }

private:
    std::string language_;
    std::vector<std::string> texts_;
};

} // namespace

std::vector<std::string> Strings::allTexts(std::string_view l) {
    TextList list(l);
    for (Reason reason : allCases<Reason>())
        list.add(text(reason, l));
    using enum FixedText;
    list.fixed(nothingMovedNotice, originalsInICloud)
        .add(libraryPreviewNote(48000, l))
        .add(workInBatches(200, l))
        .fixed(batchesExplanation, keepLooking)
        .add(fetchNextGroups(200, l))
        .add(downloadsPaused(200, l))
        .fixed(reviewPhotos, terms)
        .add(toDiscard(44, 1234567890, l))
        .add(toDiscard(0, 0, l))
        .add(scanProgress(1204, 9880, l))
        .add(waiting(412, l))
        .fixed(lookingAtPhotos, FixedText::language)
        .add(languageName("de", l))
        .fixed(sharedLibraryNote, close)
        .add(deleteDiscarded(44, l))
        .add(deleteDiscarded(1, l))
        .add(deleteInSelectedGroups(34, l))
        .add(deleteDiscardedShort(3, l))
        .add(deleteDiscardedShort(1, l))
        .add(deleteButton(7, l))
        .add(recentlyDeletedNote(7, l))
        .add(recentlyDeletedNote(1, l))
        .fixed(deleteAction, batchChanged)
        .add(handedToRecentlyDeleted(7, l))
        .fixed(libraryRefused, addToCorpus)
        .add(addGroupsToCorpus(4, l))
        .add(addGroupsToCorpus(1, l))
        .add(corpusWritten("capture-0012", 5, l))
        .add(corpusUnreadable("IMG_4821.HEIC", l))
        .fixed(corpusCaptureBanner, corpusReasonPrompt);
    return list.take();
}

} // namespace keepsift
