#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/corpus/CorpusCapture.hpp"
#include "core/model/Reason.hpp"
#include "core/support/Date.hpp"

namespace keepsift::CorpusCapture {

// The "capture.json" of one capture folder.
struct Manifest {
    struct Entry {
        std::string assetID;
        std::string originalFilename;
        std::string exportedFilename;
        bool humanKeeps = false;
        bool appKept = false;
        std::optional<Reason> reason;
        std::optional<double> score;
        std::optional<std::string> duplicateOfAssetID;

        bool operator==(const Entry&) const = default;
    };

    Date capturedAt;
    std::string appVersion;
    std::string groupID;
    Origin origin = Origin::handFoldered;
    bool humanOverrode = false;
    std::string hint;
    std::string scoringPolicyID;
    std::string groupingPolicyID;
    std::vector<Entry> entries;

    bool humanDisagrees() const;

    std::string encoded() const;
    // Throws JsonError on a missing key, a wrong type, an unknown origin or reason, a bad date.
    static Manifest decode(std::string_view bytes);

    bool operator==(const Manifest&) const = default;
};

} // namespace keepsift::CorpusCapture
