#include "core/model/FeaturePrint.hpp"

#include <cmath>

#include "core/support/Base64.hpp"

namespace keepsift {

std::int16_t FeaturePrint::quantum(float v) {
    if (std::isnan(v)) return 0;
    if (v <= -1.0f) return -32767;
    return static_cast<std::int16_t>(std::roundf(std::fminf(v, 1.0f) * 32767.f));
}

FeaturePrint::FeaturePrint(std::span<const float> values) {
    quanta_.reserve(values.size());
    for (float v : values)
        quanta_.push_back(quantum(v));
}

FeaturePrint FeaturePrint::fromQuanta(std::vector<std::int16_t> quanta) {
    FeaturePrint print;
    for (auto& q : quanta)
        if (q == -32768) q = -32767;
    print.quanta_ = std::move(quanta);
    return print;
}

std::vector<float> FeaturePrint::values() const {
    std::vector<float> out;
    out.reserve(quanta_.size());
    for (auto q : quanta_)
        out.push_back(valueOf(q));
    return out;
}

std::string FeaturePrint::base64() const {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(quanta_.size() * 2);
    for (auto q : quanta_) {
        const auto u = static_cast<std::uint16_t>(q);
        bytes.push_back(static_cast<std::uint8_t>(u & 0xff));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return base64Encode(bytes);
}

FeaturePrint FeaturePrint::fromBase64(std::string_view text) {
    const auto bytes = base64Decode(text);
    if (!bytes || bytes->size() % 2 != 0) return {};
    std::vector<std::int16_t> quanta;
    quanta.reserve(bytes->size() / 2);
    for (size_t i = 0; i < bytes->size(); i += 2)
        quanta.push_back(static_cast<std::int16_t>((*bytes)[i] | (*bytes)[i + 1] << 8));
    return fromQuanta(std::move(quanta));
}

FeaturePrint FeaturePrint::fromJson(const Json& json) {
    if (json.type() == Json::Type::string) return fromBase64(json.asString());
    std::vector<float> values;
    for (const auto& item : json.asArray())
        values.push_back(item.asFloat());
    return FeaturePrint(values);
}

double euclideanDistance(const FeaturePrint& a, const FeaturePrint& b) {
    const auto& x = a.quanta();
    const auto& y = b.quanta();
    double sum = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double d = static_cast<double>(FeaturePrint::valueOf(x[i])) -
                         static_cast<double>(FeaturePrint::valueOf(y[i]));
        sum += d * d;
    }
    return std::sqrt(sum);
}

} // namespace keepsift
