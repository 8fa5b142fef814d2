#include "telemetry/client/Hashing.hpp"

#include <array>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <random>

#include "core/support/Unicode.hpp"

namespace keepsift::analytics {
namespace {

constexpr char hexDigits[] = "0123456789abcdef";
constexpr char upperHexDigits[] = "0123456789ABCDEF";

} // namespace

std::string sha256Hex(std::string_view text, std::string_view salt) {
    std::string joined;
    joined.reserve(text.size() + salt.size());
    joined.append(text).append(salt);
    if (!unicode::isWellFormed(joined)) joined = unicode::wellFormed(joined);
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (EVP_Digest(joined.data(), joined.size(), digest.data(), &length, EVP_sha256(), nullptr) !=
        1)
        return {};
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex += hexDigits[digest[i] >> 4];
        hex += hexDigits[digest[i] & 0xf];
    }
    return hex;
}

std::string randomUUIDText() {
    std::array<unsigned char, 16> bytes{};
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
        std::random_device device;
        for (auto& byte : bytes)
            byte = static_cast<unsigned char>(device());
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0f) | 0x40);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3f) | 0x80);
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += upperHexDigits[bytes[i] >> 4];
        text += upperHexDigits[bytes[i] & 0xf];
    }
    return text;
}

} // namespace keepsift::analytics
