#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace keepsift {

// The first `count` texts with the separator between them.
inline std::string joined(const std::vector<std::string>& texts, std::string_view separator,
                          size_t count) {
    std::string out;
    for (size_t i = 0; i < count && i < texts.size(); ++i) {
        if (i > 0) out += separator;
        out += texts[i];
    }
    return out;
}

inline std::string joined(const std::vector<std::string>& texts, std::string_view separator) {
    return joined(texts, separator, texts.size());
}

} // namespace keepsift
