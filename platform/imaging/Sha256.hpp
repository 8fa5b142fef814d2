#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace keepsift {

// The SHA-256 of bytes given in pieces, as lower-case hexadecimal text.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(std::span<const std::uint8_t> bytes);
    // None when the library failed along the way; the digest is taken once.
    std::optional<std::string> finish();

private:
    struct Context;
    std::unique_ptr<Context> context_;
    bool failed_ = false;
};

} // namespace keepsift
