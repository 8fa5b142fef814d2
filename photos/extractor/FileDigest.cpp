#include <fstream>
#include <memory>

#include <openssl/evp.h>

#include "photos/extractor/LiveSignalExtractor.hpp"
#include "platform/imaging/HexText.hpp"

namespace keepsift {
namespace {

struct DigestFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

} // namespace

std::optional<std::string> LiveSignalExtractor::fileDigest(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::unique_ptr<EVP_MD_CTX, DigestFree> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        return std::nullopt;
    std::vector<char> chunk(1 << 16);
    while (file) {
        file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        if (file.bad()) return std::nullopt;
        if (EVP_DigestUpdate(context.get(), chunk.data(), static_cast<size_t>(file.gcount())) != 1)
            return std::nullopt;
    }
    if (!file.eof()) return std::nullopt;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1) return std::nullopt;
    return lowerHex({digest, length});
}

} // namespace keepsift
