#include "photos/corpus-tool/FileDigest.hpp"

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <openssl/evp.h>

namespace keepsift::corpustool {

std::optional<std::string> fileDigest(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                    EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        return std::nullopt;
    std::array<char, 1 << 16> buffer;
    while (in.read(buffer.data(), buffer.size()) || in.gcount() > 0) {
        if (EVP_DigestUpdate(context.get(), buffer.data(), static_cast<size_t>(in.gcount())) != 1)
            return std::nullopt;
    }
    if (in.bad()) return std::nullopt;
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest;
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1) return std::nullopt;
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

} // namespace keepsift::corpustool
