#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/engine/BatchMoved.hpp"
#include "core/engine/ReadStep.hpp"
#include "core/engine/ReviewNotSaved.hpp"
#include "core/engine/ScanQueue.hpp"
#include "core/engine/TrashIntent.hpp"
#include "core/engine/UnsettledAlbum.hpp"
#include "core/engine/WorkTracker.hpp"
#include "core/grouping/GroupingPolicy.hpp"
#include "core/grouping/ScoringPolicy.hpp"
#include "core/index/IndexFiles.hpp"
#include "core/index/LibraryIndex.hpp"
#include "core/index/ReviewJournal.hpp"
#include "core/model/Clock.hpp"
#include "core/model/PhotoLibrary.hpp"
#include "core/model/SignalSource.hpp"
#include "core/review/EngineSnapshot.hpp"
#include "core/settings/WorkConditions.hpp"
#include "core/storage/FileStorage.hpp"

namespace keepsift {

// What a step of the digest fill leaves.
enum class DigestFill {
    done, // no digest is left that can be read now
    more, // others are left for the next step
    held, // measuring comes first, or the work conditions forbid reading
};

// The engine at the centre of the program: it owns the library index, the review journal
// and the scan queue, and drives all work. Its state is touched only under its own lock,
// which is released around every call to the photo library, the signal source and the
// file storage, so that other operations run while one of them waits.
class ScanEngine {
public:
    static constexpr std::string_view indexFileName = IndexFiles::indexName;
    static constexpr std::string_view journalFileName = IndexFiles::journalName;
    static constexpr double defaultSaveInterval = 30.0;
    static constexpr std::int64_t journalLimit = 2000;
    // Measurements of a run saved one by one before the save interval takes over.
    static constexpr std::int64_t savedAtOnce = 4;
    // A crash loses at most this much of a long digest fill, which otherwise saves only at
    // its end: at 100,000 photographs a whole save per ten minutes of reading files.
    static constexpr double digestSaveInterval = 600.0;

    using BatchMoved = keepsift::BatchMoved;

    struct BatchLimit {
        std::optional<std::int64_t> groups;
        std::optional<std::int64_t> bytes;
        bool operator==(const BatchLimit&) const = default;
    };

    // Loads the index and journal; a missing or unreadable file gives a fresh one.
    ScanEngine(std::shared_ptr<PhotoLibrary> library, std::shared_ptr<SignalSource> signalSource,
               std::shared_ptr<FileStorage> storage, std::shared_ptr<Clock> clock,
               GroupingPolicy grouping = GroupingPolicy::standard,
               ScoringPolicy scoring = ScoringPolicy::standard, bool writesToLibrary = true);

    // Read access: copies taken under the lock.
    LibraryIndex index() const;
    ReviewJournal journal() const;
    ScanQueue queue() const;
    LibraryAuthorization authorization() const;
    bool hasCompletedFirstPass() const;
    // Changes the index in place, as the engine's own updates do.
    void updateIndex(const std::function<void(LibraryIndex&)>& change);

    void refreshAuthorization();
    LibraryAuthorization ensureAuthorization(bool prompting);
    LibraryIndex::Reconciliation reconcileWithLibrary();

    void refillQueue(Date at, ScanQueue::Origin origin);
    bool analyseNext(const WorkConditions& conditions);
    bool analyseNextOptimised(const WorkConditions& conditions);
    bool analyseNextOriginal(const WorkConditions& conditions);
    bool originalIsDue(const IndexEntry& entry) const;
    void recordSignals(std::optional<PhotoSignals> signals, const std::string& id);
    std::vector<GroupDecision> regroup();
    // While nothing awaits measuring, reads back a few of the files a listing found with
    // another identity (inode or change time) at the size and time their review rests on,
    // else a few of the content digests that photographs measured by an earlier build lack,
    // so that their reviews follow them. Called again at once while it answers `more`. What
    // it finds waits for the next save of any kind, but the fill saves it itself once it
    // ends, and once the oldest digest not saved is `digestSaveInterval` seconds old. Files
    // read back holding other bytes are listed again once all are read.
    DigestFill fillContentDigests(const WorkConditions& conditions);

    BatchLimit batchLimit() const;
    std::int64_t reviewableGroups() const;
    std::int64_t bytesThisBatch() const;
    LibraryStorage refreshStorageMode();
    void setBatchLimit(std::optional<std::int64_t> groups, std::optional<std::int64_t> bytes);
    void extendBatch(std::int64_t byGroups);
    bool batchIsFull() const;

    // Throw whatever the photo library throws. While another album write is on its way they
    // write nothing: that write brings the album in step, or leaves it to sync.
    void syncRejectsAlbum();
    void syncRejectsAlbumIfNeeded();

    EngineSnapshot snapshot() const;

    std::optional<GroupDecision> decision(const std::string& groupID) const;
    // Decisions by hand: saved once, before the album is written, so that an album error,
    // thrown afterwards, leaves only the album behind, for the next synchronisation to bring
    // in step. Each answers once an album write that holds it returned: its own, or one
    // begun after it, never one of a later decision's.
    void ignore(const std::string& groupID);
    void reset(const std::string& groupID);
    void override(const std::string& photoID, bool keep);
    // What the library did with each photograph of the batch; throws BatchMoved before
    // asking the library when the batch no longer holds `expected` photographs (unless
    // forced).
    DeletionReport deleteBatch(const std::optional<std::set<std::string>>& groups,
                               std::int64_t expected, bool force = false);
    void setGrouping(const GroupingPolicy& grouping);

    // The library's own change stream; its reader closes it when done.
    LibraryChangeStream libraryChanges();
    // Whether the index may have changed, so that a regroup is due: not when a refresh found
    // the library as the index knows it, which writes nothing either, or could not list it.
    bool handleLibraryChange(const LibraryChange& change);
    void adoptAlbumChange(const std::string& id, Date at);
    std::vector<LibraryAsset> libraryListing(const std::vector<LibraryAsset>& applying) const;

    void markDirty();
    // True when both files were written. Never throws: a failed save stays pending.
    bool save();
    // Waits for the decisions by hand whose album writes are running, so that their flags are
    // saved; flags saved ahead of their album write are stored unsettled first. Also the flush
    // of a quit.
    void flush();
    // Why decisions cannot be kept right now (the storage, or a file that cannot be opened),
    // or nothing. Asks the storage; never touches the engine's state.
    std::optional<std::string> storageUnavailability() const;
    // Reads the index and journal again, for a start that waited for its storage to come
    // back; what they hold replaces the state.
    void reloadFiles();

    // Further state, for the shell's diagnostics and for tests.
    std::int64_t mutationGeneration() const;
    bool albumNeedsSync() const;
    std::set<std::string> ownWrites() const;
    std::optional<LibraryStorage> storageMode() const;
    bool pendingSave() const;
    std::optional<Date> lastSaved() const;

private:
    using Lock = std::unique_lock<std::mutex>;

    // Runs `call` with the lock released and takes it back afterwards, also on a throw.
    template <class Call> static auto unlocked(Lock& lock, Call&& call) -> decltype(call());

    ScanQueue::Origin refillOrigin() const;
    void refillLocked(Date at, ScanQueue::Origin origin);
    bool batchLimitReachedLocked() const;
    bool analyseLocalLocked(Lock& lock, const WorkConditions& conditions);
    bool analyseOptimisedLocked(Lock& lock, const WorkConditions& conditions);
    bool analyseOriginalLocked(Lock& lock, const WorkConditions& conditions);
    bool originalIsDueLocked(const IndexEntry& entry) const;
    std::optional<PhotoSignals> measure(Lock& lock, const LibraryAsset& asset, bool derivative);
    void measureOwnFileLocked(Lock& lock, LibraryAsset asset);
    bool wentAwayLocked(Lock& lock, const std::string& id);
    bool recordIfUnchangedLocked(const LibraryAsset& measured, std::optional<PhotoSignals> signals);
    void recordSignalsLocked(std::optional<PhotoSignals> signals, const std::string& id);
    void takeUsersLinkLocked(const std::string& id);
    void noteMeasuredLocked(Lock& lock);
    void checkFirstPassLocked();
    template <class Change> void changeEntryLocked(const std::string& id, Change&& change);

    // The pass without its save.
    std::vector<GroupDecision> regroupPassLocked();
    void applyDecisionsLocked(const std::vector<GroupDecision>& decisions, Date now,
                              const std::set<std::string>& joined);
    void journalDecisionLocked(const PhotoDecision& photo, const IndexEntry& entry, Date now);
    void syncRejectsAlbumLocked(Lock& lock);
    // The album's one writer, from its lists worked out to the unsettled list it clears.
    struct AlbumTurn {
        explicit AlbumTurn(ScanEngine& engine);
        AlbumTurn(const AlbumTurn&) = delete;
        AlbumTurn& operator=(const AlbumTurn&) = delete;
        ~AlbumTurn();
        // Its write returned: the decisions made before the turn began are in the album.
        void written();
        ScanEngine& engine;
        const std::uint64_t number;
    };
    // The synchronisation saved, and its unsettled photographs cleared.
    void writeAndSettleAlbumLocked(Lock& lock);
    // For a decision made while another album write holds the turn: whether a write begun
    // after `after` returned, else the turn is free for the decision's own.
    bool awaitAlbumTurnLocked(Lock& lock, std::uint64_t after);
    // An addition answers the photographs the album linked already.
    std::vector<std::string> writeAlbumLocked(Lock& lock, const std::vector<std::string>& ids,
                                              bool rejected);
    void takeUsersLinksLocked(const std::vector<std::string>& linkedAlready,
                              const std::set<std::string>& users);
    // Photographs that left the library may have left their links behind.
    void noteDepartedLocked(const std::vector<std::string>& ids);
    void removeDepartedRejectsLocked(Lock& lock);
    // Takes the listing's album membership as it is for the unsettled photographs it shows,
    // when no album write ran while it was fetched; those away stay unsettled.
    void settleAlbumLocked(Lock& lock, const std::set<std::string>& away, bool quiet);
    void markUnsettledLocked(Lock& lock, const std::vector<std::string>& ids);
    // Flags whose album write has not run, as a flush saves them.
    void noteUnwrittenLinksLocked();
    std::vector<std::string> unsettledGoneLocked() const;
    void storeUnsettledLocked(Lock& lock);
    // Called with an album write's additions and removals once they are noted unsettled and
    // as the engine's own, before the library is asked to make them.
    using AlbumWriteBegins = std::function<void(const std::vector<std::string>& additions,
                                                const std::vector<std::string>& removals)>;
    // The synchronisation without its save; the photographs whose flags it changed.
    std::vector<std::string> writeRejectsAlbumLocked(Lock& lock,
                                                     const AlbumWriteBegins& begins = {});
    // Saves the decision just made by hand with the album as its write will leave it, then
    // runs that write, which answers the photographs whose flags it changed.
    template <class AlbumWrite> void keepHandDecisionLocked(Lock& lock, AlbumWrite&& write);
    template <class AlbumWrite>
    void writeHandDecisionLocked(Lock& lock, AlbumWrite& write, std::vector<std::string>& ahead);
    // The flags a save records ahead of the album writes in flight.
    void noteLinksAheadLocked(const std::vector<std::string>& ids, bool rejected);
    void forgetLinksAheadLocked(const std::vector<std::string>& ids);
    // Whether some photograph's album membership differs from its decision.
    bool albumDiffersLocked() const;
    // Whether the album is to link the photograph: it is flagged, or the user linked it before
    // it was decided.
    bool wantsLinkLocked(const std::string& id, const IndexEntry& entry) const;
    // Not measured yet and linked by the user, not by an earlier photograph at its path.
    bool linkedByUserLocked(const std::string& id, const IndexEntry& entry) const;
    // Whether the photograph's link, found put in (or taken out of) the album, is the user's
    // doing: the one answer the album write, the listing, the change stream and Reset take. A
    // link the engine made is never the user's, nor is one whose write is unsettled.
    bool albumChangeIsUsersLocked(const std::string& id, bool linked) const;
    // The engine's own links the album no longer holds are forgotten.
    void forgetGoneOwnLinksLocked();
    // Links the listing found that are no one's decision wait unsettled for the album write
    // that takes them out, or for the decision that keeps them.
    void noteLeftoverLinksLocked(const LibraryIndex::Reconciliation& result);
    // Leftovers decided flagged, their links where the decision wants them, are settled.
    void settleKeptLeftoversLocked();
    void setRejectedFlagsLocked(const std::vector<std::string>& ids, bool rejected);
    static void setRejectedFlags(LibraryIndex& index, const std::vector<std::string>& ids,
                                 bool rejected);
    std::vector<IndexEntry>
    deleteBatchEntriesLocked(const std::optional<std::set<std::string>>& groups) const;
    void readUnprovenFirstLocked(const DeletionReport& report);
    void readFirstLocked(const std::string& id);
    bool measureChangedAgainLocked(const DeletionReport& report);
    void keepInReviewLocked(const std::vector<IndexEntry>& batch,
                            const std::set<std::string>& deleted);
    void applyDeletedBatchLocked(const std::vector<IndexEntry>& batch);
    std::int64_t batchNumberLocked();
    void beginTrashingLocked(Lock& lock, const std::vector<std::string>& ids);
    void endTrashingLocked(Lock& lock);
    void applyTrashedLocked(const std::vector<LibraryAsset>& assets,
                            const std::set<std::string>& away, const ContentDigests& digests);

    // A reconciliation, and whether the library could be listed and changed the state.
    struct Reconciled {
        LibraryIndex::Reconciliation result;
        bool listed = false;
        bool changed = false;
    };
    Reconciled reconcileLocked(Lock& lock);
    bool refreshLocked(Lock& lock);
    std::vector<LibraryAsset> fetchListingLocked(Lock& lock);
    std::set<std::string> unavailableLocked(Lock& lock, const std::vector<LibraryAsset>& assets);
    ContentDigests returnDigestsLocked(Lock& lock, const std::vector<LibraryAsset>& assets,
                                       const std::set<std::string>& away);
    // Digests read back of listed files that still are the ones read.
    ContentDigests readBackFoundLocked(const std::vector<LibraryAsset>& assets) const;
    void awaitReadBackLocked(const std::vector<LibraryAsset>& assets);
    DigestFill readBackLocked(Lock& lock);
    void takeReadBackLocked(const LibraryAsset& listed, std::optional<DigestRead> read);
    void followReturnsLocked(const std::vector<LibraryIndex::Return>& returned);
    struct DigestCandidates {
        std::vector<LibraryAsset> chosen;
        bool more = false; // others are left for later steps
    };
    DigestCandidates digestCandidatesLocked();
    void orderDigestsLocked();
    bool awaitsDigestLocked(const std::string& id, const IndexEntry& entry) const;
    // How many of the chosen digests were read and stored; the photographs whose storage is
    // away are added to `away` and not read, those whose bytes could not be read to `failed`.
    std::int64_t readDigestsLocked(Lock& lock, const std::vector<LibraryAsset>& chosen,
                                   std::set<std::string>& away, std::set<std::string>& failed);
    void readReviewedDigestsLocked(Lock& lock);
    // Takes the digest read of a file its status does not prove where the file, measured
    // again, gives the stored measurement, or the same picture on another date under a
    // decision by hand (answering true); reviews it afresh where it gives another, or none.
    // One whose storage went away is left to a later run.
    bool settleByMeasurementLocked(Lock& lock, const LibraryAsset& read, DigestRead digest);
    bool awaitsMeasurementLocked(const IndexEntry& entry, const LibraryAsset& read) const;
    // The file measured now beside the stored signals of its entry (or of the one given);
    // none when either is missing.
    struct MeasuredAgain {
        PhotoSignals stored;
        PhotoSignals fresh;
    };
    std::optional<MeasuredAgain> measureAgainLocked(Lock& lock, const LibraryAsset& file,
                                                    const std::string& entryID = {});
    // Whether the file measures as the stored signals of its entry (or of the one given); none
    // when it cannot be measured.
    std::optional<bool> measuresAsStoredLocked(Lock& lock, const LibraryAsset& file,
                                               const std::string& entryID = {});
    void proveDepartedReviewsLocked(Lock& lock, const std::vector<LibraryAsset>& assets);
    // Of the listed files without a live entry, those proven to hold the photograph the entry
    // of `id` measured.
    std::vector<LibraryAsset> provenHoldersLocked(Lock& lock, const std::string& id,
                                                  const std::vector<const LibraryAsset*>& arriving);
    // The digest of the files, read now, taken by the entry that left, while it still lacks
    // one and they may hold its bytes.
    void lendDigestLocked(Lock& lock, const std::string& id,
                          const std::vector<LibraryAsset>& files);
    // Another picture than the one measured: its review goes, and it is queued to be measured.
    void reviewAfreshLocked(const std::string& id);
    // A decision by hand, an ignored group or a batch on its way to the Trash.
    bool holdsUsersReviewLocked(const std::string& id, const IndexEntry& entry) const;
    void noteDigestsStoredLocked();
    // Reads each chosen file's digest with the lock released, none when it cannot be read,
    // and gives it to `take`; answers those whose storage is away.
    using FileRead = std::function<void(const LibraryAsset&, std::optional<DigestRead>)>;
    std::vector<std::string> readFilesLocked(Lock& lock, const std::vector<LibraryAsset>& chosen,
                                             const FileRead& take);
    void saveDigestsLocked(Lock& lock, bool ended);
    // Changes whenever a listing fetched meanwhile may be out of date.
    std::uint64_t listingStampLocked() const {
        return static_cast<std::uint64_t>(mutationGeneration_) + trashingMarks_;
    }
    void handleAssetsLocked(const std::vector<LibraryAsset>& assets, Date now);
    LibraryIndex::Reconciliation reconcileChangedLocked(const std::vector<LibraryAsset>& assets);
    void handleDeletedLocked(const std::vector<std::string>& ids, Date now);
    void handleAlbumLocked(Lock& lock, const std::vector<std::string>& added,
                           const std::vector<std::string>& removed, Date now);
    void adoptAlbumChangeLocked(const std::string& id, Date at);
    void takeAlbumDecisionLocked(const std::string& id, bool flag, Date at);
    std::vector<LibraryAsset> libraryListingLocked(const std::vector<LibraryAsset>& applying) const;

    void notePendingLocked();
    void markDirtyLocked(Lock& lock);
    // A save already asked for is written once the interval allows.
    void saveIfDueLocked(Lock& lock);
    bool saveLocked(Lock& lock);
    void writeSaveLocked(Lock& lock);
    bool writeFiles(const LibraryIndex& index, const ReviewJournal& journal, bool removeIntent);

    mutable std::mutex mutex_;

    const std::shared_ptr<PhotoLibrary> library_;
    const std::shared_ptr<SignalSource> signalSource_;
    const std::shared_ptr<FileStorage> storage_;
    const std::shared_ptr<Clock> clock_;
    GroupingPolicy grouping_;
    const ScoringPolicy scoring_;
    const bool writesToLibrary_;
    LibraryIndex index_;
    ReviewJournal journal_;
    ScanQueue queue_{ScanQueue::defaultCapacity};
    LibraryAuthorization authorization_ = LibraryAuthorization::notDetermined;
    bool hasCompletedFirstPass_ = false;
    std::int64_t mutationGeneration_ = 0;
    // Entries whose stored flags may differ from their asset's, so that one changed
    // photograph does not walk the whole index; all of them until a full reconciliation.
    std::set<std::string> flagsToFollow_;
    bool allFlagsToFollow_ = true;
    bool albumNeedsSync_ = false;
    // Photographs removed by hand whose links may be left in the album; an earlier run may
    // have left some too, which the first listing looks for.
    std::set<std::string> departed_;
    // Raised as their links are taken out.
    std::uint64_t departedRemovals_ = 0;
    bool departuresLookedFor_ = false;
    // The index knew no photograph when it was loaded: links the first listing finds were
    // left by a review it no longer holds.
    bool linksOfLostReview_ = false;
    BatchLimit batchLimit_;
    std::int64_t reviewableGroups_ = 0;
    std::int64_t bytesThisBatch_ = 0;
    std::optional<LibraryStorage> storageMode_;
    std::set<std::string> ownWrites_;
    // Album membership the engine cannot vouch for (see UnsettledAlbum), and what of it was
    // last stored; nothing when that is not known.
    std::set<std::string> unsettled_;
    std::optional<std::set<std::string>> storedUnsettled_;
    // Those of them unsettled only for a link left at the path of a photograph not decided yet.
    std::set<std::string> leftovers_;
    std::uint64_t unsettledStores_ = 0;
    std::mutex unsettledMutex_;
    std::uint64_t unsettledWritten_ = 0;
    // Photographs whose storage is away (an unmounted card): not measured until listed again,
    // as nothing is while the whole library is away, and left be by the album.
    std::set<std::string> away_;
    // Album writes begun, and those not yet returned: a listing fetched across one of them may
    // show it half done.
    std::uint64_t albumWritesBegun_ = 0;
    int albumWritesRunning_ = 0;
    // An album write holds its turn: none begins while it does (see AlbumTurn). The turns
    // begun, and the latest whose write returned.
    bool albumTurnTaken_ = false;
    std::uint64_t albumTurnsBegun_ = 0;
    std::uint64_t albumTurnsWritten_ = 0;
    double saveInterval_ = defaultSaveInterval;
    std::optional<Date> lastSaved_;
    bool pendingSave_ = false;
    // A decision the user made in the album waits for no interval: a kill and a move of its
    // file before the next start would leave its link at a path that no longer leads to it.
    bool albumDecisionUnsaved_ = false;
    std::int64_t measuredThisRun_ = 0;
    // The batch on its way to the Trash, or one an earlier launch left unfinished.
    std::optional<TrashIntent> trashing_;
    // The stored intent is spent and goes with the next save.
    bool intentSpent_ = false;
    // Raised as a batch starts and ends, so that a listing fetched across either is fetched
    // again, without counting as a change when the batch changed nothing.
    std::uint64_t trashingMarks_ = 0;

    WorkTracker work_;
    // Digests that could not be read in this run, and those whose storage was away at the
    // given mutation generation; those to read next, in the order worked out at `orderedAt`,
    // and whether others follow them. Stored digests wait for a save asked for after
    // `storedAfter`, the oldest of them since `unsavedSince`. Photographs whose own digest is
    // known are read again for their companions' alone.
    struct DigestFillState {
        std::set<std::string> failed, away, companionsUnread;
        std::int64_t awayAt = 0;
        std::deque<std::string> upcoming;
        std::int64_t orderedAt = 0;
        bool beyond = false;
        std::uint64_t storedAfter = 0;
        std::optional<Date> unsavedSince;
    } digestFill_;
    // Whether the digests the reviews of the loaded index need were read, as its first
    // listing waits for them.
    enum class ReviewedDigests { unread, reading, read };
    ReviewedDigests reviewedDigests_ = ReviewedDigests::unread;
    std::condition_variable reviewedDigestsRead_;
    // Files listed with another identity than the one their entry rests on, at its size and
    // time, as listed, whose bytes are still to be read back; those read back holding other
    // bytes, with their digests, for the next listing; and those that could not be read, at
    // the identity they had then.
    struct ReadBackState {
        std::map<std::string, LibraryAsset> waiting;
        std::map<std::string, std::pair<LibraryAsset, std::string>> found;
        std::map<std::string, FileIdentity> failed;
    } readBack_;
    // Saving: the files are written outside the lock, by one save at a time; saves asked for
    // meanwhile wait for the next, which holds them all.
    IndexFiles files_;
    std::uint64_t dirtyMarks_ = 0;
    std::uint64_t saveRequests_ = 0;
    // The requests the latest finished save holds, and whether it wrote both files.
    std::uint64_t savesCovered_ = 0;
    bool lastSaveWritten_ = false;
    bool writing_ = false;
    std::condition_variable saveFinished_;
    // Decisions by hand between their save and the end of their album write (or of the one
    // that holds them), which a flush waits for.
    int handDecisionsRunning_ = 0;
    // The album membership that the album writes of decisions by hand in flight will leave,
    // recorded by every save made meanwhile: the unsettled list stored before covers them
    // until the write returns.
    std::map<std::string, bool> linksAhead_;
    std::condition_variable handDecisionsDone_;
};

template <class Call> auto ScanEngine::unlocked(Lock& lock, Call&& call) -> decltype(call()) {
    struct Relock {
        Lock& lock;
        ~Relock() { lock.lock(); }
    } relock{lock};
    lock.unlock();
    return call();
}

// The work tracker follows every entry the engine changes alone.
template <class Change> void ScanEngine::changeEntryLocked(const std::string& id, Change&& change) {
    if (auto found = index_.entries.find(id); found != index_.entries.end())
        work_.forget(found->second);
    change();
    if (auto found = index_.entries.find(id); found != index_.entries.end())
        work_.note(found->second);
}

} // namespace keepsift
