#include <algorithm>
#include <map>
#include <set>

#include "core/corpus/CorpusImport.hpp"
#include "core/corpus/CorpusRecording.hpp"
#include "core/corpus/DecimalText.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift::CorpusImport {
namespace {

using DigestTable = std::map<std::string, std::string>; // digest -> folder name

// Shorter names first, equal lengths in text order.
std::vector<const Staged*> inPlanningOrder(const std::vector<Staged>& staged) {
    struct Keyed {
        size_t length;
        std::string nfc;
        const Staged* folder;
    };
    std::vector<Keyed> keyed;
    for (const auto& folder : staged)
        keyed.push_back({unicode::characterCount(folder.name), unicode::nfc(folder.name), &folder});
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.length != b.length) return a.length < b.length;
        return unicode::compare(a.nfc, b.nfc) < 0;
    });
    std::vector<const Staged*> out;
    for (const auto& item : keyed)
        out.push_back(item.folder);
    return out;
}

std::string photoPath(const Staged& folder, const Photograph& photo) {
    return folder.name + "/" + photo.filename;
}

std::string missingManifest(const Staged& folder) {
    return folder.name + " has no capture.json. Without it the imported folder records as "
                         "hand-foldered and is scored as grouping evidence it is not (0038).";
}

std::string tooFewPhotographs(const Staged& folder) {
    return folder.name + " holds " + std::to_string(folder.photographs.size()) +
           " photograph(s). A group of one measures nothing \u2014 there is no choice in it to "
           "agree or disagree with.";
}

// Refusals of photographs that repeat one earlier in the same folder.
void refuseRepeatsWithin(const Staged& folder, std::vector<std::string>& refusals) {
    std::set<std::string> seen;
    for (const auto& photo : folder.photographs)
        if (!seen.insert(photo.digest).second)
            refusals.push_back(
                photoPath(folder, photo) +
                " is byte-identical to another photograph in the same folder \u2014 two library "
                "assets holding one picture. Keep one of them: the corpus is keyed by digest, so "
                "the second cannot be ground truth.");
}

// Refusals of photographs already in the corpus or in an earlier staged folder.
void refuseRepeatsAcross(const Staged& folder, const DigestTable& corpus, DigestTable& stagedTable,
                         std::vector<std::string>& refusals) {
    for (const auto& photo : folder.photographs) {
        if (auto found = corpus.find(photo.digest); found != corpus.end()) {
            refusals.push_back(
                photoPath(folder, photo) + " is byte-identical to a photograph in corpus folder " +
                found->second + " \u2014 the same picture cannot be ground truth twice.");
        } else if (auto other = stagedTable.find(photo.digest);
                   other != stagedTable.end() && other->second != folder.name) {
            refusals.push_back(photoPath(folder, photo) +
                               " is byte-identical to a photograph in staged folder " +
                               other->second + " \u2014 two captures of the same photograph.");
        } else {
            stagedTable[photo.digest] = folder.name;
        }
    }
}

// Decimal text of a whole number that may lie one past the 64-bit range.
std::string decimalText(__int128 value) {
    if (value < 0) {
        std::string text = decimalText(-value);
        text.insert(text.begin(), '-');
        return text;
    }
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    return digits;
}

std::vector<Move> numbered(const std::vector<const Staged*>& accepted,
                           const std::vector<Existing>& existing) {
    std::optional<std::int64_t> largest;
    for (const auto& folder : existing)
        if (auto number = decimalInteger(folder.name))
            largest = std::max(largest.value_or(*number), *number);
    // Wide arithmetic: the corpus may already hold the largest 64-bit folder number.
    __int128 next = largest.value_or(0);
    std::vector<Move> moves;
    for (const Staged* folder : accepted)
        moves.push_back({folder->name, decimalText(++next),
                         static_cast<std::int64_t>(folder->photographs.size()), folder->winners(),
                         folder->humanOverrode});
    return moves;
}

} // namespace

std::int64_t winnerCount(const std::vector<Photograph>& photographs) {
    return std::count_if(photographs.begin(), photographs.end(), [](const Photograph& photo) {
        return CorpusRecording::winnerMarker(photo.filename).isWinner;
    });
}

Plan plan(const std::vector<Staged>& staged, const std::vector<Existing>& existing) {
    DigestTable corpus, stagedTable;
    for (const auto& folder : existing)
        for (const auto& photo : folder.photographs)
            corpus[photo.digest] = folder.name;
    Plan result;
    std::vector<const Staged*> accepted;
    for (const Staged* folder : inPlanningOrder(staged)) {
        if (!folder->hasManifest) {
            result.refusals.push_back(missingManifest(*folder));
            continue;
        }
        if (static_cast<std::int64_t>(folder->photographs.size()) < minimumPhotographs) {
            result.refusals.push_back(tooFewPhotographs(*folder));
            continue;
        }
        const size_t before = result.refusals.size();
        refuseRepeatsWithin(*folder, result.refusals);
        refuseRepeatsAcross(*folder, corpus, stagedTable, result.refusals);
        if (result.refusals.size() == before) accepted.push_back(folder);
    }
    if (!result.hasRefusals()) result.moves = numbered(accepted, existing);
    return result;
}

} // namespace keepsift::CorpusImport
