#pragma once

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <type_traits>
#include <unistd.h>
#include <utility>

#include "core/engine/UnsettledAlbum.hpp"
#include "core/scripted/ForwardingLibrary.hpp"
#include "photos/services/tests/EngineOverFolder.hpp"
#include "photos/services/tests/FileBytes.hpp"
#include "photos/services/tests/sequences/MeasuredPictures.hpp"
#include "photos/services/tests/sequences/PicturePool.hpp"
#include "photos/services/tests/sequences/ReviewModel.hpp"
#include "photos/services/tests/sequences/TrashMoveSeam.hpp"
#include "platform/library/tests/PrivateMounts.hpp"

namespace keepsift::sequences {

namespace fs = std::filesystem;

// Stands for a kill in the middle of an album write: the links are made, and the engine never
// hears back.
struct KilledInAlbumWrite : std::runtime_error {
    KilledInAlbumWrite() : std::runtime_error("killed in its album write") {}
};

class KillableAlbum : public ForwardingLibrary {
    void killIfArmed() {
        if (armed) {
            armed = false;
            throw KilledInAlbumWrite();
        }
    }
    template <class Write> auto thenKill(Write&& write) {
        if constexpr (std::is_void_v<decltype(write())>) {
            write();
            killIfArmed();
        } else {
            auto answer = write();
            killIfArmed();
            return answer;
        }
    }

public:
    using ForwardingLibrary::ForwardingLibrary;
    // Whatever the album write answers, handed on.
    using Answer = decltype(std::declval<ForwardingLibrary&>().setRejected({}, false));
    Answer setRejected(const std::vector<std::string>& ids, bool rejected) override {
        return thenKill([&] { return ForwardingLibrary::setRejected(ids, rejected); });
    }
    bool armed = false;
};

// Whether a second drive can be mounted inside a library: a tmpfs in a mount namespace of the
// test's own, asked for once before any thread starts.
inline bool secondDriveMountable() {
    static const bool mountable = [] {
        const auto at =
            fs::temp_directory_path() / ("keepsift-drive-probe-" + std::to_string(::getpid()));
        foldertest::PrivateMounts probe;
        const bool mounted = probe.tmpfs(at, 0755);
        probe.unmountAll();
        fs::remove_all(at);
        return mounted;
    }();
    return mountable;
}

// A library on disk, the engine over it, and the model of what the user did to both, for one
// sequence. Each step is done to the files and to Keepsift, and to the model, and what
// Keepsift shows is checked against the model; the first violation is returned with the
// steps that led to it.
class ReviewWorld : public testing::EngineOverFolder {
public:
    ReviewWorld() {
        LiveHome::SetUp();
        if (secondDriveMountable()) mounts_.tmpfs(pictures / card, 0755);
        fs::create_directories(pictures / card);
        const std::vector<std::string> start = {"Trip/IMG_101.jpg",         "Trip/IMG_102.jpg",
                                                "Trip/IMG_103.jpg",         "Import/holiday.jpg",
                                                "Shared/holiday-small.jpg", "beach.jpg"};
        for (int content = 0; content < PicturePool::initial; ++content)
            write(start[content], content);
        write("Import again/holiday.jpg", 3);
        startKeepsift();
    }
    ~ReviewWorld() override {
        if (std::getenv("KEEPSIFT_SEQUENCES_SHOW")) {
            std::cout << "sequence:\n";
            for (const auto& line : log_)
                std::cout << "  " << line << "\n";
        }
        engine.reset();
        services = {};
        mounts_.unmountAll();
        LiveHome::TearDown();
    }
    void TestBody() override {}
    using EngineOverFolder::album;
    using EngineOverFolder::engine;
    using LiveHome::pictures;

    bool running() const { return engine != nullptr; }
    std::optional<std::string> failure() const {
        if (violations_.empty()) return std::nullopt;
        std::ostringstream text;
        text << "steps:\n";
        for (const auto& line : log_)
            text << "  " << line << "\n";
        for (const auto& violation : violations_)
            text << "VIOLATION " << violation << "\n";
        return text.str();
    }
    void note(const std::string& line) { log_.push_back("s" + std::to_string(step_) + " " + line); }
    void nextStep() { ++step_; }
    Step step() const { return step_; }

    static const PicturePool& pool() {
        static const PicturePool pool = [] {
            std::vector<cv::Mat> images = {burstFrame(0), burstFrame(1), burstFrame(2), scene(5)};
            cv::Mat half;
            cv::resize(scene(5), half, {}, 0.5, 0.5, cv::INTER_AREA);
            images.push_back(half);
            images.push_back(scene(11));
            images.push_back(burstFrame(3));
            images.push_back(burstFrame(4));
            images.push_back(scene(23));
            images.push_back(scene(31));
            const std::vector<std::string> dates = {"2024:05:01 10:00:00", "2024:05:01 10:00:02",
                                                    "2024:05:01 10:00:04", "2024:06:01 09:00:00",
                                                    "2024:06:01 09:00:00", "2024:03:10 08:00:00",
                                                    "2024:05:01 10:00:06", "2024:05:01 10:00:08",
                                                    "2024:07:02 12:00:00", "2024:08:03 15:00:00"};
            return PicturePool(images, dates, [](const cv::Mat& image, const std::string& date) {
                return testing::withExif(
                    testing::encodedJpeg(image),
                    {{"Exif.Photo.DateTimeOriginal", date}, {"Exif.Image.Make", "Fujifilm"}});
            });
        }();
        return pool;
    }

    // ---- What the user's tools do to the files.

    std::vector<std::string> photos() const {
        std::vector<std::string> paths;
        for (const auto& [path, file] : model_.files())
            paths.push_back(path);
        return paths;
    }
    static bool onCard(const std::string& path) { return path.starts_with(card + "/"); }
    static std::string folderOf(const std::string& path) {
        return fs::path(path).parent_path().string();
    }
    static std::string nameOf(const std::string& path) {
        return fs::path(path).filename().string();
    }
    static std::string join(const std::string& folder, const std::string& name) {
        return folder.empty() ? name : folder + "/" + name;
    }
    // The path, or the first free one with a number added to its name.
    std::string freePath(const std::string& path) const {
        const fs::path wanted(path);
        std::string candidate = path;
        for (int n = 2; exists(candidate); ++n)
            candidate = (wanted.parent_path() / (wanted.stem().string() + " " + std::to_string(n) +
                                                 wanted.extension().string()))
                            .string();
        return candidate;
    }
    bool exists(const std::string& path) const {
        struct stat info {};
        return ::lstat((pictures / path).c_str(), &info) == 0;
    }
    // Folders a photograph may be put in on the drive of `path`, or on the other drive.
    static std::vector<std::string> folders(const std::string& path, bool otherDrive) {
        if (onCard(path) != otherDrive) return {card + "/DCIM", card + "/Backup", card + "/Old"};
        return {"Moved", "Old", "Sorted/2024", "Trip", "Import"};
    }

    void write(const std::string& path, Content content) {
        const auto& bytes = pool().bytes(content);
        fs::create_directories((pictures / path).parent_path());
        std::ofstream(pictures / path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        // Taken an hour ago: a copy's own time is told from it.
        fs::last_write_time(pictures / path,
                            fs::file_time_type::clock::now() - std::chrono::hours(1));
        model_.add(path, content);
    }
    // `cp -a`: the bytes and the modification time, which it may put back only once a listing
    // found the copy.
    void copyFile(const std::string& from, const std::string& to, bool timeLater = false) {
        fs::create_directories((pictures / to).parent_path());
        fs::copy_file(pictures / from, pictures / to);
        if (!timeLater) putTimeBack(from, to);
        model_.copy(from, to);
    }
    void putTimeBack(const std::string& from, const std::string& to) {
        fs::last_write_time(pictures / to, fs::last_write_time(pictures / from));
    }
    void moveFile(const std::string& from, const std::string& to) {
        fs::create_directories((pictures / to).parent_path());
        if (onCard(from) == onCard(to)) {
            fs::rename(pictures / from, pictures / to);
            model_.rename(from, to);
        } else {
            copyFile(from, to);
            removeFile(from);
        }
    }
    void removeFile(const std::string& path) {
        fs::remove(pictures / path);
        model_.remove(path);
    }
    void hardLink(const std::string& from, const std::string& to) {
        fs::create_directories((pictures / to).parent_path());
        fs::create_hard_link(pictures / from, pictures / to);
        model_.link(from, to);
        statusChanged(model_.files().at(from).number);
    }
    void symlinkTo(const std::string& target, const std::string& at) {
        fs::create_symlink(fs::path(target).lexically_relative(fs::path(at).parent_path()),
                           pictures / at);
    }
    // New bytes of the same size in place, its times put back as `touch -r` does.
    void rewrite(const std::string& path, Content content) {
        afterChangeOf(album());
        struct stat before {};
        ::stat((pictures / path).c_str(), &before);
        const auto& bytes = pool().bytes(content);
        const int fd = ::open((pictures / path).c_str(), O_WRONLY);
        if (fd >= 0) {
            [[maybe_unused]] const auto written = ::write(fd, bytes.data(), bytes.size());
            ::close(fd);
        }
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ::utimensat(AT_FDCWD, (pictures / path).c_str(), times, 0);
        model_.rewrite(path, content);
        statusChanged(model_.files().at(path).number);
    }
    // A link Keepsift has not read yet is older than the file's change, which a rewrite, the
    // same bytes again, a chmod and a hard link all move alike: Keepsift cannot tell the link
    // was made for the bytes the file holds now.
    void statusChanged(FileNumber number) {
        for (const auto& [path, edit] : albumEdits_)
            if (const auto file = model_.files().find(path);
                file != model_.files().end() && file->second.number == number)
                model_.soften(path);
    }
    // The photographs below a folder, copied as `cp -a` copies it.
    std::vector<std::string> copyFolder(const std::string& from, const std::string& to,
                                        bool timesLater = false) {
        std::vector<std::string> copied;
        for (const auto& path : photos())
            if (path.starts_with(from + "/")) {
                copyFile(path, to + path.substr(from.size()), timesLater);
                copied.push_back(path);
            }
        for (const auto& item : fs::recursive_directory_iterator(pictures / from))
            if (item.is_symlink()) {
                const auto target = pictures / to / item.path().lexically_relative(pictures / from);
                fs::create_directories(target.parent_path());
                fs::create_symlink(fs::read_symlink(item.path()), target);
            }
        return copied;
    }
    void removeFolder(const std::string& folder) {
        fs::remove_all(pictures / folder);
        for (const auto& path : photos())
            if (path.starts_with(folder + "/")) model_.remove(path);
    }
    void renameFolder(const std::string& from, const std::string& to) {
        fs::create_directories((pictures / to).parent_path());
        fs::rename(pictures / from, pictures / to);
        renamedInModel(from, to);
    }
    // The card's drive unmounted and mounted at another folder of the library, as a desktop
    // may name it anew: its files keep their numbers, so the user sees the card's folder
    // renamed. False where the card is no drive of its own.
    bool moveCard(const std::string& from, const std::string& to) {
        if (!secondDriveMountable()) return false;
        fs::create_directories(pictures / to);
        if (::mount((pictures / from).c_str(), (pictures / to).c_str(), nullptr, MS_MOVE,
                    nullptr) != 0)
            return false;
        renamedInModel(from, to);
        return true;
    }
    // `chmod -R o+r` or `o-r` over the library.
    void chmodAll(bool readable) {
        const auto options = readable ? fs::perm_options::add : fs::perm_options::remove;
        for (const auto& item : fs::recursive_directory_iterator(pictures)) {
            const auto type = item.symlink_status().type();
            if (type == fs::file_type::regular || type == fs::file_type::directory)
                fs::permissions(item.path(), fs::perms::others_read, options);
        }
        for (const auto& [path, file] : model_.files())
            statusChanged(file.number);
    }

    // Waits until the drive's clock, which ticks coarsely, has moved past the change time of
    // what is at the path, so that what the user does next is told from it by its times.
    void afterChangeOf(const fs::path& path) const {
        struct stat changed {};
        if (::lstat(path.c_str(), &changed) != 0) return;
        const auto probe = path.parent_path() / ".keepsift-clock";
        for (;;) {
            std::ofstream(probe).put('x');
            struct stat now {};
            const bool read = ::stat(probe.c_str(), &now) == 0;
            fs::remove(probe);
            if (!read || now.st_ctim.tv_sec > changed.st_ctim.tv_sec ||
                (now.st_ctim.tv_sec == changed.st_ctim.tv_sec &&
                 now.st_ctim.tv_nsec > changed.st_ctim.tv_nsec))
                return;
            std::this_thread::yield();
        }
    }
    // The user's link to the photograph at the path, added to the album: it speaks for the
    // file as it is now, and is a decision once Keepsift reads it (see `albumEdited`).
    void linkIntoAlbum(const std::string& id) {
        afterChangeOf(pictures / id);
        const auto link = album() / ("mine " + std::to_string(step_) + " " + nameOf(id));
        fs::create_symlink(fs::path("..") / id, link);
        // Keepsift reads it at its next listing, as the change watcher would have it list.
        const auto entry = running() ? engine->index().entry(id) : std::nullopt;
        albumEdited(id, Kind::flag,
                    entry && (entry->state == ReviewState::keeper ||
                              entry->state == ReviewState::keptByHand));
    }

    // A folder of the library reachable a second time inside it, through a bind mount; false
    // where nothing can be mounted.
    bool bindView(const std::string& folder) {
        const auto at = freePath("View");
        if (!mounts_.bind(pictures / folder, pictures / at)) return false;
        views_.push_back(at);
        return true;
    }
    bool inView(const std::string& path) const {
        return std::any_of(views_.begin(), views_.end(), [&](const std::string& view) {
            return path == view || path.starts_with(view + "/");
        });
    }

    // ---- The Trash.

    struct TrashItem {
        fs::path file, info;
        std::string original; // relative to the library
    };
    std::vector<TrashItem> trashItems() const {
        std::vector<TrashItem> items;
        const std::vector<std::pair<fs::path, fs::path>> trashes = {
            {root / "XDG_DATA_HOME" / "Trash", "/"},
            {pictures / card / (".Trash-" + std::to_string(::getuid())), pictures / card},
            {pictures / card / ".Trash" / std::to_string(::getuid()), pictures / card}};
        for (const auto& [trash, top] : trashes) {
            if (!fs::is_directory(trash / "files")) continue;
            for (const auto& file : fs::directory_iterator(trash / "files")) {
                TrashItem item{file.path(),
                               trash / "info" / (file.path().filename().string() + ".trashinfo"),
                               {}};
                std::ifstream info(item.info);
                for (std::string line; std::getline(info, line);)
                    if (line.starts_with("Path=")) {
                        const fs::path original = top / trashPathUnescaped(line.substr(5));
                        item.original = original.lexically_relative(pictures).string();
                    }
                items.push_back(item);
            }
        }
        return items;
    }
    void restore(const TrashItem& item) {
        if (inView(item.original)) return note("  (its place is a second name of a folder)");
        fs::create_directories((pictures / item.original).parent_path());
        fs::rename(item.file, pictures / item.original);
        fs::remove(item.info);
        const auto content = pool().contentOf(testing::bytesOf(pictures / item.original));
        const auto number = trashedNumbers_.find(item.file.string());
        model_.put(item.original, {content, number == trashedNumbers_.end() ? model_.newNumber()
                                                                            : number->second});
        // Keepsift may give it back its review: allowed, not asked for.
        model_.decide(item.original, Kind::flag, step_, false);
    }

    // ---- Keepsift.

    void startKeepsift() {
        seam_ = std::make_shared<TrashMoveSeam>();
        services = liveServicesThrough(seam_, pictures, {dialogs, dialogs});
        library_ = std::make_shared<KillableAlbum>(services.library);
        engine = std::make_unique<ScanEngine>(library_, services.extractor, storage,
                                              std::make_shared<SystemClock>());
        engine->ensureAuthorization(true);
        listing();
    }
    void kill() {
        engine.reset();
        services = {};
        library_.reset();
    }
    // A quit; when Keepsift was cut short on its way to an album write, its flush may leave
    // that write to the next start, through the unsettled list.
    void quit(bool albumWriteCut = false) {
        engine->flush();
        kill();
        checkAfterQuit(albumWriteCut);
    }
    // A quit whose flush comes while a decision the window took is on its way to Keepsift.
    void quitWithDecisionInFlight(const std::string& id, bool keep) {
        std::thread decision([&] {
            try {
                engine->override(id, keep);
            } catch (const std::exception& error) {
                note(std::string("  (its album write failed: ") + error.what() + ")");
            }
        });
        engine->flush();
        decision.join();
        kill();
        checkAfterQuit(true);
    }
    // The saved index as an earlier build wrote it, which kept no digests of the bytes.
    void saveAsEarlierBuild() {
        const std::string name(ScanEngine::indexFileName);
        const auto text = storage->read(name);
        if (!text) return note("  (no index saved yet)");
        auto index = LibraryIndex::decode(*text);
        for (auto& [id, entry] : index.entries) {
            entry.contentDigest.reset();
            entry.digestedAs.reset();
            entry.companionsAs = {};
        }
        storage->write(index.encoded(), name);
    }
    // How far a listing gets: all the way; the files listed, their measuring still to come; or
    // cut off by a quit before its album write.
    enum class Reach { full, beforeMeasuring, beforeAlbumWrite };
    // A listing as the change watcher and the idle pump bring it: the files listed, measured,
    // read back where their status moved, decided, and the album brought in step.
    void listing(Reach reach = Reach::full) {
        // A library that held photographs and holds none is taken for an unmounted drive.
        if (engine->authorization() != LibraryAuthorization::authorized) {
            engine->refreshAuthorization();
            if (engine->authorization() != LibraryAuthorization::authorized)
                return note("  (the library is unavailable: " +
                            std::string(toString(engine->authorization())) + ")");
        }
        try {
            engine->reconcileWithLibrary();
            if (reach != Reach::beforeMeasuring) {
                analyseAll();
                readBack();
                engine->reconcileWithLibrary();
                analyseAll();
            }
            engine->regroup();
            if (reach != Reach::beforeAlbumWrite) syncAlbum();
        } catch (const KilledInAlbumWrite&) {
            note("  (killed in the album write of that listing)");
            noteMeasurements();
            kill();
            return;
        }
        noteMeasurements();
        // A link the user changed is a decision made when Keepsift reads it: a file this
        // listing finds first was not listed after it.
        for (const auto& [id, edit] : albumEdits_) {
            const auto now = model_.files().find(id);
            if (now == model_.files().end() || !(now->second == edit.first)) model_.soften(id);
            model_.readAt(id, step_);
        }
        albumEdits_.clear();
        model_.list(step_);
        if (std::getenv("KEEPSIFT_SEQUENCES_SHOW")) note("  shows " + shown());
        checkReviews();
        checkListedOnce();
        if (reach == Reach::full) checkEveryMeasuredDecided();
    }
    // What picture each measurement Keepsift holds is of, learnt where it is first seen.
    void noteMeasurements() {
        for (const auto& [id, entry] : engine->index().entries) {
            const auto file = model_.files().find(id);
            if (entry.signals && entry.state != ReviewState::deleted &&
                file != model_.files().end())
                measured_.seen(*entry.signals, file->second.content);
        }
    }
    // The picture Keepsift reviewed for an entry: the one it measured, else the one its digest
    // names.
    Content reviewedPicture(const IndexEntry& entry) const {
        if (entry.signals)
            if (const auto picture = measured_.pictureOf(*entry.signals)) return *picture;
        return pool().contentOfDigest(entry.contentDigest);
    }
    // An album write that fails reaches the window; the next listing brings the album in step.
    void syncAlbum() {
        try {
            engine->syncRejectsAlbumIfNeeded();
        } catch (const KilledInAlbumWrite&) {
            throw;
        } catch (const std::exception& error) {
            note(std::string("  (the album write failed: ") + error.what() + ")");
        }
    }
    // A listing whose album write is cut short by a kill; killed at its end if it wrote none.
    void listingKilledInWrite() {
        library_->armed = true;
        listing();
        if (running()) kill();
    }
    // Runs a decision whose album write may be cut short by a kill.
    template <class Decision> void decideInKeepsift(bool killInWrite, Decision&& decision) {
        library_->armed = killInWrite;
        try {
            decision();
        } catch (const KilledInAlbumWrite&) {
        } catch (const std::exception& error) {
            note(std::string("  (its album write failed: ") + error.what() + ")");
        }
        if (killInWrite) {
            note("  (killed in its album write)");
            kill();
        }
    }

    // What Keepsift shows, for a reader of the steps.
    std::string shown() const {
        std::string text;
        for (const auto& [id, entry] : engine->index().entries)
            if (entry.state != ReviewState::deleted)
                text += id + "=" + std::string(toString(entry.state)) + " ";
        return text;
    }
    // Photographs shown in a group, which the user can decide by hand.
    std::vector<std::string> decidable() const {
        std::vector<std::string> ids;
        for (const auto& [id, entry] : engine->index().entries)
            if (entry.groupID && entry.state != ReviewState::pending &&
                entry.state != ReviewState::deleted && entry.state != ReviewState::skipped)
                ids.push_back(id);
        return ids;
    }
    std::vector<std::string> members(const std::string& group) const {
        std::vector<std::string> ids;
        for (const auto& [id, entry] : engine->index().entries)
            if (entry.groupID == group && entry.state != ReviewState::deleted) ids.push_back(id);
        return ids;
    }
    bool modelKnows(const std::string& id) const {
        return model_.files().count(id) || model_.listed(id);
    }
    ReviewModel& model() { return model_; }

    // The photographs the album's links name, by the text of each link.
    std::map<std::string, fs::path> albumLinks() const {
        std::map<std::string, fs::path> links;
        if (!fs::is_directory(album())) return links;
        for (const auto& link : fs::directory_iterator(album()))
            if (link.is_symlink())
                links[(album() / fs::read_symlink(link.path()))
                          .lexically_normal()
                          .lexically_relative(pictures)
                          .string()] = link.path();
        return links;
    }
    // A link the user added or took out: a decision once Keepsift reads it, if the file it
    // names is still the one it named then, and Keepsift showed the photograph decided, with no
    // album write of its own in doubt (while it runs, after its start's listing).
    // Else Keepsift may take the link as it is: an album write of its own cut short by a kill
    // may have left it so, and the weaker check allows both.
    // A link added speaks for the bytes the file holds as it is made.
    void albumEdited(const std::string& id, Kind kind, bool decided) {
        const auto bytes =
            kind == Kind::flag ? ReviewModel::Bytes::now : ReviewModel::Bytes::listed;
        if (decided)
            model_.decide(id, kind, step_, true, bytes);
        else
            model_.allow(id, kind, step_, bytes);
        albumEdits_[id] = {model_.files().at(id), kind};
    }
    // A decision in the window on a photograph whose link the user changed since Keepsift last
    // listed: which of the two Keepsift takes last depends on when it reads the album, so the
    // weaker check allows either.
    void decidedInWindow(const std::string& id, Kind kind) {
        if (!modelKnows(id)) return model_.decideOnNothing(id, kind, step_);
        if (const auto edit = albumEdits_.find(id); edit != albumEdits_.end()) {
            model_.allow(id, kind, step_);
            allowAlbumEdit(id, edit->second);
        } else {
            model_.decide(id, kind, step_);
        }
    }
    void resetInWindow(const std::string& id) {
        model_.end(id);
        if (const auto edit = albumEdits_.find(id); edit != albumEdits_.end())
            allowAlbumEdit(id, edit->second);
    }
    // The user's change to the album, still unread, allowed beside a decision in the window: a
    // link added speaks for the bytes the file held as it was made, as when it stands alone.
    void allowAlbumEdit(const std::string& id, const std::pair<FileState, Kind>& edit) {
        if (edit.second == Kind::flag)
            model_.allowOn(id, edit.second, step_, edit.first);
        else
            model_.allow(id, edit.second, step_);
    }

    // ---- "Delete all", checked against what the user saw when asking.

    void deleteAll() {
        std::set<std::string> before;
        for (const auto& item : trashItems())
            before.insert(item.file.string());
        // What Keepsift showed flagged, and the picture it had read for each.
        std::map<std::string, Content> flaggedAtAsk;
        for (const auto& entry : engine->index().flaggedEntries())
            flaggedAtAsk[entry.asset.id] = reviewedPicture(entry);
        std::set<std::string> keptAtAsk;
        // A link the user took out since Keepsift last listed may not have reached it yet: the
        // weaker check leaves it out.
        for (const auto& review : model_.reviews())
            if (review.required && review.kind != Kind::flag && !model_.uncertain(review.content) &&
                !albumEdits_.count(review.holder))
                keptAtAsk.insert(review.holder);
        int moved = 0;
        try {
            moved = static_cast<int>(engine->deleteBatch(std::nullopt, 0, true).deleted.size());
        } catch (const std::exception& error) {
            note(std::string("  (delete threw: ") + error.what() + ")");
        }
        note("  " + std::to_string(flaggedAtAsk.size()) + " flagged, " + std::to_string(moved) +
             " reported moved");
        for (const auto& item : trashItems())
            if (!before.count(item.file.string())) checkTrashed(item, flaggedAtAsk, keptAtAsk);
    }

    void checkTrashed(const TrashItem& item, const std::map<std::string, Content>& flaggedAtAsk,
                      const std::set<std::string>& keptAtAsk) {
        const auto content = pool().contentOf(testing::bytesOf(item.file));
        const auto shown = model_.listed(item.original);
        note("  trashed " + item.original + " holding picture " + std::to_string(content));
        const auto asked = flaggedAtAsk.find(item.original);
        // The picture Keepsift read for it, else (no digest) what its last listing found.
        const auto reviewed = asked != flaggedAtAsk.end() && asked->second >= 0
                                  ? std::optional<Content>(asked->second)
                              : shown ? std::optional<Content>(shown->content)
                                      : std::nullopt;
        if (reviewed != content)
            violate("(1) " + item.original + " reached the Trash holding picture " +
                    std::to_string(content) + ", but Keepsift reviewed " +
                    (reviewed ? "picture " + std::to_string(*reviewed) : "nothing") + " there");
        if (asked == flaggedAtAsk.end())
            violate("(2) " + item.original + " reached the Trash, not flagged when asked");
        if (keptAtAsk.count(item.original))
            violate("(2) " + item.original + " reached the Trash, kept by hand");
        if (inView(item.original))
            violate("(6) " + item.original +
                    " reached the Trash through a second name of a folder, taking away the file "
                    "behind its first");
        if (const auto file = model_.files().find(item.original); file != model_.files().end())
            trashedNumbers_[item.file.string()] = file->second.number;
        if (!exists(item.original)) model_.remove(item.original);
        model_.end(item.original);
    }

    // "Delete all", with a tool rewriting one of its photographs as it is moved: after the
    // delete's comparing read, before it lands in the Trash.
    void deleteAllRewritingOne(Content content) {
        seam_->beforeTrashMove = [this, content](const std::string& moved) {
            // A Trash at the top of the card names its files from there.
            const auto path = fs::path(moved).is_absolute()
                                  ? fs::path(moved).lexically_relative(pictures).string()
                                  : card + "/" + moved;
            if (!model_.files().count(path)) return false;
            note("  rewrite " + path + " with picture " + std::to_string(content) +
                 ", times put back, as it is moved");
            rewrite(path, content);
            return true;
        };
        deleteAll();
        seam_->beforeTrashMove = nullptr;
    }

    // ---- Checks.

    void violate(const std::string& what) { violations_.push_back(what); }

    // After a listing: every review the rule settles is where the rule puts it, and no hand
    // flag stands where none may.
    void checkReviews() {
        const auto index = engine->index();
        for (const auto& review : model_.reviews()) {
            if (!review.required || model_.uncertain(review.content)) continue;
            const auto wanted =
                review.kind == Kind::flag ? ReviewState::flaggedByHand : ReviewState::keptByHand;
            const auto entry = index.entries.find(review.holder);
            if (entry == index.entries.end() || entry->second.state != wanted)
                violate("(3) the hand " + std::string(toString(review.kind)) + " made at s" +
                        std::to_string(review.madeAt) + " for picture " +
                        std::to_string(review.content) + " belongs to " + review.holder +
                        ", which Keepsift shows " +
                        (entry == index.entries.end()
                             ? std::string("not at all")
                             : std::string(toString(entry->second.state))));
        }
        for (const auto& [id, entry] : index.entries) {
            if (entry.state != ReviewState::flaggedByHand) continue;
            const auto file = model_.files().find(id);
            if (file != model_.files().end() && model_.uncertain(file->second.content)) continue;
            const bool made = std::any_of(
                model_.reviews().begin(), model_.reviews().end(), [&](const Review& review) {
                    return review.holder == id && review.kind == Kind::flag;
                });
            if (!made)
                violate("(2) " + id + " is flagged by hand, which no flag of the user's may be");
        }
    }

    // Once Keepsift is idle, every photograph it measured is decided.
    void checkEveryMeasuredDecided() {
        for (const auto& [id, entry] : engine->index().entries)
            if (entry.state == ReviewState::pending && entry.signals)
                violate("(5) " + id + " is measured and still pending once Keepsift is idle");
    }
    // A folder reachable twice is listed once, by the name it was listed by first.
    void checkListedOnce() {
        for (const auto& [id, entry] : engine->index().entries)
            if (entry.state != ReviewState::deleted && inView(id))
                violate("(6) " + id + " is listed: a second name of a photograph listed already");
    }

    // After a quit: the saved index, the album folder and the unsettled list agree, or where
    // an album write was cut short, the unsettled list names what they disagree on.
    void checkAfterQuit(bool albumWriteCut = false) {
        const auto text = storage->read(std::string(ScanEngine::indexFileName));
        if (!text) return violate("(4) no index saved at the quit");
        const auto saved = LibraryIndex::decode(std::string(text->begin(), text->end()));
        std::set<std::string> linked, flagged;
        for (const auto& [id, entry] : saved.entries) {
            if (entry.state != ReviewState::deleted && entry.asset.isRejected) linked.insert(id);
            if (isFlagged(entry.state)) flagged.insert(id);
        }
        // Links the user changed since Keepsift last listed wait for its next start; a
        // photograph gone from its place since may have no link: a decision made on it in a
        // window that still showed it, whose album write failed.
        const auto edited = [&](const std::string& id) { return albumEdits_.count(id) > 0; };
        const auto gone = [&](const std::string& id) { return !model_.files().count(id); };
        std::set<std::string> unsettled;
        if (const auto text = storage->read(std::string(UnsettledAlbum::fileName)))
            if (const auto decoded = UnsettledAlbum::decode(*text)) unsettled = decoded->ids;
        // A link to a photograph that left, its removal cut short, waits there too.
        const auto waiting = unsettled;
        std::erase_if(unsettled, gone);
        // A link left at a photograph to be measured again waits for its decision.
        std::erase_if(unsettled, [&](const std::string& id) {
            const auto found = saved.entries.find(id);
            return found != saved.entries.end() && found->second.state == ReviewState::pending;
        });
        const auto left = [&](const std::string& id) {
            return edited(id) || (albumWriteCut && waiting.count(id));
        };
        std::set<std::string> named;
        for (const auto& [id, link] : albumLinks())
            if (!left(id)) named.insert(id);
        std::erase_if(linked, left);
        for (const auto& id : named)
            if (!linked.count(id))
                violate("(4) after the quit the album links " + id +
                        (gone(id) ? ", which left, " : ", ") + "and the saved index does not");
        for (const auto& id : linked)
            if (!named.count(id) && !gone(id))
                violate("(4) after the quit the saved index links " + id + ", the album does not");
        for (const auto& id : flagged)
            if (!named.count(id) && !left(id) && !gone(id))
                violate("(4) after the quit " + id +
                        " is flagged in the saved index, unlinked, and not in the unsettled list");
        std::string listed;
        for (const auto& id : unsettled)
            listed += " " + id;
        if (!albumWriteCut && !unsettled.empty())
            violate("(4) after the quit the unsettled list holds" + listed);
    }

    // The library on disk is the one the model holds: a fault of the test, not of Keepsift.
    void checkModelMatchesDisk() {
        std::map<std::string, Content> onDisk;
        for (auto item = fs::recursive_directory_iterator(pictures);
             item != fs::recursive_directory_iterator(); ++item) {
            const auto name = item->path().filename().string();
            const auto type = item->symlink_status().type();
            if (type == fs::file_type::directory &&
                (name.starts_with(".Trash") || item->path() == album() ||
                 inView(item->path().lexically_relative(pictures).string()))) {
                item.disable_recursion_pending();
                continue;
            }
            if (type == fs::file_type::regular)
                onDisk[item->path().lexically_relative(pictures).string()] =
                    pool().contentOf(testing::bytesOf(item->path()));
        }
        std::map<std::string, Content> modelled;
        for (const auto& [path, file] : model_.files())
            modelled[path] = file.content;
        if (onDisk != modelled) violate("(test) the model no longer matches the files on disk");
    }

    static inline const std::string card = "Card";

private:
    void renamedInModel(const std::string& from, const std::string& to) {
        for (const auto& path : photos())
            if (path.starts_with(from + "/")) model_.rename(path, to + path.substr(from.size()));
    }

    ReviewModel model_;
    MeasuredPictures measured_;
    std::shared_ptr<KillableAlbum> library_;
    std::shared_ptr<TrashMoveSeam> seam_;
    // Second names of library folders, through bind mounts.
    std::vector<std::string> views_;
    foldertest::PrivateMounts mounts_;
    std::map<std::string, FileNumber> trashedNumbers_;
    std::map<std::string, std::pair<FileState, Kind>> albumEdits_;
    std::vector<std::string> log_;
    std::vector<std::string> violations_;
    Step step_ = 0;
};

} // namespace keepsift::sequences
