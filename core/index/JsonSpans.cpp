#include "core/index/JsonSpans.hpp"

#include <cstring>

#include "core/support/Json.hpp"

namespace keepsift {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isPlainAscii(std::string_view text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x80 || c == '\\') return false;
    }
    return true;
}

} // namespace

void JsonSpans::fail(const char* what) const {
    throw JsonError(std::string("JSON syntax error at byte ") + std::to_string(at_) + ": " + what);
}

void JsonSpans::skipSpace() {
    while (at_ < text_.size() && isSpace(text_[at_]))
        ++at_;
}

void JsonSpans::expect(char c) {
    if (!consume(c)) fail((std::string("expected '") + c + "'").c_str());
}

bool JsonSpans::consume(char c) {
    skipSpace();
    if (at_ >= text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
}

// Finds the closing quote: the first quote not preceded by an odd run of backslashes.
void JsonSpans::skipString() {
    ++at_;
    for (;;) {
        const void* found = std::memchr(text_.data() + at_, '"', text_.size() - at_);
        if (found == nullptr) fail("unterminated string");
        const std::size_t quote = static_cast<const char*>(found) - text_.data();
        std::size_t backslashes = 0;
        while (quote - backslashes > at_ && text_[quote - backslashes - 1] == '\\')
            ++backslashes;
        at_ = quote + 1;
        if (backslashes % 2 == 0) return;
    }
}

void JsonSpans::skipContainer() {
    std::vector<char> closers;
    do {
        const char c = text_[at_];
        if (c == '"') {
            skipString();
            continue;
        }
        if (c == '{') closers.push_back('}');
        if (c == '[') closers.push_back(']');
        if (c == '}' || c == ']') {
            if (closers.empty() || closers.back() != c) fail("mismatched bracket");
            closers.pop_back();
        }
        ++at_;
    } while (!closers.empty() && at_ < text_.size());
    if (!closers.empty()) fail("unterminated container");
}

std::string_view JsonSpans::stringToken() {
    skipSpace();
    if (at_ >= text_.size() || text_[at_] != '"') fail("expected a string");
    const std::size_t begin = at_;
    skipString();
    return text_.substr(begin, at_ - begin);
}

std::string_view JsonSpans::value() {
    skipSpace();
    if (at_ >= text_.size()) fail("expected a value");
    const std::size_t begin = at_;
    const char c = text_[at_];
    if (c == '"') {
        skipString();
    } else if (c == '{' || c == '[') {
        skipContainer();
    } else {
        while (at_ < text_.size() && !isSpace(text_[at_]) &&
               std::strchr(",:]}{[\"", text_[at_]) == nullptr)
            ++at_;
        if (at_ == begin) fail("expected a value");
    }
    return text_.substr(begin, at_ - begin);
}

std::vector<std::pair<std::string_view, std::string_view>> JsonSpans::members() {
    std::vector<std::pair<std::string_view, std::string_view>> out;
    expect('{');
    if (consume('}')) return out;
    do {
        const std::string_view key = stringToken();
        expect(':');
        out.emplace_back(key, value());
    } while (consume(','));
    expect('}');
    return out;
}

std::string JsonSpans::unquoted(std::string_view token) {
    const std::string_view inner = token.substr(1, token.size() - 2);
    if (isPlainAscii(inner)) return std::string(inner);
    return Json::parse(token).asString();
}

} // namespace keepsift
