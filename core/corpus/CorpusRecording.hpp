#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/corpus/CorpusCapture.hpp"
#include "core/model/PhotoSignals.hpp"

namespace keepsift {

// The ground truth of one corpus folder with the measured signals of its photographs, so
// grouping and keeper choice can be measured again without analysing any image.
struct CorpusRecording {
    struct WinnerMarker {
        bool isWinner = false;
        std::string hint;
        bool operator==(const WinnerMarker&) const = default;
    };

    std::string group;
    std::vector<std::string> winners;
    std::map<std::string, std::string> hints; // file name -> hint
    std::vector<PhotoSignals> photos;
    CorpusCapture::Origin origin = CorpusCapture::Origin::handFoldered;

    // Throws JsonError when a required key is missing or malformed.
    static CorpusRecording decode(std::string_view bytes);
    std::string encoded() const;

    // The ".json" names that are not hidden, in reading order.
    static std::vector<std::string> recordingFiles(const std::vector<std::string>& names);
    // 2.json before 10.json; names without a number, or with equal numbers, by text.
    static bool numericNameOrder(std::string_view a, std::string_view b);
    static WinnerMarker winnerMarker(std::string_view exportedName);
    // A digest in several recordings maps to the last one's group.
    static std::map<std::string, std::string> groupByDigest(const std::vector<CorpusRecording>&);
    // Every photograph of the recordings, in capture order.
    static std::vector<PhotoSignals> allSignals(const std::vector<CorpusRecording>&);

    bool operator==(const CorpusRecording&) const = default;
};

} // namespace keepsift
