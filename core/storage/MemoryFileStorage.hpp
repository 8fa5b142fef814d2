#pragma once

#include <exception>
#include <map>
#include <mutex>
#include <vector>

#include "core/storage/FileStorage.hpp"

namespace keepsift {

// Files in memory, with a one-shot injected write failure for tests.
class MemoryFileStorage : public FileStorage {
public:
    explicit MemoryFileStorage(std::map<std::string, Data> files = {});

    std::optional<Data> read(const std::string& name) const override;
    void write(const Data& data, const std::string& name) override;
    void remove(const std::string& name) override;

    std::vector<std::string> storedNames() const;
    // The next write throws this error and stores nothing.
    void setFailNextWrite(std::exception_ptr error);
    std::exception_ptr failNextWrite() const;

private:
    std::map<std::string, Data> files_;
    mutable std::mutex lock_;
    std::exception_ptr failNextWrite_;
};

} // namespace keepsift
