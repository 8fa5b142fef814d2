#include "platform/library/LinkTargets.hpp"

#include "platform/library/MountPoint.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;

bool outside(const fs::path& relative) {
    return relative.empty() || relative == "." || *relative.begin() == "..";
}

} // namespace

LinkTargets::LinkTargets(const std::string& root) : realRoot_(realPathOf(root)) {}

std::string LinkTargets::namedRelative(const Place& link) {
    if (!ready()) return {};
    std::error_code error;
    const auto target = fs::read_symlink(link.path(), error);
    if (error || target.empty()) return {};
    const auto named = target.is_absolute() ? target : fs::path(link.path()).parent_path() / target;
    auto name = named.filename();
    // A path that ends in a folder's own name ("..", ".") names that folder.
    const bool folderItself = name.empty() || name == "." || name == "..";
    const auto& folder = folderInLibrary(folderItself ? named : named.parent_path());
    if (!folder) return lexicalRelative(link, target);
    if (folder->empty()) return {};
    if (folderItself) return *folder == "." ? std::string() : *folder;
    return *folder == "." ? name.string() : (fs::path(*folder) / name).string();
}

const std::optional<std::string>& LinkTargets::folderInLibrary(const fs::path& folder) {
    auto [found, added] = folders_.try_emplace(folder.string());
    if (!added) return found->second;
    const std::string real = realPathOf(folder.string());
    if (real.empty()) return found->second;
    if (real == realRoot_) return found->second = ".";
    const auto relative = fs::path(real).lexically_relative(realRoot_);
    return found->second = outside(relative) ? std::string() : relative.string();
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
