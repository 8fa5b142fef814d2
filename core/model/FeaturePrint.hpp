#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/support/Json.hpp"

namespace keepsift {

// An image feature print, always held quantised to multiples of 1/32767. The quanta are
// kept as 16-bit integers: every value is exactly quantum / 32767 in 32-bit floats.
class FeaturePrint {
public:
    FeaturePrint() = default;
    explicit FeaturePrint(std::span<const float> values);
    static FeaturePrint fromQuanta(std::vector<std::int16_t> quanta);

    static std::int16_t quantum(float value);
    static float valueOf(std::int16_t quantum) { return static_cast<float>(quantum) / 32767.f; }

    std::vector<float> values() const;
    float operator[](size_t i) const { return valueOf(quanta_[i]); }
    const std::vector<std::int16_t>& quanta() const { return quanta_; }
    size_t count() const { return quanta_.size(); }
    bool isEmpty() const { return quanta_.empty(); }

    // Base64 of little-endian 16-bit quanta; the empty print is the empty text.
    std::string base64() const;
    // Invalid base64 or an odd byte count gives the empty print, not an error.
    static FeaturePrint fromBase64(std::string_view text);
    Json toJson() const { return Json(base64()); }
    // A text reads as base64; anything else must be a list of numbers.
    static FeaturePrint fromJson(const Json& json);

    bool operator==(const FeaturePrint&) const = default;

private:
    std::vector<std::int16_t> quanta_;
};

// Euclidean distance summed in doubles from i = 0 upward; allocates nothing.
double euclideanDistance(const FeaturePrint& a, const FeaturePrint& b);

} // namespace keepsift
