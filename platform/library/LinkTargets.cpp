#include "platform/library/LinkTargets.hpp"

#include <climits>
#include <unistd.h>

#include "platform/library/MountPoint.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;

bool outside(const fs::path& relative) {
    return relative.empty() || relative == "." || *relative.begin() == "..";
}

} // namespace

LinkTargets::LinkTargets(const std::string& root) : realRoot_(realPathOf(root)) {}

// Read as text, not as paths: an album read goes through every link, and the folders named
// are few.
std::string LinkTargets::namedRelative(const Place& link) {
    if (!ready()) return {};
    const std::string path = link.path();
    char text[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), text, sizeof text);
    if (length <= 0 || static_cast<std::size_t>(length) == sizeof text) return {};
    const std::string target(text, static_cast<std::size_t>(length));
    const std::string named =
        target.front() == '/' ? target : path.substr(0, path.rfind('/') + 1) + target;
    const auto slash = named.rfind('/');
    const std::string name = named.substr(slash + 1);
    // A path that ends in a folder's own name ("..", ".") names that folder.
    const bool folderItself = name.empty() || name == "." || name == "..";
    const auto& folder = folderInLibrary(folderItself ? named
                                         : slash == 0 ? "/"
                                                      : named.substr(0, slash));
    if (!folder) return lexicalRelative(link, target);
    if (folder->empty()) return {};
    if (folderItself) return *folder == "." ? std::string() : *folder;
    return *folder == "." ? name : *folder + "/" + name;
}

const std::optional<std::string>& LinkTargets::folderInLibrary(const std::string& folder) {
    auto [found, added] = folders_.try_emplace(folder);
    if (!added) return found->second;
    const std::string real = realPathOf(folder);
    if (real.empty()) return found->second;
    if (real == realRoot_) {
        found->second.emplace(1, '.');
        return found->second;
    }
    std::string prefix = realRoot_;
    if (!prefix.ends_with('/')) prefix.push_back('/');
    return found->second = real.starts_with(prefix) ? real.substr(prefix.size()) : std::string();
}

// What the link's text names read as text alone, for a folder that cannot be resolved now: a
// link to a card that is away still names its photograph.
std::string LinkTargets::lexicalRelative(const Place& link, const fs::path& target) const {
    auto relative = target.is_absolute()
                        ? target.lexically_normal().lexically_relative(link.anchor)
                        : (fs::path(link.relative).parent_path() / target).lexically_normal();
    if (target.is_absolute() && outside(relative))
        relative = target.lexically_normal().lexically_relative(realRoot_);
    return outside(relative) ? std::string() : relative.string();
}

} // namespace keepsift
