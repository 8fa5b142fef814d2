#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/Reason.hpp"
#include "core/text/FixedText.hpp"

namespace keepsift {

// Every visible text in English and German. German is chosen exactly for the code "de";
// every other code, "DE" and "de-CH" included, gives English. Nothing here fails.
struct Strings {
    static constexpr std::array<std::string_view, 2> supportedLanguages{"en", "de"};
    static constexpr std::string_view updateHost = "updates.ambervale.com";
    static constexpr size_t allTextsCount = 118;

    static bool isGerman(std::string_view language) { return language == "de"; }
    // The first supported two-character prefix of the system's preferred languages.
    static std::string preferredLanguage(const std::vector<std::string>& identifiers);
    static std::string languageName(std::string_view code, std::string_view language);

    static std::string text(FixedText entry, std::string_view language);
    static std::string text(Reason reason, std::string_view language);
    static std::string firstRunIntro(std::string_view language);
    static std::string firstRunNothingDeleted(std::string_view language);

    // Numbers are plain decimal integers without grouping in both languages.
    static std::string photoCount(std::int64_t count, std::string_view language);
    // Decimal units of 1000; one decimal with a decimal comma in German.
    static std::string byteSize(std::int64_t bytes, std::string_view language);

    static std::string toDiscard(std::int64_t count, std::int64_t bytes, std::string_view language);
    static std::string scanProgress(std::int64_t done, std::int64_t total,
                                    std::string_view language);
    static std::string waiting(std::int64_t count, std::string_view language);
    static std::string deleteDiscarded(std::int64_t count, std::string_view language);
    static std::string deleteInSelectedGroups(std::int64_t count, std::string_view language);
    static std::string deleteDiscardedShort(std::int64_t count, std::string_view language);
    static std::string deleteButton(std::int64_t count, std::string_view language);
    static std::string recentlyDeletedNote(std::int64_t count, std::string_view language);
    static std::string handedToRecentlyDeleted(std::int64_t count, std::string_view language);
    static std::string libraryPreviewNote(std::int64_t count, std::string_view language);
    static std::string workInBatches(std::int64_t groups, std::string_view language);
    static std::string fetchNextGroups(std::int64_t count, std::string_view language);
    static std::string downloadsPaused(std::int64_t groups, std::string_view language);
    static std::string addGroupsToCorpus(std::int64_t count, std::string_view language);
    static std::string corpusWritten(std::string_view folder, std::int64_t count,
                                     std::string_view language);
    static std::string corpusUnreadable(std::string_view filename, std::string_view language);

    // Every entry of the table in its order, counted entries with fixed sample values.
    static std::vector<std::string> allTexts(std::string_view language);
};

} // namespace keepsift
