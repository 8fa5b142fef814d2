#include <algorithm>

#include "core/corpus/CorpusMeasurement.hpp"
#include "core/corpus/TextJoin.hpp"
#include "core/grouping/GroupBuilder.hpp"
#include "core/grouping/Provenance.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift::CorpusMeasurement {
namespace {

using Filed = std::map<std::string, std::vector<size_t>>; // folder -> sizes of its groups

std::vector<std::string> foldersOf(const PhotoGroup& group,
                                   const std::map<std::string, std::string>& folderOf) {
    std::vector<std::string> folders;
    for (const auto& photo : group.photos)
        if (auto found = folderOf.find(photo.digest); found != folderOf.end())
            if (std::find(folders.begin(), folders.end(), found->second) == folders.end())
                folders.push_back(found->second);
    return folders;
}

std::string mergeNote(std::vector<std::string> folders, const PhotoGroup& group) {
    std::sort(folders.begin(), folders.end(), unicode::less);
    std::vector<std::string> names;
    for (const auto& photo : group.photos)
        names.push_back(photo.filename);
    return "merged folders " + joined(folders, "+") + ": " + joined(names, ", ");
}

// Files each group under its one folder; a group spanning folders is a false merge.
Filed fileGroups(const std::vector<CorpusRecording>& handFoldered, const GroupingPolicy& policy,
                 Result& result) {
    const auto folderOf = CorpusRecording::groupByDigest(handFoldered);
    Filed filed;
    for (const auto& group :
         GroupBuilder::build(CorpusRecording::allSignals(handFoldered), policy)) {
        const auto folders = foldersOf(group, folderOf);
        if (folders.size() == 1) filed[folders.front()].push_back(group.photos.size());
        if (folders.size() < 2) continue;
        ++result.falseMerges;
        result.notes.push_back(mergeNote(folders, group));
    }
    return filed;
}

void checkFolders(const std::vector<CorpusRecording>& handFoldered, const Filed& filed,
                  Result& result) {
    for (const auto& recording : handFoldered) {
        const size_t count = recording.photos.size();
        const auto found = filed.find(recording.group);
        if (found != filed.end() && found->second == std::vector<size_t>{count}) {
            ++result.foldersExact;
            continue;
        }
        std::vector<std::string> sizes;
        if (found != filed.end())
            for (size_t size : found->second)
                sizes.push_back(std::to_string(size));
        result.notes.push_back("folder " + recording.group + ": " + std::to_string(count) +
                               " photograph(s) came out as " +
                               (sizes.empty() ? "nothing" : joined(sizes, "+")));
    }
}

TruthGroup truthGroup(const CorpusRecording& recording, size_t index,
                      const GroupingPolicy& policy) {
    PhotoGroup group;
    group.id = recording.photos.empty() ? recording.group : recording.photos.front().digest;
    group.kind =
        recording.photos.size() == 1 ? PhotoGroup::Kind::solitary : PhotoGroup::Kind::moment;
    group.photos = recording.photos;
    group.copies = Provenance::copies(recording.photos, policy);
    return {index, std::move(group)};
}

} // namespace

Prepared prepare(const std::vector<CorpusRecording>& recordings, const GroupingPolicy& policy) {
    Prepared prepared;
    prepared.recordings = recordings;
    std::copy_if(
        recordings.begin(), recordings.end(), std::back_inserter(prepared.handFoldered),
        [](const CorpusRecording& r) { return r.origin == CorpusCapture::Origin::handFoldered; });
    Result& grouped = prepared.grouped;
    grouped.folders = static_cast<std::int64_t>(recordings.size());
    for (const auto& recording : recordings)
        grouped.photographs += static_cast<std::int64_t>(recording.photos.size());
    grouped.handFolderedFolders = static_cast<std::int64_t>(prepared.handFoldered.size());
    grouped.appGroupedFolders = grouped.folders - grouped.handFolderedFolders;
    checkFolders(prepared.handFoldered, fileGroups(prepared.handFoldered, policy, grouped),
                 grouped);

    prepared.groups = GroupBuilder::build(CorpusRecording::allSignals(recordings), policy);
    for (size_t index = 0; index < prepared.groups.size(); ++index)
        for (const auto& photo : prepared.groups[index].photos)
            prepared.groupOf[photo.digest] = index;
    for (size_t index = 0; index < recordings.size(); ++index)
        if (!recordings[index].winners.empty())
            prepared.truthGroups.push_back(truthGroup(recordings[index], index, policy));
    return prepared;
}

} // namespace keepsift::CorpusMeasurement
