#include "core/index/JsonCursor.hpp"

#include <cstring>

#include "core/support/Json.hpp"

namespace keepsift {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool endsToken(char c) {
    return isSpace(c) || c == ',' || c == ']' || c == '}';
}
bool isPlainCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x20 && u < 0x80 && c != '"' && c != '\\';
}

char shortEscape(char c) {
    switch (c) {
    case '"':
        return '"';
    case '\\':
        return '\\';
    case '/':
        return '/';
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    default:
        return 0;
    }
}

// -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool isJsonNumber(std::string_view t) {
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t start = i;
        while (i < t.size() && isDigit(t[i]))
            ++i;
        return i > start;
    };
    if (i < t.size() && t[i] == '-') ++i;
    if (i < t.size() && t[i] == '0')
        ++i;
    else if (!digits())
        return false;
    if (i < t.size() && t[i] == '.' && !(++i, digits())) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        if (!digits()) return false;
    }
    return i == t.size();
}

} // namespace

void JsonCursor::fail(const char* what) const {
    throw JsonError(std::string("JSON syntax error at byte ") + std::to_string(at_) + ": " + what);
}

void JsonCursor::skipSpace() {
    while (at_ < text_.size() && isSpace(text_[at_]))
        ++at_;
}

char JsonCursor::peek() {
    skipSpace();
    if (at_ >= text_.size()) fail("unexpected end");
    return text_[at_];
}

bool JsonCursor::consume(char c) {
    if (peek() != c) return false;
    ++at_;
    return true;
}

void JsonCursor::expect(char c) {
    if (!consume(c)) fail("unexpected character");
}

void JsonCursor::expectEnd() {
    skipSpace();
    if (at_ != text_.size()) fail("unexpected text after the value");
}

void JsonCursor::literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) fail("invalid literal");
    at_ += word.size();
}

bool JsonCursor::boolean() {
    const char c = peek();
    if (c != 't' && c != 'f') throw JsonError("expected a Boolean");
    literal(c == 't' ? "true" : "false");
    return c == 't';
}

bool JsonCursor::null() {
    if (peek() != 'n') return false;
    literal("null");
    return true;
}

std::string_view JsonCursor::numberToken() {
    const char c = peek();
    if (c != '-' && !isDigit(c)) throw JsonError("expected a number");
    const std::size_t begin = at_;
    while (at_ < text_.size() && !endsToken(text_[at_]))
        ++at_;
    const std::string_view token = text_.substr(begin, at_ - begin);
    if (!isJsonNumber(token)) fail("invalid number");
    return token;
}

std::string JsonCursor::string() {
    if (peek() != '"') throw JsonError("expected a text");
    const std::size_t begin = at_++;
    std::string out;
    if (const void* quote = std::memchr(text_.data() + at_, '"', text_.size() - at_))
        out.reserve(static_cast<std::size_t>(static_cast<const char*>(quote) - text_.data()) - at_);
    std::size_t run = at_;
    for (;;) {
        while (at_ < text_.size() && isPlainCharacter(text_[at_]))
            ++at_;
        if (at_ >= text_.size()) fail("unterminated string");
        const auto c = static_cast<unsigned char>(text_[at_]);
        if (c == '"') break;
        if (c < 0x20) fail("control character in string");
        if (c >= 0x80) return referenceString(begin);
        out.append(text_.substr(run, at_ - run));
        const char escaped = at_ + 1 < text_.size() ? shortEscape(text_[at_ + 1]) : 0;
        if (escaped == 0) return referenceString(begin);
        out += escaped;
        at_ += 2;
        run = at_;
    }
    out.append(text_.substr(run, at_ - run));
    ++at_;
    return out;
}

// The closing quote is the first one not preceded by an odd run of backslashes.
void JsonCursor::skipString() {
    ++at_;
    for (;;) {
        const void* found = std::memchr(text_.data() + at_, '"', text_.size() - at_);
        if (found == nullptr) fail("unterminated string");
        const std::size_t quote =
            static_cast<std::size_t>(static_cast<const char*>(found) - text_.data());
        std::size_t backslashes = 0;
        while (quote - backslashes > at_ && text_[quote - backslashes - 1] == '\\')
            ++backslashes;
        at_ = quote + 1;
        if (backslashes % 2 == 0) return;
    }
}

void JsonCursor::skipContainer() {
    std::string closers;
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

std::string_view JsonCursor::rawValue() {
    const char c = peek();
    const std::size_t begin = at_;
    if (c == '"')
        skipString();
    else if (c == '{' || c == '[')
        skipContainer();
    else
        while (at_ < text_.size() && !endsToken(text_[at_]) && text_[at_] != ':')
            ++at_;
    if (at_ == begin) fail("expected a value");
    return text_.substr(begin, at_ - begin);
}

std::string JsonCursor::referenceString(std::size_t begin) {
    at_ = begin + 1;
    while (at_ < text_.size() && text_[at_] != '"')
        at_ += text_[at_] == '\\' ? 2 : 1;
    if (at_ >= text_.size()) fail("unterminated string");
    ++at_;
    return Json::parse(text_.substr(begin, at_ - begin)).asString();
}

bool isIntegerToken(std::string_view token) {
    return token.find_first_of(".eE") == std::string_view::npos;
}

std::string_view withoutByteOrderMark(std::string_view document) {
    constexpr std::string_view mark = "\xEF\xBB\xBF";
    return document.substr(0, mark.size()) == mark ? document.substr(mark.size()) : document;
}

std::string_view treeNumberText(std::string_view token) {
    return token == "-0" ? "0" : token;
}

} // namespace keepsift
