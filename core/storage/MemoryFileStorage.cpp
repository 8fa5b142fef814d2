#include "core/storage/MemoryFileStorage.hpp"

#include "core/storage/SortedKeys.hpp"

namespace keepsift {

MemoryFileStorage::MemoryFileStorage(std::map<std::string, Data> files)
    : files_(std::move(files)) {}

std::optional<Data> MemoryFileStorage::read(const std::string& name) const {
    std::lock_guard guard(lock_);
    const auto found = files_.find(name);
    if (found == files_.end()) return std::nullopt;
    return found->second;
}

void MemoryFileStorage::write(const Data& data, const std::string& name) {
    std::exception_ptr failure;
    {
        std::lock_guard guard(lock_);
        std::swap(failure, failNextWrite_);
    }
    if (failure) std::rethrow_exception(failure);
    std::lock_guard guard(lock_);
    files_[name] = data;
}

void MemoryFileStorage::remove(const std::string& name) {
    std::lock_guard guard(lock_);
    files_.erase(name);
}

std::vector<std::string> MemoryFileStorage::storedNames() const {
    std::lock_guard guard(lock_);
    return sortedKeys(files_);
}

void MemoryFileStorage::setFailNextWrite(std::exception_ptr error) {
    std::lock_guard guard(lock_);
    failNextWrite_ = std::move(error);
}

std::exception_ptr MemoryFileStorage::failNextWrite() const {
    std::lock_guard guard(lock_);
    return failNextWrite_;
}

} // namespace keepsift
