#include "platform/defaults/FileUserDefaults.hpp"

#include "core/storage/KeptCopies.hpp"
#include "core/support/Base64.hpp"
#include "core/support/Logger.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/PrivateFiles.hpp"
#include "platform/files/XdgFolders.hpp"
#include "system/storage/ApplicationSupportStorage.hpp"

namespace keepsift {
namespace {

const Logger& log() {
    static const Logger logger("com.ambervale.keepsift", "defaults");
    return logger;
}

std::optional<Data> decodedData(const Json& value) {
    if (value.type() != Json::Type::string) return std::nullopt;
    auto bytes = base64Decode(value.asString());
    if (!bytes) return std::nullopt;
    return Data(bytes->begin(), bytes->end());
}

Json encodedData(const Data& data) {
    return Json(base64Encode(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
}

// Far above what the few records kept here take.
constexpr std::size_t largestFileBytes = 16 * 1024 * 1024;

} // namespace

FileUserDefaults::FileUserDefaults(std::filesystem::path file) : file_(std::move(file)) {
    load();
}

std::filesystem::path FileUserDefaults::standardFile(std::string_view domain) {
    return xdgConfigHome() / domain / "defaults.json";
}

// A document that does not parse is copied beside the file at once, so that the first
// change, which replaces the file, does not destroy what the user had; earlier copies stay.
// Anything else in the file's place (a link, a pipe, a file too large) is moved beside it.
void FileUserDefaults::load() {
    auto [text, problem] = readPrivateFile(file_, largestFileBytes);
    if (!problem.empty()) {
        log().error(file_.string() + " cannot be read: " + problem);
        return keepUnreadable(std::nullopt);
    }
    if (!text) return;
    try {
        const Json document = Json::parse(*text);
        for (const auto& member : document.asObject())
            values_.insert_or_assign(member.key, member.value);
        return;
    } catch (const JsonError& error) {
        log().error(file_.string() + " cannot be read: " + error.what());
    }
    keepUnreadable(std::move(text));
}

void FileUserDefaults::keepUnreadable(const std::optional<std::string>& content) {
    try {
        auto folder = ApplicationSupportStorage::inDirectory(file_.parent_path());
        keptcopies::keep(folder, file_.filename().string(), content);
    } catch (const std::exception& error) {
        log().error(std::string("keeping the unreadable defaults failed: ") + error.what());
    }
}

std::optional<Data> FileUserDefaults::dataForKey(const std::string& key) const {
    std::lock_guard guard(lock_);
    const auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    return decodedData(found->second);
}

void FileUserDefaults::setObject(const Data& data, const std::string& key) {
    change(key, encodedData(data));
}

void FileUserDefaults::removeObject(const std::string& key) {
    change(key, std::nullopt);
}

void FileUserDefaults::change(const std::string& key, std::optional<Json> value) {
    std::uint64_t generation;
    std::string text;
    {
        std::lock_guard guard(lock_);
        if (value)
            values_.insert_or_assign(key, std::move(*value));
        else if (values_.erase(key) == 0)
            return;
        Json document = Json::object();
        for (const auto& [name, stored] : values_)
            document.add(name, stored);
        text = document.dump();
        generation = ++generation_;
    }
    persist(generation, text);
}

// Concurrent changes may reach the file in any order; an older document never replaces a
// newer one.
void FileUserDefaults::persist(std::uint64_t generation, const std::string& text) {
    std::lock_guard guard(writeLock_);
    if (generation <= written_) return;
    try {
        if (auto error = makePrivateFolder(file_.parent_path()))
            throw std::system_error(error, file_.parent_path().string());
        replaceFileAtomically(file_, text);
        written_ = generation;
    } catch (const std::exception& error) {
        log().error(std::string("saving the defaults failed: ") + error.what());
    }
}

} // namespace keepsift
