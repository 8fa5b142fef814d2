#include <cstdlib>
#include <iostream>
#include <sstream>

#include <gtest/gtest.h>
#include <rapidcheck.h>
#include <rapidcheck/gtest.h>
#include <rapidcheck/state.h>

#include "photos/services/tests/sequences/ReviewWorld.hpp"

namespace keepsift::sequences {
namespace {

// What a user, or a tool of theirs, does next.
enum class Act {
    copy,
    moveWithinDrive,
    moveToOtherDrive,
    moveFolderByCopy,
    hardLinkThenRemove,
    dedupLink,
    renameFolder,
    remove,
    rewriteInPlace,
    replaceByLinkOrPipe,
    chmodAll,
    restoreFromTrash,
    handFlag,
    handKeep,
    ignore,
    reset,
    albumLinkAdded,
    albumLinkRemoved,
    deleteAll,
    quit,
    kill,
    start,
    relist,
    copiesAfterDeleteAll,
    rewriteThenLink,
    linkPendingThenReplace,
    quitAfterFolderCopy,
    quitWithDecisionInFlight,
    deleteAllWhileRewriting,
    folderReachableTwice,
    earlierIndex,
    remountCard,
};

const char* toString(Act act) {
    static const char* const names[] = {"copy",
                                        "move within a drive",
                                        "move to the other drive",
                                        "move a folder by copy",
                                        "hard link then remove",
                                        "de-duplicate by a link",
                                        "rename a folder",
                                        "remove",
                                        "rewrite in place, times put back",
                                        "replace by a link or a pipe",
                                        "chmod -R",
                                        "restore from the Trash",
                                        "flag by hand",
                                        "keep by hand",
                                        "ignore a group",
                                        "reset a group",
                                        "add a link to the album",
                                        "remove a link from the album",
                                        "delete all",
                                        "quit",
                                        "kill",
                                        "start",
                                        "relist",
                                        "delete all, then copy frames left",
                                        "rewrite, then link it into the album",
                                        "link a pending photograph, then replace it",
                                        "copy a folder, then quit as it is listed",
                                        "decide in the window, then quit at once",
                                        "delete all, one rewritten as it is moved",
                                        "bind-mount a folder inside the library",
                                        "the index as an earlier build saved it",
                                        "mount the card at another folder while stopped"};
    return names[static_cast<int>(act)];
}

bool needsKeepsift(Act act) {
    switch (act) {
    case Act::handFlag:
    case Act::handKeep:
    case Act::ignore:
    case Act::reset:
    case Act::deleteAll:
    case Act::quit:
    case Act::kill:
    case Act::relist:
    case Act::copiesAfterDeleteAll:
    case Act::linkPendingThenReplace:
    case Act::quitAfterFolderCopy:
    case Act::quitWithDecisionInFlight:
    case Act::deleteAllWhileRewriting:
        return true;
    default:
        return false;
    }
}

bool needsKeepsiftStopped(Act act) {
    return act == Act::start || act == Act::earlierIndex || act == Act::remountCard;
}

bool quits(Act act) {
    return act == Act::quit || act == Act::kill || act == Act::quitAfterFolderCopy ||
           act == Act::quitWithDecisionInFlight;
}

// Whether Keepsift runs: all the generator needs to know to choose a step.
struct Running {
    bool running = true;
};

// How often each act comes, while Keepsift runs and while it is stopped (0: never then).
struct ActWeight {
    Act act;
    std::size_t running = 0, stopped = 0;
};

const std::vector<ActWeight> actWeights{
    {Act::copy, 3, 3},
    {Act::moveWithinDrive, 3, 3},
    {Act::moveToOtherDrive, 2, 2},
    {Act::moveFolderByCopy, 3, 3},
    {Act::hardLinkThenRemove, 2, 2},
    {Act::dedupLink, 2, 2},
    {Act::renameFolder, 2, 2},
    {Act::remove, 2, 2},
    {Act::rewriteInPlace, 2, 2},
    {Act::replaceByLinkOrPipe, 1, 1},
    {Act::chmodAll, 1, 1},
    {Act::restoreFromTrash, 2, 2},
    {Act::albumLinkAdded, 2, 2},
    {Act::albumLinkRemoved, 2, 2},
    {Act::handFlag, 5, 0},
    {Act::handKeep, 5, 0},
    {Act::ignore, 2, 0},
    {Act::reset, 2, 0},
    {Act::deleteAll, 4, 0},
    {Act::quit, 2, 0},
    {Act::kill, 2, 0},
    {Act::relist, 7, 0},
    {Act::start, 0, 10},
    {Act::copiesAfterDeleteAll, 2, 0},
    {Act::rewriteThenLink, 2, 1},
    {Act::linkPendingThenReplace, 2, 0},
    {Act::quitAfterFolderCopy, 1, 0},
    {Act::quitWithDecisionInFlight, 1, 0},
    {Act::deleteAllWhileRewriting, 2, 0},
    {Act::folderReachableTwice, 1, 1},
    {Act::earlierIndex, 0, 3},
    {Act::remountCard, 0, 2},
};

// Acts left out of a run, by words of their names separated by commas in
// KEEPSIFT_SEQUENCES_WITHOUT: to look past a fault already found.
bool leftOut(Act act) {
    static const std::vector<std::string> words = [] {
        std::vector<std::string> found;
        const char* const text = std::getenv("KEEPSIFT_SEQUENCES_WITHOUT");
        std::stringstream list(text ? text : "");
        for (std::string word; std::getline(list, word, ',');)
            if (!word.empty()) found.push_back(word);
        return found;
    }();
    const std::string name = toString(act);
    return std::any_of(words.begin(), words.end(),
                       [&](const std::string& word) { return name.find(word) != name.npos; });
}

rc::Gen<Act> nextAct(bool running) {
    const auto weightOf = [running](const ActWeight& w) {
        return leftOut(w.act) ? 0 : running ? w.running : w.stopped;
    };
    std::size_t total = 0;
    for (const auto& w : actWeights)
        total += weightOf(w);
    // inRange scales with the sequence's size: at its nominal size every act can come.
    const auto picks = rc::gen::resize(100, rc::gen::inRange<std::size_t>(0, total));
    return rc::gen::map(picks, [weightOf](std::size_t pick) {
        for (const auto& w : actWeights) {
            if (pick < weightOf(w)) return w.act;
            pick -= weightOf(w);
        }
        return Act::relist;
    });
}

// One step: what is done, and which photograph, folder or variant it falls on, chosen among
// those there are when it runs, so that a shrunk sequence still replays.
struct UserStep : rc::state::Command<Running, ReviewWorld> {
    Act act = Act::relist;
    int a = 0, b = 0, c = 0;

    explicit UserStep(const Running& state)
        : act(*nextAct(state.running)), a(*choice()), b(*choice()), c(*choice()) {}
    // Spread evenly whatever the sequence's size.
    static rc::Gen<int> choice() { return rc::gen::resize(100, rc::gen::inRange(0, 1000)); }

    // Between the two halves of a move: nothing, a listing, a kill and a start, or a quit and
    // a start.
    int pause(const Running& state) const { return state.running ? c % 4 : 0; }
    // A decision's or a listing's album write cut short by a kill.
    bool killedInWrite() const { return c % 8 == 0; }

    void checkPreconditions(const Running& state) const override {
        const bool possible = state.running ? !needsKeepsiftStopped(act) : !needsKeepsift(act);
        RC_PRE(possible);
    }
    void apply(Running& state) const override {
        if (quits(act)) state.running = false;
        if (act == Act::start) state.running = true;
        const bool decides = act == Act::handFlag || act == Act::handKeep || act == Act::ignore ||
                             act == Act::reset || act == Act::relist;
        if (decides && killedInWrite()) state.running = false;
    }
    void run(const Running& state, ReviewWorld& world) const override {
        world.nextStep();
        try {
            perform(state, world);
        } catch (const std::exception& error) {
            world.violate(std::string("(test) the step threw: ") + error.what());
        }
        world.checkModelMatchesDisk();
        if (const auto failure = world.failure()) RC_FAIL(*failure);
    }
    void show(std::ostream& os) const override {
        os << toString(act) << " (" << a << ", " << b << ", " << c << ")";
    }

private:
    template <class T> static const T& pick(const std::vector<T>& items, int n) {
        return items[static_cast<std::size_t>(n) % items.size()];
    }

    void perform(const Running& state, ReviewWorld& world) const {
        const auto photos = world.photos();
        switch (act) {
        case Act::copy: {
            if (photos.empty()) return world.note("copy: no photograph");
            const auto& from = pick(photos, a);
            const auto folders = ReviewWorld::folders(from, b % 3 == 2);
            const auto to = b % 3 == 0
                                ? world.freePath(ReviewWorld::join(
                                      ReviewWorld::folderOf(from),
                                      std::filesystem::path(from).stem().string() + " copy.jpg"))
                                : world.freePath(ReviewWorld::join(pick(folders, c),
                                                                   ReviewWorld::nameOf(from)));
            world.note("cp -a " + from + " " + to);
            return world.copyFile(from, to);
        }
        case Act::moveWithinDrive:
        case Act::moveToOtherDrive: {
            if (photos.empty()) return world.note("mv: no photograph");
            const auto& from = pick(photos, a);
            const auto folders = ReviewWorld::folders(from, act == Act::moveToOtherDrive);
            auto folder = pick(folders, b);
            if (folder == ReviewWorld::folderOf(from)) folder = pick(folders, b + 1);
            const auto to = world.freePath(ReviewWorld::join(folder, ReviewWorld::nameOf(from)));
            world.note("mv " + from + " " + to);
            return world.moveFile(from, to);
        }
        case Act::moveFolderByCopy:
            return moveFolderByCopy(state, world, photos);
        case Act::hardLinkThenRemove:
            return hardLinkThenRemove(state, world, photos);
        case Act::dedupLink:
            return dedupLink(world);
        case Act::renameFolder: {
            const auto folder = movableFolder(photos);
            if (folder.empty()) return world.note("rename a folder: none");
            static const std::vector<std::string> names = {"Holiday", "Archive", "Trip 2024"};
            const auto parent = std::filesystem::path(folder).parent_path().string();
            const auto to = world.freePath(ReviewWorld::join(parent, pick(names, b)));
            world.note("mv " + folder + "/ " + to + "/");
            return world.renameFolder(folder, to);
        }
        case Act::remove: {
            if (photos.empty()) return world.note("rm: no photograph");
            world.note("rm " + pick(photos, a));
            return world.removeFile(pick(photos, a));
        }
        case Act::rewriteInPlace: {
            if (photos.empty()) return world.note("rewrite: no photograph");
            const Content content = PicturePool::initial + b % PicturePool::fresh;
            world.note("rewrite " + pick(photos, a) + " with picture " + std::to_string(content) +
                       ", times put back");
            return world.rewrite(pick(photos, a), content);
        }
        case Act::replaceByLinkOrPipe: {
            if (photos.empty()) return world.note("replace: no photograph");
            const auto& path = pick(photos, a);
            const auto& other = pick(photos, b);
            world.removeFile(path);
            if (b % 2 == 0 && other != path) {
                world.note("replace " + path + " by a link to " + other);
                world.symlinkTo(other, path);
            } else {
                world.note("replace " + path + " by a pipe");
                ::mkfifo((world.pictures / path).c_str(), 0644);
            }
            return;
        }
        case Act::chmodAll:
            world.note(std::string("chmod -R o") + (b % 2 ? "+" : "-") + "r on the library");
            return world.chmodAll(b % 2 == 1);
        case Act::restoreFromTrash: {
            const auto items = world.trashItems();
            if (items.empty()) return world.note("restore: the Trash is empty");
            const auto& item = pick(items, a);
            if (item.original.empty() || world.exists(item.original))
                return world.note("restore " + item.original + ": its place is taken");
            world.note("restore " + item.original + " from the Trash");
            return world.restore(item);
        }
        case Act::handFlag:
        case Act::handKeep: {
            const auto ids = world.decidable();
            if (ids.empty()) return killedAnyway(world, "decide: nothing to decide");
            const auto& id = pick(ids, a);
            const bool keep = act == Act::handKeep;
            world.note(std::string(keep ? "keep " : "flag ") + id + " by hand");
            world.decideInKeepsift(killedInWrite(), [&] { world.engine->override(id, keep); });
            world.decidedInWindow(id, keep ? Kind::keep : Kind::flag);
            return;
        }
        case Act::ignore:
            return ignore(world);
        case Act::reset:
            return reset(world);
        case Act::albumLinkAdded:
            return albumLinkAdded(world);
        case Act::albumLinkRemoved:
            return albumLinkRemoved(world);
        case Act::deleteAll:
            world.note("delete all");
            return world.deleteAll();
        case Act::quit:
            world.note("quit");
            return world.quit();
        case Act::kill:
            world.note("kill");
            return world.kill();
        case Act::start:
            world.note("start");
            return world.startKeepsift();
        case Act::relist:
            world.note(killedInWrite() ? "relist, killed in its album write" : "relist");
            return killedInWrite() ? world.listingKilledInWrite() : world.listing();
        case Act::copiesAfterDeleteAll:
            return copiesAfterDeleteAll(world);
        case Act::rewriteThenLink:
            return rewriteThenLink(world, photos);
        case Act::linkPendingThenReplace:
            return linkPendingThenReplace(world, photos);
        case Act::quitAfterFolderCopy:
            return quitAfterFolderCopy(world, photos);
        case Act::quitWithDecisionInFlight:
            return quitWithDecisionInFlight(world);
        case Act::deleteAllWhileRewriting: {
            const Content content = PicturePool::initial + b % PicturePool::fresh;
            world.note("delete all, a tool rewriting what it moves first");
            return world.deleteAllRewritingOne(content);
        }
        case Act::folderReachableTwice: {
            const auto folder = movableFolder(photos);
            if (folder.empty()) return world.note("bind-mount a folder: none");
            if (!world.bindView(folder)) return world.note("bind-mount: nothing can be mounted");
            return world.note("mount --bind " + folder + " into the library");
        }
        case Act::earlierIndex:
            world.note("the saved index written as an earlier build wrote it, without digests");
            return world.saveAsEarlierBuild();
        case Act::remountCard:
            return remountCard(world);
        }
    }

    // The card unmounted while Keepsift is stopped and mounted at another folder, started
    // there and quit, then mounted at its own folder again, still stopped: both starts find
    // the card's photographs moved, with their reviews and album links.
    void remountCard(ReviewWorld& world) const {
        static const std::vector<std::string> folders = {"Card 2", "Media/Card"};
        const auto at = world.freePath(pick(folders, b));
        if (!world.moveCard(ReviewWorld::card, at))
            return world.note("mount the card elsewhere: it is no drive here");
        world.note("umount " + ReviewWorld::card + ", mount it at " + at + ", start, quit");
        world.startKeepsift();
        if (world.running()) world.quit();
        world.note("  umount " + at + ", mount it at " + ReviewWorld::card + " again");
        if (!world.moveCard(at, ReviewWorld::card))
            world.violate("(test) the card cannot be mounted at " + ReviewWorld::card + " again");
    }

    // "Delete all", and at once copies of the frames it left, into another folder and onto
    // the card, and a sibling frame renamed.
    void copiesAfterDeleteAll(ReviewWorld& world) const {
        world.note("delete all");
        world.deleteAll();
        std::vector<std::string> frames;
        for (const auto& [path, file] : world.model().files())
            if (PicturePool::burstFrame(file.content)) frames.push_back(path);
        if (frames.empty()) return world.note("  no frame left to copy");
        const auto& first = pick(frames, a);
        const auto dups = world.freePath(ReviewWorld::join("Dups", ReviewWorld::nameOf(first)));
        world.note("  cp -a " + first + " " + dups);
        world.copyFile(first, dups);
        const auto& second = pick(frames, a + 1);
        const auto onCard = world.freePath(ReviewWorld::join(
            ReviewWorld::card, std::filesystem::path(second).stem().string() + "-s2.jpg"));
        world.note("  cp -a " + second + " " + onCard);
        world.copyFile(second, onCard);
        const auto& renamed = pick(frames, a + 2);
        const auto to = world.freePath(
            ReviewWorld::join(ReviewWorld::folderOf(renamed),
                              std::filesystem::path(renamed).stem().string() + "-s1.jpg"));
        world.note("  mv " + renamed + " " + to);
        world.moveFile(renamed, to);
        if (b % 2) {
            world.note("  relist");
            world.listing();
        }
    }

    // A rewrite in place, times put back, and the user's link to it made just after, both
    // found by one listing, or the rewrite listed first.
    void rewriteThenLink(ReviewWorld& world, const std::vector<std::string>& photos) const {
        if (photos.empty() || !std::filesystem::is_directory(world.album()))
            return world.note("rewrite, then link: no photograph or no album folder yet");
        const auto& path = pick(photos, a);
        const Content content = PicturePool::initial + b % PicturePool::fresh;
        world.note("rewrite " + path + " with picture " + std::to_string(content) +
                   ", times put back");
        world.rewrite(path, content);
        if (world.running() && c % 2) {
            world.note("  relist");
            world.listing();
        }
        if (world.albumLinks().count(path)) return world.note("  already linked in the album");
        world.note("  ln -s ../" + path + " into the album");
        world.linkIntoAlbum(path);
    }

    // The user's link to a photograph listed but not measured yet, whose file is replaced,
    // by rm and cp or by mv of another, before Keepsift measures it.
    void linkPendingThenReplace(ReviewWorld& world, const std::vector<std::string>& photos) const {
        if (photos.empty() || !std::filesystem::is_directory(world.album()))
            return world.note("link a pending photograph: no photograph or no album folder yet");
        const auto path = world.freePath("Import/new.jpg");
        const Content content = PicturePool::initial + b % PicturePool::fresh;
        world.note("write " + path + " with picture " + std::to_string(content) +
                   ", listed before it is measured");
        world.write(path, content);
        world.listing(ReviewWorld::Reach::beforeMeasuring);
        if (!world.running()) return;
        world.note("  ln -s ../" + path + " into the album");
        world.linkIntoAlbum(path);
        if (c % 2) {
            world.note("  listed again, not measured");
            world.listing(ReviewWorld::Reach::beforeMeasuring);
        }
        if (!world.running()) return;
        world.afterChangeOf(world.album());
        const auto& other = pick(photos, b);
        if (c / 2 % 2 && !ReviewWorld::onCard(other)) {
            world.note("  mv " + other + " " + path);
            world.moveFile(other, path);
        } else {
            world.note("  rm " + path + ", cp -a " + other + " " + path);
            world.removeFile(path);
            world.copyFile(other, path);
        }
        world.note("  relist");
        world.listing();
    }

    void quitAfterFolderCopy(ReviewWorld& world, const std::vector<std::string>& photos) const {
        const auto folder = movableFolder(photos);
        if (folder.empty()) return world.note("copy a folder: none"), world.quit();
        const auto to = world.freePath(
            ReviewWorld::join("Copies", std::filesystem::path(folder).filename().string()));
        world.note("cp -a " + folder + "/ " + to +
                   "/, quit as Keepsift lists it, before its "
                   "album write");
        world.copyFolder(folder, to);
        world.listing(ReviewWorld::Reach::beforeAlbumWrite);
        if (world.running()) world.quit(true);
    }

    void quitWithDecisionInFlight(ReviewWorld& world) const {
        const auto ids = world.decidable();
        if (ids.empty()) return world.note("decide, then quit: nothing to decide"), world.quit();
        const auto& id = pick(ids, a);
        const bool keep = b % 2 == 0;
        world.note(std::string(keep ? "keep " : "flag ") + id +
                   " by hand, and quit before Keepsift has it");
        world.decidedInWindow(id, keep ? Kind::keep : Kind::flag);
        world.quitWithDecisionInFlight(id, keep);
    }

    void killedAnyway(ReviewWorld& world, const std::string& what) const {
        world.note(what);
        if (killedInWrite()) world.note("kill"), world.kill();
    }

    // A folder holding a photograph, that can be moved whole (not the library, not a drive).
    std::string movableFolder(const std::vector<std::string>& photos) const {
        for (std::size_t i = 0; i < photos.size(); ++i) {
            const auto folder = ReviewWorld::folderOf(pick(photos, a + static_cast<int>(i)));
            if (!folder.empty() && folder != ReviewWorld::card) return folder;
        }
        return {};
    }

    // What comes between the two halves of a move.
    void between(const Running& state, ReviewWorld& world) const {
        switch (pause(state)) {
        case 1:
            world.note("  relist");
            return world.listing();
        case 2:
            world.note("  kill, start");
            world.kill();
            return world.startKeepsift();
        case 3:
            world.note("  quit, start");
            world.quit();
            return world.startKeepsift();
        default:
            return;
        }
    }

    void moveFolderByCopy(const Running& state, ReviewWorld& world,
                          const std::vector<std::string>& photos) const {
        const auto folder = movableFolder(photos);
        if (folder.empty()) return world.note("move a folder: none");
        static const std::vector<std::string> parents = {"Old", "Moved", "Card/Backup", "Sorted"};
        auto parent = pick(parents, b);
        if (parent == folder || parent.starts_with(folder + "/")) parent = "Elsewhere";
        const auto to =
            world.freePath(ReviewWorld::join(parent, std::filesystem::path(folder).filename()));
        // Sometimes a listing finds the copies before `cp -a` puts their times back.
        const bool timesLater = pause(state) == 1 && b % 2 == 1;
        world.note("cp -a " + folder + "/ " + to + "/" +
                   (timesLater ? ", listed before its times are put back" : "") + ", then rm -r " +
                   folder);
        const auto copied = world.copyFolder(folder, to, timesLater);
        between(state, world);
        if (timesLater)
            for (const auto& path : copied)
                world.putTimeBack(path, to + path.substr(folder.size()));
        if (!world.failure()) world.removeFolder(folder);
    }

    void hardLinkThenRemove(const Running& state, ReviewWorld& world,
                            const std::vector<std::string>& photos) const {
        if (photos.empty()) return world.note("ln: no photograph");
        const auto& from = pick(photos, a);
        const auto folders = ReviewWorld::folders(from, false);
        const auto to =
            world.freePath(b % 2 ? ReviewWorld::join(ReviewWorld::folderOf(from), "linked.jpg")
                                 : ReviewWorld::join(pick(folders, b), ReviewWorld::nameOf(from)));
        world.note("ln " + from + " " + to + ", then rm " + from);
        world.hardLink(from, to);
        between(state, world);
        if (!world.failure()) world.removeFile(from);
    }

    // A de-duplication tool puts a link to one copy in the place of another.
    void dedupLink(ReviewWorld& world) const {
        std::vector<std::pair<std::string, std::string>> pairs;
        for (const auto& [p, fp] : world.model().files())
            for (const auto& [q, fq] : world.model().files())
                if (p != q && fp.content == fq.content && fp.number != fq.number)
                    pairs.emplace_back(p, q);
        if (pairs.empty()) return world.note("de-duplicate: no copies");
        const auto& [kept, replaced] = pick(pairs, a);
        world.removeFile(replaced);
        if (b % 2 == 0 && ReviewWorld::onCard(kept) == ReviewWorld::onCard(replaced)) {
            world.note("de-duplicate: " + replaced + " becomes a hard link to " + kept);
            world.hardLink(kept, replaced);
        } else {
            world.note("de-duplicate: " + replaced + " becomes a symbolic link to " + kept);
            world.symlinkTo(kept, replaced);
        }
    }

    std::vector<std::string> groups(ReviewWorld& world, bool reviewed) const {
        const auto index = world.engine->index();
        std::map<std::string, int> sizes;
        std::set<std::string> byHand;
        for (const auto& id : world.decidable()) {
            const auto& entry = index.entries.at(id);
            ++sizes[*entry.groupID];
            if (isSetByHand(entry.state)) byHand.insert(*entry.groupID);
        }
        std::vector<std::string> found;
        for (const auto& [group, size] : sizes)
            if (reviewed ? (byHand.count(group) || index.ignoredGroups.count(group))
                         : (size > 1 && !index.ignoredGroups.count(group)))
                found.push_back(group);
        return found;
    }

    void ignore(ReviewWorld& world) const {
        const auto found = groups(world, false);
        if (found.empty()) return killedAnyway(world, "ignore: no group");
        const auto& group = pick(found, a);
        const auto members = world.members(group);
        world.note("ignore the group of " + group);
        world.decideInKeepsift(killedInWrite(), [&] { world.engine->ignore(group); });
        for (const auto& id : members)
            world.decidedInWindow(id, Kind::ignore);
    }

    void reset(ReviewWorld& world) const {
        const auto found = groups(world, true);
        if (found.empty()) return killedAnyway(world, "reset: no group reviewed");
        const auto& group = pick(found, a);
        const auto members = world.members(group);
        world.note("reset the group of " + group);
        world.decideInKeepsift(killedInWrite(), [&] { world.engine->reset(group); });
        for (const auto& id : members)
            world.resetInWindow(id);
    }

    void albumLinkAdded(ReviewWorld& world) const {
        if (!std::filesystem::is_directory(world.album()))
            return world.note("link: no album folder yet");
        const auto links = world.albumLinks();
        std::vector<std::string> unlinked;
        for (const auto& [path, file] : world.model().files())
            if (!links.count(path)) unlinked.push_back(path);
        if (unlinked.empty()) return world.note("link: every photograph is linked");
        const auto& id = pick(unlinked, a);
        world.note("ln -s ../" + id + " into the album" +
                   (world.running() ? "" : " (Keepsift stopped)"));
        world.linkIntoAlbum(id);
    }

    void albumLinkRemoved(ReviewWorld& world) const {
        const auto links = world.albumLinks();
        if (links.empty()) return world.note("unlink: the album is empty");
        std::vector<std::string> ids;
        for (const auto& [id, link] : links)
            ids.push_back(id);
        const auto& id = pick(ids, a);
        std::filesystem::remove(links.at(id));
        world.note("rm the album's link to " + id + (world.running() ? "" : " (Keepsift stopped)"));
        const auto entry = world.running() ? world.engine->index().entry(id) : std::nullopt;
        if (world.model().files().count(id))
            world.albumEdited(id, Kind::keep, entry && isFlagged(entry->state));
    }
};

// Where a second drive cannot be mounted, the output says so.
class SecondDrive : public ::testing::Environment {
public:
    void SetUp() override {
        std::cout << (secondDriveMountable()
                          ? "Moves to another drive go to a tmpfs mounted inside the library.\n"
                          : "No second drive can be mounted here (not root): moves to another "
                            "drive stay on one drive.\n");
    }
};
const auto* const secondDrive = ::testing::AddGlobalTestEnvironment(new SecondDrive);

// Sequences of what users and their tools do, with the user's reviews checked after each step:
// (1) nothing reaches the Trash whose bytes Keepsift did not list as flagged; (2) nothing
// reaches the Trash that the user kept by hand or never saw flagged, and no hand flag stands
// where the user made none; (3) no hand decision or ignore is lost while a file that may take
// it remains; (4) after a quit the saved index, the album folder and the unsettled list agree.
RC_GTEST_PROP(ReviewSequences, KeepEveryReviewWhereTheRuleSays, ()) {
    ReviewWorld world;
    if (const auto failure = world.failure()) RC_FAIL(*failure);
    rc::state::check(Running{}, world, rc::state::gen::execOneOfWithArgs<UserStep>());
}

} // namespace
} // namespace keepsift::sequences
