#include "telemetry/client/CurlUploader.hpp"

#include <curl/curl.h>
#include <mutex>

namespace keepsift::analytics {
namespace {

// What the service answers is only logged; more than this is not kept.
constexpr std::size_t longestAnswer = 64 * 1024;

void initialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::size_t collect(char* data, std::size_t size, std::size_t count, void* target) {
    auto& body = *static_cast<std::string*>(target);
    const std::size_t bytes = size * count;
    if (body.size() < longestAnswer)
        body.append(data, std::min(bytes, longestAnswer - body.size()));
    return bytes;
}

int progress(void* token, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<std::stop_token*>(token)->stop_requested() ? 1 : 0;
}

struct Handles {
    CURL* easy = curl_easy_init();
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
    ~Handles() {
        curl_slist_free_all(headers);
        if (easy != nullptr) curl_easy_cleanup(easy);
    }
};

} // namespace

UploadResult CurlUploader::post(const std::string& url, const std::string& body,
                                std::stop_token stop) {
    initialiseOnce();
    Handles handles;
    UploadResult result;
    if (handles.easy == nullptr || handles.headers == nullptr) {
        result.error = "cannot create an HTTP request";
        return result;
    }
    CURL* easy = handles.easy;
    char detail[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, handles.headers);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "https,http");
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(timeouts_.connectSeconds * 1000));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(timeouts_.totalSeconds * 1000));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &result.body);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &stop);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, detail);
    const CURLcode code = curl_easy_perform(easy);
    if (code != CURLE_OK) {
        result.error = std::string(curl_easy_strerror(code)) + (detail[0] ? ": " : "") + detail;
        return result;
    }
    long status = 0;
    if (curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status != 0)
        result.status = status;
    return result;
}

std::shared_ptr<Uploader> CurlUploader::shared() {
    static const std::shared_ptr<Uploader> uploader = std::make_shared<CurlUploader>();
    return uploader;
}

bool parsesAsURL(const std::string& text) {
    CURLU* url = curl_url();
    if (url == nullptr) return false;
    const bool parsed = curl_url_set(url, CURLUPART_URL, text.c_str(), 0) == CURLUE_OK;
    curl_url_cleanup(url);
    return parsed;
}

} // namespace keepsift::analytics
