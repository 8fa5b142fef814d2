#include "Keepsift/shell/FeedSignature.hpp"

#include <memory>
#include <openssl/evp.h>

#include "core/support/Base64.hpp"

namespace keepsift::app {
namespace {

constexpr size_t keyLength = 32;
constexpr size_t signatureLength = 64;

// Signature files often end with a line break.
std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return text;
}

} // namespace

bool isSignedFeed(std::string_view feed, std::string_view signatureBase64,
                  std::string_view publicKeyBase64) {
    const auto key = base64Decode(trimmed(publicKeyBase64));
    const auto signature = base64Decode(trimmed(signatureBase64));
    if (!key || key->size() != keyLength || !signature || signature->size() != signatureLength)
        return false;
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> publicKey(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, key->data(), key->size()),
        &EVP_PKEY_free);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                    &EVP_MD_CTX_free);
    if (!publicKey || !context) return false;
    if (EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, publicKey.get()) != 1)
        return false;
    return EVP_DigestVerify(context.get(), signature->data(), signature->size(),
                            reinterpret_cast<const unsigned char*>(feed.data()), feed.size()) == 1;
}

} // namespace keepsift::app
