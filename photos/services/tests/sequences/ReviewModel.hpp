#pragma once

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace keepsift::sequences {

// A picture of the pool the sequences write: the same number, the same bytes.
using Content = int;
// The model's own name for a file: its hard links share it, a copy gets another.
using FileNumber = int;
// Steps of a sequence, counted from its first listing.
using Step = int;

enum class Kind { keep, flag, ignore };

inline const char* toString(Kind kind) {
    switch (kind) {
    case Kind::keep:
        return "keep";
    case Kind::flag:
        return "flag";
    case Kind::ignore:
        return "ignore";
    }
    return "?";
}

// A review the user made: the bytes Keepsift showed, the file that holds it now as the rule
// passes it on, and when it was made. One that is not `required` may or may not have reached
// Keepsift (a link made while it was stopped, a photograph put back from the Trash): it is
// allowed where it stands, never asked for.
struct Review {
    Kind kind = Kind::keep;
    Content content = 0;
    std::string holder;
    FileNumber file = 0;
    Step madeAt = 0;
    bool required = true;
};

struct FileState {
    Content content = 0;
    FileNumber number = 0;
    bool operator==(const FileState&) const = default;
};

// What the user did and what it means for the reviews, without Keepsift: the library as the
// user's tools leave it, and where each review belongs after each listing by the rule users
// are promised. A review stays with its file while the file holds the reviewed bytes at its
// path; else it passes to at most one file that holds those bytes and that may take it: one
// new to the listing, or first listed after the review was made, with no review of its own.
// The same file (a rename, a move on one drive, a hard link) takes it first. Of the rest, none
// takes a review when more files could take those bytes' reviews than reviews leave;
// otherwise they pair by the longest common end of their paths, then the same name, then the
// only one left. Where that pairing is not clear-cut the bytes are marked uncertain and no
// check rests on reviews of them: the model asks only what the rule settles.
class ReviewModel {
public:
    static constexpr Content noPhotograph = -1;
    const std::map<std::string, FileState>& files() const { return files_; }
    const std::vector<Review>& reviews() const { return reviews_; }
    bool uncertain(Content content) const { return uncertain_.count(content) > 0; }
    // The file at the path as the last listing found it.
    std::optional<FileState> listed(const std::string& path) const {
        const auto found = listed_.find(path);
        if (found == listed_.end()) return std::nullopt;
        return found->second;
    }
    std::optional<Step> firstListed(const std::string& path) const {
        const auto found = firstListed_.find(path);
        if (found == firstListed_.end()) return std::nullopt;
        return found->second;
    }

    // The library as the user's tools leave it.
    void add(const std::string& path, Content content) { files_[path] = {content, next_++}; }
    void copy(const std::string& from, const std::string& to) {
        files_[to] = {files_.at(from).content, next_++};
    }
    void link(const std::string& from, const std::string& to) { files_[to] = files_.at(from); }
    void rename(const std::string& from, const std::string& to) {
        const auto file = files_.at(from);
        files_.erase(from);
        files_[to] = file;
    }
    void remove(const std::string& path) { files_.erase(path); }
    // Every name of the file holds the new bytes.
    void rewrite(const std::string& path, Content content) {
        const auto number = files_.at(path).number;
        for (auto& [other, file] : files_)
            if (file.number == number) file.content = content;
    }
    void put(const std::string& path, FileState file) { files_[path] = file; }
    FileNumber newNumber() { return next_++; }

    // Which bytes a decision is on: those Keepsift listed at the path (a decision in the
    // window), or those the file holds as it is made (a link the user makes speaks for the
    // file as it is then, changed since the listing or not).
    enum class Bytes { listed, now };

    // A decision on the photograph Keepsift listed at the path; it replaces any review the
    // path held.
    void decide(const std::string& path, Kind kind, Step at, bool required = true,
                Bytes bytes = Bytes::listed) {
        const auto shown = listed(path);
        const auto file = reviewed(path, bytes);
        end(path);
        reviews_.push_back(
            {kind, file.content, path, file.number, at, required && shown.has_value()});
    }
    // A decision that may or may not reach Keepsift beside what the path holds: either may
    // stand.
    void allow(const std::string& path, Kind kind, Step at, Bytes bytes = Bytes::listed) {
        allowOn(path, kind, at, reviewed(path, bytes));
    }
    // The same, on the bytes the file held when the decision was made.
    void allowOn(const std::string& path, Kind kind, Step at, FileState file) {
        soften(path);
        reviews_.push_back({kind, file.content, path, file.number, at, false});
    }
    // A decision on what Keepsift still shows at a path that holds no photograph now (a pipe,
    // a link, nothing): it may stand while the path holds none.
    void decideOnNothing(const std::string& path, Kind kind, Step at) {
        end(path);
        reviews_.push_back({kind, noPhotograph, path, 0, at, false});
    }
    // The review at the path reaches Keepsift only now, as a listing reads it.
    void readAt(const std::string& path, Step at) {
        for (auto& review : reviews_)
            if (review.holder == path) review.madeAt = at;
    }
    // The review at the path may not have reached Keepsift.
    void soften(const std::string& path) {
        for (auto& review : reviews_)
            if (review.holder == path) review.required = false;
    }
    // Reviews the file at the path holds end: Reset, or its photograph went to the Trash.
    void end(const std::string& path) {
        std::erase_if(reviews_, [&](const Review& review) { return review.holder == path; });
    }

    // A listing by Keepsift: reviews pass as the rule says, and what it found is remembered.
    void list(Step at) {
        noteMoves();
        std::set<std::string> held;
        std::map<Content, std::vector<Review*>> leaving;
        for (auto& review : reviews_) {
            const auto found = files_.find(review.holder);
            if (review.content == noPhotograph && found == files_.end()) {
                held.insert(review.holder);
            } else if (found != files_.end() && found->second.content == review.content) {
                review.file = found->second.number;
                held.insert(review.holder);
            } else {
                leaving[review.content].push_back(&review);
            }
        }
        std::set<Review*> ended;
        for (auto& [content, going] : leaving)
            pass(content, going, held, ended);
        std::erase_if(reviews_, [&](Review& review) { return ended.count(&review) > 0; });
        for (const auto& [path, file] : files_) {
            const auto before = listed_.find(path);
            if (before == listed_.end() || before->second.number != file.number) {
                const auto moved = movedFrom_.find(path);
                firstListed_[path] = moved == movedFrom_.end() ? at : moved->second;
            }
            listed_[path] = file;
        }
        std::erase_if(listed_, [&](const auto& item) { return !files_.count(item.first); });
        std::erase_if(firstListed_, [&](const auto& item) { return !files_.count(item.first); });
        movedFrom_.clear();
    }

private:
    FileState reviewed(const std::string& path, Bytes bytes) const {
        const auto shown = listed(path);
        return bytes == Bytes::listed && shown ? *shown : files_.at(path);
    }
    // Whether the file at the path is new to this listing.
    bool isNew(const std::string& path) const {
        const auto before = listed_.find(path);
        return before == listed_.end() || before->second.number != files_.at(path).number;
    }
    // Files renamed or moved on their drive since the last listing, from the one place they
    // were listed at: they keep when they were first listed.
    void noteMoves() {
        std::map<FileNumber, std::vector<std::string>> left;
        for (const auto& [path, file] : listed_) {
            const auto now = files_.find(path);
            if (now == files_.end() || now->second.number != file.number)
                left[file.number].push_back(path);
        }
        std::map<FileNumber, std::vector<std::string>> arrived;
        for (const auto& [path, file] : files_)
            if (isNew(path)) arrived[file.number].push_back(path);
        for (const auto& [number, paths] : arrived) {
            const auto from = left.find(number);
            if (paths.size() == 1 && from != left.end() && from->second.size() == 1)
                movedFrom_[paths.front()] = firstListed_.at(from->second.front());
        }
    }
    // Whether the file at the path may take the review, as this listing finds it: the same
    // file at a new place, or a file first listed after the review was made (a file moved
    // since keeps when it was first listed at its old place).
    bool mayTake(const std::string& path, const Review& review) const {
        const auto& file = files_.at(path);
        if (file.content != review.content || path == review.holder) return false;
        if (isNew(path)) {
            if (file.number == review.file) return true;
            const auto moved = movedFrom_.find(path);
            return moved == movedFrom_.end() || moved->second > review.madeAt;
        }
        return firstListed_.at(path) > review.madeAt;
    }

    static int commonEnd(const std::string& a, const std::string& b) {
        const std::filesystem::path pa(a), pb(b);
        std::vector<std::string> ea, eb;
        for (const auto& part : pa)
            ea.push_back(part.string());
        for (const auto& part : pb)
            eb.push_back(part.string());
        int common = 0;
        while (common < static_cast<int>(std::min(ea.size(), eb.size())) &&
               ea[ea.size() - 1 - common] == eb[eb.size() - 1 - common])
            ++common;
        return common;
    }

    // Reviews of one file allowed side by side (either may be the one Keepsift took) go
    // together: the first of them is paired, and the others follow it where they may.
    void pass(Content content, std::vector<Review*> going, std::set<std::string>& held,
              std::set<Review*>& ended) {
        std::map<std::string, Review*> first;
        std::vector<std::pair<Review*, Review*>> following;
        std::erase_if(going, [&](Review* review) {
            const auto [lead, isFirst] = first.emplace(review->holder, review);
            if (!isFirst) following.emplace_back(review, lead->second);
            return !isFirst;
        });
        passApart(content, going, held, ended);
        for (const auto& [review, lead] : following) {
            if (ended.count(lead) || !mayTake(lead->holder, *review)) {
                ended.insert(review);
                continue;
            }
            review->holder = lead->holder;
            review->file = lead->file;
        }
    }

    void passApart(Content content, std::vector<Review*> going, std::set<std::string>& held,
                   std::set<Review*>& ended) {
        std::set<std::string> candidates;
        for (const auto& [path, file] : files_)
            if (file.content == content && !held.count(path))
                for (const auto* review : going)
                    if (mayTake(path, *review)) candidates.insert(path);
        const auto take = [&](Review* review, const std::string& path) {
            review->holder = path;
            review->file = files_.at(path).number;
            held.insert(path);
            candidates.erase(path);
        };
        std::vector<Review*> rest;
        for (auto* review : going) {
            std::vector<std::string> same;
            for (const auto& path : candidates)
                if (files_.at(path).number == review->file && mayTake(path, *review))
                    same.push_back(path);
            if (same.size() == 1)
                take(review, same.front());
            else {
                if (same.size() > 1) uncertain_.insert(content);
                rest.push_back(review);
            }
        }
        if (candidates.empty() || candidates.size() > rest.size()) {
            ended.insert(rest.begin(), rest.end());
            return;
        }
        pair(content, rest, candidates, take);
        ended.insert(rest.begin(), rest.end());
    }

    // One to one by the longest common end of the paths; reviews left over end.
    template <class Take>
    void pair(Content content, std::vector<Review*>& rest, std::set<std::string>& candidates,
              Take&& take) {
        while (!rest.empty() && !candidates.empty()) {
            int best = -1;
            std::vector<std::pair<Review*, std::string>> tied;
            for (auto* review : rest)
                for (const auto& path : candidates) {
                    if (!mayTake(path, *review)) continue;
                    const int score = commonEnd(review->holder, path);
                    if (score > best) tied.clear(), best = score;
                    if (score == best) tied.emplace_back(review, path);
                }
            if (tied.empty()) return;
            std::map<Review*, int> perReview;
            std::map<std::string, int> perPath;
            for (const auto& [review, path] : tied)
                ++perReview[review], ++perPath[path];
            const bool clear = std::all_of(perReview.begin(), perReview.end(),
                                           [](const auto& item) { return item.second == 1; }) &&
                               std::all_of(perPath.begin(), perPath.end(),
                                           [](const auto& item) { return item.second == 1; }) &&
                               (best > 0 || (rest.size() == 1 && candidates.size() == 1));
            if (!clear) {
                uncertain_.insert(content);
                return;
            }
            for (const auto& [review, path] : tied) {
                take(review, path);
                // A flag that passes by its name alone, to a copy of another photograph the
                // user saw, is not asked for: not passing it is the safe side.
                // Nor is any that passes as the only one left, to another name in another
                // folder.
                if ((best < 2 && review->kind == Kind::flag) || best == 0) review->required = false;
                std::erase(rest, review);
            }
        }
    }

    std::map<std::string, FileState> files_;
    std::map<std::string, FileState> listed_;
    std::map<std::string, Step> firstListed_;
    // Files moved since the last listing, with when they were first listed.
    std::map<std::string, Step> movedFrom_;
    std::vector<Review> reviews_;
    std::set<Content> uncertain_;
    FileNumber next_ = 1;
};

} // namespace keepsift::sequences
