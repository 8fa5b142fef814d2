#pragma once

#include <string_view>

namespace keepsift::app {

// True only when the signature (base64) is a valid Ed25519 signature of exactly these
// feed bytes under the public key (base64 of the 32 raw key bytes).
bool isSignedFeed(std::string_view feed, std::string_view signatureBase64,
                  std::string_view publicKeyBase64);

} // namespace keepsift::app
