#include <iostream>

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
                                        "relist"};
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
        return true;
    default:
        return false;
    }
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
};

rc::Gen<Act> nextAct(bool running) {
    const auto weightOf = [running](const ActWeight& w) { return running ? w.running : w.stopped; };
    std::size_t total = 0;
    for (const auto& w : actWeights)
        total += weightOf(w);
    return rc::gen::map(rc::gen::inRange<std::size_t>(0, total), [weightOf](std::size_t pick) {
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
        const bool possible =
            state.running ? act != Act::start : act == Act::start || !needsKeepsift(act);
        RC_PRE(possible);
    }
    void apply(Running& state) const override {
        if (act == Act::quit || act == Act::kill) state.running = false;
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
        }
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
        const auto link = world.album() /
                          ("mine " + std::to_string(world.step()) + " " + ReviewWorld::nameOf(id));
        std::filesystem::create_symlink(std::filesystem::path("..") / id, link);
        world.note("ln -s ../" + id + " into the album" +
                   (world.running() ? "" : " (Keepsift stopped)"));
        // Keepsift reads it at its next listing, as the change watcher would have it list.
        const auto entry = world.running() ? world.engine->index().entry(id) : std::nullopt;
        world.albumEdited(id, Kind::flag,
                          entry && (entry->state == ReviewState::keeper ||
                                    entry->state == ReviewState::keptByHand));
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
