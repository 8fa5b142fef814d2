#include "core/storage/KeptCopies.hpp"

namespace keepsift::keptcopies {
namespace {

// The first free number; when all are taken the oldest copy goes and the others move down.
std::string freeName(FileStorage& storage, const std::string& file) {
    for (int copy = 1; copy <= limit; ++copy)
        if (!storage.exists(name(file, copy))) return name(file, copy);
    storage.remove(name(file, 1));
    for (int copy = 2; copy <= limit; ++copy)
        storage.move(name(file, copy), name(file, copy - 1));
    return name(file, limit);
}

} // namespace

std::string name(const std::string& file, int copy) {
    std::string kept = file + ".unreadable";
    return copy > 1 ? kept + "." + std::to_string(copy) : kept;
}

// The same damaged file met at every start is kept once.
std::optional<std::string> keep(FileStorage& storage, const std::string& file,
                                const std::optional<Data>& content) {
    if (content)
        for (int copy = 1; copy <= limit; ++copy)
            if (storage.read(name(file, copy)) == content) return std::nullopt;
    const std::string copy = freeName(storage, file);
    if (content)
        storage.write(*content, copy);
    else
        storage.move(file, copy);
    return copy;
}

} // namespace keepsift::keptcopies
