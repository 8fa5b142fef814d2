#include "platform/imaging/Sha256.hpp"

#include <openssl/evp.h>

#include "platform/imaging/HexText.hpp"

namespace keepsift {

struct Sha256::Context {
    EVP_MD_CTX* digest = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(digest); }
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
    failed_ = context_->digest == nullptr ||
              EVP_DigestInit_ex(context_->digest, EVP_sha256(), nullptr) != 1;
}

Sha256::~Sha256() = default;

void Sha256::add(std::span<const std::uint8_t> bytes) {
    if (!failed_ && !bytes.empty())
        failed_ = EVP_DigestUpdate(context_->digest, bytes.data(), bytes.size()) != 1;
}

std::optional<std::string> Sha256::finish() {
    if (failed_) return std::nullopt;
    failed_ = true;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_->digest, digest, &length) != 1) return std::nullopt;
    return lowerHex({digest, length});
}

} // namespace keepsift
